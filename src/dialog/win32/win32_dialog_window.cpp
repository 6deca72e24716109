// SPDX-License-Identifier: MIT
// Win32DialogWindow: the dialog procedure, the controls as DialogView, and the system's
// message boxes and open-file dialog.
#include "dialog/win32/win32_dialog_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <exception>

#include "dialog/dialog_template.h"
#include "dialog/win32/dialog_template_builder.h"
#include "dialog/win32/win32_export_dialog.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

// Posted to the dialog once it is set up, to load the files it was opened with.
constexpr UINT kOpenAtStartMessage = WM_APP + 1;
// Lines that follow each other faster than a screen frame are painted together.
constexpr std::uint64_t kPaintIntervalMs = 15;
// The timer that ticks the dialog while it follows a folder, and how often, in milliseconds.
constexpr UINT_PTR kFollowTimerId = 1;
constexpr UINT kFollowTickMs = 250;
// The application icon of the program's resources.
constexpr WORD kMainIconId = 128;

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

bool IsRadioButton(Control control) {
    return control == Control::ConvertAll || control == Control::ConvertSelected;
}

}  // namespace

std::wstring ApplicationName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring FilterList(const std::vector<FileFilter>& filters) {
    std::wstring list;
    for (const FileFilter& filter : filters) {
        list += ToWide(filter.description);
        list.push_back(L'\0');
        list += ToWide(filter.pattern);
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    return list;
}

Win32Prompts Win32Prompts::Standard() {
    Win32Prompts prompts;
    prompts.message = [](HWND owner, const std::string& text) {
        ::MessageBoxW(owner, ToWide(text).c_str(), ApplicationName().c_str(), MB_OK);
    };
    prompts.askYesNo = [](HWND owner, const std::string& text) {
        return ::MessageBoxW(owner, ToWide(text).c_str(), ApplicationName().c_str(), MB_YESNO) ==
               IDYES;
    };
    prompts.chooseFile = [](HWND owner,
                            const OpenFileRequest& request) -> std::optional<std::string> {
        const std::wstring filters = FilterList(request.filters);
        const std::wstring folder = ToWide(request.initialFolder);
        const std::wstring extension = ToWide(request.defaultExtension);
        std::wstring file(32768, L'\0');
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner;
        dialog.lpstrFilter = filters.c_str();
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = file.data();
        dialog.nMaxFile = static_cast<DWORD>(file.size());
        dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
        dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
        // Without a hook or template the system shows its newer dialog style.
        dialog.Flags = OFN_FILEMUSTEXIST | OFN_EXPLORER;
        if (!::GetOpenFileNameW(&dialog)) {
            return std::nullopt;
        }
        return FromWide(file.c_str());
    };
    prompts.chooseFolder = &ChooseFolderWithShell;
    prompts.choosePlotFile = StandardPlotFileDialog();
    prompts.chooseTableFile = StandardTableFileDialog();
    return prompts;
}

Win32DialogWindow::Win32DialogWindow(Win32Prompts prompts)
    : m_Prompts(std::move(prompts)),
      m_Dlg(*this),
      m_Panel(m_Prompts.choosePlotFile, m_Prompts.chooseTableFile,
              [this](const std::string& text) { ShowMessage(text); }) {
    // The icon at the system's standard size; null where the program has no icon resource.
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kMainIconId));
}

Win32DialogWindow::~Win32DialogWindow() {
    if (m_hWnd != nullptr && !m_bModal) {
        ::DestroyWindow(m_hWnd);
    }
}

INT_PTR Win32DialogWindow::RunModal() {
    m_bModal = true;
    const DialogTemplateBuilder builder = MainDialogTemplate();
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), builder.Template(), nullptr,
                                  &Win32DialogWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return result;
}

HWND Win32DialogWindow::Create() {
    m_bModal = false;
    const DialogTemplateBuilder builder = MainDialogTemplate();
    return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), builder.Template(), nullptr,
                                        &Win32DialogWindow::DialogProc,
                                        reinterpret_cast<LPARAM>(this));
}

void Win32DialogWindow::OpenAtStart(std::vector<std::string> paths) {
    m_OpenAtStart = std::move(paths);
}

HWND Win32DialogWindow::ControlHandle(Control control) const {
    return m_hWnd == nullptr ? nullptr : ::GetDlgItem(m_hWnd, static_cast<int>(control));
}

