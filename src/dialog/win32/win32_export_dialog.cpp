// SPDX-License-Identifier: MIT
// The export dialog's template, its dialog procedure (what each format enables, the decimal
// comma taking the semicolon, the folder chooser, the check on "Export"), and the shell's
// folder chooser.
#include "dialog/win32/win32_export_dialog.h"

#include <shobjidl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cwctype>

#include "dialog/spectrum_plot.h"
#include "dialog/win32/dialog_template_builder.h"
#include "dialog/win32/win32_dialog_window.h"
#include "export/export_options.h"
#include "export/grid.h"
#include "export/hdf5_export.h"
#include "export/xlsx_export.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

// Labels that name the chooser after them; disabled with it.
constexpr int kQuantityLabelId = 110;
constexpr int kLayoutLabelId = 120;
constexpr int kDelimiterLabelId = 122;

constexpr int kExportDialogWidth = 260;
constexpr int kExportDialogHeight = 269;

// Delimiters in the order of the chooser.
constexpr std::array<char, 3> kDelimiters = {',', ';', '\t'};

struct ExportItem {
    int id;
    ControlClass windowClass;
    DWORD style;
    DialogRect rect;
    const wchar_t* caption;
};

constexpr int Id(ExportControl control) {
    return static_cast<int>(control);
}

// Every control starts a group of its own (arrow keys stay on it) but the second radio
// button; the order is the tab order.
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kGroupBox = kChild | BS_GROUPBOX | WS_GROUP;
constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP;
constexpr DWORD kChooser = kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP;
constexpr DWORD kEdit = kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_GROUP | WS_TABSTOP;
constexpr DWORD kButton = kChild | BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP;

// Dialog units of "MS Shell Dlg" 8 pt. Combo boxes are as tall as their open list.
constexpr ExportItem kExportItems[] = {
    {Id(ExportControl::Scans), ControlClass::kStatic, kLabel | SS_NOPREFIX, {7, 7, 246, 8}, L""},
    {-1, ControlClass::kButton, kGroupBox, {7, 19, 246, 27}, L"Formats"},
    {Id(ExportControl::Text), ControlClass::kButton, kCheck, {14, 31, 62, 10}, L"&Text files"},
    {Id(ExportControl::Csv), ControlClass::kButton, kCheck, {80, 31, 40, 10}, L"&CSV"},
    {Id(ExportControl::Json), ControlClass::kButton, kCheck, {126, 31, 40, 10}, L"&JSON"},
    {Id(ExportControl::Hdf5), ControlClass::kButton, kCheck, {172, 31, 34, 10}, L"&HDF5"},
    {Id(ExportControl::Xlsx), ControlClass::kButton, kCheck, {208, 31, 42, 10}, L"E&xcel"},
    {-1, ControlClass::kButton, kGroupBox, {7, 50, 246, 46}, L"CSV, HDF5 and workbook values"},
    {kQuantityLabelId, ControlClass::kStatic, kLabel, {14, 64, 60, 8}, L"&Quantity:"},
    {Id(ExportControl::Quantity), ControlClass::kComboBox, kChooser, {112, 62, 134, 80}, L""},
    {Id(ExportControl::UseGrid),
     ControlClass::kButton,
     kCheck,
     {14, 79, 96, 10},
     L"&Wavelength grid (nm):"},
    {Id(ExportControl::Grid), ControlClass::kEdit, kEdit, {112, 77, 134, 12}, L""},
    {-1, ControlClass::kButton, kGroupBox, {7, 100, 246, 62}, L"CSV"},
    {kLayoutLabelId, ControlClass::kStatic, kLabel, {14, 114, 60, 8}, L"&Layout:"},
    {Id(ExportControl::Layout), ControlClass::kComboBox, kChooser, {112, 112, 134, 60}, L""},
    {kDelimiterLabelId, ControlClass::kStatic, kLabel, {14, 130, 60, 8}, L"&Delimiter:"},
    {Id(ExportControl::Delimiter), ControlClass::kComboBox, kChooser, {112, 128, 134, 60}, L""},
    {Id(ExportControl::DecimalComma),
     ControlClass::kButton,
     kCheck,
     {14, 146, 90, 10},
     L"Decimal co&mma"},
    {Id(ExportControl::ByteOrderMark),
     ControlClass::kButton,
     kCheck,
     {112, 146, 100, 10},
     L"&Byte-order mark"},
    {-1, ControlClass::kButton, kGroupBox, {7, 166, 246, 27}, L"HDF5"},
    {Id(ExportControl::Compress),
     ControlClass::kButton,
     kCheck,
     {14, 178, 120, 10},
     L"Com&press the scans"},
    {-1, ControlClass::kButton, kGroupBox, {7, 197, 246, 44}, L"Output"},
    {Id(ExportControl::BesideInput),
     ControlClass::kButton,
     kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
     {14, 209, 120, 10},
     L"Be&side the input file"},
    {Id(ExportControl::InFolder),
     ControlClass::kButton,
     kChild | BS_AUTORADIOBUTTON,
     {14, 225, 50, 10},
     L"In &folder:"},
    {Id(ExportControl::Folder), ControlClass::kEdit, kEdit, {66, 224, 130, 12}, L""},
    {Id(ExportControl::ChooseFolder),
     ControlClass::kButton,
     kButton,
     {200, 223, 46, 14},
     L"Ch&oose..."},
    {IDOK,
     ControlClass::kButton,
     kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP,
     {146, 248, 50, 14},
     L"&Export"},
    {IDCANCEL, ControlClass::kButton, kButton, {203, 248, 50, 14}, L"Cancel"},
};

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

