// SPDX-License-Identifier: MIT
// The About box: a dialog template in memory, the icon set when the box opens.
#include "about_box.h"

#include "dialog/dialog_template.h"
#include "dialog/win32/dialog_template_builder.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

constexpr WORD kMainIconId = 128;
constexpr int kIconControlId = 1000;  // the template has -1; an id of its own lets it be found

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kMainIconId));
            if (icon != nullptr) {
                ::SendDlgItemMessageW(window, kIconControlId, STM_SETICON,
                                      reinterpret_cast<WPARAM>(icon), 0);
            }
            return TRUE;
        }
        case WM_COMMAND:
            // OK, Enter, Esc and the close box.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(window, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

std::wstring AboutBoxText() {
    return L"QUILLON, Version " + ToWide(QUILLON_ABOUT_VERSION);
}

void RunAboutBox(HWND owner) {
    DialogTemplateBuilder builder(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SHELLFONT,
                                  0, {0, 0, kAboutBoxWidth, kAboutBoxHeight},
                                  ToWide(kAboutBoxCaption), 8, L"MS Shell Dlg");
    builder.AddControl(ControlClass::kStatic, kIconControlId,
                       WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0, kAboutBoxIconRect, L"");
    builder.AddControl(ControlClass::kStatic, -1, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0,
                       kAboutBoxTextRect, AboutBoxText());
    builder.AddControl(ControlClass::kButton, IDOK,
                       WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0,
                       kAboutBoxOkRect, L"OK");
    ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), builder.Template(), owner, &AboutProc,
                              0);
}

}  // namespace quillon
