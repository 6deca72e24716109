// SPDX-License-Identifier: MIT
// Export... in the native Windows window, driven by window messages: choices set in the
// export dialog write byte for byte what quillon-convert writes with the same options, refused
// choices say why and write nothing, what each format enables, keyboard access, and the output
// folder kept for the next export.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialog/win32/win32_dialog_window.h"
#include "dialog/win32/win32_export_dialog.h"
#include "export/hdf5_export.h"
#include "platform/windows_system.h"
#include "program_run.h"
#include "sdf_builder.h"
#include "temp_dir.h"
#include "win32_modal_answerer.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ModalAnswerer;
using testing::PressButton;
using testing::TempDir;
using testing::WindowTextOf;
using Ec = ExportControl;

HWND ItemOf(HWND dialog, Ec control) {
    return ::GetDlgItem(dialog, static_cast<int>(control));
}
void Click(HWND dialog, Ec control) {
    ::SendMessageW(ItemOf(dialog, control), BM_CLICK, 0, 0);
}
bool Enabled(HWND dialog, Ec control) {
    return ::IsWindowEnabled(ItemOf(dialog, control)) != 0;
}
// Picks an entry of a chooser as a user does: the selection changes, the dialog is told.
void Pick(HWND dialog, Ec control, int index) {
    ::SendMessageW(ItemOf(dialog, control), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<int>(control), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(ItemOf(dialog, control)));
}
void Type(HWND dialog, Ec control, const std::string& text) {
    ::SetWindowTextW(ItemOf(dialog, control), ToWide(text).c_str());
}
// Alt + a letter as the dialog manager gets it from the focused control.
void AltKey(HWND dialog, wchar_t letter) {
    MSG message{};
    message.hwnd = ::GetFocus() != nullptr ? ::GetFocus() : dialog;
    message.message = WM_SYSCHAR;
    message.wParam = letter;
    message.lParam = 1 << 29;
    ::IsDialogMessageW(dialog, &message);
}

std::map<std::string, std::string> FilesIn(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".sdf") {
            files[entry.path().filename().string()] = testing::ReadBytes(entry.path().string());
        }
    }
    return files;
}

class Win32ExportTest : public ::testing::Test {
  protected:
    // A file of 6 pixels, a rising calibration and 3 scans in in/, loaded into a new window
    // whose folder chooser gives out/.
    void Open(const std::function<void(Win32DialogWindow&)>& setUp = nullptr) {
        m_pWindow.reset();
        m_pDir = std::make_unique<TempDir>();
        m_Messages.clear();
        testing::SdfBuilder sdf(6);
        sdf.ccd.fCal[0] = 350.25f;
        sdf.ccd.fCal[1] = 0.75f;
        sdf.ccd.fCal[2] = 1.5e-3f;
        sdf.dark = {100.5f, 100.0f, 100.0f, 90.0f, 80.0f, 0.0f};
        sdf.ref = {2100.0f, 1100.0f, 100.0f, 4000.0f, 5000.0f, 65535.0f};
        sdf.AddScan({"Hg lamp \xE9", "fibre 2", "2024-03-01 10:15:02", {600, 50, 300, 90, 7, 0}});
        sdf.AddScan({"", "", "", {2100, 1100, 100, 4000, 5000, 65535}});
        sdf.AddScan({"third", "", "", {-5, 2147483647, 1000, 100, 100, 1}});
        fs::create_directories(Dir() / "in");
        m_strInput = sdf.WriteTo(Dir() / "in\\run.sdf");
        Win32Prompts prompts = Win32Prompts::Standard();
        prompts.message = [this](HWND, const std::string& text) { m_Messages.push_back(text); };
        prompts.chooseFolder = [this](HWND, const std::string& start) {
            m_FolderStarts.push_back(start);
            return std::optional<std::string>(*m_pDir / "out");
        };
        m_pWindow = std::make_unique<Win32DialogWindow>(std::move(prompts));
        ASSERT_NE(m_pWindow->Create(), nullptr);
        m_pWindow->Dialog().OnDropFiles({m_strInput});
        if (setUp) {
            setUp(*m_pWindow);
        }
    }

