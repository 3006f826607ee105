# Cross-compiles the Windows side for 32-bit x86 with clang and lld, against
# the same mingw-w64 headers and CRT and the same libstdc++ and libgcc
# (g++-mingw-w64-i686-posix) as cmake/mingw-w64-i686.cmake: a second compiler
# whose warnings and errors the build must pass as well.
#
# clang finds gcc's library folder only when its name is a version ("12");
# Debian names it "12-posix", so it is given by hand:
#   --sysroot           the mingw-w64 headers and libraries only
#   -stdlib++-isystem   libstdc++'s headers, where clang would put them
#   -B<gcc dir>         gcc's crtbegin.o, which registers the unwind tables:
#                       without it the first throw ends in abort()
#   -L<gcc dir>         libstdc++.a, libgcc.a, libgcc_eh.a
#   -pthread            winpthread, which the posix libstdc++ needs; gcc adds
#                       it by itself, clang only when asked
# lld rather than GNU ld, which warns about every typeinfo name that clang
# and gcc objects both define.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MINGW_TRIPLE i686-w64-mingw32)
set(MINGW_GCC_DIR /usr/lib/gcc/${MINGW_TRIPLE}/12-posix)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_SYSROOT /usr/${MINGW_TRIPLE})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

# Binutils rather than the llvm tools CMake would pick beside clang, the same
# tools as the gcc build's.
foreach(tool AR RANLIB NM OBJCOPY OBJDUMP DLLTOOL STRIP)
  string(TOLOWER ${tool} name)
  set(CMAKE_${tool} /usr/bin/${MINGW_TRIPLE}-${name} CACHE FILEPATH "")
endforeach()

set(CMAKE_CXX_FLAGS_INIT
  "-stdlib++-isystem ${MINGW_GCC_DIR}/include/c++ -stdlib++-isystem ${MINGW_GCC_DIR}/include/c++/${MINGW_TRIPLE} -stdlib++-isystem ${MINGW_GCC_DIR}/include/c++/backward")

# Every exe stands alone, as with gcc.
set(_mingw_link "-fuse-ld=lld -B${MINGW_GCC_DIR} -L${MINGW_GCC_DIR} -pthread -static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_mingw_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_mingw_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_mingw_link}")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
