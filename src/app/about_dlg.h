// SPDX-License-Identifier: MIT
// CAboutDlg: the About box — the icon, the program's name and version, and an OK button.
#pragma once

#include <QDialog>

namespace quillon {

// QUILLON_ABOUT_VERSION is major.minor of project(QUILLON VERSION ...), set by CMake.
inline constexpr const char* kAboutText = "QUILLON, Version " QUILLON_ABOUT_VERSION;

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace quillon
