# What every translation unit that includes <windows.h> is compiled with;
# every Windows-side target links quorvel_win32_api rather than defining them
# by hand. Without NOMINMAX the Windows SDK's headers define min and max as
# macros, which breaks std::min, std::max and numeric_limits<T>::max() under
# MSVC. In C++, mingw-w64's minwindef.h never defines them (#ifndef
# __cplusplus), so only MSVC would show the fault: the test
# build.win32_definitions checks the definitions in the mingw build instead.
include_guard(GLOBAL)

add_library(quorvel_win32_api INTERFACE)
target_compile_definitions(quorvel_win32_api INTERFACE
  NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE _WIN32_WINNT=0x0601)

# How every window program of ours is linked: wWinMain is the entry point,
# and a Release build leaves out the debug sections the static runtime
# libraries bring along (MSVC puts them in a separate .pdb anyway).
add_library(quorvel_win32_program INTERFACE)
if(MINGW)
  target_link_options(quorvel_win32_program INTERFACE -municode
                      $<$<CONFIG:Release>:-s>)
endif()