    // Opens the export dialog with "Export..." and lets `actions` answer it and what it opens.
    std::vector<testing::SeenDialog> Export(std::vector<ModalAnswerer::Action> actions) {
        ModalAnswerer answerer(std::move(actions));
        answerer.Ignore(m_pWindow->Handle());
        ::SendMessageW(::GetDlgItem(m_pWindow->Handle(), kExportButtonId), BM_CLICK, 0, 0);
        return answerer.seen;
    }

    const TempDir& Dir() const { return *m_pDir; }

    std::unique_ptr<TempDir> m_pDir;
    std::string m_strInput;
    std::unique_ptr<Win32DialogWindow> m_pWindow;
    std::vector<std::string> m_Messages;
    std::vector<std::string> m_FolderStarts;
};

struct ExportCase {
    const char* name;
    std::vector<std::string> convertOptions;  // quillon-convert's for the same export
    std::function<void(HWND dialog)> choose;
    std::string refusal;  // a refused choice: the start of the message it shows
    bool intoFolder = false;
};

TEST_F(Win32ExportTest, ChoicesWriteWhatQuillonConvertWritesOrAreRefusedWithTheirReason) {
    const bool hdf5 = Hdf5Available();
    std::vector<std::string> everything = {
        "--format", "text",       "--format",    "csv",    "--format",
        "json",     "--quantity", "absorbance",  "--grid", "350.5:0.25:353.5",
        "--layout", "rows",       "--delimiter", "tab",    "--decimal-comma",
        "--bom"};
    if (hdf5) {
        everything.insert(everything.end(), {"--format", "hdf5", "--compress"});
    }
    const std::vector<ExportCase> cases = {
        {"quillon-convert's defaults", {}, [](HWND) {}, "", false},
        {"every choice", everything,
         [hdf5](HWND dialog) {
             for (Ec box : {Ec::Csv, Ec::Json, Ec::UseGrid, Ec::DecimalComma, Ec::ByteOrderMark}) {
                 Click(dialog, box);
             }
             if (hdf5) {
                 Click(dialog, Ec::Hdf5);
                 Click(dialog, Ec::Compress);
             }
             Pick(dialog, Ec::Quantity, 3);
             Type(dialog, Ec::Grid, " 350.5:0.25:353.5 ");
             Pick(dialog, Ec::Layout, 1);
             Pick(dialog, Ec::Delimiter, 2);
         },
         "", false},
        {"CSV into the chosen folder",
         {"--format", "csv", "--format", "text"},
         [](HWND dialog) {
             Click(dialog, Ec::Csv);
             Click(dialog, Ec::ChooseFolder);
         },
         "",
         true},
        {"a grid that is not START:STEP:END",
         {},
         [](HWND dialog) {
             Click(dialog, Ec::Csv);
             Click(dialog, Ec::UseGrid);
             Type(dialog, Ec::Grid, "400:0.5");
         },
         "The wavelength grid: ",
         false},
        {"a decimal comma with the comma delimiter",
         {},
         [](HWND dialog) {
             Click(dialog, Ec::Csv);
             Click(dialog, Ec::DecimalComma);
             Pick(dialog, Ec::Delimiter, 0);
         },
         "A decimal comma",
         false},
        {"into a folder left empty",
         {},
         [](HWND dialog) {
             Click(dialog, Ec::InFolder);
             Type(dialog, Ec::Folder, "  ");
         },
         "Choose the folder",
         false},
    };
    for (const ExportCase& test : cases) {
        SCOPED_TRACE(test.name);
        Open([](Win32DialogWindow& window) {
            // Scans 1 and 3 with wavelengths, as "-s 1,3 -w" asks.
            ::SendMessageW(window.ControlHandle(Control::ConvertSelected), BM_CLICK, 0, 0);
            ::SetWindowTextW(window.ControlHandle(Control::Selection), L"1,3");
            ::SendMessageW(window.ControlHandle(Control::WithWavelength), BM_CLICK, 0, 0);
        });
        const std::string outputs = test.intoFolder ? Dir() / "out" : Dir() / "in";
        std::map<std::string, std::string> expected;
        if (test.refusal.empty()) {
            std::vector<std::string> arguments = {"--quiet", "-s", "1,3", "-w"};
            arguments.insert(arguments.end(), test.convertOptions.begin(),
                             test.convertOptions.end());
            if (test.intoFolder) {
                arguments.insert(arguments.end(), {"-o", outputs});
            }
            arguments.push_back(m_strInput);
            const testing::ProgramRun run = testing::RunProgram(Dir().Path(), arguments);
            ASSERT_EQ(run.status, 0) << run.err;
            expected = FilesIn(outputs);
            for (const auto& [name, bytes] : expected) {
                fs::remove(fs::path(outputs) / name);
            }
        }
        HWND exportDialog = nullptr;
        const std::vector<testing::SeenDialog> seen = Export({
            [&](HWND dialog) {
                exportDialog = dialog;
                test.choose(dialog);
                PressButton(dialog, IDOK);
            },
            [&](HWND box) {
                PressButton(box, IDOK);
                PressButton(exportDialog, IDCANCEL);
            },
        });
        EXPECT_TRUE(m_Messages.empty()) << m_Messages.front();
        ASSERT_EQ(seen.size(), test.refusal.empty() ? 1u : 2u);
        EXPECT_EQ(seen[0].caption, L"Export");
        if (test.refusal.empty()) {
            EXPECT_FALSE(expected.empty());
            EXPECT_TRUE(FilesIn(outputs) == expected);
        } else {
            ASSERT_EQ(seen[1].texts.size(), 1u);
            EXPECT_EQ(FromWide(seen[1].texts[0]).rfind(test.refusal, 0), 0u) << seen[1].texts[0];
            EXPECT_TRUE(FilesIn(Dir() / "in").empty());
        }
    }
}

