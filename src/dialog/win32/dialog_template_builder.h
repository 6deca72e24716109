// SPDX-License-Identifier: MIT
// DialogTemplateBuilder: writes an extended dialog template (DLGTEMPLATEEX) in memory, the form
// CreateDialogIndirectParamW and DialogBoxIndirectParamW take, so that a window is built from
// the dialog layer's own template data rather than from a copy of it in a resource script.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialog/dialog_template.h"

namespace quillon {

// Predefined window classes of dialog controls, by their atoms.
enum class ControlClass : WORD {
    kButton = 0x0080,
    kEdit = 0x0081,
    kStatic = 0x0082,
    kComboBox = 0x0085,
};

class DialogTemplateBuilder {
  public:
    // The dialog itself: styles, place and size in dialog units, caption, and the font the
    // dialog units follow. DS_SETFONT is added.
    DialogTemplateBuilder(DWORD style, DWORD exStyle, const DialogRect& rect,
                          const std::wstring& caption, WORD pointSize,
                          const std::wstring& typeface);

    // Adds a control; the controls are created in the order they are added, which is also the
    // tab order.
    void AddControl(ControlClass windowClass, int id, DWORD style, DWORD exStyle,
                    const DialogRect& rect, const std::wstring& caption);

    // The template, DWORD-aligned as the system requires.
    const DLGTEMPLATE* Template() const;

  private:
    void Word(WORD value);
    void DWord(DWORD value);
    void Text(const std::wstring& text);
    void AlignToDWord();

    std::vector<WORD> m_Words;
    std::size_t m_nCountAt = 0;  // where the control count stands
};

// The window style and the style of each control of the main dialog.
DWORD MainDialogStyle();
DWORD MainDialogExStyle();
// The style and the class of a control of the main dialog's template.
DWORD ControlStyle(const ControlTemplate& control);
DWORD ControlExStyle(const ControlTemplate& control);
ControlClass ControlClassOf(ControlKind kind);

// The main dialog's template: 477 x 367 dialog units of "MS Shell Dlg" 8 pt, caption "QUILLON",
// the controls of kMainDialogControls in their order, then "Export..." (disabled until a file
// is loaded), "Follow this folder" and "Convert each new file" (both disabled).
DialogTemplateBuilder MainDialogTemplate();

}  // namespace quillon
