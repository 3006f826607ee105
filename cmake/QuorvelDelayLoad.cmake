# DLLs loaded at their first call instead of at process start, so that
# start-up does not pay for what only some user actions need.
#
#   quorvel_delay_loaded(<dll> <out-var>)
#
# sets <out-var> to what to link in place of the DLL's import library
# (e.g. quorvel_delay_loaded(ole32 ole32_lib) then link ${ole32_lib}).
include_guard(GLOBAL)

# mingw-w64 has no delay-load switch in its linker: a delay-import library
# made by dlltool does the same. It is made once, at configure time, from
# every function the toolchain's own import library offers, so any call into
# the DLL is delayed, not only the ones listed somewhere by hand.
function(_quorvel_mingw_delay_library dll out_var)
  # Keyed on this file's content, so a change here never reuses a library
  # made by an earlier recipe.
  file(SHA1 ${CMAKE_CURRENT_FUNCTION_LIST_FILE} recipe)
  string(SUBSTRING ${recipe} 0 12 recipe)
  set(dir ${CMAKE_BINARY_DIR}/delayload/${recipe})
  set(library ${dir}/lib${dll}_delay.a)
  if(EXISTS ${library})
    set(${out_var} ${library} PARENT_SCOPE)
    return()
  endif()
  find_library(QUORVEL_IMPORT_${dll} NAMES lib${dll}.a ${dll} REQUIRED)
  if(NOT CMAKE_NM OR NOT CMAKE_DLLTOOL OR NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "delay loading ${dll} needs nm, dlltool and objcopy")
  endif()
  execute_process(COMMAND ${CMAKE_NM} ${QUORVEL_IMPORT_${dll}}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "nm could not read ${QUORVEL_IMPORT_${dll}}")
  endif()
  # Functions have a code thunk ("T"); data exports cannot be delay-loaded.
  string(REGEX MATCHALL "[0-9a-fA-F]+ T _[^\n]+" thunks "${symbols}")
  set(exports "")
  foreach(thunk IN LISTS thunks)
    string(REGEX REPLACE "^[0-9a-fA-F]+ T _" "" name "${thunk}")
    list(APPEND exports "${name}")
  endforeach()
  list(REMOVE_DUPLICATES exports)
  list(LENGTH exports count)
  if(count EQUAL 0)
    message(FATAL_ERROR "no functions found in ${QUORVEL_IMPORT_${dll}}")
  endif()
  list(JOIN exports "\n" lines)
  file(MAKE_DIRECTORY ${dir})
  file(WRITE ${dir}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${lines}\n")
  # -k: the DLL exports the undecorated names of the stdcall functions.
  execute_process(COMMAND ${CMAKE_DLLTOOL} -k --input-def ${dir}/${dll}.def
                          --dllname ${dll}.dll --output-delaylib ${library}.raw
                  RESULT_VARIABLE failed)
  # dlltool (binutils 2.40) gives the delay tables of each function no
  # alloc/load flags, and ld then leaves the address slots zero: the first
  # call jumps to 0. Moved into sections of their own with the right flags,
  # they are laid out like any other data.
  set(renames "")
  foreach(part 4 5 6 7)
    list(APPEND renames --rename-section
         ".idata$${part}=.didat$${part},contents,alloc,load,data")
  endforeach()
  if(NOT failed)
    execute_process(COMMAND ${CMAKE_OBJCOPY} ${renames} ${library}.raw
                            ${library} RESULT_VARIABLE failed)
  endif()
  file(REMOVE ${library}.raw)
  if(failed)
    file(REMOVE ${library})
    message(FATAL_ERROR "dlltool could not make ${library}")
  endif()
  set(${out_var} ${library} PARENT_SCOPE)
endfunction()

function(quorvel_delay_loaded dll out_var)
  set(target quorvel_delay_${dll})
  if(NOT TARGET ${target})
    add_library(${target} INTERFACE)
    if(MINGW)
      _quorvel_mingw_delay_library(${dll} library)
      target_link_libraries(${target} INTERFACE ${library})
    elseif(MSVC)
      target_link_libraries(${target} INTERFACE ${dll} delayimp)
      target_link_options(${target} INTERFACE /DELAYLOAD:${dll}.dll)
    else()
      target_link_libraries(${target} INTERFACE ${dll})
    endif()
  endif()
  set(${out_var} ${target} PARENT_SCOPE)
endfunction()
