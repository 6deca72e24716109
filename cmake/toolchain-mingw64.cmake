# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
#
# The executables are linked statically, so that they need only Windows' own DLLs, and run
# here under wine: tests and test discovery go through scripts/wine-run.sh, which keeps a wine
# prefix of the build's own in <build>/wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_quillon_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_quillon_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_quillon_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_quillon_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_quillon_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only Windows' own DLLs at run time: the C and C++ runtimes and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CLI11 is header-only and the same for every target, but Debian installs its CMake package
# for the build machine only; this one points at the same headers without /usr/include itself.
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw CACHE PATH "CLI11 for the cross build")

# Tests and gtest_discover_tests run the Windows programs through wine, in a prefix of the
# build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh CACHE STRING "Runs Windows programs here")

# Under wine the build machine's files are on drive Z:, so the paths compiled into the tests
# (the sources, examples/, the converter) carry that drive.
set(QUILLON_TEST_PATH_PREFIX "Z:" CACHE STRING "Drive of the build machine's files in the tests")

# HDF5 output, with the HDF5 library built for Windows from Debian's sources
# (cmake/Hdf5Windows.cmake).
set(QUILLON_WITH_HDF5 ON CACHE BOOL "Write HDF5 files (needs the HDF5 C library)")

# Windows programs live in the folder they are installed to, not in a bin/ below it.
set(CMAKE_INSTALL_BINDIR "." CACHE STRING "Where the executables are installed")
