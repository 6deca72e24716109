# SPDX-License-Identifier: MIT
# What a release of QUILLON is called and where it lives, shared by the package, the AppStream
# file and the manual pages. The version itself is project(QUILLON VERSION ...); its release
# date is read from the entry "## [<version>] - YYYY-MM-DD" of CHANGELOG.md, so that a version
# cannot be released without a changelog entry.
set(QUILLON_HOMEPAGE "https://github.com/quillon/quillon"
    CACHE STRING "Home page of QUILLON (package, AppStream file)")
set(QUILLON_SCREENSHOT_URL
    "https://raw.githubusercontent.com/quillon/quillon/v${PROJECT_VERSION}/docs/screenshot.png"
    CACHE STRING "Address of docs/screenshot.png of this version, for the AppStream file")
set(QUILLON_MAINTAINER "The QUILLON developers <quillon@users.noreply.github.com>"
    CACHE STRING "Maintainer of the Debian package, as 'Name <address>'")

string(REPLACE "." "\\." _quillon_version_pattern "${PROJECT_VERSION}")
file(STRINGS "${PROJECT_SOURCE_DIR}/CHANGELOG.md" _quillon_release_line
     REGEX "^## \\[${_quillon_version_pattern}\\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$")
if(NOT _quillon_release_line)
    message(FATAL_ERROR "CHANGELOG.md has no entry '## [${PROJECT_VERSION}] - YYYY-MM-DD' for "
                        "the version set in project(); add one before building this version.")
endif()
string(REGEX REPLACE "^.* - " "" QUILLON_RELEASE_DATE "${_quillon_release_line}")

# Manual pages carry the month of the release, as help2man writes it ("December 2026").
string(SUBSTRING "${QUILLON_RELEASE_DATE}" 0 4 _quillon_year)
string(SUBSTRING "${QUILLON_RELEASE_DATE}" 5 2 _quillon_month)
math(EXPR _quillon_month_index "${_quillon_month} - 1")
set(_quillon_months January February March April May June July August September October November
    December)
list(GET _quillon_months ${_quillon_month_index} _quillon_month_name)
set(QUILLON_MAN_DATE "${_quillon_month_name} ${_quillon_year}")
