# How a Windows test program runs, for every test of the Windows side:
# cross-built, under Wine on a private X server in a fresh copy of a cached
# prefix (tools/e2e-run.sh); built on Windows, directly.
#
#   quorvel_windows_test(<name> COMMAND <program> [<arg>...]
#                        [LABELS <label>...] [TIMEOUT <seconds>]
#                        [BEFORE <windows command>...])
#
# TIMEOUT bounds the program itself (default 600). BEFORE commands run in the
# test's own prefix first; on Windows they would change the machine itself,
# so a test that needs them is left out there.
#
#   quorvel_suite_tests(<prefix> <target> SOURCES <file>... [LABELS ...]
#                       [TIMEOUT <seconds>])
#
# One test <prefix>.<Suite> per GoogleTest suite of the sources, so counts
# and failures say which part broke. The suites are read from the sources:
# gtest_discover_tests would need Wine at build time. Tests named Benchmark*
# are left to a benchmark test of their own.
include_guard(GLOBAL)

set(QUORVEL_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)

function(quorvel_windows_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TIMEOUT" "COMMAND;LABELS;BEFORE")
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 600)
  endif()
  if(CMAKE_CROSSCOMPILING)
    set(runner ${PROJECT_SOURCE_DIR}/tools/e2e-run.sh
               --template ${QUORVEL_WINE_TEMPLATE} --timeout ${arg_TIMEOUT})
    foreach(command IN LISTS arg_BEFORE)
      list(APPEND runner --before "${command}")
    endforeach()
    list(APPEND runner --)
    # Room for booting the prefix template on the first run.
    math(EXPR limit "${arg_TIMEOUT} + 300")
  elseif(arg_BEFORE)
    message(STATUS "${name} changes the machine first: left out on Windows")
    return()
  else()
    set(runner "")
    set(limit ${arg_TIMEOUT})
  endif()
  add_test(NAME ${name} COMMAND ${runner} ${arg_COMMAND})
  set_tests_properties(${name} PROPERTIES LABELS "${arg_LABELS}"
                                          TIMEOUT ${limit})
endfunction()

function(quorvel_suite_tests prefix target)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "TIMEOUT" "SOURCES;LABELS")
  set(suites "")
  foreach(source IN LISTS arg_SOURCES)
    file(STRINGS ${source} lines REGEX "^(TEST|TEST_F|TEST_P)\\(")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^TEST(_F|_P)?\\(([A-Za-z0-9_]+),.*" "\\2" suite
                           "${line}")
      list(APPEND suites ${suite})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  foreach(suite IN LISTS suites)
    quorvel_windows_test(${prefix}.${suite}
      COMMAND $<TARGET_FILE:${target}> --gtest_filter=${suite}.*:-*.Benchmark*
      LABELS ${arg_LABELS} TIMEOUT ${arg_TIMEOUT})
  endforeach()
endfunction()
