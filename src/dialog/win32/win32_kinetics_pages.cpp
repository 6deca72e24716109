// SPDX-License-Identifier: MIT
// The Trace and Map pages: their controls, plot windows, pointer and keys, saved pictures and
// the trace's table.
#include "dialog/win32/win32_kinetics_pages.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>

#include "platform/file_error.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

constexpr wchar_t kPageClass[] = L"QuillonKineticsPage";
constexpr wchar_t kPlotClass[] = L"QuillonKineticsPlot";

// Rows of controls inside a page, in dialog units, as in the spectrum's page.
constexpr int kRowHeight = 14;
constexpr int kRowGap = 4;
constexpr int kLabelHeight = 8;
constexpr int kLabelDrop = (kRowHeight - kLabelHeight) / 2;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

constexpr const char* kNoFileNote = "Open a scan data file to follow its scans here.";

// Enter in the wavelength field traces what was typed (`command`: the Add button's id), in a
// chooser (`command` 0) it takes the choice; it never ends the program through the dialog's
// default button.
LRESULT CALLBACK KeepEnter(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR command) {
    switch (message) {
        case WM_GETDLGCODE: {
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
                return ::DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTMESSAGE;
            }
            break;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN && command != 0) {
                ::SendMessageW(::GetParent(window), WM_COMMAND,
                               MAKEWPARAM(static_cast<int>(command), BN_CLICKED), 0);
                return 0;
            }
            // An open list closes with the choice; a closed one keeps it.
            if (wParam == VK_RETURN && ::SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0) == 0) {
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L'\r') {
                return 0;
            }
            break;
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(window, &KeepEnter, 1);
            break;
        default:
            break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

// ---- The page and its plot window ----

Win32KineticsPage::Win32KineticsPage(Kinetics& kinetics, KineticsPageHost& host)
    : m_Kinetics(kinetics), m_Host(host) {}

Win32KineticsPage::~Win32KineticsPage() {
    for (HWND window : {m_hPage, m_hPlot}) {
        if (window != nullptr && ::IsWindow(window)) {
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        }
    }
}

void Win32KineticsPage::Create(HWND panel, int id, HFONT font) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterPanelClasses(instance, kPageClass, &PageProc, kPlotClass, &PlotProc);
    m_hDialog = ::GetParent(panel);
    // A control parent: the dialog manager takes Tab, the arrows and mnemonics into it.
    m_hPage = ::CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0,
                                0, 0, 0, panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                instance, this);
    for (const PageItem& item : Items()) {
        HWND control = ::CreateWindowExW(
            item.exStyle, item.windowClass == nullptr ? kPlotClass : item.windowClass, item.caption,
            item.style, 0, 0, 0, 0, m_hPage, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
            instance, item.id == PlotId() ? this : nullptr);
        if (item.id == PlotId()) {
            m_hPlot = control;
        }
    }
    if (HWND field = Item(KineticsControl::Wavelength)) {
        ::SetWindowSubclass(field, &KeepEnter, 1,
                            static_cast<DWORD_PTR>(KineticsControl::AddWavelength));
    }
    for (KineticsControl chooser : {KineticsControl::Traced, KineticsControl::Rows}) {
        if (HWND box = Item(chooser)) {
            ::SetWindowSubclass(box, &KeepEnter, 1, 0);
        }
    }
    SetFont(font);
}

HWND Win32KineticsPage::Item(KineticsControl control) const {
    return m_hPage == nullptr ? nullptr : ::GetDlgItem(m_hPage, static_cast<int>(control));
}

