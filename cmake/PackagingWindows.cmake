# SPDX-License-Identifier: MIT
# The Windows packages (cpack in a mingw build folder, see scripts/build-windows.sh):
#
#   QUILLON-<version>-win64.zip   quillon.exe, quillon-convert.exe, README.md, LICENSE.txt
#   QUILLON-<version>-win64.exe   the same as a 64-bit NSIS installer: a Start-menu shortcut,
#                                 .sdf files opening in QUILLON and an uninstaller (Apps &
#                                 features, or Uninstall.exe)
#
# The installer needs no administrator rights: run as a user (the usual case, also for an
# administrator under UAC) it installs for that user alone, into %LOCALAPPDATA%\Programs\QUILLON
# as per-user programs do, with the Start-menu shortcut and the Apps & features entry of that
# user; started elevated it installs into Program Files for everyone. Either way .sdf files open
# in QUILLON for the user who installed it (HKEY_CURRENT_USER\Software\Classes), which needs no
# rights and leaves other users' choices alone.
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
# A 64-bit installer with Unicode texts that runs without asking for administrator rights. A
# user's own install goes where per-user programs go, not into Documents: the folder is changed
# before the folder page shows it, or before a silent install without /D= begins.
set(CPACK_NSIS_DEFINES "Unicode true
  Target amd64-unicode
  RequestExecutionLevel user
  !define MUI_CUSTOMFUNCTION_GUIINIT QuillonUserFolder
  Function QuillonUserFolder
    StrCmp $INSTDIR '$DOCUMENTS\\QUILLON' 0 +2
      StrCpy $INSTDIR '$LOCALAPPDATA\\Programs\\QUILLON'
  FunctionEnd")
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "
  IfSilent 0 +2
    Call QuillonUserFolder
")

# .sdf files open in QUILLON for the installing user: a file type of QUILLON's own, offered for
# .sdf, and made the default. The uninstaller takes it away again, and gives .sdf back only if it
# is still ours.
set(_quillon_type "Software\\Classes\\QUILLON.ScanDataFile")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  WriteRegStr HKCU '${_quillon_type}' '' 'QUILLON scan data file'
  WriteRegStr HKCU '${_quillon_type}\\DefaultIcon' '' '$INSTDIR\\quillon.exe,0'
  WriteRegStr HKCU '${_quillon_type}\\shell\\open\\command' '' '\"$INSTDIR\\quillon.exe\" \"%1\"'
  WriteRegStr HKCU 'Software\\Classes\\.sdf\\OpenWithProgids' 'QUILLON.ScanDataFile' ''
  WriteRegStr HKCU 'Software\\Classes\\.sdf' '' 'QUILLON.ScanDataFile'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  ReadRegStr $0 HKCU 'Software\\Classes\\.sdf' ''
  StrCmp $0 'QUILLON.ScanDataFile' 0 +2
    DeleteRegValue HKCU 'Software\\Classes\\.sdf' ''
  DeleteRegValue HKCU 'Software\\Classes\\.sdf\\OpenWithProgids' 'QUILLON.ScanDataFile'
  DeleteRegKey /ifempty HKCU 'Software\\Classes\\.sdf\\OpenWithProgids'
  DeleteRegKey /ifempty HKCU 'Software\\Classes\\.sdf'
  DeleteRegKey HKCU '${_quillon_type}'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")

include(CPack)
