// SPDX-License-Identifier: MIT
// Win32SpectrumPanel: the panel's controls, the plot window and its saved pictures.
#include "dialog/win32/win32_spectrum_panel.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <vector>

#include "dialog/dialog_template.h"
#include "dialog/win32/win32_plot_canvas.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

constexpr wchar_t kPanelClass[] = L"QuillonSpectrumPanel";
constexpr wchar_t kPlotClass[] = L"QuillonSpectrumPlot";

// Where the panel stands, in dialog units (as in the Qt window): beside the controls, from the
// top of the "SDF File" box down to 7 units above the window's bottom edge, 380 units wide at
// first.
constexpr int kPanelWidth = 380;
constexpr int kPanelTop = 19;
constexpr int kPanelRightMargin = 10;
constexpr int kPanelBottomMargin = 7;
// Rows of controls inside the panel, in dialog units.
constexpr int kRowHeight = 14;
constexpr int kRowGap = 4;
constexpr int kLabelHeight = 8;

constexpr const char* kNoFileNote =
    "Open a scan data file with >> or drop it on the window to see its spectra here.";

// The panel's controls in creation order, which is also their tab order.
struct PanelItem {
    PanelControl id;
    const wchar_t* windowClass;
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const PanelItem kPanelItems[] = {
    {PanelControl::ScanCaption, L"Static", L"&Scan:", kChild | SS_LEFT, 0},
    {PanelControl::ScanNumber, L"Edit", L"",
     kChild | WS_TABSTOP | WS_GROUP | ES_NUMBER | ES_AUTOHSCROLL | ES_RIGHT, WS_EX_CLIENTEDGE},
    {PanelControl::ScanSpin, UPDOWN_CLASSW, L"",
     kChild | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_HOTTRACK, 0},
    {PanelControl::ScanOf, L"Static", L"", kChild | SS_LEFT | SS_NOPREFIX, 0},
    {PanelControl::ScanTexts, L"Static", L"",
     kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_NOTIFY, 0},
    {PanelControl::QuantityCaption, L"Static", L"&Quantity:", kChild | SS_LEFT, 0},
    {PanelControl::Quantity, L"ComboBox", L"",
     kChild | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
    {PanelControl::ShowDark, L"Button", L"&Dark", kChild | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX,
     0},
    {PanelControl::ShowReference, L"Button", L"Re&ference", kChild | WS_TABSTOP | BS_AUTOCHECKBOX,
     0},
    {PanelControl::ShowScan, L"Button", L"Sca&n", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0},
    {PanelControl::Views, WC_TABCONTROLW, L"Views", kChild | WS_TABSTOP | WS_GROUP | TCS_TABS, 0},
    {PanelControl::Plot, kPlotClass, L"Spectrum plot", kChild | WS_TABSTOP | WS_GROUP, 0},
    {PanelControl::Readout, L"Static", L"",
     kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_LEFTNOWORDWRAP, 0},
    {PanelControl::ResetZoom, L"Button", L"&Reset zoom",
     kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0},
    {PanelControl::SavePlot, L"Button", L"Save &plot...", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
};

// The check box of each curve.
constexpr std::array<std::pair<PanelControl, Curve>, 3> kCurveBoxes = {{
    {PanelControl::ShowDark, Curve::kDark},
    {PanelControl::ShowReference, Curve::kReference},
    {PanelControl::ShowScan, Curve::kScan},
}};

constexpr UINT_PTR kSubclassId = 0x5150;

// The timer that polls the passes over the file, and how often, in milliseconds.
constexpr UINT_PTR kKineticsTimerId = 7;
constexpr UINT kKineticsTickMs = 100;

// The tabs' names, in the order of PanelPage.
constexpr const wchar_t* kPageNames[] = {L"Spectrum", L"Trace", L"Map"};
// The spectrum page's own controls, hidden while another page shows.
constexpr PanelControl kSpectrumPageControls[] = {
    PanelControl::ShowDark, PanelControl::ShowReference, PanelControl::ShowScan, PanelControl::Plot,
    PanelControl::Readout,  PanelControl::ResetZoom,     PanelControl::SavePlot};

// The panel whose dialog takes Ctrl+Tab and Ctrl+Page Down / Page Up to turn its pages, and
// the hook that sees the keys before the dialog manager does (the dialog's own loop and
// IsDialogMessage both pass them to it).
thread_local Win32SpectrumPanel* t_pPagedPanel = nullptr;
thread_local HHOOK t_hPageKeys = nullptr;

}  // namespace

Win32SpectrumPanel::Win32SpectrumPanel(ChoosePlotFile choosePlotFile,
                                       ChoosePlotFile chooseTableFile, ShowMessage showMessage)
    : m_ChoosePlotFile(std::move(choosePlotFile)),
      m_ShowMessage(std::move(showMessage)),
      m_PageHost{[this](std::size_t scan, bool switchTo) {
                     m_Plot.ShowScan(scan + 1);
                     Refresh();
                     if (switchTo) {
                         ShowPage(PanelPage::kSpectrum);
                     }
                 },
                 m_ChoosePlotFile,
                 std::move(chooseTableFile),
                 m_ShowMessage,
                 [this](double wavelength) { return m_TracePage.Add(wavelength); },
                 [this] { StartPolling(); }},
      m_TracePage(m_Kinetics, m_PageHost),
      m_MapPage(m_Kinetics, m_PageHost),
      m_pGdiPlus(std::make_unique<GdiPlusUse>()) {}

Win32SpectrumPanel::~Win32SpectrumPanel() {
    if (m_hDialog != nullptr) {
        ::RemoveWindowSubclass(m_hDialog, &FollowDialog, kSubclassId);
    }
    if (m_hPanel != nullptr && ::IsWindow(m_hPanel)) {
        ::KillTimer(m_hPanel, kKineticsTimerId);
    }
    m_Kinetics.ReleaseFile();
    if (m_hPanel != nullptr && ::IsWindow(m_hPanel)) {
        ::SetWindowLongPtrW(m_hPanel, GWLP_USERDATA, 0);
    }
    if (m_hPlot != nullptr && ::IsWindow(m_hPlot)) {
        ::SetWindowLongPtrW(m_hPlot, GWLP_USERDATA, 0);
    }
    if (t_pPagedPanel == this) {
        t_pPagedPanel = nullptr;
        if (t_hPageKeys != nullptr) {
            ::UnhookWindowsHookEx(t_hPageKeys);
            t_hPageKeys = nullptr;
        }
    }
}

LRESULT CALLBACK Win32SpectrumPanel::PageKeys(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    Win32SpectrumPanel* self = t_pPagedPanel;
    if (code == MSGF_DIALOGBOX && self != nullptr && message != nullptr &&
        message->message == WM_KEYDOWN && (::GetKeyState(VK_CONTROL) & 0x8000) != 0 &&
        (message->hwnd == self->m_hDialog || ::IsChild(self->m_hDialog, message->hwnd))) {
        const bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
        int step = 0;
        if (message->wParam == VK_TAB) {
            step = shift ? -1 : 1;
        } else if (message->wParam == VK_NEXT) {
            step = 1;
        } else if (message->wParam == VK_PRIOR) {
            step = -1;
        }
        if (step != 0) {
            const int count = static_cast<int>(std::size(kPageNames));
            self->ShowPage(
                static_cast<PanelPage>((static_cast<int>(self->m_Page) + step + count) % count));
            return 1;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void Win32SpectrumPanel::Create(HWND dialog) {
    m_hDialog = dialog;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterPanelClasses(instance, kPanelClass, &PanelProc, kPlotClass, &PlotProc);
    // A control parent: the dialog manager takes Tab, the arrows and mnemonics into it.
    m_hPanel = ::CreateWindowExW(
        WS_EX_CONTROLPARENT, kPanelClass, L"", kChild | WS_CLIPCHILDREN, 0, 0, 0, 0, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSpectrumPanelId)), instance, this);
    CreateControls();
    t_pPagedPanel = this;
    if (t_hPageKeys == nullptr) {
        t_hPageKeys = ::SetWindowsHookExW(WH_MSGFILTER, &PageKeys, nullptr, ::GetCurrentThreadId());
    }
    m_TracePage.Create(m_hPanel, kTracePageId, m_hFont);
    m_MapPage.Create(m_hPanel, kMapPageId, m_hFont);
    ::SetWindowSubclass(dialog, &FollowDialog, kSubclassId, reinterpret_cast<DWORD_PTR>(this));

    // The window grows to the right by the panel's width, less where the screen is narrower.
    RECT client{};
    ::GetClientRect(dialog, &client);
    RECT grown{0, 0, kMainDialogWidth + kPanelWidth + kPanelRightMargin, kMainDialogHeight};
    ::MapDialogRect(dialog, &grown);
    RECT frame{};
    ::GetWindowRect(dialog, &frame);
    int width = frame.right - frame.left + (grown.right - client.right);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) {
        width = std::max(static_cast<int>(frame.right - frame.left),
                         std::min<int>(width, monitor.rcWork.right - monitor.rcWork.left));
    }
    ::SetWindowPos(dialog, nullptr, 0, 0, width, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Place();
    Refresh();
}

void Win32SpectrumPanel::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (const PanelItem& item : kPanelItems) {
        HWND control =
            ::CreateWindowExW(item.exStyle, item.windowClass, item.caption, item.style, 0, 0, 0, 0,
                              m_hPanel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                              instance, item.id == PanelControl::Plot ? this : nullptr);
        if (item.id == PanelControl::Plot) {
            m_hPlot = control;
        }
    }
    ::SendMessageW(ControlHandle(PanelControl::ScanSpin), UDM_SETBUDDY,
                   reinterpret_cast<WPARAM>(ControlHandle(PanelControl::ScanNumber)), 0);
    HWND quantity = ControlHandle(PanelControl::Quantity);
    for (Quantity choice : kPlotQuantities) {
        ::SendMessageW(quantity, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(ToWide(QuantityLabel(choice)).c_str()));
    }
    HWND views = ControlHandle(PanelControl::Views);
    for (int page = 0; page < static_cast<int>(std::size(kPageNames)); ++page) {
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<wchar_t*>(kPageNames[page]);
        ::SendMessageW(views, TCM_INSERTITEMW, static_cast<WPARAM>(page),
                       reinterpret_cast<LPARAM>(&tab));
    }
    // Enter in the scan number or the quantity takes what was typed or chosen; it does not
    // end the program through the dialog's default button.
    for (PanelControl control : {PanelControl::ScanNumber, PanelControl::Quantity}) {
        ::SetWindowSubclass(ControlHandle(control), &TakeEnter, kSubclassId,
                            reinterpret_cast<DWORD_PTR>(this));
    }
    ApplyFont();
}

void Win32SpectrumPanel::ApplyFont() {
    m_hFont = reinterpret_cast<HFONT>(::SendMessageW(m_hDialog, WM_GETFONT, 0, 0));
    m_TextWidths.clear();
    for (const PanelItem& item : kPanelItems) {
        ::SendMessageW(ControlHandle(item.id), WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont),
                       FALSE);
    }
    if (m_TracePage.Window() != nullptr) {
        m_TracePage.SetFont(m_hFont);
        m_MapPage.SetFont(m_hFont);
    }
    m_Surface.Invalidate(m_hPlot);
}

HWND Win32SpectrumPanel::ControlHandle(PanelControl control) const {
    return m_hPanel == nullptr ? nullptr : ::GetDlgItem(m_hPanel, static_cast<int>(control));
}

void Win32SpectrumPanel::Place() {
    if (m_hPanel == nullptr) {
        return;
    }
    RECT client{};
    ::GetClientRect(m_hDialog, &client);
    RECT place{kMainDialogWidth, kPanelTop, kPanelRightMargin, kPanelBottomMargin};
    ::MapDialogRect(m_hDialog, &place);
    const int width = std::max(0, static_cast<int>(client.right - place.left - place.right));
    const int height = std::max(0, static_cast<int>(client.bottom - place.top - place.bottom));
    ::SetWindowPos(m_hPanel, nullptr, place.left, place.top, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
}

void Win32SpectrumPanel::LayOut() {
    RECT panel{};
    ::GetClientRect(m_hPanel, &panel);
    // Dialog units to pixels of the dialog's font at its scale.
    auto units = [this](int x, int y, int cx, int cy) {
        RECT rect{x, y, x + cx, y + cy};
        ::MapDialogRect(m_hDialog, &rect);
        return rect;
    };
    const RECT one = units(0, 0, 4, 8);
    const int duX = one.right;   // pixels per 4 horizontal units
    const int duY = one.bottom;  // pixels per 8 vertical units
    const int width = panel.right;
    const int height = panel.bottom;
    auto put = [this](PanelControl control, const RECT& rect) {
        ::SetWindowPos(ControlHandle(control), nullptr, rect.left, rect.top, rect.right - rect.left,
                       rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    auto fromRight = [width](RECT rect) {
        const LONG cx = rect.right - rect.left;
        rect.left = width - rect.left - cx;
        rect.right = rect.left + cx;
        return rect;
    };
    const int labelDrop = (kRowHeight - kLabelHeight) / 2;
    put(PanelControl::ScanCaption, units(0, labelDrop, 34, kLabelHeight));
    put(PanelControl::ScanNumber, units(36, 0, 40, kRowHeight));
    // The arrows stand at the right end of the number, inside its width.
    ::SendMessageW(ControlHandle(PanelControl::ScanSpin), UDM_SETBUDDY,
                   reinterpret_cast<WPARAM>(ControlHandle(PanelControl::ScanNumber)), 0);
    put(PanelControl::ScanOf, units(80, labelDrop, 36, kLabelHeight));
    RECT texts = units(118, labelDrop, 0, kLabelHeight);
    texts.right = width;
    put(PanelControl::ScanTexts, texts);

    const int row2 = kRowHeight + kRowGap;
    put(PanelControl::QuantityCaption, units(0, row2 + labelDrop, 34, kLabelHeight));
    // A drop-down list's height is that of its open list.
    put(PanelControl::Quantity, units(36, row2, 100, kRowHeight + 80));
    put(PanelControl::ShowDark, units(146, row2, 40, kRowHeight));
    put(PanelControl::ShowReference, units(188, row2, 56, kRowHeight));
    put(PanelControl::ShowScan, units(246, row2, 40, kRowHeight));

    const RECT bottomRow = units(0, 0, 0, kRowHeight);
    const int bottomTop = height - (bottomRow.bottom - bottomRow.top);
    RECT save = fromRight(units(0, 0, 54, kRowHeight));
    RECT reset = fromRight(units(58, 0, 54, kRowHeight));
    for (RECT* rect : {&save, &reset}) {
        rect->top += bottomTop;
        rect->bottom += bottomTop;
    }
    put(PanelControl::SavePlot, save);
    put(PanelControl::ResetZoom, reset);
    RECT readout = units(0, 0, 0, kLabelHeight);
    readout.top = bottomTop + (duY * labelDrop) / 8;
    readout.bottom = readout.top + (duY * kLabelHeight) / 8;
    readout.right = reset.left - duX;
    put(PanelControl::Readout, readout);

    // The tabs, as high as a row, over the rest.
    RECT tabs = units(0, 2 * row2, 0, kRowHeight);
    tabs.right = width;
    put(PanelControl::Views, tabs);
    const int pageTop = tabs.bottom + (duY * kRowGap) / 8;

    RECT plot{0, pageTop, width, bottomTop - (duY * kRowGap) / 8};
    plot.bottom = std::max(plot.bottom, plot.top);
    put(PanelControl::Plot, plot);
    m_Surface.Invalidate(m_hPlot);
    const RECT page{0, pageTop, width, std::max(pageTop, height)};
    m_TracePage.Place(page);
    m_MapPage.Place(page);
}

LRESULT CALLBACK Win32SpectrumPanel::FollowDialog(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32SpectrumPanel*>(data);
    const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
    switch (message) {
        case WM_SIZE:
            self->Place();
            break;
        case WM_DPICHANGED:
            // The dialog has its font and controls at the new scale now: the panel follows.
            self->ApplyFont();
            self->Place();
            break;
        case WM_SYSCOLORCHANGE:
            self->Redraw();
            break;
        default:
            break;
    }
    return result;
}

LRESULT CALLBACK Win32SpectrumPanel::TakeEnter(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32SpectrumPanel*>(data);
    switch (message) {
        case WM_GETDLGCODE: {
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
                return ::DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTMESSAGE;
            }
            break;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                // A number outside the file's scans goes back to the scan shown.
                self->Refresh();
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L'\r') {
                return 0;
            }
            break;
        default:
            break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32SpectrumPanel::PanelProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    auto* self = OwnerOfWindow<Win32SpectrumPanel>(window, message, lParam);
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    self->m_hPanel = window;
    return self->OnPanelMessage(message, wParam, lParam);
}

LRESULT CALLBACK Win32SpectrumPanel::PlotProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* self = OwnerOfWindow<Win32SpectrumPanel>(window, message, lParam);
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    self->m_hPlot = window;
    return self->OnPlotMessage(message, wParam, lParam);
}

LRESULT Win32SpectrumPanel::OnPanelMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            Run([&] { OnCommand(LOWORD(wParam), HIWORD(wParam)); });
            return 0;
        case WM_SIZE:
            LayOut();
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == static_cast<UINT_PTR>(PanelControl::Views) &&
                header->code == TCN_SELCHANGE) {
                Run([this] { OnPageChosen(); });
            }
            return 0;
        }
        case WM_TIMER:
            if (wParam == kKineticsTimerId) {
                Run([this] { OnKineticsTick(); });
            }
            return 0;
        default:
            return ::DefWindowProcW(m_hPanel, message, wParam, lParam);
    }
}

