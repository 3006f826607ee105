# Fails when EXE loads at start a DLL that is not one of Windows' own, or
# lacks one it must import:
#   cmake -DOBJDUMP=... -DEXE=... -DSYSTEM=kernel32,user32,...
#         -DREQUIRED=user32 -P QuorvelCheckImports.cmake
cmake_minimum_required(VERSION 3.20)
# (comma-separated: a semicolon would split the test's command line)
string(REPLACE "," ";" SYSTEM "${SYSTEM}")
string(REPLACE "," ";" REQUIRED "${REQUIRED}")
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${EXE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
set(imported "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "DLL Name: ([^.\n]+).*" "\\1" name "${line}")
  string(TOLOWER "${name}" name)
  list(APPEND imported ${name})
endforeach()
message(STATUS "loaded at start: ${imported}")
# DLLs every window program of ours imports: proves the table was read.
foreach(dll IN LISTS REQUIRED)
  if(NOT dll IN_LIST imported)
    message(FATAL_ERROR "${dll} missing from the import table of ${EXE}")
  endif()
endforeach()
foreach(dll IN LISTS imported)
  if(NOT dll IN_LIST SYSTEM)
    message(FATAL_ERROR "${EXE} needs ${dll}.dll, which Windows does not have")
  endif()
endforeach()
