# Fails when a product file includes a header of a folder its library does
# not link (a folder above its own), when portable code includes a Windows
# adapter, or when a file includes <windows.h> other than through the
# Windows prelude:
#   cmake -DSOURCE_DIR=<project root> -DLINKS=<file> -P QuorvelCheckLayout.cmake
# LINKS holds one line per folder, "<folder>=<libraries its library links>",
# written by CMake from the build itself (quorvel_write_folder_links).
cmake_minimum_required(VERSION 3.20)

file(STRINGS ${LINKS} lines)
set(folders "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "=.*" "" folder "${line}")
  string(REGEX REPLACE "^[^=]*=" "" links "${line}")
  list(APPEND folders ${folder})
  # The folders of the quorvel_<folder> libraries it links.
  set(below_${folder} "")
  foreach(library IN LISTS links)
    if(library MATCHES "^quorvel_([a-z]+)$")
      list(APPEND below_${folder} ${CMAKE_MATCH_1})
    endif()
  endforeach()
endforeach()

# Each folder may use itself and whatever it reaches through its links.
foreach(folder IN LISTS folders)
  set(uses_${folder} ${folder})
  set(pending ${below_${folder}})
  while(pending)
    list(POP_FRONT pending next)
    if(NOT next IN_LIST uses_${folder})
      list(APPEND uses_${folder} ${next})
      list(APPEND pending ${below_${next}})
    endif()
  endwhile()
endforeach()

set(faults "")
set(prelude common/win32/windows_api.h)
foreach(folder IN LISTS folders ITEMS tests)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/${source} includes
         REGEX "^[ \t]*#[ \t]*include[ \t]+[\"<]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE ".*[\"<]([^\">]+)[\">].*" "\\1" header "${line}")
      string(TOLOWER "${header}" lower)
      if(lower STREQUAL "windows.h" AND NOT source STREQUAL prelude)
        list(APPEND faults "${source} includes <windows.h>: include ${prelude}")
      endif()
      if(folder STREQUAL "tests" OR NOT line MATCHES "\"")
        continue()
      endif()
      string(REGEX MATCH "^[^/]+" used "${header}")
      if(NOT used IN_LIST uses_${folder})
        list(APPEND faults "${source} includes ${header}, above ${folder}/")
      elseif(NOT source MATCHES "/win32/" AND header MATCHES "/win32/")
        list(APPEND faults "${source} is portable but includes ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " lines)
  message(FATAL_ERROR "Includes against the layout:\n  ${lines}")
endif()
list(JOIN folders ", " names)
message(STATUS "every include of ${names} points down the tree")
