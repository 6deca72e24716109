# SPDX-License-Identifier: MIT
# The Debian package of QUILLON (cpack -G DEB in a build folder): quillon_<version>_amd64.deb
# with both programs, their manual pages, the desktop entry, icons, MIME type, AppStream file,
# bash completion, and the documents Debian expects in /usr/share/doc/quillon. Windows has
# packages of its own.
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
    return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/InstallGzipped.cmake)
set(QUILLON_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillon)

# The copyright file in Debian's machine-readable format, with the licence text of LICENSE:
# each line indented by one space, each empty line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _quillon_license)
string(FIND "${_quillon_license}" "Permission is hereby granted" _quillon_terms_start)
string(SUBSTRING "${_quillon_license}" ${_quillon_terms_start} -1 _quillon_terms)
string(STRIP "${_quillon_terms}" _quillon_terms)
string(REGEX REPLACE "\n\n" "\n.\n" _quillon_terms "${_quillon_terms}")
string(REGEX REPLACE "\n" "\n " QUILLON_MIT_TEXT " ${_quillon_terms}")
configure_file(${PROJECT_SOURCE_DIR}/res/debian/copyright.in
               ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright @ONLY)

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${QUILLON_DOC_DIR})
# A package whose version has no Debian revision is a native one: its changelog.gz is read as
# a Debian changelog, so it is written in that form from CHANGELOG.md.
add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/debian-changelog.sh ${PROJECT_SOURCE_DIR}/CHANGELOG.md
            ${QUILLON_MAINTAINER} > ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog
    DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/scripts/debian-changelog.sh
    COMMENT "Writing the Debian changelog from CHANGELOG.md"
    VERBATIM)
quillon_install_gzipped(${CMAKE_CURRENT_BINARY_DIR}/debian/changelog ${QUILLON_DOC_DIR})
# lintian reports no warning today. Should one ever have to stay, it goes into
# res/debian/lintian-overrides with a comment saying why, and ships with the package.
if(EXISTS ${PROJECT_SOURCE_DIR}/res/debian/lintian-overrides)
    install(FILES ${PROJECT_SOURCE_DIR}/res/debian/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
            RENAME quillon)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The QUILLON developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUILLON_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CCD spectrometer scan data file to text converter")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# DEB-DEFAULT names the file quillon_<version>_<architecture>.deb (amd64 on a PC).
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLON_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLON_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the synopsis line; this is the extended description under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "QUILLON reads the Scan Data Files (.sdf) written by the acquisition software
of CCD spectrometers and converts them into plain CR LF text that a spreadsheet
or a script can read: a report of the instrument and acquisition parameters,
the dark and reference spectra and every scan or a selection of scans,
optionally with pixel numbers and wavelengths.
.
This package holds the window program quillon and the command-line converter
quillon-convert, which write the very same bytes.")

include(CPack)