// The value moved into [low, high]; low where the range is empty.
LONG Within(LONG value, LONG low, LONG high) {
    return value > high ? (high > low ? high : low) : (value < low ? low : value);
}

std::wstring Trimmed(const std::wstring& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::iswspace(text[first]) != 0) {
        ++first;
    }
    while (last > first && std::iswspace(text[last - 1]) != 0) {
        --last;
    }
    return text.substr(first, last - first);
}

// The dialog while it runs: its window, what it was opened with and what it accepted.
class ExportDialog {
  public:
    ExportDialog(ExportDialogSetup& setup, const FolderChooser& chooseFolder)
        : m_Setup(setup), m_ChooseFolder(chooseFolder) {}

    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            auto* self = reinterpret_cast<ExportDialog*>(lParam);
            self->m_hWnd = window;
            self->OnInitDialog();
            return TRUE;
        }
        auto* self = reinterpret_cast<ExportDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (self == nullptr || message != WM_COMMAND) {
            return FALSE;
        }
        self->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }

    std::optional<ExportChoice> m_Accepted;

  private:
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND Item(ExportControl control) const { return Item(Id(control)); }
    bool Checked(ExportControl control) const {
        return ::IsDlgButtonChecked(m_hWnd, Id(control)) == BST_CHECKED;
    }
    void Check(ExportControl control, bool checked) {
        ::CheckDlgButton(m_hWnd, Id(control), checked ? BST_CHECKED : BST_UNCHECKED);
    }
    int Selected(ExportControl control) const {
        return static_cast<int>(::SendMessageW(Item(control), CB_GETCURSEL, 0, 0));
    }
    void Select(ExportControl control, int index) {
        ::SendMessageW(Item(control), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    void AddChoice(ExportControl control, const std::wstring& text) {
        ::SendMessageW(Item(control), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Enable(int id, bool enabled) { ::EnableWindow(Item(id), enabled ? TRUE : FALSE); }
    void Enable(ExportControl control, bool enabled) { Enable(Id(control), enabled); }
    char ChosenDelimiter() const {
        const int index = Selected(ExportControl::Delimiter);
        return kDelimiters[static_cast<std::size_t>(index < 0 ? 0 : index)];
    }
    static int DelimiterIndex(char delimiter) {
        const auto* at = std::find(kDelimiters.begin(), kDelimiters.end(), delimiter);
        return static_cast<int>(at - kDelimiters.begin());
    }
    // HDF5 counts only where the build writes it.
    bool Hdf5Chosen() const {
        return Checked(ExportControl::Hdf5) && ::IsWindowEnabled(Item(ExportControl::Hdf5));
    }
    // The workbook likewise.
    bool XlsxChosen() const {
        return Checked(ExportControl::Xlsx) && ::IsWindowEnabled(Item(ExportControl::Xlsx));
    }

    void OnInitDialog() {
        ::SetWindowTextW(Item(ExportControl::Scans),
                         ToWide("Scans: " + m_Setup.scope + " (as chosen in the window).").c_str());
        for (Quantity quantity : kPlotQuantities) {
            AddChoice(ExportControl::Quantity, ToWide(QuantityLabel(quantity)));
        }
        AddChoice(ExportControl::Layout, L"One column per scan");
        AddChoice(ExportControl::Layout, L"One row per scan (transposed)");
        AddChoice(ExportControl::Delimiter, L"Comma");
        AddChoice(ExportControl::Delimiter, L"Semicolon");
        AddChoice(ExportControl::Delimiter, L"Tab (a .tsv file)");
        for (ExportControl chooser :
             {ExportControl::Quantity, ExportControl::Layout, ExportControl::Delimiter}) {
            Select(chooser, 0);
        }
        // The shell shows this in the empty box (with the common controls of version 6).
        ::SendMessageW(Item(ExportControl::Grid), EM_SETCUEBANNER, FALSE,
                       reinterpret_cast<LPARAM>(L"START:STEP:END, e.g. 400:0.5:800"));
        Check(ExportControl::Text, true);
        Check(ExportControl::BesideInput, true);
        const std::string& folder = m_Setup.folder.empty() ? m_Setup.inputFolder : m_Setup.folder;
        ::SetWindowTextW(Item(ExportControl::Folder), ToWide(folder).c_str());
        Enable(ExportControl::Hdf5, Hdf5Available());
        Enable(ExportControl::Xlsx, XlsxAvailable());
        UpdateEnabled();
        CentreOverOwner();
    }

    // Stands in the middle of the window it belongs to, inside the screen's work area.
    void CentreOverOwner() {
        HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
        RECT dialog{};
        ::GetWindowRect(m_hWnd, &dialog);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(
            ::MonitorFromWindow(owner != nullptr ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST),
            &monitor);
        RECT around = monitor.rcWork;
        if (owner != nullptr) {
            ::GetWindowRect(owner, &around);
        }
        const LONG width = dialog.right - dialog.left;
        const LONG height = dialog.bottom - dialog.top;
        LONG x = around.left + (around.right - around.left - width) / 2;
        LONG y = around.top + (around.bottom - around.top - height) / 2;
        x = Within(x, monitor.rcWork.left, monitor.rcWork.right - width);
        y = Within(y, monitor.rcWork.top, monitor.rcWork.bottom - height);
        ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Enables what the chosen formats use.
    void UpdateEnabled() {
        const bool csv = Checked(ExportControl::Csv);
        const bool hdf5 = Hdf5Chosen();
        const bool xlsx = XlsxChosen();
        const bool values = csv || hdf5 || xlsx;
        Enable(kQuantityLabelId, values);
        Enable(ExportControl::Quantity, values);
        Enable(ExportControl::UseGrid, values);
        Enable(ExportControl::Grid, values && Checked(ExportControl::UseGrid));
        for (int id : {kLayoutLabelId, Id(ExportControl::Layout), kDelimiterLabelId,
                       Id(ExportControl::Delimiter), Id(ExportControl::DecimalComma),
                       Id(ExportControl::ByteOrderMark)}) {
            Enable(id, csv);
        }
        Enable(ExportControl::Compress, hdf5);
        Enable(ExportControl::Folder, Checked(ExportControl::InFolder));
        Enable(IDOK, Checked(ExportControl::Text) || csv || Checked(ExportControl::Json) || values);
    }

    void OnCommand(int id, int notification) {
        if (id == IDCANCEL) {
            ::EndDialog(m_hWnd, IDCANCEL);
            return;
        }
        if (id == IDOK) {
            OnExport();
            return;
        }
        if (notification != BN_CLICKED) {
            return;
        }
        switch (static_cast<ExportControl>(id)) {
            case ExportControl::DecimalComma: {
                // A delimiter that cannot go with the decimal comma gives way to the one the
                // export takes when none is chosen.
                const bool decimalComma = Checked(ExportControl::DecimalComma);
                if (!CsvDelimiter(ChosenDelimiter(), decimalComma)) {
                    Select(ExportControl::Delimiter,
                           DelimiterIndex(*CsvDelimiter(std::nullopt, decimalComma)));
                }
                UpdateEnabled();
                break;
            }
            case ExportControl::ChooseFolder:
                OnChooseFolder();
                break;
            default:
                UpdateEnabled();
                break;
        }
    }

    void OnChooseFolder() {
        if (!m_ChooseFolder) {
            return;
        }
        std::string start = FromWide(Trimmed(WindowText(Item(ExportControl::Folder))));
        if (start.empty()) {
            start = m_Setup.inputFolder;
        }
        if (const std::optional<std::string> folder = m_ChooseFolder(m_hWnd, start)) {
            ::SetWindowTextW(Item(ExportControl::Folder), ToWide(*folder).c_str());
            ::CheckRadioButton(m_hWnd, Id(ExportControl::BesideInput), Id(ExportControl::InFolder),
                               Id(ExportControl::InFolder));
            m_Setup.folder = *folder;
            UpdateEnabled();
        }
    }

    void OnExport() {
        ExportControl fault = ExportControl::Text;
        std::string problem;
        m_Accepted = Choice(fault, problem);
        if (m_Accepted) {
            if (!m_Accepted->outputFolder.empty()) {
                m_Setup.folder = m_Accepted->outputFolder;
            }
            ::EndDialog(m_hWnd, IDOK);
            return;
        }
        ::MessageBoxW(m_hWnd, ToWide(problem).c_str(), ApplicationName().c_str(),
                      MB_OK | MB_ICONWARNING);
        // The control at fault takes the focus, its text selected for typing over.
        ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(fault)), TRUE);
    }

    // The choices as they stand; nothing, with the reason and the control at fault, while
    // the export cannot take them.
    std::optional<ExportChoice> Choice(ExportControl& fault, std::string& problem) {
        ExportChoice choice;
        choice.formats.clear();
        const bool csv = Checked(ExportControl::Csv);
        const bool hdf5 = Hdf5Chosen();
        if (Checked(ExportControl::Text)) {
            choice.formats.push_back(ExportFormat::kText);
        }
        if (csv) {
            choice.formats.push_back(ExportFormat::kCsv);
        }
        if (Checked(ExportControl::Json)) {
            choice.formats.push_back(ExportFormat::kJson);
        }
        if (hdf5) {
            choice.formats.push_back(ExportFormat::kHdf5);
        }
        const bool xlsx = XlsxChosen();
        if (xlsx) {
            choice.formats.push_back(ExportFormat::kXlsx);
        }
        if (choice.formats.empty()) {
            problem = "Choose at least one format.";
            return std::nullopt;
        }
        ExportRequest& request = choice.request;
        if (csv || hdf5 || xlsx) {
            request.quantity =
                kPlotQuantities[static_cast<std::size_t>(Selected(ExportControl::Quantity))];
            if (Checked(ExportControl::UseGrid)) {
                try {
                    request.grid =
                        ParseGrid(FromWide(Trimmed(WindowText(Item(ExportControl::Grid)))));
                } catch (const GridSyntaxError& error) {
                    fault = ExportControl::Grid;
                    problem = std::string("The wavelength grid: ") + error.what();
                    return std::nullopt;
                }
            }
        }
        if (csv) {
            request.csv.layout =
                Selected(ExportControl::Layout) == 1 ? CsvLayout::kRows : CsvLayout::kColumns;
            request.csv.decimalComma = Checked(ExportControl::DecimalComma);
            request.csv.byteOrderMark = Checked(ExportControl::ByteOrderMark);
            const std::optional<char> delimiter =
                CsvDelimiter(ChosenDelimiter(), request.csv.decimalComma);
            if (!delimiter) {
                fault = ExportControl::Delimiter;
                problem =
                    "A decimal comma needs the semicolon or the tab delimiter: with commas, 1,5 "
                    "would read as two cells.";
                return std::nullopt;
            }
            request.csv.delimiter = *delimiter;
        }
        request.compress = hdf5 && Checked(ExportControl::Compress);
        if (Checked(ExportControl::InFolder)) {
            const std::wstring folder = Trimmed(WindowText(Item(ExportControl::Folder)));
            if (folder.empty()) {
                fault = ExportControl::Folder;
                problem = "Choose the folder the outputs go to.";
                return std::nullopt;
            }
            choice.outputFolder = FromWide(folder);
        }
        return choice;
    }

    ExportDialogSetup& m_Setup;
    const FolderChooser& m_ChooseFolder;
    HWND m_hWnd = nullptr;
};

}  // namespace

std::optional<ExportChoice> RunExportDialog(HWND owner, ExportDialogSetup& setup,
                                            const FolderChooser& chooseFolder) {
    DialogTemplateBuilder builder(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SHELLFONT,
                                  0, {0, 0, kExportDialogWidth, kExportDialogHeight}, L"Export", 8,
                                  L"MS Shell Dlg");
    for (const ExportItem& item : kExportItems) {
        builder.AddControl(item.windowClass, item.id, item.style, 0, item.rect, item.caption);
    }
    ExportDialog dialog(setup, chooseFolder);
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), builder.Template(), owner,
                                  &ExportDialog::Proc, reinterpret_cast<LPARAM>(&dialog));
    if (result != IDOK) {
        return std::nullopt;
    }
    return dialog.m_Accepted;
}

std::optional<std::string> ChooseFolderWithShell(HWND owner, const std::string& start) {
    // The dialog is a COM object: the thread joins a single-threaded apartment while it runs
    // (or stays in the one it is in).
    const HRESULT joined =
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::optional<std::string> chosen;
    IFileOpenDialog* dialog = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&dialog)))) {
        FILEOPENDIALOGOPTIONS options = 0;
        dialog->GetOptions(&options);
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        dialog->SetTitle(L"Output folder");
        IShellItem* folder = nullptr;
        if (!start.empty() && SUCCEEDED(::SHCreateItemFromParsingName(
                                  ToWide(start).c_str(), nullptr, IID_PPV_ARGS(&folder)))) {
            dialog->SetFolder(folder);
            folder->Release();
        }
        IShellItem* result = nullptr;
        if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&result))) {
            PWSTR path = nullptr;
            if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                chosen = FromWide(path);
                ::CoTaskMemFree(path);
            }
            result->Release();
        }
        dialog->Release();
    }
    if (SUCCEEDED(joined)) {
        ::CoUninitialize();
    }
    return chosen;
}

}  // namespace quillon