TEST_F(Win32ExportTest, EachFormatEnablesTheChoicesItUses) {
    Open();
    Export({[](HWND dialog) {
        EXPECT_EQ(WindowTextOf(ItemOf(dialog, Ec::Scans)),
                  L"Scans: all 3 scans (as chosen in the window).");
        for (Ec control : {Ec::Quantity, Ec::UseGrid, Ec::Layout, Ec::Compress, Ec::Folder}) {
            EXPECT_FALSE(Enabled(dialog, control)) << static_cast<int>(control);
        }
        Click(dialog, Ec::Json);
        EXPECT_FALSE(Enabled(dialog, Ec::Quantity));
        Click(dialog, Ec::Csv);
        for (Ec control : {Ec::Quantity, Ec::UseGrid, Ec::Layout, Ec::Delimiter, Ec::DecimalComma,
                           Ec::ByteOrderMark}) {
            EXPECT_TRUE(Enabled(dialog, control)) << static_cast<int>(control);
        }
        EXPECT_FALSE(Enabled(dialog, Ec::Grid));
        Click(dialog, Ec::UseGrid);
        EXPECT_TRUE(Enabled(dialog, Ec::Grid));
        // A decimal comma takes the semicolon.
        Click(dialog, Ec::DecimalComma);
        EXPECT_EQ(::SendMessageW(ItemOf(dialog, Ec::Delimiter), CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(Enabled(dialog, Ec::Hdf5), Hdf5Available());
        Click(dialog, Ec::Hdf5);
        EXPECT_EQ(Enabled(dialog, Ec::Compress), Hdf5Available());
        Click(dialog, Ec::InFolder);
        EXPECT_TRUE(Enabled(dialog, Ec::Folder));
        // Without any format there is nothing to export.
        for (Ec box : {Ec::Text, Ec::Csv, Ec::Json, Ec::Hdf5}) {
            if (::IsDlgButtonChecked(dialog, static_cast<int>(box)) == BST_CHECKED) {
                Click(dialog, box);
            }
        }
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, IDOK)));
        PressButton(dialog, IDCANCEL);
    }});
}

