// SPDX-License-Identifier: MIT
// The Trace and Map pages of the native Windows window, driven by window messages as a user's
// clicks and keys arrive, on a time series built in memory: a Ctrl+click on the spectrum traces
// the wavelength under the pointer, a click on a trace point shows that scan in the spectrum,
// and the map fills off the window's thread while the window keeps answering, then a click on
// it picks a scan.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objidl.h>

// GDI+ wants min and max from windows.h, which NOMINMAX or the standard library may hide.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialog/win32/win32_dialog_window.h"
#include "platform/windows_system.h"
#include "sdf_builder.h"
#include "temp_dir.h"
#include "win32_modal_answerer.h"

namespace quillon {
namespace {

using testing::SdfBuilder;
using testing::TempDir;
using testing::WindowTextOf;

constexpr int kPixels = 64;
constexpr int kScans = 40;

// The counts of a scan (from 0) at a pixel (from 0): every scan and every pixel differ.
std::int32_t CountsOf(int scan, int pixel) {
    return 1000 + 100 * scan + pixel;
}

// A time series of 40 scans, 3 s apart, of 64 pixels from 400 nm in steps of 5 nm.
std::string WriteTimeSeries(const std::string& path) {
    SdfBuilder builder(kPixels);
    builder.ccd.fCal[0] = 400.0f;
    builder.ccd.fCal[1] = 5.0f;
    for (int k = 0; k < kScans; ++k) {
        testing::ScanContent scan;
        scan.title = "Kinetics";
        char time[32];
        std::snprintf(time, sizeof time, "2026-12-07 09:%02d:%02d", (3 * k) / 60, (3 * k) % 60);
        scan.dateTime = time;
        for (int p = 0; p < kPixels; ++p) {
            scan.values.push_back(CountsOf(k, p));
        }
        builder.AddScan(scan);
    }
    return builder.WriteTo(path);
}

class Win32KineticsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Win32Prompts prompts = Win32Prompts::Standard();
        prompts.message = [this](HWND, const std::string& text) { m_Messages.push_back(text); };
        prompts.choosePlotFile = [this](HWND, const std::string& suggested) {
            m_Suggested = suggested;
            return std::optional<std::string>(m_Dir / m_SaveAs);
        };
        prompts.chooseTableFile = [this](HWND, const std::string& suggested) {
            m_Suggested = suggested;
            return std::optional<std::string>((m_Dir / "table.csv"));
        };
        m_pWindow = std::make_unique<Win32DialogWindow>(std::move(prompts));
        m_hWindow = m_pWindow->Create();
        ASSERT_NE(m_hWindow, nullptr);
        m_hPanel = ::GetDlgItem(m_hWindow, kSpectrumPanelId);
        ::SetWindowPos(m_hPanel, nullptr, 0, 0, 760, 560, SWP_NOMOVE | SWP_NOZORDER);
        m_pWindow->Dialog().OnDropFiles({WriteTimeSeries(m_Dir / "series.sdf")});
    }
    void TearDown() override { m_pWindow.reset(); }

