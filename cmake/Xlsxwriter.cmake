# SPDX-License-Identifier: MIT
# libxlsxwriter for the workbook export, as the imported target xlsxwriter::xlsxwriter
# (#include <xlsxwriter.h>): a static library built from Debian's source package for Linux and
# for Windows alike (cmake/ThirdParty.cmake), with its bundled minizip and its bundled dtoa, so
# that every number is written as the shortest text that reads back to the same double whatever
# the locale (Debian's libxlsxwriter-dev writes 16 digits through the C library's locale).
include(${CMAKE_CURRENT_LIST_DIR}/ThirdParty.cmake)
if(NOT TARGET xlsxwriter::xlsxwriter)
    quillon_third_party(libxlsxwriter _quillon_xlsxwriter)
    if(WIN32)
        # The static zlib of Debian's libz-mingw-w64-dev, not its DLL's import library.
        find_library(QUILLON_MINGW_ZLIB NAMES libz.a REQUIRED)
        set(_quillon_zlib ${QUILLON_MINGW_ZLIB})
    else()
        find_package(ZLIB REQUIRED)
        set(_quillon_zlib ZLIB::ZLIB)
    endif()
    add_library(xlsxwriter::xlsxwriter STATIC IMPORTED GLOBAL)
    set_target_properties(xlsxwriter::xlsxwriter PROPERTIES
        IMPORTED_LOCATION ${_quillon_xlsxwriter}/lib/libxlsxwriter.a
        INTERFACE_INCLUDE_DIRECTORIES ${_quillon_xlsxwriter}/include
        INTERFACE_LINK_LIBRARIES ${_quillon_zlib})
endif()
