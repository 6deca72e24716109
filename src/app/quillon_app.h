// SPDX-License-Identifier: MIT
// CQUILLONApp: starts the program — the application icon, then the main dialog, run once and
// modally, with the file named at start loaded; the program ends when the dialog does.
#pragma once

#include <QString>
#include <utility>

namespace quillon {

class CQUILLONApp {
  public:
    // startFile: a file to load once the window is shown (`quillon FILE`); empty for none.
    explicit CQUILLONApp(QString startFile = {}) : m_strStartFile(std::move(startFile)) {}

    // Runs the main dialog to its end. Returns false: there is nothing left to run after it.
    bool InitInstance();

  private:
    QString m_strStartFile;
};

}  // namespace quillon
