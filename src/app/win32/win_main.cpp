// SPDX-License-Identifier: MIT
// quillon.exe: the QUILLON window on Windows. Prepares the common controls, runs the main
// dialog once, modally, and ends with it. A scan data file given on the command line (as the
// shell gives it when such a file is opened with QUILLON) is loaded as if dropped on the window.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "about_box.h"
#include "dialog/win32/win32_dialog_window.h"
#include "platform/console.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    quillon::Win32Prompts prompts = quillon::Win32Prompts::Standard();
    prompts.about = [](HWND owner) { quillon::RunAboutBox(owner); };
    quillon::Win32DialogWindow dialog(std::move(prompts));
    const std::vector<std::string> arguments = quillon::Utf8Arguments(0, nullptr);
    if (arguments.size() > 1) {
        dialog.OpenAtStart({arguments.begin() + 1, arguments.end()});
    }
    // However the dialog ends, the program ends with it.
    dialog.RunModal();
    return 0;
}
