# Fails when a product file includes a header of a folder above its own, or
# when portable code includes a Windows adapter:
#   cmake -DSOURCE_DIR=<project root> -P QuorvelCheckLayout.cmake
cmake_minimum_required(VERSION 3.20)

# Each folder and the folders it may use (itself included).
set(uses_common common)
set(uses_registry common registry)
set(uses_servers common registry servers)
set(uses_connection common connection)
set(uses_files common files)
set(uses_app common registry servers connection files app)

set(faults "")
foreach(folder common registry servers connection files app)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    set(portable TRUE)
    if(source MATCHES "/win32/")
      set(portable FALSE)
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} includes
         REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE ".*\"([^\"]+)\".*" "\\1" header "${line}")
      string(REGEX MATCH "^[^/]+" used "${header}")
      if(NOT used IN_LIST uses_${folder})
        list(APPEND faults "${source} includes ${header}, above ${folder}/")
      elseif(portable AND header MATCHES "/win32/")
        list(APPEND faults "${source} is portable but includes ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " lines)
  message(FATAL_ERROR "Includes against the layout:\n  ${lines}")
endif()
message(STATUS "every include points down the tree")