void Win32SpectrumPanel::Run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        if (m_ShowMessage) {
            m_ShowMessage(error.what());
        }
    }
}

void Win32SpectrumPanel::OnCommand(int id, int notification) {
    if (m_bSettingControls) {
        return;
    }
    const auto control = static_cast<PanelControl>(id);
    if (control == PanelControl::ScanNumber && notification == EN_CHANGE) {
        OnScanTyped();
        return;
    }
    if (control == PanelControl::ScanNumber && notification == EN_KILLFOCUS) {
        // A number that is not one of the file's scans goes back to the scan shown.
        Refresh();
        return;
    }
    if (control == PanelControl::Quantity && notification == CBN_SELCHANGE) {
        const LRESULT chosen = ::SendMessageW(ControlHandle(control), CB_GETCURSEL, 0, 0);
        if (chosen >= 0 && static_cast<std::size_t>(chosen) < std::size(kPlotQuantities)) {
            const Quantity quantity = kPlotQuantities[static_cast<std::size_t>(chosen)];
            m_Plot.ShowQuantity(quantity);
            Refresh();
            // The trace and the map show the quantity chosen too.
            m_Kinetics.SetTraceQuantity(quantity);
            m_Kinetics.Map().SetQuantity(quantity);
            StartPolling();
            RefreshPages();
        }
        return;
    }
    if (notification != BN_CLICKED) {
        return;
    }
    for (const auto& [box, curve] : kCurveBoxes) {
        if (box == control) {
            m_Plot.SetCurveVisible(
                curve, ::SendMessageW(ControlHandle(box), BM_GETCHECK, 0, 0) == BST_CHECKED);
            Refresh();
            return;
        }
    }
    if (control == PanelControl::ResetZoom) {
        m_Plot.ResetZoom();
        Refresh();
    } else if (control == PanelControl::SavePlot) {
        OnSavePlot();
    }
}

