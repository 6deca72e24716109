# SPDX-License-Identifier: MIT
# The Windows packages (cpack in a mingw build folder, see scripts/build-windows.sh):
#
#   QUILLON-<version>-win64.zip   quillon.exe, quillon-convert.exe, README.md, LICENSE.txt
#   QUILLON-<version>-win64.exe   the same as a 64-bit NSIS installer: Program Files\QUILLON,
#                                 a Start-menu shortcut, .sdf files opening in QUILLON and an
#                                 uninstaller (Apps & features, or Uninstall.exe)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
# Windows opens .txt files with an editor; LICENSE alone would ask for a program.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR ZIP NSIS)
# The NSIS commands below hold backslashes and quotes that must reach the script as they are.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME QUILLON)
set(CPACK_PACKAGE_VENDOR "The QUILLON developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CCD spectrometer scan data file to text converter")
set(CPACK_PACKAGE_FILE_NAME QUILLON-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY QUILLON)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY QUILLON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The Start-menu shortcut: quillon.exe, shown as "QUILLON".
set(CPACK_PACKAGE_EXECUTABLES quillon QUILLON)

set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME QUILLON)
set(CPACK_NSIS_PACKAGE_NAME QUILLON)
set(CPACK_NSIS_INSTALLED_ICON_NAME quillon.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/src/app/win32/quillon.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/src/app/win32/quillon.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
# A 64-bit installer with Unicode texts.
set(CPACK_NSIS_DEFINES "Unicode true\n  Target amd64-unicode")

# .sdf files open in QUILLON: a file type of QUILLON's own, offered for .sdf, and made the
# default. The uninstaller takes it away again, and gives .sdf back only if it is still ours.
set(_quillon_type "Software\\Classes\\QUILLON.ScanDataFile")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  WriteRegStr HKLM '${_quillon_type}' '' 'Scan Data File'
  WriteRegStr HKLM '${_quillon_type}\\DefaultIcon' '' '$INSTDIR\\quillon.exe,0'
  WriteRegStr HKLM '${_quillon_type}\\shell\\open\\command' '' '\"$INSTDIR\\quillon.exe\" \"%1\"'
  WriteRegStr HKLM 'Software\\Classes\\.sdf\\OpenWithProgids' 'QUILLON.ScanDataFile' ''
  WriteRegStr HKLM 'Software\\Classes\\.sdf' '' 'QUILLON.ScanDataFile'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  ReadRegStr $0 HKLM 'Software\\Classes\\.sdf' ''
  StrCmp $0 'QUILLON.ScanDataFile' 0 +2
    DeleteRegValue HKLM 'Software\\Classes\\.sdf' ''
  DeleteRegValue HKLM 'Software\\Classes\\.sdf\\OpenWithProgids' 'QUILLON.ScanDataFile'
  DeleteRegKey /ifempty HKLM 'Software\\Classes\\.sdf\\OpenWithProgids'
  DeleteRegKey /ifempty HKLM 'Software\\Classes\\.sdf'
  DeleteRegKey HKLM '${_quillon_type}'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")

include(CPack)
