# Fails, naming them, when translation units of a compile_commands.json were
# compiled without each of the given preprocessor definitions.
#
#   cmake -DCOMPILE_COMMANDS=<build>/compile_commands.json
#         -DREQUIRED=NOMINMAX,UNICODE,_WIN32_WINNT=0x0601
#         [-DSOURCE_DIR=<project root>] [-DINCLUDE=<regex>]
#         -P QuorvelCheckDefines.cmake
#
# With SOURCE_DIR, only files under it are checked, and INCLUDE is matched
# against the path relative to it. A REQUIRED item NAME=VALUE must be defined
# with exactly that value; a bare NAME with any. The flags are read in order,
# as the compiler reads them, so a later -UNAME or -DNAME=other counts. Both
# forms CMake writes are read: "command" (one string) and "arguments" (a
# list). Flags hidden in a response file (@file) cannot be checked: that
# fails rather than guess.
cmake_minimum_required(VERSION 3.20)

if(NOT EXISTS "${COMPILE_COMMANDS}")
  message(FATAL_ERROR "'${COMPILE_COMMANDS}' does not exist (configure with "
    "CMAKE_EXPORT_COMPILE_COMMANDS=ON and a Ninja or Makefile generator)")
endif()
string(REPLACE "," ";" REQUIRED "${REQUIRED}")

# The flags of entry `i` as a list, whichever form it uses.
function(entry_arguments json i out_var)
  string(JSON command ERROR_VARIABLE no_command GET "${json}" ${i} command)
  if(no_command)
    set(args "")
    string(JSON count LENGTH "${json}" ${i} arguments)
    math(EXPR last "${count} - 1")
    foreach(a RANGE 0 ${last})
      string(JSON arg GET "${json}" ${i} arguments ${a})
      list(APPEND args "${arg}")
    endforeach()
  else()
    separate_arguments(args UNIX_COMMAND "${command}")
  endif()
  set(${out_var} "${args}" PARENT_SCOPE)
endfunction()

# What of REQUIRED the flags leave undefined (or define otherwise).
function(missing_definitions args out_var)
  set(names "")
  set(pending "")
  foreach(arg IN LISTS args)
    set(arg "${pending}${arg}")
    set(pending "")
    if(arg MATCHES "^@")
      set(${out_var} "flags in response file ${arg}" PARENT_SCOPE)
      return()
    elseif(arg MATCHES "^[-/][DU]$")
      set(pending "${arg}")
    elseif(arg MATCHES "^[-/]D([A-Za-z_][A-Za-z0-9_]*)(=(.*))?$")
      set(name "${CMAKE_MATCH_1}")
      set(value 1)
      if(CMAKE_MATCH_2)
        set(value "${CMAKE_MATCH_3}")
      endif()
      list(APPEND names "${name}")
      set("value_${name}" "${value}")
    elseif(arg MATCHES "^[-/]U([A-Za-z_][A-Za-z0-9_]*)$")
      list(REMOVE_ITEM names "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(missing "")
  foreach(required IN LISTS REQUIRED)
    string(REGEX MATCH "^[^=]+" name "${required}")
    string(REGEX MATCH "=(.*)" want "${required}")
    set(want "${CMAKE_MATCH_1}")
    if(NOT name IN_LIST names)
      list(APPEND missing "${required}")
    elseif(required MATCHES "=" AND NOT value_${name} STREQUAL want)
      list(APPEND missing "${required} (has ${name}=${value_${name}})")
    endif()
  endforeach()
  list(JOIN missing ", " missing)
  set(${out_var} "${missing}" PARENT_SCOPE)
endfunction()

file(READ "${COMPILE_COMMANDS}" json)
string(JSON count LENGTH "${json}")
set(checked 0)
set(faults "")
if(count GREATER 0)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last})
    string(JSON file GET "${json}" ${i} file)
    set(shown "${file}")
    if(DEFINED SOURCE_DIR)
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
      if(shown MATCHES "^\\.\\./")
        continue()
      endif()
    endif()
    if(DEFINED INCLUDE AND NOT shown MATCHES "${INCLUDE}")
      continue()
    endif()
    entry_arguments("${json}" ${i} args)
    missing_definitions("${args}" missing)
    if(missing)
      list(APPEND faults "${shown}: missing ${missing}")
    endif()
    math(EXPR checked "${checked} + 1")
  endforeach()
endif()

if(checked EQUAL 0)
  message(FATAL_ERROR "no translation unit of ${COMPILE_COMMANDS} was checked")
endif()
if(faults)
  list(JOIN faults "\n  " lines)
  message(FATAL_ERROR "compiled without the Windows API definitions:\n  ${lines}")
endif()
list(JOIN REQUIRED " " required)
message(STATUS "${checked} translation units have ${required}")