TEST_F(Win32ExportTest, EveryControlIsReachedByTabAndByAMnemonicOfItsOwn) {
    Open();
    HWND window = m_pWindow->Handle();
    // "Export..." comes last in the window's tab order, before it starts again at "Close".
    HWND item = ::GetNextDlgTabItem(window, ::GetDlgItem(window, IDOK), TRUE);
    EXPECT_EQ(::GetDlgCtrlID(item), kExportButtonId);

    const auto seen = Export({[](HWND dialog) {
        for (Ec box : {Ec::Csv, Ec::Hdf5, Ec::UseGrid, Ec::InFolder}) {
            Click(dialog, box);
        }
        const int hdf5 = Hdf5Available() ? 104 : 0;
        std::vector<int> order;
        HWND control = ItemOf(dialog, Ec::Text);
        do {
            order.push_back(::GetDlgCtrlID(control));
            control = ::GetNextDlgTabItem(dialog, control, FALSE);
        } while (control != ItemOf(dialog, Ec::Text) && order.size() < 40);
        std::vector<int> expected = {101, 102, 103, hdf5, 111, 112, 113,  121,     123,
                                     124, 125, 131, 142,  143, 144, IDOK, IDCANCEL};
        std::erase(expected, 0);
        if (hdf5 == 0) {
            std::erase(expected, 131);
        }
        EXPECT_EQ(order, expected);
        // Alt + each letter: the focus goes to the control (a label's to the chooser after it);
        // check boxes are toggled and toggled back.
        const std::vector<std::pair<wchar_t, Ec>> keys = {
            {L't', Ec::Text},        {L'c', Ec::Csv},          {L'j', Ec::Json},
            {L'q', Ec::Quantity},    {L'w', Ec::UseGrid},      {L'l', Ec::Layout},
            {L'd', Ec::Delimiter},   {L'm', Ec::DecimalComma}, {L'b', Ec::ByteOrderMark},
            {L's', Ec::BesideInput}, {L'f', Ec::InFolder}};
        for (const auto& [letter, target] : keys) {
            const bool box =
                (::GetWindowLongPtrW(ItemOf(dialog, target), GWL_STYLE) & 0xF) == BS_AUTOCHECKBOX;
            for (int press = 0; press < (box ? 2 : 1); ++press) {
                AltKey(dialog, letter);
                EXPECT_EQ(::GetFocus(), ItemOf(dialog, target)) << static_cast<char>(letter);
            }
        }
        PressButton(dialog, IDCANCEL);
    }});
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(Win32ExportTest, TheFolderChosenLastIsWhereTheNextExportStarts) {
    Open();
    Export({[](HWND dialog) {
        Click(dialog, Ec::ChooseFolder);
        EXPECT_EQ(::IsDlgButtonChecked(dialog, static_cast<int>(Ec::InFolder)), BST_CHECKED);
        PressButton(dialog, IDCANCEL);
    }});
    std::wstring shown;
    Export({[&shown](HWND dialog) {
        shown = WindowTextOf(ItemOf(dialog, Ec::Folder));
        Click(dialog, Ec::ChooseFolder);
        PressButton(dialog, IDCANCEL);
    }});
    EXPECT_EQ(FromWide(shown), Dir() / "out");
    EXPECT_EQ(m_FolderStarts, (std::vector<std::string>{Dir() / "in", Dir() / "out"}));
}

}  // namespace
}  // namespace quillon
