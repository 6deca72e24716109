// SPDX-License-Identifier: MIT
// The About box of the Windows program: the application icon, "QUILLON, Version 1.0" and OK,
// built from the dialog layer's About box template.
#pragma once

#include <windows.h>

#include <string>

namespace quillon {

// "QUILLON, Version <major>.<minor>".
std::wstring AboutBoxText();

// Runs the About box modally over its owner.
void RunAboutBox(HWND owner);

}  // namespace quillon
