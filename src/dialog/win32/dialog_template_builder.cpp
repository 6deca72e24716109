// SPDX-License-Identifier: MIT
// The extended dialog template of the main dialog, written word by word.
#include "dialog/win32/dialog_template_builder.h"

#include "dialog/dialog_view.h"
#include "dialog/win32/win32_export_dialog.h"
#include "platform/windows_system.h"

namespace quillon {

DialogTemplateBuilder::DialogTemplateBuilder(DWORD style, DWORD exStyle, const DialogRect& rect,
                                             const std::wstring& caption, WORD pointSize,
                                             const std::wstring& typeface) {
    Word(1);       // dlgVer
    Word(0xFFFF);  // signature: an extended template
    DWord(0);      // helpID
    DWord(exStyle);
    DWord(style | DS_SETFONT);
    m_nCountAt = m_Words.size();
    Word(0);  // cDlgItems, counted by AddControl
    Word(static_cast<WORD>(rect.x));
    Word(static_cast<WORD>(rect.y));
    Word(static_cast<WORD>(rect.cx));
    Word(static_cast<WORD>(rect.cy));
    Word(0);  // no menu
    Word(0);  // the predefined dialog class
    Text(caption);
    Word(pointSize);
    Word(FW_NORMAL);
    Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
    Text(typeface);
}

void DialogTemplateBuilder::AddControl(ControlClass windowClass, int id, DWORD style, DWORD exStyle,
                                       const DialogRect& rect, const std::wstring& caption) {
    AlignToDWord();
    DWord(0);  // helpID
    DWord(exStyle);
    DWord(style);
    Word(static_cast<WORD>(rect.x));
    Word(static_cast<WORD>(rect.y));
    Word(static_cast<WORD>(rect.cx));
    Word(static_cast<WORD>(rect.cy));
    DWord(static_cast<DWORD>(id));  // -1 stays 0xFFFFFFFF, as resource compilers write it
    Word(0xFFFF);                   // the class as an atom
    Word(static_cast<WORD>(windowClass));
    Text(caption);
    Word(0);  // no creation data
    ++m_Words[m_nCountAt];
}

const DLGTEMPLATE* DialogTemplateBuilder::Template() const {
    return reinterpret_cast<const DLGTEMPLATE*>(m_Words.data());
}

void DialogTemplateBuilder::Word(WORD value) {
    m_Words.push_back(value);
}

void DialogTemplateBuilder::DWord(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
}

void DialogTemplateBuilder::Text(const std::wstring& text) {
    m_Words.insert(m_Words.end(), text.begin(), text.end());
    Word(0);
}

void DialogTemplateBuilder::AlignToDWord() {
    if (m_Words.size() % 2 != 0) {
        Word(0);
    }
}

DWORD MainDialogStyle() {
    // A visible pop-up with title bar, system menu and sizing border, without minimise or
    // maximise box, in the shell's dialog font.
    return WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SHELLFONT;
}

DWORD MainDialogExStyle() {
    // A task-bar button of its own, and files may be dropped on it.
    return WS_EX_APPWINDOW | WS_EX_ACCEPTFILES;
}

ControlClass ControlClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::ReadOnlyEdit:
        case ControlKind::Edit:
        case ControlKind::LogEdit:
            return ControlClass::kEdit;
        case ControlKind::Label:
            return ControlClass::kStatic;
        default:
            return ControlClass::kButton;
    }
}

DWORD ControlStyle(const ControlTemplate& control) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (control.kind) {
        case ControlKind::DefaultPushButton:
            style |= BS_DEFPUSHBUTTON | WS_TABSTOP;
            break;
        case ControlKind::PushButton:
            style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case ControlKind::GroupBox:
            style |= BS_GROUPBOX;
            break;
        case ControlKind::ReadOnlyEdit:
            style |= ES_LEFT | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
            break;
        case ControlKind::Edit:
            style |= ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
            break;
        case ControlKind::LogEdit:
            // Without ES_WANTRETURN: Enter in the log ends the dialog like anywhere else.
            style |= ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL |
                     WS_HSCROLL | WS_BORDER | WS_TABSTOP;
            break;
        case ControlKind::CheckBox:
            style |= BS_AUTOCHECKBOX | WS_TABSTOP;
            break;
        case ControlKind::RadioButton:
            style |= BS_AUTORADIOBUTTON;
            break;
        case ControlKind::Label:
            style |= SS_LEFT;
            break;
    }
    // Convert waits for a file to be loaded.
    if (control.id == static_cast<int>(Control::Convert)) {
        style |= WS_DISABLED;
    }
    return style;
}

DWORD ControlExStyle(const ControlTemplate& control) {
    // The path edit takes dropped files too (the window forwards them to the dialog).
    return control.id == static_cast<int>(Control::FilePath) ? WS_EX_ACCEPTFILES : 0;
}

DialogTemplateBuilder MainDialogTemplate() {
    DialogTemplateBuilder builder(MainDialogStyle(), MainDialogExStyle(),
                                  {0, 0, kMainDialogWidth, kMainDialogHeight},
                                  ToWide(kMainDialogCaption), 8, L"MS Shell Dlg");
    for (const ControlTemplate& control : kMainDialogControls) {
        builder.AddControl(ControlClassOf(control.kind), control.id, ControlStyle(control),
                           ControlExStyle(control), control.rect, ToWide(control.caption));
    }
    builder.AddControl(ControlClass::kButton, kExportButtonId,
                       WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON | WS_TABSTOP, 0,
                       kExportButtonRect, kExportButtonCaption);
    // Following the loaded file's folder: offered once a file is loaded, converting each new
    // file while following.
    builder.AddControl(ControlClass::kButton, static_cast<int>(Control::FollowFolder),
                       WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_AUTOCHECKBOX | WS_TABSTOP, 0,
                       kFollowFolderRect, ToWide(kFollowFolderCaption));
    builder.AddControl(ControlClass::kButton, static_cast<int>(Control::ConvertEachNew),
                       WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_AUTOCHECKBOX | WS_TABSTOP, 0,
                       kConvertEachNewRect, ToWide(kConvertEachNewCaption));
    return builder;
}

}  // namespace quillon
