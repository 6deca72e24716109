# SPDX-License-Identifier: MIT
# GoogleTest for the mingw cross build. Debian ships GoogleTest built for the build machine
# only, together with its sources in /usr/src/googletest: the cross build compiles those, and
# gives the targets the names find_package(GTest) would.
set(QUILLON_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (libgtest-dev)")
if(NOT EXISTS ${QUILLON_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${QUILLON_GOOGLETEST_SOURCE}")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUILLON_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(_lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${_lib})
        add_library(GTest::${_lib} ALIAS ${_lib})
    endif()
endforeach()

# The Windows stage builds everything from scratch on a fresh clone, within its time budget:
# the tests and GoogleTest itself are compiled with light optimisation (the programs and the
# core they test keep the build type's).
add_compile_options(-O1)