    HWND Panel(PanelControl control) const {
        return ::GetDlgItem(m_hPanel, static_cast<int>(control));
    }
    HWND Page(KineticsControl control) const {
        const int page = static_cast<int>(control) < static_cast<int>(KineticsControl::RowsCaption)
                             ? kTracePageId
                             : kMapPageId;
        return ::GetDlgItem(::GetDlgItem(m_hPanel, page), static_cast<int>(control));
    }
    static std::string Text(HWND window) { return FromWide(WindowTextOf(window)); }
    // A tab clicked: the tab control selects it and tells the panel.
    void ChoosePage(int page) const {
        HWND tabs = Panel(PanelControl::Views);
        ::SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
        NMHDR header{tabs, static_cast<UINT_PTR>(PanelControl::Views), TCN_SELCHANGE};
        ::SendMessageW(m_hPanel, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }
    int PageShown() const {
        return static_cast<int>(::SendMessageW(Panel(PanelControl::Views), TCM_GETCURSEL, 0, 0));
    }

    // Lets the window take its messages (the timer polling the passes among them) until
    // `done` holds; false when it does not within a generous bound.
    bool PumpUntil(const std::function<bool()>& done) const {
        for (int round = 0; round < 600; ++round) {
            MSG message{};
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (!::IsDialogMessageW(m_hWindow, &message)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
            }
            if (done()) {
                return true;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        return false;
    }
    bool TraceFilled() const {
        return Text(Page(KineticsControl::TracePlot)).find(" 40 of 40 scans") != std::string::npos;
    }
    bool PassesDone() const {
        return Text(Page(KineticsControl::MapStatus)) ==
               "Map complete: " + std::to_string(kScans) + " scans.";
    }

    void Mouse(HWND plot, UINT message, POINT at, WPARAM keys = 0) const {
        ::SendMessageW(plot, message, keys, MAKELPARAM(at.x, at.y));
    }
    void Click(HWND plot, POINT at, WPARAM keys = 0) const {
        Mouse(plot, WM_LBUTTONDOWN, at, MK_LBUTTON | keys);
        Mouse(plot, WM_LBUTTONUP, at, keys);
    }
    // The readout with the pointer at a share of a plot's width and height.
    std::string ReadoutAt(HWND plot, HWND readout, double across, double down,
                          POINT* where = nullptr) const {
        RECT client{};
        ::GetClientRect(plot, &client);
        const POINT at{static_cast<LONG>(across * client.right),
                       static_cast<LONG>(down * client.bottom)};
        Mouse(plot, WM_MOUSEMOVE, at);
        if (where != nullptr) {
            *where = at;
        }
        return Text(readout);
    }
    // A key pressed in the window with Ctrl held, as the dialog manager gets it.
    void CtrlKey(WPARAM key) const {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        MSG message{};
        message.hwnd = ::GetFocus() != nullptr ? ::GetFocus() : m_hWindow;
        message.message = WM_KEYDOWN;
        message.wParam = key;
        if (!::IsDialogMessageW(m_hWindow, &message)) {
            ::DispatchMessageW(&message);
        }
        keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
    }

    TempDir m_Dir;
    std::unique_ptr<Win32DialogWindow> m_pWindow;
    HWND m_hWindow = nullptr;
    HWND m_hPanel = nullptr;
    std::vector<std::string> m_Messages;
    std::string m_Suggested;
    std::string m_SaveAs;
};

// The number after `prefix` in a readout ("scan 12 ..." gives 12); -1 without it.
int NumberAfter(const std::string& text, const std::string& prefix) {
    const std::size_t at = text.find(prefix);
    return at == std::string::npos ? -1 : std::stoi(text.substr(at + prefix.size()));
}

TEST_F(Win32KineticsTest, ACtrlClickOnTheSpectrumTracesTheWavelengthUnderThePointer) {
    HWND spectrum = Panel(PanelControl::Plot);
    POINT at{};
    // "437.50 nm, pixel 8; scan 1 ...": the wavelength and pixel under the pointer.
    const std::string before = ReadoutAt(spectrum, Panel(PanelControl::Readout), 0.3, 0.5, &at);
    const int pixel = NumberAfter(before, "pixel ");
    ASSERT_GT(pixel, 0) << before;
    const std::string wavelength = before.substr(0, before.find(','));
    Click(spectrum, at, MK_CONTROL);

    // The Ctrl+click traced it and zoomed nothing: the spectrum reads the same pixel there.
    EXPECT_EQ(Text(Panel(PanelControl::Readout)), wavelength + " is traced: see the Trace view.");
    EXPECT_EQ(NumberAfter(ReadoutAt(spectrum, Panel(PanelControl::Readout), 0.3, 0.5), "pixel "),
              pixel);
    EXPECT_EQ(Text(Page(KineticsControl::Traced)), wavelength);
    ASSERT_TRUE(PumpUntil([&] {
        return PassesDone() &&
               Text(Page(KineticsControl::TracePlot)).find(" 40 of 40 scans") != std::string::npos;
    })) << Text(Page(KineticsControl::MapStatus));
    EXPECT_EQ(Text(Page(KineticsControl::TracePlot)),
              "Trace plot: Counts at " + wavelength + " against time in seconds, 40 of 40 scans");

    // Each point of the trace is its scan's counts at that pixel, at its seconds.
    ChoosePage(1);
    const std::string point =
        ReadoutAt(Page(KineticsControl::TracePlot), Page(KineticsControl::TraceReadout), 0.5, 0.5);
    const int scan = NumberAfter(point, "scan ");
    ASSERT_GT(scan, 1) << point;
    EXPECT_EQ(point, "scan " + std::to_string(scan) + " at " + std::to_string(3 * (scan - 1)) +
                         " s: " + wavelength + " " + std::to_string(CountsOf(scan - 1, pixel - 1)));

    // The same wavelength again is refused, and the list keeps it once.
    Click(spectrum, at, MK_CONTROL);
    EXPECT_EQ(::SendMessageW(Page(KineticsControl::Traced), CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(Text(Panel(PanelControl::Readout)), wavelength + " is traced already.");

    // Export trace writes the table beside the input.
    ::SendMessageW(Page(KineticsControl::ExportTrace), BM_CLICK, 0, 0);
    EXPECT_EQ(m_Suggested, (m_Dir / "series_trace.csv"));
    const std::string table = testing::ReadBytes((m_Dir / "table.csv"));
    EXPECT_EQ(table.rfind("scan,date_time,seconds,", 0), 0u) << table.substr(0, 80);
    EXPECT_NE(table.find("\r\n40,2026-12-07 09:01:57,117,"), std::string::npos);
    EXPECT_TRUE(m_Messages.empty());
}

TEST_F(Win32KineticsTest, AClickOnATracePointShowsThatScanInTheSpectrum) {
    // A wavelength typed, and Enter in its field.
    HWND field = Page(KineticsControl::Wavelength);
    ::SetWindowTextW(field, L"600");
    ::SetFocus(field);
    MSG enter{field, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    if (!::IsDialogMessageW(m_hWindow, &enter)) {
        ::DispatchMessageW(&enter);
    }
    EXPECT_EQ(Text(Page(KineticsControl::Traced)), "600.00 nm");
    EXPECT_EQ(Text(field), "");
    EXPECT_FALSE(m_pWindow->Result().has_value());
    // Nor does Enter in the pages' choosers end the window.
    for (const auto& [page, chooser] :
         {std::pair{1, KineticsControl::Traced}, std::pair{2, KineticsControl::Rows}}) {
        ChoosePage(page);
        ::SetFocus(Page(chooser));
        MSG key{Page(chooser), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
        if (!::IsDialogMessageW(m_hWindow, &key)) {
            ::DispatchMessageW(&key);
        }
        EXPECT_FALSE(m_pWindow->Result().has_value()) << page;
    }
    ChoosePage(0);
    ASSERT_TRUE(PumpUntil([&] { return PassesDone() && TraceFilled(); }));

    ChoosePage(1);
    HWND plot = Page(KineticsControl::TracePlot);
    for (const double across : {0.25, 0.75}) {
        SCOPED_TRACE(across);
        POINT at{};
        const std::string readout =
            ReadoutAt(plot, Page(KineticsControl::TraceReadout), across, 0.5, &at);
        const int scan = NumberAfter(readout, "scan ");
        ASSERT_GT(scan, 1) << readout;
        Click(plot, at);
        EXPECT_EQ(Text(Panel(PanelControl::ScanNumber)), std::to_string(scan));
        EXPECT_EQ(PageShown(), 0);
        EXPECT_TRUE(::IsWindowVisible(Panel(PanelControl::Plot)));
    }
}

TEST_F(Win32KineticsTest, TheMapFillsAndAClickOnItShowsThatScanAndACtrlClickTracesItsWavelength) {
    // Ctrl+Tab twice turns from the spectrum to the map.
    ::SetFocus(Panel(PanelControl::Quantity));
    CtrlKey(VK_TAB);
    EXPECT_EQ(PageShown(), 1);
    CtrlKey(VK_TAB);
    EXPECT_EQ(PageShown(), 2);
    EXPECT_TRUE(::IsWindowVisible(Page(KineticsControl::MapPlot)));
    EXPECT_FALSE(::IsWindowVisible(Panel(PanelControl::Plot)));

    ASSERT_TRUE(PumpUntil([&] { return PassesDone(); })) << Text(Page(KineticsControl::MapStatus));
    EXPECT_FALSE(::IsWindowEnabled(Page(KineticsControl::CancelMap)));
    EXPECT_FALSE(::IsWindowVisible(Page(KineticsControl::MapProgress)));
    EXPECT_EQ(Text(Page(KineticsControl::MapPlot)).rfind("Map: ", 0), 0u);

    HWND plot = Page(KineticsControl::MapPlot);
    POINT at{};
    // Scans run down the map: lower on it, a later scan.
    const std::string upper = ReadoutAt(plot, Page(KineticsControl::MapReadout), 0.4, 0.3);
    const std::string lower = ReadoutAt(plot, Page(KineticsControl::MapReadout), 0.4, 0.6, &at);
    const int scan = NumberAfter(lower, "scan ");
    ASSERT_GT(NumberAfter(upper, "scan "), 0) << upper;
    EXPECT_GT(scan, NumberAfter(upper, "scan ")) << lower;
    const int pixel = NumberAfter(lower, "pixel ");
    EXPECT_NE(lower.find(": " + std::to_string(CountsOf(scan - 1, pixel - 1))), std::string::npos)
        << lower;

    // With Ctrl the map stays and traces the wavelength; without, the spectrum comes forward.
    Click(plot, at, MK_CONTROL);
    EXPECT_EQ(Text(Panel(PanelControl::ScanNumber)), std::to_string(scan));
    EXPECT_EQ(PageShown(), 2);
    const std::size_t from = lower.find(", ") + 2;
    const std::string traced = lower.substr(from, lower.find(" nm") + 3 - from);
    EXPECT_EQ(Text(Page(KineticsControl::Traced)), traced);

    const std::string other = ReadoutAt(plot, Page(KineticsControl::MapReadout), 0.7, 0.2, &at);
    Click(plot, at);
    EXPECT_EQ(Text(Panel(PanelControl::ScanNumber)), std::to_string(NumberAfter(other, "scan ")));
    EXPECT_EQ(PageShown(), 0);
    EXPECT_TRUE(m_Messages.empty());
}

TEST_F(Win32KineticsTest, TheMapZoomsByDragWheelKeysAndRightClickAndResetZoomShowsItWhole) {
    ChoosePage(2);
    ASSERT_TRUE(PumpUntil([&] { return PassesDone(); })) << Text(Page(KineticsControl::MapStatus));
    HWND plot = Page(KineticsControl::MapPlot);
    HWND readout = Page(KineticsControl::MapReadout);
    RECT client{};
    ::GetClientRect(plot, &client);
    auto at = [&](double across, double down) {
        return POINT{static_cast<LONG>(across * client.right),
                     static_cast<LONG>(down * client.bottom)};
    };
    // The pixel across the middle of the map and further right, and the scan in its middle.
    auto pixelAt = [&](double across) {
        return NumberAfter(ReadoutAt(plot, readout, across, 0.5), "pixel ");
    };
    auto scanInMiddle = [&] { return NumberAfter(ReadoutAt(plot, readout, 0.5, 0.5), "scan "); };
    auto key = [&](WPARAM virtualKey, int times) {
        for (int i = 0; i < times; ++i) {
            ::SendMessageW(plot, WM_KEYDOWN, virtualKey, 0);
        }
    };
    const int middle = pixelAt(0.5);
    const int right = pixelAt(0.65);
    const int scan = scanInMiddle();
    ASSERT_GT(middle, 20);
    ASSERT_GT(right, middle + 6);
    ASSERT_GT(scan, 10);

    enum class Seen {
        kInsideDragged,
        kMagnifiedAboutRight,
        kMagnified,
        kReduced,
        kLater,
        kEarlier,
        kEarlierScans
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        Seen seen;
    };
    const std::vector<Case> cases = {
        {"a rectangle dragged",
         [&] {
             Mouse(plot, WM_LBUTTONDOWN, at(0.5, 0.4), MK_LBUTTON);
             Mouse(plot, WM_MOUSEMOVE, at(0.7, 0.6), MK_LBUTTON);
             Mouse(plot, WM_LBUTTONUP, at(0.7, 0.6));
         },
         Seen::kInsideDragged},
        {"the wheel forward",
         [&] {
             POINT screen = at(0.65, 0.5);
             ::ClientToScreen(plot, &screen);
             ::SendMessageW(plot, WM_MOUSEWHEEL, MAKEWPARAM(0, 3 * WHEEL_DELTA),
                            MAKELPARAM(screen.x, screen.y));
         },
         Seen::kMagnifiedAboutRight},
        {"the key +", [&] { key(VK_ADD, 3); }, Seen::kMagnified},
        {"the key = (+ without Shift)", [&] { key(VK_OEM_PLUS, 3); }, Seen::kMagnified},
        {"the key -", [&] { key(VK_SUBTRACT, 2); }, Seen::kReduced},
        {"a right click", [&] { Mouse(plot, WM_RBUTTONUP, at(0.3, 0.3)); }, Seen::kReduced},
        {"the right arrow", [&] { key(VK_RIGHT, 1); }, Seen::kLater},
        {"the left arrow", [&] { key(VK_LEFT, 1); }, Seen::kEarlier},
        {"the up arrow", [&] { key(VK_UP, 1); }, Seen::kEarlierScans},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        // Nothing was clicked: the spectrum stays behind the map.
        EXPECT_EQ(PageShown(), 2);
        const int nowMiddle = pixelAt(0.5);
        const int nowRight = pixelAt(0.65);
        switch (c.seen) {
            case Seen::kInsideDragged:
                EXPECT_GT(nowMiddle, middle);
                EXPECT_LT(nowMiddle, right);
                EXPECT_LT(nowRight - nowMiddle, (right - middle) / 2);
                break;
            case Seen::kMagnifiedAboutRight:
                EXPECT_NEAR(nowRight, right, 1);
                EXPECT_GT(nowMiddle, middle + 3);
                break;
            case Seen::kMagnified:
                EXPECT_NEAR(nowMiddle, middle, 2);
                EXPECT_LT(nowRight, right - 3);
                break;
            case Seen::kReduced:
                EXPECT_NEAR(nowMiddle, middle, 2);
                EXPECT_GT(nowRight, right + 3);
                break;
            case Seen::kLater:
                EXPECT_GT(nowMiddle, middle + 3);
                break;
            case Seen::kEarlier:
                EXPECT_LT(nowMiddle, middle - 3);
                break;
            case Seen::kEarlierScans:
                EXPECT_EQ(nowMiddle, middle);
                EXPECT_LT(scanInMiddle(), scan - 2);
                break;
        }
        // Reset zoom: the whole map again, whatever the zoom was.
        ::SendMessageW(Page(KineticsControl::MapResetZoom), BM_CLICK, 0, 0);
        EXPECT_EQ(pixelAt(0.5), middle);
        EXPECT_EQ(pixelAt(0.65), right);
        EXPECT_EQ(scanInMiddle(), scan);
    }

    // The pointer leaving the map brings its hint back.
    Mouse(plot, WM_MOUSELEAVE, {});
    EXPECT_EQ(Text(readout), kMapHint);
    EXPECT_TRUE(m_Messages.empty());
}

TEST_F(Win32KineticsTest, TypedWavelengthsAreTracedOrRefusedRemovedAndFollowTheQuantity) {
    HWND field = Page(KineticsControl::Wavelength);
    HWND traced = Page(KineticsControl::Traced);
    auto type = [&](const wchar_t* text) {
        ::SetWindowTextW(field, text);
        ::SendMessageW(Page(KineticsControl::AddWavelength), BM_CLICK, 0, 0);
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> traced;
        // The status line's start, or the plot's name's start.
        std::string status;
        std::string plotName;
    };
    const std::vector<Case> cases = {
        {"not a number", [&] { type(L"5o0"); }, {}, "\"5o0\" is not a wavelength", ""},
        {"beyond the file's wavelengths", [&] { type(L"900"); }, {}, "900.00 nm lies outside", ""},
        {"500", [&] { type(L"500"); }, {"500.00 nm"}, "", "Trace plot: Counts at 500.00 nm "},
        {"a decimal comma",
         [&] { type(L" 600,5 "); },
         {"500.00 nm", "600.50 nm"},
         "",
         "Trace plot: Counts at 500.00 nm, 600.50 nm "},
        {"the first removed",
         [&] {
             ::SendMessageW(traced, CB_SETCURSEL, 0, 0);
             ::SendMessageW(Page(KineticsControl::RemoveWavelength), BM_CLICK, 0, 0);
         },
         {"600.50 nm"},
         "",
         "Trace plot: Counts at 600.50 nm "},
        {"absorbance chosen for the spectrum",
         [&] {
             HWND box = Panel(PanelControl::Quantity);
             ::SendMessageW(box, CB_SETCURSEL, 3, 0);
             ::SendMessageW(m_hPanel, WM_COMMAND,
                            MAKEWPARAM(static_cast<int>(PanelControl::Quantity), CBN_SELCHANGE),
                            reinterpret_cast<LPARAM>(box));
         },
         {"600.50 nm"},
         "",
         "Trace plot: Absorbance at 600.50 nm "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        std::vector<std::string> listed;
        for (LRESULT i = 0; i < ::SendMessageW(traced, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t item[64] = {};
            ::SendMessageW(traced, CB_GETLBTEXT, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(item));
            listed.push_back(FromWide(item));
        }
        EXPECT_EQ(listed, c.traced);
        if (!c.status.empty()) {
            EXPECT_EQ(Text(Page(KineticsControl::TraceStatus)).rfind(c.status, 0), 0u)
                << Text(Page(KineticsControl::TraceStatus));
            EXPECT_EQ(::GetFocus(), field);
        } else {
            EXPECT_EQ(Text(field), "");
            ASSERT_TRUE(PumpUntil([&] { return PassesDone() && TraceFilled(); }));
            EXPECT_EQ(Text(Page(KineticsControl::TracePlot)).rfind(c.plotName, 0), 0u)
                << Text(Page(KineticsControl::TracePlot));
        }
    }
    // The map shows the quantity chosen too.
    EXPECT_NE(Text(Page(KineticsControl::MapPlot)).find("Absorbance"), std::string::npos)
        << Text(Page(KineticsControl::MapPlot));
    EXPECT_TRUE(m_Messages.empty());
}

TEST_F(Win32KineticsTest, SavePlotWritesTheTraceAndTheMapAsShown) {
    ::SetWindowTextW(Page(KineticsControl::Wavelength), L"500");
    ::SendMessageW(Page(KineticsControl::AddWavelength), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return PassesDone() && TraceFilled(); }));
    struct Case {
        KineticsControl button;
        std::string name;
        std::string suggested;
        std::vector<std::string> holds;
    };
    const std::vector<Case> cases = {
        {KineticsControl::SaveTracePlot,
         "trace.svg",
         "series_trace_counts.png",
         {"<svg ", ">500.00 nm</text>", ">Time since the first scan (s)</text>"}},
        {KineticsControl::SaveMapPlot,
         "map.svg",
         "series_map_counts.png",
         {"<svg ", "<image ", ">Wavelength (nm)</text>"}},
        {KineticsControl::SaveTracePlot, "trace.png", "series_trace_counts.png", {"\x89PNG"}},
        {KineticsControl::SaveMapPlot, "map.png", "series_map_counts.png", {"\x89PNG"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_SaveAs = c.name;
        ::SendMessageW(Page(c.button), BM_CLICK, 0, 0);
        EXPECT_EQ(m_Suggested, m_Dir / c.suggested);
        const std::string bytes = testing::ReadBytes(m_Dir / c.name);
        for (const std::string& text : c.holds) {
            EXPECT_NE(bytes.find(text), std::string::npos) << text;
        }
    }
    // Alt+V saves the plot of the page shown, whichever page's button has the letter too.
    for (const int page : {1, 2}) {
        SCOPED_TRACE(page);
        ChoosePage(page);
        m_Suggested.clear();
        m_SaveAs = "again.svg";
        MSG alt{
            ::GetFocus() != nullptr ? ::GetFocus() : m_hWindow, WM_SYSCHAR, L'v', 1 << 29, 0, {}};
        ::IsDialogMessageW(m_hWindow, &alt);
        EXPECT_EQ(m_Suggested,
                  m_Dir / (page == 1 ? "series_trace_counts.png" : "series_map_counts.png"));
    }

    // The map's PNG shows its colours, not a blank: around the middle of the picture, most
    // points are of the colour map (no grey of the background, the grid or the texts).
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    {
        Gdiplus::Bitmap picture(ToWide(m_Dir / "map.png").c_str());
        ASSERT_EQ(picture.GetLastStatus(), Gdiplus::Ok);
        const auto width = static_cast<INT>(picture.GetWidth());
        const auto height = static_cast<INT>(picture.GetHeight());
        int coloured = 0;
        for (int i = -2; i <= 2; ++i) {
            for (int j = -2; j <= 2; ++j) {
                Gdiplus::Color pixel;
                picture.GetPixel(width * 2 / 5 + i * width / 20, height / 2 + j * height / 20,
                                 &pixel);
                coloured += pixel.GetR() != pixel.GetG() || pixel.GetG() != pixel.GetB() ? 1 : 0;
            }
        }
        EXPECT_GE(coloured, 20);
    }
    Gdiplus::GdiplusShutdown(token);
    EXPECT_TRUE(m_Messages.empty());
}

TEST_F(Win32KineticsTest, AnotherFileLoadedMapsItAnewAndKeepsTheWavelengthsItHolds) {
    ::SetWindowTextW(Page(KineticsControl::Wavelength), L"500");
    ::SendMessageW(Page(KineticsControl::AddWavelength), BM_CLICK, 0, 0);
    // Loaded while the first file's passes may still run: they stop, the new ones start.
    SdfBuilder shorter(kPixels);
    shorter.ccd.fCal[0] = 400.0f;
    shorter.ccd.fCal[1] = 5.0f;
    shorter.AddScans(25);
    m_pWindow->Dialog().OnDropFiles({shorter.WriteTo(m_Dir / "shorter.sdf")});
    ASSERT_TRUE(PumpUntil([&] {
        return Text(Page(KineticsControl::MapStatus)) == "Map complete: 25 scans." &&
               Text(Page(KineticsControl::TracePlot)).find(" 25 of 25 scans") != std::string::npos;
    })) << Text(Page(KineticsControl::MapStatus));
    EXPECT_EQ(Text(Page(KineticsControl::Traced)), "500.00 nm");
    EXPECT_TRUE(m_Messages.empty());
}

}  // namespace
}  // namespace quillon
