// SPDX-License-Identifier: MIT
// CQUILLONApp: starts the program — the application icon, then the main dialog, run once and
// modally; the program ends when the dialog does.
#pragma once

namespace quillon {

class CQUILLONApp {
  public:
    // Runs the main dialog to its end. Returns false: there is nothing left to run after it.
    bool InitInstance();
};

}  // namespace quillon