void Win32KineticsPage::SetFont(HFONT font) {
    m_hFont = font;
    m_TextWidths.clear();
    for (const PageItem& item : Items()) {
        ::SendMessageW(Item(item.id), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    m_Surface.Invalidate(m_hPlot);
}

void Win32KineticsPage::Place(const RECT& rect) {
    ::SetWindowPos(m_hPage, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    ::GetClientRect(m_hPage, &client);
    LayOut(client.right, client.bottom);
    m_Surface.Invalidate(m_hPlot);
}

RECT Win32KineticsPage::Units(int x, int y, int cx, int cy) const {
    RECT rect{x, y, x + cx, y + cy};
    ::MapDialogRect(m_hDialog, &rect);
    return rect;
}

void Win32KineticsPage::Put(KineticsControl control, const RECT& rect) const {
    ::SetWindowPos(Item(control), nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32KineticsPage::Redraw() {
    m_Surface.Invalidate(m_hPlot);
}

void Win32KineticsPage::Run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        if (m_Host.showMessage) {
            m_Host.showMessage(error.what());
        }
    }
}

void Win32KineticsPage::SavePlot(const std::string& suggested) {
    if (!HasPicture() || !m_Host.choosePlotFile) {
        return;
    }
    const std::optional<std::string> path = m_Host.choosePlotFile(m_hDialog, suggested);
    if (!path) {
        return;
    }
    const std::optional<std::string> reason =
        SavePicture(*path, m_hPlot, m_hFont, m_TextWidths,
                    [this](PlotCanvas& canvas, double width, double height, double scale) {
                        Draw(canvas, width, height, scale, false);
                    });
    if (reason && m_Host.showMessage) {
        m_Host.showMessage("Could not save " + *path + ": " + *reason);
    }
}

LRESULT CALLBACK Win32KineticsPage::PageProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = OwnerOfWindow<Win32KineticsPage>(window, message, lParam);
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_COMMAND:
            self->Run([&] {
                self->OnCommand(static_cast<KineticsControl>(LOWORD(wParam)), HIWORD(wParam));
            });
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK Win32KineticsPage::PlotProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = OwnerOfWindow<Win32KineticsPage>(window, message, lParam);
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    self->m_hPlot = window;
    return self->OnPlotMessage(message, wParam, lParam);
}

PlotArea Win32KineticsPage::CurrentArea() {
    RECT client{};
    ::GetClientRect(m_hPlot, &client);
    PlotArea area;
    MeasureWith(m_hPlot, m_hFont, m_TextWidths, [&](PlotCanvas& canvas) {
        area = Area(canvas, client.right, client.bottom, WindowScale(m_hPlot));
    });
    return area;
}

void Win32KineticsPage::ShowReadout(PlotPoint at) {
    if (HasPicture()) {
        SetControlText(Item(ReadoutId()), ReadoutAt(CurrentArea(), at));
    }
}

LRESULT Win32KineticsPage::OnPlotMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            m_Surface.Paint(
                m_hPlot, m_hFont, m_TextWidths,
                [this](PlotCanvas& canvas, double width, double height, double scale) {
                    Draw(canvas, width, height, scale, true);
                },
                [this](HDC target) {
                    m_Pointer.DrawDrag(target, WindowScale(m_hPlot));
                    DrawFocus(m_hPlot, target);
                });
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
        case WM_KEYDOWN: {
            const std::optional<PlotKey> key = PlotKeyOf(wParam);
            if (!key) {
                return ::DefWindowProcW(m_hPlot, message, wParam, lParam);
            }
            if (HasPicture()) {
                Key(*key);
                Refresh();
            }
            return 0;
        }
        case WM_LBUTTONDOWN: {
            ::SetFocus(m_hPlot);
            const PlotPoint at = PicturePoint(lParam);
            // Ctrl+click picks; it drags no rectangle.
            if (HasPicture() && (wParam & MK_CONTROL) == 0 && CurrentArea().Contains(at.x, at.y)) {
                m_Pointer.StartDrag(m_hPlot, at);
            }
            return 0;
        }
        case WM_MOUSEMOVE: {
            const PlotPoint at = PicturePoint(lParam);
            m_Pointer.Move(m_hPlot, at);
            ShowReadout(at);
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!HasPicture()) {
                return 0;
            }
            const PlotPoint at = PicturePoint(lParam);
            const PlotArea area = CurrentArea();
            const bool control = (wParam & MK_CONTROL) != 0;
            if (m_Pointer.IsDragging()) {
                if (const std::optional<PlotArea> dragged =
                        m_Pointer.EndDrag(at, WindowScale(m_hPlot))) {
                    Run([&] {
                        ZoomToRect(area, *dragged);
                        Refresh();
                    });
                    return 0;
                }
                ::InvalidateRect(m_hPlot, nullptr, FALSE);
            }
            if (area.Contains(at.x, at.y)) {
                Run([&] { Click(area, at, control); });
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            m_Pointer.CancelDrag(m_hPlot);
            return 0;
        case WM_RBUTTONUP:
            if (HasPicture()) {
                ZoomOut();
                Refresh();
            }
            return 0;
        case WM_CONTEXTMENU:
            return 0;
        case WM_MOUSEWHEEL: {
            const PlotPoint at = WheelPoint(m_hPlot, lParam);
            if (HasPicture()) {
                Wheel(CurrentArea(), at, WheelSteps(wParam));
                Refresh();
                ShowReadout(at);
            }
            return 0;
        }
        case WM_MOUSELEAVE:
            m_Pointer.Left();
            SetControlText(Item(ReadoutId()), Hint());
            return 0;
        default:
            return ::DefWindowProcW(m_hPlot, message, wParam, lParam);
    }
}

// ---- The Trace page ----

std::span<const Win32KineticsPage::PageItem> Win32TracePage::Items() const {
    static const PageItem items[] = {
        {KineticsControl::WavelengthCaption, L"Static", L"Wave&length:", kChild | SS_LEFT, 0},
        {KineticsControl::Wavelength, L"Edit", L"",
         kChild | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL | ES_RIGHT, WS_EX_CLIENTEDGE},
        {KineticsControl::AddWavelength, L"Button", L"&Add",
         kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0},
        {KineticsControl::TracedCaption, L"Static", L"&Traced:", kChild | SS_LEFT, 0},
        {KineticsControl::Traced, L"ComboBox", L"",
         kChild | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
        {KineticsControl::RemoveWavelength, L"Button", L"Re&move",
         kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0},
        {KineticsControl::TracePlot, nullptr, L"Trace plot", kChild | WS_TABSTOP | WS_GROUP, 0},
        {KineticsControl::TraceStatus, L"Static", L"",
         kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_LEFTNOWORDWRAP, 0},
        {KineticsControl::TraceReadout, L"Static", L"",
         kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_LEFTNOWORDWRAP, 0},
        {KineticsControl::TraceResetZoom, L"Button", L"Reset &zoom",
         kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0},
        {KineticsControl::SaveTracePlot, L"Button", L"Sa&ve plot...",
         kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
        {KineticsControl::ExportTrace, L"Button", L"E&xport trace...",
         kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
    };
    return items;
}

void Win32KineticsPage::LayOutRows(int width, int height, int topRows,
                                   std::initializer_list<KineticsControl> buttons,
                                   KineticsControl status) {
    const RECT one = Units(0, 0, 4, 8);
    const int duX = one.right;   // pixels per 4 horizontal units
    const int duY = one.bottom;  // pixels per 8 vertical units
    auto pixelsY = [duY](int units) { return (duY * units) / 8; };
    const int rowPixels = pixelsY(kRowHeight);
    // The bottom row: the status, then the buttons at the right.
    const int bottomTop = height - rowPixels;
    int right = width;
    for (KineticsControl button : buttons) {
        const int cx = Units(0, 0, 60, kRowHeight).right;
        Put(button, {right - cx, bottomTop, right, bottomTop + rowPixels});
        right -= cx + duX;
    }
    Put(status, {0, bottomTop + pixelsY(kLabelDrop), right,
                 bottomTop + pixelsY(kLabelDrop + kLabelHeight)});
    // The readout above it over the whole width: it names scan, time or wavelength and values.
    const int readoutTop = bottomTop - pixelsY(kLabelHeight + kRowGap / 2);
    Put(ReadoutId(), {0, readoutTop, width, readoutTop + pixelsY(kLabelHeight)});
    const int plotTop = pixelsY(topRows * (kRowHeight + kRowGap));
    Put(PlotId(), {0, plotTop, width, std::max(plotTop, readoutTop - pixelsY(kRowGap / 2))});
}

void Win32TracePage::LayOut(int width, int height) {
    Put(KineticsControl::WavelengthCaption, Units(0, kLabelDrop, 40, kLabelHeight));
    Put(KineticsControl::Wavelength, Units(42, 0, 44, kRowHeight));
    Put(KineticsControl::AddWavelength, Units(90, 0, 40, kRowHeight));
    Put(KineticsControl::TracedCaption, Units(140, kLabelDrop, 32, kLabelHeight));
    // A drop-down list's height is that of its open list.
    Put(KineticsControl::Traced, Units(174, 0, 70, kRowHeight + 100));
    Put(KineticsControl::RemoveWavelength, Units(248, 0, 44, kRowHeight));
    LayOutRows(width, height, 1,
               {KineticsControl::ExportTrace, KineticsControl::SaveTracePlot,
                KineticsControl::TraceResetZoom},
               KineticsControl::TraceStatus);
}

void Win32TracePage::Draw(PlotCanvas& canvas, double width, double height, double scale,
                          bool screen) {
    const TracePlot& trace = m_Kinetics.Trace();
    const PlotColors colors = screen ? ScreenColors() : PlotColors{};
    if (!trace.HasFile()) {
        canvas.FillRect({0.0, 0.0, width, height}, colors.background);
        canvas.Text(kNoFileNote, {width / 2.0, height / 2.0}, TextAnchor::kMiddle, colors.text);
        return;
    }
    DrawTrace(trace, LayOutTrace(trace, width, height, scale, canvas), canvas, colors);
}

PlotArea Win32TracePage::Area(PlotCanvas& canvas, double width, double height, double scale) {
    return LayOutTrace(m_Kinetics.Trace(), width, height, scale, canvas).area;
}

std::string Win32TracePage::Hint() const {
    return kTraceHint;
}

void Win32TracePage::Click(const PlotArea& area, PlotPoint at, bool) {
    // A click on a point shows its scan in the spectrum.
    if (const std::optional<std::size_t> scan = m_Kinetics.Trace().ScanAt(area, at.x, at.y)) {
        if (m_Host.showScan) {
            m_Host.showScan(*scan, true);
        }
    }
}

void Win32TracePage::OnCommand(KineticsControl control, int notification) {
    if (notification != BN_CLICKED) {
        return;
    }
    switch (control) {
        case KineticsControl::AddWavelength:
            AddTyped();
            break;
        case KineticsControl::RemoveWavelength: {
            const LRESULT chosen =
                ::SendMessageW(Item(KineticsControl::Traced), CB_GETCURSEL, 0, 0);
            if (chosen >= 0) {
                m_Kinetics.RemoveWavelength(static_cast<std::size_t>(chosen));
                if (m_Host.passStarted) {
                    m_Host.passStarted();
                }
                Refresh();
            }
            break;
        }
        case KineticsControl::TraceResetZoom:
            ResetZoom();
            Refresh();
            break;
        case KineticsControl::SaveTracePlot:
            SavePlot(m_Kinetics.Trace().PictureName());
            break;
        case KineticsControl::ExportTrace:
            ExportTable();
            break;
        default:
            break;
    }
}

std::string Win32TracePage::Add(double wavelength) {
    std::string problem = m_Kinetics.AddWavelength(wavelength);
    if (problem.empty() && m_Host.passStarted) {
        m_Host.passStarted();
    }
    Refresh();
    return problem;
}

void Win32TracePage::AddTyped() {
    HWND field = Item(KineticsControl::Wavelength);
    const std::string typed = FromWide(ControlText(field));
    // A number with '.' or ',' for the decimal point; nothing else on the line.
    std::string number = typed;
    std::replace(number.begin(), number.end(), ',', '.');
    char* end = nullptr;
    const double wavelength = std::strtod(number.c_str(), &end);
    while (end != nullptr && (*end == ' ' || *end == '\t')) {
        ++end;
    }
    std::string problem;
    if (number.empty() || end == number.c_str() || end == nullptr || *end != '\0' ||
        !std::isfinite(wavelength)) {
        problem = "\"" + typed + "\" is not a wavelength: type a number such as 546.07.";
    } else {
        problem = Add(wavelength);
    }
    if (!problem.empty()) {
        SetControlText(Item(KineticsControl::TraceStatus), problem);
        ::SetFocus(field);
        return;
    }
    ::SetWindowTextW(field, L"");
}

void Win32TracePage::ExportTable() {
    const TracePlot& trace = m_Kinetics.Trace();
    if (!trace.HasFile() || trace.Wavelengths().empty() || !m_Host.chooseTableFile) {
        return;
    }
    const std::optional<std::string> path = m_Host.chooseTableFile(m_hDialog, trace.TableName());
    if (!path) {
        return;
    }
    // The trace export of quillon-convert --trace: CSV, HDF5 (".h5") or a workbook (".xlsx").
    std::optional<std::string> reason;
    try {
        trace.WriteTable(*path);
    } catch (const FileError& error) {
        reason = error.Reason();
    } catch (const std::exception& error) {
        reason = error.what();
    }
    if (reason && m_Host.showMessage) {
        m_Host.showMessage("Could not save " + *path + ": " + *reason);
    }
}

void Win32TracePage::Refresh() {
    const TracePlot& trace = m_Kinetics.Trace();
    const bool loaded = trace.HasFile();
    HWND traced = Item(KineticsControl::Traced);
    const LRESULT chosen = ::SendMessageW(traced, CB_GETCURSEL, 0, 0);
    const auto count = static_cast<LRESULT>(trace.Wavelengths().size());
    // The list is made again only when the wavelengths changed, not as the values fill, so
    // that an open list stays open.
    bool same = ::SendMessageW(traced, CB_GETCOUNT, 0, 0) == count;
    for (LRESULT i = 0; same && i < count; ++i) {
        std::wstring item(
            static_cast<std::size_t>(std::max<LRESULT>(
                0, ::SendMessageW(traced, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0))) +
                1,
            L'\0');
        ::SendMessageW(traced, CB_GETLBTEXT, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(item.data()));
        same = item.c_str() == ToWide(trace.WavelengthLabel(static_cast<std::size_t>(i)));
    }
    if (!same) {
        ::SendMessageW(traced, CB_RESETCONTENT, 0, 0);
        for (std::size_t i = 0; i < trace.Wavelengths().size(); ++i) {
            ::SendMessageW(traced, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(ToWide(trace.WavelengthLabel(i)).c_str()));
        }
    }
    if (count > 0 && !same) {
        ::SendMessageW(traced, CB_SETCURSEL,
                       static_cast<WPARAM>(std::clamp<LRESULT>(chosen, 0, count - 1)), 0);
    }
    const bool any = count > 0;
    for (KineticsControl control :
         {KineticsControl::Wavelength, KineticsControl::AddWavelength,
          KineticsControl::TraceResetZoom, KineticsControl::SaveTracePlot}) {
        ::EnableWindow(Item(control), loaded ? TRUE : FALSE);
    }
    for (KineticsControl control : {KineticsControl::Traced, KineticsControl::RemoveWavelength,
                                    KineticsControl::ExportTrace}) {
        ::EnableWindow(Item(control), loaded && any ? TRUE : FALSE);
    }
    SetControlText(Item(KineticsControl::TraceStatus), loaded ? m_Kinetics.TraceStatus() : "");
    // A screen reader reads the plot's name: what it shows, since it cannot see the lines.
    SetControlText(m_hPlot, loaded ? "Trace plot: " + trace.Description() : "Trace plot");
    if (ControlText(Item(KineticsControl::TraceReadout)).empty() && loaded) {
        SetControlText(Item(KineticsControl::TraceReadout), kTraceHint);
    }
    Redraw();
}

// ---- The Map page ----

std::span<const Win32KineticsPage::PageItem> Win32MapPage::Items() const {
    static const PageItem items[] = {
        {KineticsControl::RowsCaption, L"Static", L"&Join rows by:", kChild | SS_LEFT, 0},
        {KineticsControl::Rows, L"ComboBox", L"",
         kChild | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
        {KineticsControl::MapProgress, PROGRESS_CLASSW, L"Map progress", kChild | PBS_SMOOTH, 0},
        {KineticsControl::CancelMap, L"Button", L"&Cancel",
         kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0},
        {KineticsControl::MapPlot, nullptr, L"Map", kChild | WS_TABSTOP | WS_GROUP, 0},
        {KineticsControl::MapStatus, L"Static", L"",
         kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_LEFTNOWORDWRAP, 0},
        {KineticsControl::MapReadout, L"Static", L"",
         kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | SS_LEFTNOWORDWRAP, 0},
        {KineticsControl::MapResetZoom, L"Button", L"Reset &zoom",
         kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0},
        {KineticsControl::SaveMapPlot, L"Button", L"Sa&ve plot...",
         kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
    };
    return items;
}

void Win32MapPage::LayOut(int width, int height) {
    if (::SendMessageW(Item(KineticsControl::Rows), CB_GETCOUNT, 0, 0) == 0) {
        for (MapRows rows : kMapRowChoices) {
            ::SendMessageW(Item(KineticsControl::Rows), CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(ToWide(MapRowsLabel(rows)).c_str()));
        }
    }
    Put(KineticsControl::RowsCaption, Units(0, kLabelDrop, 52, kLabelHeight));
    Put(KineticsControl::Rows, Units(54, 0, 60, kRowHeight + 60));
    Put(KineticsControl::MapProgress, Units(122, 2, 120, kRowHeight - 4));
    Put(KineticsControl::CancelMap, Units(248, 0, 44, kRowHeight));
    LayOutRows(width, height, 1, {KineticsControl::SaveMapPlot, KineticsControl::MapResetZoom},
               KineticsControl::MapStatus);
}

void Win32MapPage::Draw(PlotCanvas& canvas, double width, double height, double scale,
                        bool screen) {
    const ScanMap& map = m_Kinetics.Map();
    const PlotColors colors = screen ? ScreenColors() : PlotColors{};
    if (!map.HasFile()) {
        canvas.FillRect({0.0, 0.0, width, height}, colors.background);
        canvas.Text(kNoFileNote, {width / 2.0, height / 2.0}, TextAnchor::kMiddle, colors.text);
        return;
    }
    DrawMap(map, LayOutMap(map, width, height, scale, canvas), canvas, colors, m_Picked);
}

PlotArea Win32MapPage::Area(PlotCanvas& canvas, double width, double height, double scale) {
    return LayOutMap(m_Kinetics.Map(), width, height, scale, canvas).area;
}

std::string Win32MapPage::Hint() const {
    return kMapHint;
}

void Win32MapPage::Click(const PlotArea& area, PlotPoint at, bool control) {
    const std::optional<MapPick> pick = m_Kinetics.Map().PickAt(area, at.x, at.y);
    if (!pick) {
        return;
    }
    // A click picks a scan and a wavelength, marked on the map: the spectrum shows the scan
    // (brought forward), or with Ctrl the wavelength is traced and the map stays.
    m_Picked = pick;
    Redraw();
    if (m_Host.showScan) {
        m_Host.showScan(pick->scan, !control);
    }
    if (control && m_Host.trace) {
        const std::string problem = m_Host.trace(pick->x);
        const TracePlot& trace = m_Kinetics.Trace();
        SetControlText(Item(KineticsControl::MapStatus),
                       problem.empty() ? trace.WavelengthLabel(trace.Wavelengths().size() - 1) +
                                             " is traced: see the Trace view."
                                       : problem);
    }
}

void Win32MapPage::OnCommand(KineticsControl control, int notification) {
    if (control == KineticsControl::Rows && notification == CBN_SELCHANGE) {
        const LRESULT chosen = ::SendMessageW(Item(control), CB_GETCURSEL, 0, 0);
        if (chosen >= 0 && static_cast<std::size_t>(chosen) < std::size(kMapRowChoices)) {
            m_Kinetics.Map().SetRowReduction(kMapRowChoices[static_cast<std::size_t>(chosen)]);
            Refresh();
        }
        return;
    }
    if (notification != BN_CLICKED) {
        return;
    }
    switch (control) {
        case KineticsControl::CancelMap:
            m_Kinetics.CancelMap();
            m_Kinetics.Poll();
            Refresh();
            break;
        case KineticsControl::MapResetZoom:
            ResetZoom();
            Refresh();
            break;
        case KineticsControl::SaveMapPlot:
            SavePlot(m_Kinetics.Map().PictureName());
            break;
        default:
            break;
    }
}

void Win32MapPage::Refresh() {
    const ScanMap& map = m_Kinetics.Map();
    const bool loaded = map.HasFile();
    const auto* found =
        std::find(std::begin(kMapRowChoices), std::end(kMapRowChoices), map.RowReduction());
    ::SendMessageW(Item(KineticsControl::Rows), CB_SETCURSEL,
                   static_cast<WPARAM>(found - std::begin(kMapRowChoices)), 0);
    const bool running = m_Kinetics.IsMapRunning();
    HWND progress = Item(KineticsControl::MapProgress);
    ::SendMessageW(progress, PBM_SETRANGE32, 0, 1000);
    const std::size_t scans = map.ScanCount();
    const std::size_t filled = map.ScansFilled();
    ::SendMessageW(progress, PBM_SETPOS,
                   scans == 0 ? 0 : static_cast<WPARAM>((1000 * filled) / scans), 0);
    ::ShowWindow(progress, running ? SW_SHOWNA : SW_HIDE);
    ::EnableWindow(Item(KineticsControl::CancelMap), running ? TRUE : FALSE);
    for (KineticsControl control :
         {KineticsControl::Rows, KineticsControl::MapResetZoom, KineticsControl::SaveMapPlot}) {
        ::EnableWindow(Item(control), loaded ? TRUE : FALSE);
    }
    // (What a row stands for is said under the map itself.)
    SetControlText(Item(KineticsControl::MapStatus), loaded ? m_Kinetics.MapStatus() : "");
    SetControlText(m_hPlot, loaded ? "Map: " + map.Description() : "Map");
    if (ControlText(Item(KineticsControl::MapReadout)).empty() && loaded) {
        SetControlText(Item(KineticsControl::MapReadout), kMapHint);
    }
    Redraw();
}

std::function<std::optional<std::string>(HWND owner, const std::string& suggested)>
StandardTableFileDialog() {
    return [](HWND owner, const std::string& suggested) {
        return AskSaveName(owner, suggested,
                           L"CSV table (*.csv)\0*.csv\0HDF5 file (*.h5)\0*.h5\0"
                           L"Excel workbook (*.xlsx)\0*.xlsx\0",
                           L"csv", L"Export trace");
    };
}

}  // namespace quillon
