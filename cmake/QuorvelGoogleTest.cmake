# GoogleTest for every test folder, found one way:
#   - an installed package (the host build: Debian's libgtest-dev);
#   - else a source tree, built for the target with our compiler (the
#     cross build: Debian's /usr/src/googletest; elsewhere set
#     QUORVEL_GOOGLETEST_SOURCE).
# Either way the targets are GTest::gtest, GTest::gtest_main and GTest::gmock,
# and QUORVEL_HAVE_GTEST says whether they exist. Without GoogleTest the tests
# are left out with a message; the product still builds.
include_guard(GLOBAL)

set(QUORVEL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest source tree, used when no installed package fits the target")

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()

if(NOT TARGET GTest::gtest AND EXISTS ${QUORVEL_GOOGLETEST_SOURCE}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${QUORVEL_GOOGLETEST_SOURCE}
                   ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Newer GoogleTest names its targets so itself.
  foreach(library gtest gtest_main gmock)
    if(NOT TARGET GTest::${library})
      add_library(GTest::${library} ALIAS ${library})
    endif()
  endforeach()
endif()

if(TARGET GTest::gtest)
  set(QUORVEL_HAVE_GTEST ON)
else()
  set(QUORVEL_HAVE_GTEST OFF)
  message(STATUS "GoogleTest not found (no package, no source in "
                 "${QUORVEL_GOOGLETEST_SOURCE}): the tests are not built")
endif()