void Win32SpectrumPanel::OnScanTyped() {
    const std::wstring typed = ControlText(ControlHandle(PanelControl::ScanNumber));
    std::size_t number = 0;
    for (wchar_t digit : typed) {
        if (digit < L'0' || digit > L'9' || number > 1'000'000'000) {
            return;
        }
        number = number * 10 + static_cast<std::size_t>(digit - L'0');
    }
    // A number being typed that is not a scan of the file yet waits for more digits.
    if (number >= 1 && number <= m_Plot.ScanCount() && number != m_Plot.ScanNumber()) {
        m_Plot.ShowScan(number);
        Refresh();
    }
}

void Win32SpectrumPanel::ShowFile(const ScanFile& file) {
    m_Plot.ShowFile(file);
    Refresh();
    SetControlText(ControlHandle(PanelControl::Readout), kReadoutHint);
    m_MapPage.Forget();
    m_Kinetics.ShowFile(file);
    StartPolling();
    RefreshPages();
}

void Win32SpectrumPanel::ReleaseFile() {
    if (m_hPanel != nullptr) {
        ::KillTimer(m_hPanel, kKineticsTimerId);
    }
    m_Kinetics.ReleaseFile();
}

void Win32SpectrumPanel::StartPolling() {
    if (m_hPanel != nullptr && m_Kinetics.IsWorking()) {
        ::SetTimer(m_hPanel, kKineticsTimerId, kKineticsTickMs, nullptr);
    }
}

