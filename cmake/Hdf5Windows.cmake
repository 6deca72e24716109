# SPDX-License-Identifier: MIT
# HDF5 for the Windows build: the C library and its high-level library, built statically from
# Debian's source package of the version the Linux build uses (cmake/ThirdParty.cmake), as the
# targets hdf5::hdf5 and hdf5::hdf5_hl that the Linux build gets from CMake's FindHDF5.
include(${CMAKE_CURRENT_LIST_DIR}/ThirdParty.cmake)
quillon_third_party(hdf5 _quillon_hdf5)
find_package(hdf5 CONFIG REQUIRED PATHS ${_quillon_hdf5}/share/cmake NO_DEFAULT_PATH
             NO_CMAKE_FIND_ROOT_PATH)
foreach(_quillon_library hdf5 hdf5_hl)
    if(NOT TARGET hdf5::${_quillon_library})
        add_library(hdf5::${_quillon_library} INTERFACE IMPORTED GLOBAL)
        target_link_libraries(hdf5::${_quillon_library} INTERFACE ${_quillon_library}-static)
    endif()
endforeach()
set(HDF5_FOUND TRUE)
