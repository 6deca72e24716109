// SPDX-License-Identifier: MIT
// The spectrum plot of the native Windows window, driven by window messages as a user's typing,
// choices, clicks, drags, wheel turns and keys arrive: what the scan texts, the plot's name for
// screen readers and the readout under the pointer then say, and the pictures Save plot writes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialog/dialog_template.h"
#include "dialog/win32/win32_dialog_window.h"
#include "platform/windows_system.h"
#include "sdf_builder.h"
#include "temp_dir.h"
#include "win32_modal_answerer.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::SdfBuilder;
using testing::TempDir;
using testing::WindowTextOf;

const std::string kDemo = std::string(QUILLON_EXAMPLES_DIR) + "/demo.sdf";

// The window with examples/demo.sdf (5 scans of 2048 pixels) loaded and its plot painted.
class Win32PlotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Win32Prompts prompts = Win32Prompts::Standard();
        prompts.message = [this](HWND, const std::string& text) { m_Messages.push_back(text); };
        prompts.choosePlotFile = [this](HWND, const std::string& suggested) {
            m_Suggested = suggested;
            return m_SaveAs;
        };
        m_pWindow = std::make_unique<Win32DialogWindow>(std::move(prompts));
        m_hWindow = m_pWindow->Create();
        ASSERT_NE(m_hWindow, nullptr);
        m_hPanel = ::GetDlgItem(m_hWindow, kSpectrumPanelId);
        ASSERT_NE(m_hPanel, nullptr);
        fs::copy_file(kDemo, m_Dir / "demo.sdf", fs::copy_options::overwrite_existing);
        m_pWindow->Dialog().OnDropFiles({m_Dir / "demo.sdf"});
        // The panel as wide as a window on a full HD screen gives it (the test's screen is
        // narrower than the window's controls and the panel together).
        ::SetWindowPos(m_hPanel, nullptr, 0, 0, 760, 560, SWP_NOMOVE | SWP_NOZORDER);
    }

    HWND Item(PanelControl control) const {
        return ::GetDlgItem(m_hPanel, static_cast<int>(control));
    }
    std::string Text(PanelControl control) const { return FromWide(WindowTextOf(Item(control))); }
    void Click(PanelControl control) const { ::SendMessageW(Item(control), BM_CLICK, 0, 0); }
    // A key pressed in a control, as the dialog manager gets it from the message loop.
    void Key(PanelControl control, WPARAM key) const {
        ::SetFocus(Item(control));
        MSG message{};
        message.hwnd = Item(control);
        message.message = WM_KEYDOWN;
        message.wParam = key;
        do {
            if (!::IsDialogMessageW(m_hWindow, &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        } while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    }
    void TypeScan(const wchar_t* number) const {
        ::SetWindowTextW(Item(PanelControl::ScanNumber), number);
    }
    void ChooseQuantity(int index) const {
        HWND box = Item(PanelControl::Quantity);
        ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(::GetParent(box), WM_COMMAND,
                       MAKEWPARAM(static_cast<int>(PanelControl::Quantity), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(box));
    }

    // A point of the plot's axes, a share of their width across and half way down: the axes
    // are found as a user finds them, where the pointer reads values.
    POINT At(double across) {
        RECT client{};
        ::GetClientRect(Item(PanelControl::Plot), &client);
        const LONG y = client.bottom / 2;
        auto inside = [&](LONG x) {
            Mouse(WM_MOUSEMOVE, {x, y});
            return Text(PanelControl::Readout).find("pixel") != std::string::npos;
        };
        // The middle of the window is inside the axes; their edges lie between it and the
        // window's edges.
        LONG out = 0;
        LONG in = client.right / 2;
        while (in - out > 1) {
            const LONG mid = (in + out) / 2;
            (inside(mid) ? in : out) = mid;
        }
        const LONG left = in;
        in = client.right / 2;
        out = client.right;
        while (out - in > 1) {
            const LONG mid = (in + out) / 2;
            (inside(mid) ? in : out) = mid;
        }
        return {left + static_cast<LONG>(std::lround(across * (in - left))), y};
    }
    void Mouse(UINT message, POINT at, WPARAM keys = 0) const {
        ::SendMessageW(Item(PanelControl::Plot), message, keys, MAKELPARAM(at.x, at.y));
    }
    void Wheel(POINT at, int notches) const {
        ::ClientToScreen(Item(PanelControl::Plot), &at);
        ::SendMessageW(Item(PanelControl::Plot), WM_MOUSEWHEEL,
                       MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(notches * WHEEL_DELTA))),
                       MAKELPARAM(at.x, at.y));
    }
    void Drag(POINT from, POINT to) const {
        Mouse(WM_LBUTTONDOWN, from, MK_LBUTTON);
        Mouse(WM_MOUSEMOVE, to, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, to);
    }
    // What the readout says with the pointer at a share of the plot's width.
    std::string ReadoutAt(double across) {
        Mouse(WM_MOUSEMOVE, At(across));
        return Text(PanelControl::Readout);
    }
    // The pixel it names there.
    int PixelAt(double across) {
        const std::string text = ReadoutAt(across);
        const std::size_t at = text.find("pixel ");
        return at == std::string::npos ? -1 : std::stoi(text.substr(at + 6));
    }

    TempDir m_Dir;
    std::unique_ptr<Win32DialogWindow> m_pWindow;
    HWND m_hWindow = nullptr;
    HWND m_hPanel = nullptr;
    std::vector<std::string> m_Messages;
    std::optional<std::string> m_SaveAs;
    std::string m_Suggested;
};