INT_PTR CALLBACK Win32DialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_hWnd = window;
    }
    auto* self = reinterpret_cast<Win32DialogWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CALLBACK Win32DialogWindow::ForwardDrops(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR, DWORD_PTR) {
    // The path edit takes dropped files; they are the dialog's to handle.
    if (message == WM_DROPFILES) {
        return ::SendMessageW(::GetParent(window), WM_DROPFILES, wParam, lParam);
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

INT_PTR Win32DialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog();
            // The system gives the focus to the first control with a tab stop, "Close".
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_SYSCOMMAND: {
            bool handled = false;
            Run([&] { handled = m_Dlg.OnSysCommand(static_cast<unsigned>(wParam)); });
            if (handled) {
                ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 0);
            }
            return handled ? TRUE : FALSE;
        }
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return TRUE;
        case WM_PAINT:
            return OnPaintMinimised() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_hIcon);
        case WM_SETCURSOR:
            if (m_nWaitDepth > 0) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
                ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case kOpenAtStartMessage: {
            const std::vector<std::string> paths = std::move(m_OpenAtStart);
            m_OpenAtStart.clear();
            if (!paths.empty()) {
                Run([&] { m_Dlg.OnDropFiles(paths); });
            }
            return TRUE;
        }
        case WM_TIMER:
            if (wParam == kFollowTimerId) {
                Run([this] { m_Dlg.OnFollowTick(); });
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            ::KillTimer(m_hWnd, kFollowTimerId);
            ::RemoveWindowSubclass(ControlHandle(Control::FilePath), &ForwardDrops, 0);
            return FALSE;
        default:
            return FALSE;
    }
}

void Win32DialogWindow::OnInitDialog() {
    // The log takes as much text as a long conversion writes (an edit holds 32K without this).
    ::SendMessageW(ControlHandle(Control::Log), EM_SETLIMITTEXT, 0, 0);
    ::SetWindowSubclass(ControlHandle(Control::FilePath), &ForwardDrops, 0, 0);
    if (m_hIcon != nullptr) {
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    }
    m_Panel.Create(m_hWnd);
    Run([this] { m_Dlg.OnInitDialog(); });
    if (!m_OpenAtStart.empty()) {
        ::PostMessageW(m_hWnd, kOpenAtStartMessage, 0, 0);
    }
}

void Win32DialogWindow::OnCommand(int id, int notification) {
    switch (id) {
        case IDOK:
        case IDCANCEL:
        case IDCLOSE:
            // "Close", Enter, Esc and the close box all end the dialog the same way.
            Run([this] { m_Dlg.OnCloseCommand(); });
            return;
        default:
            break;
    }
    if (notification != BN_CLICKED) {
        return;
    }
    if (id == kExportButtonId) {
        Run([this] { OnExport(); });
        return;
    }
    switch (static_cast<Control>(id)) {
        case Control::Browse:
            Run([this] { m_Dlg.OnBrowse(); });
            break;
        case Control::Convert:
            Run([this] { m_Dlg.OnConvert(); });
            break;
        case Control::WithWavelength:
        case Control::WithPixel:
            Run([this] { m_Dlg.OnSaveOptionChanged(); });
            break;
        case Control::OneFile:
            Run([this] { m_Dlg.OnOneFileClicked(); });
            break;
        case Control::ConvertAll:
            Run([this] { m_Dlg.OnConvertAllClicked(); });
            break;
        case Control::ConvertSelected:
            Run([this] { m_Dlg.OnConvertSelectedClicked(); });
            break;
        case Control::FollowFolder:
            Run([this] { m_Dlg.OnFollowClicked(); });
            break;
        case Control::ConvertEachNew:
            Run([this] { m_Dlg.OnConvertEachNewClicked(); });
            break;
        default:
            break;
    }
}

void Win32DialogWindow::OnDropFiles(HDROP drop) {
    // Every name in full: a path is never cut to a buffer's length.
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        const UINT got = ::DragQueryFileW(drop, i, name.data(), length + 1);
        name.resize(got);
        paths.push_back(FromWide(name));
    }
    ::DragFinish(drop);
    Run([&] { m_Dlg.OnDropFiles(paths); });
}

void Win32DialogWindow::OnExport() {
    const std::string& path = m_Dlg.LoadedPath();
    if (m_Dlg.IsBusy() || path.empty()) {
        return;
    }
    const std::size_t slash = path.find_last_of("\\/");
    ExportDialogSetup setup{slash == std::string::npos ? std::string() : path.substr(0, slash),
                            m_Dlg.ExportScope(), m_strExportFolder};
    const std::optional<ExportChoice> choice =
        RunExportDialog(m_hWnd, setup, m_Prompts.chooseFolder);
    m_strExportFolder = setup.folder;
    if (choice) {
        m_Dlg.OnExport(*choice);
    }
}

bool Win32DialogWindow::OnPaintMinimised() {
    if (!::IsIconic(m_hWnd) || m_hIcon == nullptr) {
        return false;
    }
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const PixelPoint origin =
        IconOrigin(client.right - client.left, client.bottom - client.top,
                   ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    ::DrawIcon(dc, origin.x, origin.y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return true;
}

void Win32DialogWindow::Run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowMessage(error.what());
    }
}

std::string Win32DialogWindow::Text(Control control) const {
    HWND item = ControlHandle(control);
    // The log edit keeps its lines apart with CR LF, as the log does.
    return item == nullptr ? std::string() : FromWide(WindowText(item));
}