void Win32SpectrumPanel::OnKineticsTick() {
    const bool changed = m_Kinetics.Poll();
    const bool working = m_Kinetics.IsWorking();
    if (!working) {
        ::KillTimer(m_hPanel, kKineticsTimerId);
    }
    if (changed || !working) {
        RefreshPages();
    }
}

void Win32SpectrumPanel::RefreshPages() {
    m_TracePage.Refresh();
    m_MapPage.Refresh();
}

void Win32SpectrumPanel::ShowPage(PanelPage page) {
    ::SendMessageW(ControlHandle(PanelControl::Views), TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
    OnPageChosen();
}

void Win32SpectrumPanel::OnPageChosen() {
    const LRESULT chosen = ::SendMessageW(ControlHandle(PanelControl::Views), TCM_GETCURSEL, 0, 0);
    m_Page = chosen >= 0 && chosen < static_cast<LRESULT>(std::size(kPageNames))
                 ? static_cast<PanelPage>(chosen)
                 : PanelPage::kSpectrum;
    const bool spectrum = m_Page == PanelPage::kSpectrum;
    for (PanelControl control : kSpectrumPageControls) {
        ::ShowWindow(ControlHandle(control), spectrum ? SW_SHOWNA : SW_HIDE);
    }
    ::ShowWindow(m_TracePage.Window(), m_Page == PanelPage::kTrace ? SW_SHOWNA : SW_HIDE);
    ::ShowWindow(m_MapPage.Window(), m_Page == PanelPage::kMap ? SW_SHOWNA : SW_HIDE);
    // The focus leaves a control that went with its page for the tabs.
    HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(m_hPanel, focus) && !::IsWindowVisible(focus)) {
        ::SetFocus(ControlHandle(PanelControl::Views));
    }
}