std::string PlotName(const std::string& quantity, int scan) {
    return "Spectrum plot: " + quantity + " of scan " + std::to_string(scan) +
           " against wavelength in nm, with the dark and reference spectra";
}

TEST_F(Win32PlotTest, TabReachesThePanelsControlsAfterTheOthersAndAltKeysTheirMnemonics) {
    HWND window = m_hWindow;
    std::vector<int> order;
    HWND item = ::GetDlgItem(window, IDOK);
    do {
        order.push_back(::GetDlgCtrlID(item));
        item = ::GetNextDlgTabItem(window, item, FALSE);
    } while (item != nullptr && item != ::GetDlgItem(window, IDOK) && order.size() < 30);
    // (The system gives the checked radio button "Convert all data", 1010, a stop of its own;
    // "Export...", 1090, and "Follow this folder", 1091, follow the window's controls; "Convert
    // each new file", 1092, waits for following. The tabs of the plot area, 1115, stand before
    // the spectrum page's plot.)
    EXPECT_EQ(order,
              (std::vector<int>{1,    1000, 1001, 1002, 1005, 1008, 1006, 1009, 1010, 1090,
                                1091, 1102, 1107, 1108, 1109, 1110, 1115, 1111, 1113, 1114}));

    // Alt and the underlined letter, as the dialog manager gets them.
    auto alt = [&](wchar_t letter) {
        MSG message{};
        message.hwnd = ::GetFocus() != nullptr ? ::GetFocus() : window;
        message.message = WM_SYSCHAR;
        message.wParam = letter;
        message.lParam = 1 << 29;
        ::IsDialogMessageW(window, &message);
    };
    ::SetFocus(::GetDlgItem(window, IDOK));
    alt(L'q');
    EXPECT_EQ(::GetFocus(), Item(PanelControl::Quantity));
    alt(L's');
    EXPECT_EQ(::GetFocus(), Item(PanelControl::ScanNumber));
    alt(L'd');
    EXPECT_EQ(::SendMessageW(Item(PanelControl::ShowDark), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ReadoutAt(0.5).find("dark"), std::string::npos);
}

TEST_F(Win32PlotTest, TheChoosersAndBoxesChangeWhatThePlotShowsAndReadsOut) {
    EXPECT_EQ(Text(PanelControl::ScanNumber), "1");
    EXPECT_EQ(Text(PanelControl::ScanOf), "of 5");
    EXPECT_EQ(Text(PanelControl::ScanTexts),
              "HgAr lamp calibration \xE2\x80\x94 Integration 100 ms, average 1 \xE2\x80\x94 "
              "2026-12-07 09:00:00");
    EXPECT_EQ(Text(PanelControl::Plot), PlotName("Counts", 1));
    EXPECT_EQ(Text(PanelControl::Readout), "Point at the plot to read its values.");
    const std::string countsReadout = ReadoutAt(0.5);
    EXPECT_EQ(countsReadout.find(" nm, pixel "), 6u) << countsReadout;

    struct Case {
        const char* what;
        std::function<void()> act;
        const char* scanNumber;
        std::string plotName;
        // What the readout in the middle of the plot says after "pixel N": the curves named.
        std::vector<std::string> named;
        std::vector<std::string> notNamed;
    };
    const std::vector<Case> cases = {
        {"scan 3 typed",
         [&] { TypeScan(L"3"); },
         "3",
         PlotName("Counts", 3),
         {"; scan 3 ", "; dark ", "; reference "},
         {"scan 1"}},
        {"the up arrow in the number",
         [&] { Key(PanelControl::ScanNumber, VK_UP); },
         "4",
         PlotName("Counts", 4),
         {"; scan 4 "},
         {}},
        {"a number beyond the file, then Enter",
         [&] {
             TypeScan(L"9");
             Key(PanelControl::ScanNumber, VK_RETURN);
         },
         "4",
         PlotName("Counts", 4),
         {"; scan 4 "},
         {}},
        {"a number beyond the file, then Tab",
         [&] {
             TypeScan(L"0");
             Key(PanelControl::ScanNumber, VK_TAB);
         },
         "4",
         PlotName("Counts", 4),
         {"; scan 4 "},
         {}},
        {"absorbance chosen, then Enter in the quantity",
         [&] {
             ChooseQuantity(3);
             Key(PanelControl::Quantity, VK_RETURN);
         },
         "4",
         PlotName("Absorbance", 4),
         {"; scan 4 "},
         {}},
        {"the Scan box cleared",
         [&] { Click(PanelControl::ShowScan); },
         "4",
         PlotName("Absorbance", 4),
         {"; dark ", "; reference "},
         {"scan"}},
        {"the Dark and Reference boxes cleared, Scan ticked",
         [&] {
             Click(PanelControl::ShowDark);
             Click(PanelControl::ShowReference);
             Click(PanelControl::ShowScan);
         },
         "4",
         PlotName("Absorbance", 4),
         {"; scan 4 "},
         {"dark", "reference"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        EXPECT_EQ(Text(PanelControl::ScanNumber), c.scanNumber);
        EXPECT_EQ(Text(PanelControl::Plot), c.plotName);
        const std::string readout = ReadoutAt(0.5);
        for (const std::string& name : c.named) {
            EXPECT_NE(readout.find(name), std::string::npos) << readout;
        }
        for (const std::string& name : c.notNamed) {
            EXPECT_EQ(readout.find(name), std::string::npos) << readout;
        }
    }
    EXPECT_EQ(Text(PanelControl::ScanTexts),
              "HgAr lamp calibration \xE2\x80\x94 Integration 100 ms, average 1 \xE2\x80\x94 "
              "2026-12-07 09:00:03");
    EXPECT_EQ(Text(PanelControl::Quantity), "Absorbance");
    // Enter in the number did not end the dialog, and the pointer leaving the plot brings the
    // hint back.
    EXPECT_FALSE(m_pWindow->Result().has_value());
    ::SendMessageW(Item(PanelControl::Plot), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Text(PanelControl::Readout), "Point at the plot to read its values.");
}

TEST_F(Win32PlotTest, DragWheelKeysAndRightClickZoomAndResetZoomShowsTheWholeFileAgain) {
    // Unzoomed, the middle of the plot reads the middle of the 2048 pixels.
    const int middle = PixelAt(0.5);
    const int right = PixelAt(0.75);
    EXPECT_NEAR(middle, 1024, 40);
    EXPECT_GT(right, middle + 400);

    enum class Seen {
        kMagnifiedAboutMiddle,
        kReducedAboutMiddle,
        kMagnifiedAboutRight,
        kLater,
        kEarlier,
        kInsideDragged
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        Seen seen;
    };
    const std::vector<Case> cases = {
        {"a rectangle dragged",
         [&] {
             Drag(At(0.5), {At(0.75).x, At(0.75).y + 40});
         },
         Seen::kInsideDragged},
        {"the wheel forward", [&] { Wheel(At(0.75), 2); }, Seen::kMagnifiedAboutRight},
        {"the key +", [&] { Key(PanelControl::Plot, VK_ADD); }, Seen::kMagnifiedAboutMiddle},
        {"the key = (+ without Shift)", [&] { Key(PanelControl::Plot, VK_OEM_PLUS); },
         Seen::kMagnifiedAboutMiddle},
        {"the key -", [&] { Key(PanelControl::Plot, VK_SUBTRACT); }, Seen::kReducedAboutMiddle},
        {"a right click", [&] { Mouse(WM_RBUTTONUP, At(0.3)); }, Seen::kReducedAboutMiddle},
        {"the right arrow", [&] { Key(PanelControl::Plot, VK_RIGHT); }, Seen::kLater},
        {"the left arrow", [&] { Key(PanelControl::Plot, VK_LEFT); }, Seen::kEarlier},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        const int nowMiddle = PixelAt(0.5);
        const int nowRight = PixelAt(0.75);
        switch (c.seen) {
            case Seen::kInsideDragged:
                EXPECT_GT(nowMiddle, middle);
                EXPECT_LT(nowMiddle, right);
                EXPECT_LT(nowRight - nowMiddle, (right - middle) / 2);
                break;
            case Seen::kMagnifiedAboutRight:
                EXPECT_NEAR(nowRight, right, 2);
                EXPECT_GT(nowMiddle, middle + 50);
                break;
            case Seen::kMagnifiedAboutMiddle:
                EXPECT_NEAR(nowMiddle, middle, 2);
                EXPECT_LT(nowRight, right - 50);
                break;
            case Seen::kReducedAboutMiddle:
                EXPECT_NEAR(nowMiddle, middle, 2);
                EXPECT_GT(nowRight, right + 50);
                break;
            case Seen::kLater:
                EXPECT_GT(nowMiddle, middle + 50);
                break;
            case Seen::kEarlier:
                EXPECT_LT(nowMiddle, middle - 50);
                break;
        }
        // Reset zoom: the whole file again, whatever the zoom was.
        Click(PanelControl::ResetZoom);
        EXPECT_EQ(PixelAt(0.5), middle);
        EXPECT_EQ(PixelAt(0.75), right);
    }

    // Another scan and another quantity keep the wavelengths shown.
    Key(PanelControl::Plot, VK_ADD);
    const int zoomed = PixelAt(0.75);
    EXPECT_NE(zoomed, right);
    TypeScan(L"2");
    EXPECT_EQ(PixelAt(0.75), zoomed);
    ChooseQuantity(2);
    EXPECT_NEAR(PixelAt(0.75), zoomed, 2);
}

TEST_F(Win32PlotTest, SavePlotWritesThePlotShownAsPngOrSvgOrSaysWhyItCannot) {
    TypeScan(L"3");
    ChooseQuantity(3);
    RECT plot{};
    ::GetClientRect(Item(PanelControl::Plot), &plot);
    struct Case {
        std::string name;
        // The picture's first bytes, and texts it holds.
        std::string start;
        std::vector<std::string> holds;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"plot.png", "\x89PNG\r\n\x1A\n", {}, ""},
        {"plot.SVG",
         "<?xml",
         {"<svg ", ">demo.sdf</text>", ">Wavelength (nm)</text>", ">Absorbance</text>",
          ">Dark and reference (counts)</text>", ">Scan</text>", ">Reference</text>",
          "stroke=\"#1f5fbf\"", "stroke=\"#e07b00\""},
         ""},
        {"missing/plot.png", "", {}, "Could not save "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_Messages.clear();
        m_SaveAs = m_Dir / c.name;
        Click(PanelControl::SavePlot);
        EXPECT_EQ(m_Suggested, m_Dir / "demo_scan3_absorbance.png");
        if (!c.message.empty()) {
            ASSERT_EQ(m_Messages.size(), 1u);
            EXPECT_EQ(m_Messages[0].rfind(c.message + *m_SaveAs + ": ", 0), 0u) << m_Messages[0];
            EXPECT_FALSE(fs::exists(fs::path(*m_SaveAs)));
            continue;
        }
        EXPECT_TRUE(m_Messages.empty());
        const std::string bytes = testing::ReadBytes(*m_SaveAs);
        EXPECT_EQ(bytes.rfind(c.start, 0), 0u);
        for (const std::string& text : c.holds) {
            EXPECT_NE(bytes.find(text), std::string::npos) << text;
        }
        if (c.start[0] == '\x89') {
            // Twice the plot's pixels: the width and height of the PNG's IHDR, big-endian.
            auto at = [&bytes](std::size_t offset) {
                return (static_cast<unsigned char>(bytes[offset]) << 24) |
                       (static_cast<unsigned char>(bytes[offset + 1]) << 16) |
                       (static_cast<unsigned char>(bytes[offset + 2]) << 8) |
                       static_cast<unsigned char>(bytes[offset + 3]);
            };
            EXPECT_EQ(at(16), 2 * plot.right);
            EXPECT_EQ(at(20), 2 * plot.bottom);
        }
    }
    // Nothing but the pictures and the input: no temporary file stays behind.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_Dir.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"demo.sdf", "plot.SVG", "plot.png"}));
}

TEST_F(Win32PlotTest, AClickOnALegendEntryHidesAndShowsItsCurveWithItsBox) {
    // Where the legend's "Dark" stands: the saved SVG is laid out as the window shows the plot.
    m_SaveAs = m_Dir / "where.svg";
    Click(PanelControl::SavePlot);
    const std::string svg = testing::ReadBytes(*m_SaveAs);
    const std::size_t label = svg.find(">Dark</text>");
    ASSERT_NE(label, std::string::npos);
    const std::size_t element = svg.rfind("<text x=\"", label);
    const double x = std::stod(svg.substr(element + 9));
    const double y = std::stod(svg.substr(svg.find("y=\"", element) + 3));
    const POINT entry{static_cast<LONG>(x) + 4, static_cast<LONG>(y) - 4};
    for (const bool shown : {false, true}) {
        SCOPED_TRACE(shown);
        Mouse(WM_LBUTTONDOWN, entry, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, entry);
        EXPECT_EQ(::SendMessageW(Item(PanelControl::ShowDark), BM_GETCHECK, 0, 0),
                  shown ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(ReadoutAt(0.5).find("; dark ") != std::string::npos, shown);
    }
}

TEST_F(Win32PlotTest, AFileWithoutScansOrAFailedLoadLeaveThePanelWithoutAMessage) {
    const std::string none = SdfBuilder(4).AddScans(0).WriteTo(m_Dir / "none.sdf");
    struct Case {
        const char* what;
        std::string drop;
        const char* scanNumber;
        bool numberEnabled;
        std::string plotName;
        std::size_t messages;
    };
    const std::vector<Case> cases = {
        {"a file without scans", none, "none", false,
         "Spectrum plot: Counts of scan 0 against pixel number, with the dark and reference "
         "spectra",
         0},
        // The file held before stays loaded and shown; the load's failure has its own message.
        {"a file that cannot be loaded after demo.sdf", m_Dir / "missing.sdf", "1", true,
         PlotName("Counts", 1), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        m_Messages.clear();
        m_pWindow->Dialog().OnDropFiles({c.drop});
        EXPECT_EQ(Text(PanelControl::ScanNumber), c.scanNumber);
        EXPECT_EQ(::IsWindowEnabled(Item(PanelControl::ScanNumber)) != 0, c.numberEnabled);
        EXPECT_EQ(Text(PanelControl::Plot), c.plotName);
        EXPECT_EQ(m_Messages.size(), c.messages);
        EXPECT_TRUE(::IsWindowEnabled(Item(PanelControl::SavePlot)));
    }
}

TEST_F(Win32PlotTest, ThePanelFillsTheWindowRightOfTheControlsAsItsSizeChanges) {
    HWND window = m_hWindow;
    HWND log = m_pWindow->ControlHandle(Control::Log);
    auto rectOf = [window](HWND item) {
        RECT rect{};
        ::GetWindowRect(item, &rect);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    RECT beside{kMainDialogWidth, 19, 10, 7};  // the panel's left and top, right and bottom margins
    ::MapDialogRect(window, &beside);
    const RECT logBefore = rectOf(log);
    for (const int narrower : {40, 120}) {
        SCOPED_TRACE(narrower);
        RECT frame{};
        ::GetWindowRect(window, &frame);
        ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left - narrower,
                       frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{};
        ::GetClientRect(window, &client);
        const RECT panel = rectOf(m_hPanel);
        EXPECT_EQ(panel.left, beside.left);
        EXPECT_EQ(panel.top, beside.top);
        EXPECT_EQ(panel.right, client.right - beside.right);
        EXPECT_EQ(panel.bottom, client.bottom - beside.bottom);
        // The plot takes the panel's width; the documented controls stay where they are.
        EXPECT_EQ(rectOf(Item(PanelControl::Plot)).right, panel.right);
        const RECT logNow = rectOf(log);
        EXPECT_TRUE(::EqualRect(&logNow, &logBefore));
    }
}

}  // namespace
}  // namespace quillon