void Win32DialogWindow::SetText(Control control, const std::string& text) {
    HWND item = ControlHandle(control);
    if (item == nullptr) {
        return;
    }
    const std::wstring wide = ToWide(text);
    // Setting the same text again would move the caret and drop a selection.
    if (WindowText(item) != wide) {
        ::SetWindowTextW(item, wide.c_str());
    }
}

void Win32DialogWindow::AppendText(Control control, const std::string& text) {
    HWND item = ControlHandle(control);
    if (item == nullptr) {
        return;
    }
    if (control != Control::Log) {
        SetText(control, Text(control) + text);
        return;
    }
    // At the end, which also brings the newest line into view.
    const int end = ::GetWindowTextLengthW(item);
    ::SendMessageW(item, EM_SETSEL, static_cast<WPARAM>(end), end);
    const std::wstring wide = ToWide(text);
    ::SendMessageW(item, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
    ::SendMessageW(item, EM_SCROLLCARET, 0, 0);
}

bool Win32DialogWindow::IsChecked(Control control) const {
    return ::IsDlgButtonChecked(m_hWnd, static_cast<int>(control)) == BST_CHECKED;
}

void Win32DialogWindow::SetChecked(Control control, bool checked) {
    ::CheckDlgButton(m_hWnd, static_cast<int>(control), checked ? BST_CHECKED : BST_UNCHECKED);
    // Checking one scope button clears the other.
    if (checked && IsRadioButton(control)) {
        const Control other =
            control == Control::ConvertAll ? Control::ConvertSelected : Control::ConvertAll;
        ::CheckDlgButton(m_hWnd, static_cast<int>(other), BST_UNCHECKED);
    }
}

void Win32DialogWindow::Enable(Control control, bool enabled) {
    if (HWND item = ControlHandle(control)) {
        ::EnableWindow(item, enabled ? TRUE : FALSE);
    }
    // Export is offered with Convert: once a file is loaded.
    if (control == Control::Convert && m_hWnd != nullptr) {
        ::EnableWindow(::GetDlgItem(m_hWnd, kExportButtonId), enabled ? TRUE : FALSE);
    }
}

void Win32DialogWindow::PaintNow() {
    // Paints what changed at once; nothing else is taken from the queue, so no input arrives.
    if (m_hWnd == nullptr || !::IsWindowVisible(m_hWnd)) {
        return;
    }
    const std::uint64_t now = ::GetTickCount64();
    if (m_nLastPaint != 0 && now - m_nLastPaint < kPaintIntervalMs) {
        return;
    }
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    m_nLastPaint = now;
}

void Win32DialogWindow::ShowMessage(const std::string& text) {
    if (m_Prompts.message) {
        m_Prompts.message(m_hWnd, text);
    }
}

bool Win32DialogWindow::AskYesNo(const std::string& text) {
    return m_Prompts.askYesNo && m_Prompts.askYesNo(m_hWnd, text);
}

std::optional<std::string> Win32DialogWindow::ChooseFile(const OpenFileRequest& request) {
    if (!m_Prompts.chooseFile) {
        return std::nullopt;
    }
    return m_Prompts.chooseFile(m_hWnd, request);
}

void Win32DialogWindow::BeginWaitCursor() {
    ++m_nWaitDepth;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void Win32DialogWindow::EndWaitCursor() {
    if (m_nWaitDepth == 0) {
        return;
    }
    if (--m_nWaitDepth == 0) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    }
}

void Win32DialogWindow::Pause(int milliseconds) {
    // Waits while still painting the window; clicks and keys stay queued until the handler
    // is done, as they would behind a sleeping thread.
    const std::uint64_t end = ::GetTickCount64() + static_cast<std::uint64_t>(milliseconds);
    for (std::uint64_t now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_PAINT);
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
            ::DispatchMessageW(&message);
        }
    }
}

void Win32DialogWindow::AcceptDroppedFiles() {
    ::DragAcceptFiles(m_hWnd, TRUE);
}

void Win32DialogWindow::AddAboutCommand(const std::string& caption) {
    if (caption.empty()) {
        return;
    }
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, kIdmAboutBox, ToWide(caption).c_str());
    }
}

void Win32DialogWindow::ShowAboutBox() {
    if (m_Prompts.about) {
        m_Prompts.about(m_hWnd);
    }
}

void Win32DialogWindow::FileLoaded() {
    m_Panel.ShowFile(m_Dlg.File());
}

void Win32DialogWindow::FileReleasing() {
    m_Panel.ReleaseFile();
}

void Win32DialogWindow::ShowNewestScan() {
    m_Panel.ShowLastScan();
}

void Win32DialogWindow::SetTicking(bool ticking) {
    if (m_hWnd == nullptr) {
        return;
    }
    if (ticking) {
        ::SetTimer(m_hWnd, kFollowTimerId, kFollowTickMs, nullptr);
    } else {
        ::KillTimer(m_hWnd, kFollowTimerId);
    }
}

void Win32DialogWindow::EndDialog(int result) {
    m_nResult = result;
    if (m_bModal) {
        ::EndDialog(m_hWnd, result);
    } else {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

}  // namespace quillon
