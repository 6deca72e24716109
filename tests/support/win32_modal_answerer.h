// SPDX-License-Identifier: MIT
// ModalAnswerer: answers the modal dialogs that a window opens on the test's thread (message
// boxes, the open-file dialog, the About box) the way a person would, and notes what each one
// showed. A thread timer looks for new dialog windows while their modal loops run.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace quillon::testing {

// What one modal dialog showed when it opened.
struct SeenDialog {
    std::wstring caption;
    std::vector<std::wstring> texts;  // the texts of its static controls
    std::set<int> buttons;            // the ids of its push buttons
    bool waitCursor = false;          // the wait cursor was on as it opened
};

inline std::wstring WindowTextOf(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// Presses a button of a dialog as a click would: the dialog gets its command.
inline void PressButton(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

class ModalAnswerer {
  public:
    // Each action handles one dialog, in the order they open; a dialog beyond the last action
    // is ended with Cancel (and counted in `seen`), so that no test waits for a person.
    using Action = std::function<void(HWND dialog)>;

    explicit ModalAnswerer(std::vector<Action> actions) : m_Actions(std::move(actions)) {
        s_pCurrent = this;
        m_nTimer = ::SetTimer(nullptr, 0, 20, &ModalAnswerer::OnTimer);
    }
    ~ModalAnswerer() {
        ::KillTimer(nullptr, m_nTimer);
        s_pCurrent = nullptr;
    }
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

    // Windows that are not to be answered (the window under test).
    void Ignore(HWND window) { m_Answered.insert(window); }

    std::vector<SeenDialog> seen;

  private:
    static BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
        auto* dialog = reinterpret_cast<SeenDialog*>(param);
        const std::wstring type = ClassOf(child);
        if (_wcsicmp(type.c_str(), L"Static") == 0) {
            const std::wstring text = WindowTextOf(child);
            if (!text.empty()) {
                dialog->texts.push_back(text);
            }
        } else if (_wcsicmp(type.c_str(), L"Button") == 0) {
            dialog->buttons.insert(::GetDlgCtrlID(child));
        }
        return TRUE;
    }

    static BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
        auto* self = reinterpret_cast<ModalAnswerer*>(param);
        if (self->m_Answered.count(window) != 0 || !::IsWindowVisible(window) ||
            !::IsWindowEnabled(window) || ClassOf(window) != L"#32770") {
            return TRUE;
        }
        self->m_Answered.insert(window);
        SeenDialog dialog;
        dialog.caption = WindowTextOf(window);
        dialog.waitCursor = ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
        ::EnumChildWindows(window, &ModalAnswerer::CollectChild, reinterpret_cast<LPARAM>(&dialog));
        self->seen.push_back(dialog);
        const std::size_t index = self->seen.size() - 1;
        if (index < self->m_Actions.size() && self->m_Actions[index]) {
            self->m_Actions[index](window);
        } else {
            PressButton(window, IDCANCEL);
        }
        return FALSE;
    }

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        if (s_pCurrent != nullptr) {
            ::EnumThreadWindows(::GetCurrentThreadId(), &ModalAnswerer::FindDialog,
                                reinterpret_cast<LPARAM>(s_pCurrent));
        }
    }

    static inline ModalAnswerer* s_pCurrent = nullptr;
    std::vector<Action> m_Actions;
    std::set<HWND> m_Answered;
    UINT_PTR m_nTimer = 0;
};

}  // namespace quillon::testing