void Win32SpectrumPanel::TraceAt(PlotPoint at) {
    const std::optional<std::size_t> pixel = m_Plot.PixelAt(m_Layout.area, at.x, at.y);
    if (!pixel || *pixel >= m_Plot.Curves().x.size()) {
        return;
    }
    const std::string problem = m_TracePage.Add(m_Plot.Curves().x[*pixel]);
    const TracePlot& trace = m_Kinetics.Trace();
    SetControlText(ControlHandle(PanelControl::Readout),
                   problem.empty() ? trace.WavelengthLabel(trace.Wavelengths().size() - 1) +
                                         " is traced: see the Trace view."
                                   : problem);
}

void Win32SpectrumPanel::ShowLastScan() {
    if (m_Plot.HasFile() && m_Plot.ScanCount() > 0) {
        m_Plot.ShowScan(m_Plot.ScanCount());
        Refresh();
    }
}

void Win32SpectrumPanel::Refresh() {
    m_bSettingControls = true;
    const bool loaded = m_Plot.HasFile();
    const std::size_t scans = m_Plot.ScanCount();
    HWND number = ControlHandle(PanelControl::ScanNumber);
    HWND spin = ControlHandle(PanelControl::ScanSpin);
    const int top = static_cast<int>(std::min<std::size_t>(scans, 0x7FFFFFFF));
    ::SendMessageW(spin, UDM_SETRANGE32, scans == 0 ? 0 : 1, top);
    if (scans == 0) {
        SetControlText(number, loaded ? "none" : "");
        SetControlText(ControlHandle(PanelControl::ScanOf), "");
    } else {
        ::SendMessageW(spin, UDM_SETPOS32, 0, static_cast<LPARAM>(m_Plot.ScanNumber()));
        SetControlText(number, std::to_string(m_Plot.ScanNumber()));
        SetControlText(ControlHandle(PanelControl::ScanOf), "of " + std::to_string(scans));
    }
    ::EnableWindow(number, scans > 0 ? TRUE : FALSE);
    ::EnableWindow(spin, scans > 0 ? TRUE : FALSE);
    SetControlText(ControlHandle(PanelControl::ScanTexts), loaded ? m_Plot.ScanTexts() : "");

    const auto* found =
        std::find(std::begin(kPlotQuantities), std::end(kPlotQuantities), m_Plot.ShownQuantity());
    ::SendMessageW(ControlHandle(PanelControl::Quantity), CB_SETCURSEL,
                   static_cast<WPARAM>(found - std::begin(kPlotQuantities)), 0);
    for (const auto& [box, curve] : kCurveBoxes) {
        ::SendMessageW(ControlHandle(box), BM_SETCHECK,
                       m_Plot.IsCurveVisible(curve) ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    for (PanelControl control :
         {PanelControl::Quantity, PanelControl::ShowDark, PanelControl::ShowReference,
          PanelControl::ShowScan, PanelControl::ResetZoom, PanelControl::SavePlot}) {
        ::EnableWindow(ControlHandle(control), loaded ? TRUE : FALSE);
    }
    // A screen reader reads the plot's name: what it shows, since it cannot see the lines.
    SetControlText(m_hPlot, loaded ? "Spectrum plot: " + m_Plot.Description() : "Spectrum plot");
    if (!loaded) {
        SetControlText(ControlHandle(PanelControl::Readout), "");
    }
    m_bSettingControls = false;
    Redraw();
}

void Win32SpectrumPanel::Redraw() {
    m_Surface.Invalidate(m_hPlot);
}

double Win32SpectrumPanel::Scale() const {
    return WindowScale(m_hPlot);
}

void Win32SpectrumPanel::UpdateLayout() {
    if (!m_Surface.IsStale() || m_hPlot == nullptr) {
        return;  // the picture shown was laid out for what the model shows
    }
    RECT client{};
    ::GetClientRect(m_hPlot, &client);
    MeasureWith(m_hPlot, m_hFont, m_TextWidths, [&](PlotCanvas& canvas) {
        m_Layout = m_Plot.HasFile()
                       ? LayOutPlot(m_Plot, client.right, client.bottom, Scale(), canvas)
                       : PlotLayout{};
    });
}

void Win32SpectrumPanel::ShowReadoutAt(PlotPoint at) {
    if (!m_Plot.HasFile()) {
        return;
    }
    UpdateLayout();
    SetControlText(ControlHandle(PanelControl::Readout),
                   m_Plot.ReadoutAt(m_Layout.area, at.x, at.y));
}

LRESULT Win32SpectrumPanel::OnPlotMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            Redraw();
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            ::InvalidateRect(m_hPlot, nullptr, FALSE);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            return OnPlotKey(wParam) ? 0 : ::DefWindowProcW(m_hPlot, message, wParam, lParam);
        case WM_LBUTTONDOWN: {
            ::SetFocus(m_hPlot);
            UpdateLayout();
            const PlotPoint at = PicturePoint(lParam);
            // Ctrl+click traces; it drags no rectangle.
            if (m_Plot.HasFile() && (wParam & MK_CONTROL) == 0 &&
                m_Layout.area.Contains(at.x, at.y)) {
                m_Pointer.StartDrag(m_hPlot, at);
            }
            return 0;
        }
        case WM_MOUSEMOVE: {
            const PlotPoint at = PicturePoint(lParam);
            m_Pointer.Move(m_hPlot, at);
            ShowReadoutAt(at);
            return 0;
        }
        case WM_LBUTTONUP: {
            UpdateLayout();
            const PlotPoint at = PicturePoint(lParam);
            if (m_Pointer.IsDragging()) {
                if (const std::optional<PlotArea> dragged = m_Pointer.EndDrag(at, Scale())) {
                    Run([&] {
                        m_Plot.ZoomToRect(m_Layout.area, *dragged);
                        Refresh();
                    });
                }
                ::InvalidateRect(m_hPlot, nullptr, FALSE);
            } else if ((wParam & MK_CONTROL) != 0 && m_Plot.HasFile()) {
                Run([&] { TraceAt(at); });
            } else if (const std::optional<Curve> curve = LegendEntryAt(m_Layout, at)) {
                // A click on a legend entry hides or shows its curve.
                if (m_Plot.HasFile()) {
                    m_Plot.SetCurveVisible(*curve, !m_Plot.IsCurveVisible(*curve));
                    Refresh();
                }
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            m_Pointer.CancelDrag(m_hPlot);
            return 0;
        case WM_RBUTTONUP:
            if (m_Plot.HasFile()) {
                m_Plot.ZoomOut();
                Refresh();
            }
            return 0;
        case WM_CONTEXTMENU:
            // A right click zooms out; it opens no menu.
            return 0;
        case WM_MOUSEWHEEL: {
            const PlotPoint at = WheelPoint(m_hPlot, lParam);
            if (m_Plot.HasFile()) {
                UpdateLayout();
                m_Plot.Wheel(m_Layout.area, at.x, at.y, WheelSteps(wParam));
                Refresh();
                ShowReadoutAt(at);
            }
            return 0;
        }
        case WM_MOUSELEAVE:
            m_Pointer.Left();
            if (m_Plot.HasFile()) {
                SetControlText(ControlHandle(PanelControl::Readout), kReadoutHint);
            }
            return 0;
        default:
            return ::DefWindowProcW(m_hPlot, message, wParam, lParam);
    }
}

bool Win32SpectrumPanel::OnPlotKey(WPARAM key) {
    const std::optional<PlotKey> action = PlotKeyOf(key);
    if (!action) {
        return false;
    }
    if (m_Plot.HasFile()) {
        m_Plot.Key(*action);
        Refresh();
    }
    return true;
}

void Win32SpectrumPanel::RenderPicture(PlotCanvas& canvas, double width, double height,
                                       double scale) {
    const PlotColors colors = ScreenColors();
    if (!m_Plot.HasFile()) {
        // Before the first load: a note where the plot will be.
        m_Layout = PlotLayout{};
        canvas.FillRect({0.0, 0.0, width, height}, colors.background);
        canvas.Text(kNoFileNote, {width / 2.0, height / 2.0}, TextAnchor::kMiddle, colors.text,
                    false);
        return;
    }
    m_Layout = LayOutPlot(m_Plot, width, height, scale, canvas);
    DrawPlot(m_Plot, m_Layout, canvas, colors);
}

void Win32SpectrumPanel::Paint() {
    m_Surface.Paint(
        m_hPlot, m_hFont, m_TextWidths,
        [this](PlotCanvas& canvas, double width, double height, double scale) {
            RenderPicture(canvas, width, height, scale);
        },
        [this](HDC target) {
            m_Pointer.DrawDrag(target, Scale());
            DrawFocus(m_hPlot, target);
        });
}

void Win32SpectrumPanel::OnSavePlot() {
    if (!m_Plot.HasFile() || !m_ChoosePlotFile) {
        return;
    }
    const std::optional<std::string> path = m_ChoosePlotFile(m_hDialog, PlotPictureName(m_Plot));
    if (!path) {
        return;
    }
    if (const std::optional<std::string> reason = SavePlot(*path)) {
        if (m_ShowMessage) {
            m_ShowMessage("Could not save " + *path + ": " + *reason);
        }
    }
}

std::optional<std::string> Win32SpectrumPanel::SavePlot(const std::string& path) {
    return SavePicture(path, m_hPlot, m_hFont, m_TextWidths,
                       [this](PlotCanvas& canvas, double width, double height, double scale) {
                           DrawPlot(m_Plot, LayOutPlot(m_Plot, width, height, scale, canvas),
                                    canvas);
                       });
}

Win32SpectrumPanel::ChoosePlotFile StandardPlotFileDialog() {
    return [](HWND owner, const std::string& suggested) -> std::optional<std::string> {
        static constexpr wchar_t kFilters[] =
            L"PNG image (*.png)\0*.png\0SVG image (*.svg)\0*.svg\0";
        // A name without an extension gets that of the type chosen.
        return AskSaveName(owner, suggested, kFilters, L"png", L"Save plot");
    };
}

}  // namespace quillon
