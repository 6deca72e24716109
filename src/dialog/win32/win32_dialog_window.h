// SPDX-License-Identifier: MIT
// Win32DialogWindow: the main dialog as a native Windows dialog, built from the dialog layer's
// template. It forwards every click, system command and dropped file to CQUILLONDlg and
// implements the DialogView that CQUILLONDlg drives.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialog/dialog_view.h"
#include "dialog/quillon_dlg.h"
#include "dialog/win32/win32_spectrum_panel.h"

namespace quillon {

// The window's nested modal dialogs. The program uses the system's; tests may replace them.
struct Win32Prompts {
    std::function<void(HWND owner, const std::string& text)> message;
    std::function<bool(HWND owner, const std::string& text)> askYesNo;
    std::function<std::optional<std::string>(HWND owner, const OpenFileRequest& request)>
        chooseFile;
    std::function<void(HWND owner)> about;
    // The export dialog's folder chooser: the chosen folder, or nothing when cancelled.
    std::function<std::optional<std::string>(HWND owner, const std::string& start)> chooseFolder;
    Win32SpectrumPanel::ChoosePlotFile choosePlotFile;
    // "Export trace...": where to write the trace's table.
    Win32SpectrumPanel::ChoosePlotFile chooseTableFile;

    // Message boxes, the open-file dialog and the folder chooser of the system; the About box
    // is left to the caller.
    static Win32Prompts Standard();
};

// The caption of the program's message boxes: the name of its executable without the
// extension.
std::wstring ApplicationName();

// The open-file dialog's type list as GetOpenFileNameW takes it: each description and pattern
// ending in a zero, the list ending in one more.
std::wstring FilterList(const std::vector<FileFilter>& filters);

class Win32DialogWindow : public DialogView {
  public:
    explicit Win32DialogWindow(Win32Prompts prompts);
    ~Win32DialogWindow() override;
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    // Runs the dialog modally until it ends; its result.
    INT_PTR RunModal();
    // Creates the dialog without a loop of its own (its messages go through the caller's
    // loop), as tests drive it. Null when it cannot be created.
    HWND Create();
    // Files to load as if dropped on the window, once it has been set up (the file a user
    // opened the program with).
    void OpenAtStart(std::vector<std::string> paths);

    HWND ControlHandle(Control control) const;
    CQUILLONDlg& Dialog() { return m_Dlg; }
    // The result the dialog ended with, while it has not ended nothing.
    std::optional<int> Result() const { return m_nResult; }

    // DialogView
    std::string Text(Control control) const override;
    void SetText(Control control, const std::string& text) override;
    void AppendText(Control control, const std::string& text) override;
    bool IsChecked(Control control) const override;
    void SetChecked(Control control, bool checked) override;
    void Enable(Control control, bool enabled) override;
    void PaintNow() override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    std::optional<std::string> ChooseFile(const OpenFileRequest& request) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void Pause(int milliseconds) override;
    void AcceptDroppedFiles() override;
    void AddAboutCommand(const std::string& caption) override;
    void ShowAboutBox() override;
    void EndDialog(int result) override;
    void FileLoaded() override;
    void FileReleasing() override;
    void ShowNewestScan() override;
    void SetTicking(bool ticking) override;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ForwardDrops(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM);
    void OnInitDialog();
    void OnCommand(int id, int notification);
    void OnDropFiles(HDROP drop);
    // "Export...": asks for the export choices and writes the exports.
    void OnExport();
    bool OnPaintMinimised();
    // Runs a handler; anything that escapes it is shown instead of crossing the system's
    // message dispatch.
    void Run(const std::function<void()>& handler);

    Win32Prompts m_Prompts;
    HWND m_hWnd = nullptr;
    HICON m_hIcon = nullptr;
    bool m_bModal = false;
    std::optional<int> m_nResult;
    std::vector<std::string> m_OpenAtStart;
    int m_nWaitDepth = 0;
    // When the window was last painted from inside a handler.
    std::uint64_t m_nLastPaint = 0;
    // The output folder of the last export into a folder, where the next one starts.
    std::string m_strExportFolder;

    CQUILLONDlg m_Dlg;
    Win32SpectrumPanel m_Panel;
};

}  // namespace quillon
