// SPDX-License-Identifier: MIT
// Export... in the Windows window, driven by window messages: choices write what quillon-convert
// writes with the same options or are refused with their reason, the folder chooser starts in
// the folder chosen last, Tab reaches what the chosen formats use, every choice has a mnemonic.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialog/win32/win32_dialog_window.h"
#include "dialog/win32/win32_export_dialog.h"
#include "export/hdf5_export.h"
#include "export/xlsx_export.h"
#include "platform/windows_system.h"
#include "program_run.h"
#include "temp_dir.h"
#include "win32_modal_answerer.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::PressButton;
using Ec = ExportControl;

// What a user does to one control: a click, an entry picked from a chooser, or text typed.
struct Step {
    Ec control;
    int pick = -1;
    const char* text = nullptr;
};

void Apply(HWND dialog, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        const int id = static_cast<int>(step.control);
        HWND item = ::GetDlgItem(dialog, id);
        if (step.text != nullptr) {
            ::SetWindowTextW(item, ToWide(step.text).c_str());
        } else if (step.pick >= 0) {
            ::SendMessageW(item, CB_SETCURSEL, static_cast<WPARAM>(step.pick), 0);
            ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(item));
        } else {
            ::SendMessageW(item, BM_CLICK, 0, 0);
        }
    }
}

// The outputs in a folder (all but the input) by name, with their bytes, taken out of it.
std::map<std::string, std::string> TakeOutputs(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".sdf") {
            files[entry.path().filename().string()] = testing::ReadBytes(entry.path().string());
            fs::remove(entry.path());
        }
    }
    return files;
}

// A window with examples/demo.sdf loaded from in\, scans 1 and 3 chosen with wavelengths,
// whose folder chooser gives out\.
class Win32ExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_Dir / "in");
        m_strInput = m_Dir / "in\\demo.sdf";
        fs::copy_file(std::string(QUILLON_EXAMPLES_DIR) + "/demo.sdf", m_strInput);
        Win32Prompts prompts = Win32Prompts::Standard();
        prompts.message = [this](HWND, const std::string& text) { m_Messages.push_back(text); };
        prompts.chooseFolder = [this](HWND, const std::string& start) {
            m_FolderStarts.push_back(start);
            return std::optional<std::string>(m_Dir / "out");
        };
        m_pWindow = std::make_unique<Win32DialogWindow>(std::move(prompts));
        m_hWindow = m_pWindow->Create();
        ASSERT_NE(m_hWindow, nullptr);
        m_pWindow->Dialog().OnDropFiles({m_strInput});
        for (Control control : {Control::ConvertSelected, Control::WithWavelength}) {
            ::SendMessageW(m_pWindow->ControlHandle(control), BM_CLICK, 0, 0);
        }
        ::SetWindowTextW(m_pWindow->ControlHandle(Control::Selection), L"1,3");
    }

    // Opens the export dialog with "Export..."; `actions` answer it and what it opens.
    std::vector<testing::SeenDialog> Export(std::vector<testing::ModalAnswerer::Action> actions) {
        testing::ModalAnswerer answerer(std::move(actions));
        answerer.Ignore(m_hWindow);
        ::SendMessageW(::GetDlgItem(m_hWindow, kExportButtonId), BM_CLICK, 0, 0);
        return answerer.seen;
    }

    testing::TempDir m_Dir;
    std::string m_strInput;
    std::unique_ptr<Win32DialogWindow> m_pWindow;
    HWND m_hWindow = nullptr;
    std::vector<std::string> m_Messages;
    std::vector<std::string> m_FolderStarts;
};

struct ExportCase {
    std::vector<std::string> convertOptions;  // quillon-convert's, beside "-s 1,3 -w"
    std::vector<Step> steps;
    std::string refusal;  // a refused choice: the start of the message it shows
};

TEST_F(Win32ExportTest, ChoicesWriteWhatQuillonConvertWritesOrAreRefusedWithTheirReason) {
    std::vector<ExportCase> cases = {
        {{}, {}, ""},
        {{"--format", "text", "--format", "csv", "--format", "json", "--quantity", "absorbance",
          "--grid", "400:0.5:800", "--layout", "rows", "--delimiter", "tab", "--decimal-comma",
          "--bom"},
         {{Ec::Csv},
          {Ec::Json},
          {Ec::UseGrid},
          {Ec::DecimalComma},
          {Ec::ByteOrderMark},
          {Ec::Quantity, 3},
          {Ec::Grid, -1, " 400:0.5:800 "},
          {Ec::Layout, 1},
          {Ec::Delimiter, 2}},
         ""},
        // A decimal comma takes the semicolon, as --decimal-comma alone does.
        {{"--format", "csv", "--format", "text", "--decimal-comma"},
         {{Ec::Csv}, {Ec::DecimalComma}},
         ""},
        // Choose... checks "In folder", where the outputs then go.
        {{"--format", "csv", "--format", "text"}, {{Ec::Csv}, {Ec::ChooseFolder}}, ""},
        {{}, {{Ec::Csv}, {Ec::UseGrid}, {Ec::Grid, -1, "400:0.5"}}, "The wavelength grid: "},
        {{}, {{Ec::Csv}, {Ec::DecimalComma}, {Ec::Delimiter, 0}}, "A decimal comma"},
        // Choose... starts in the folder chosen before.
        {{}, {{Ec::ChooseFolder}, {Ec::Folder, -1, "  "}}, "Choose the folder"},
    };
    if (Hdf5Available()) {
        cases.push_back(
            {{"--format", "hdf5", "--compress"}, {{Ec::Text}, {Ec::Hdf5}, {Ec::Compress}}, ""});
    }
    if (XlsxAvailable()) {
        cases.push_back({{"--format", "xlsx", "--quantity", "transmittance"},
                         {{Ec::Text}, {Ec::Xlsx}, {Ec::Quantity, 2}},
                         ""});
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const ExportCase& test = cases[i];
        const bool intoFolder = std::any_of(test.steps.begin(), test.steps.end(), [](Step step) {
            return step.control == Ec::ChooseFolder;
        });
        const std::string outputs = intoFolder ? m_Dir / "out" : m_Dir / "in";
        std::map<std::string, std::string> expected;
        if (test.refusal.empty()) {
            std::vector<std::string> arguments = {"--quiet", "-s", "1,3", "-w", "-o", outputs};
            arguments.insert(arguments.end(), test.convertOptions.begin(),
                             test.convertOptions.end());
            arguments.push_back(m_strInput);
            const testing::ProgramRun run = testing::RunProgram(m_Dir.Path(), arguments);
            ASSERT_EQ(run.status, 0) << run.err;
            expected = TakeOutputs(outputs);
        }
        HWND exportDialog = nullptr;
        const auto seen = Export({[&](HWND dialog) {
                                      exportDialog = dialog;
                                      Apply(dialog, test.steps);
                                      PressButton(dialog, IDOK);
                                  },
                                  [&](HWND box) {
                                      PressButton(box, IDOK);
                                      PressButton(exportDialog, IDCANCEL);
                                  }});
        EXPECT_TRUE(m_Messages.empty()) << m_Messages.front();
        ASSERT_EQ(seen.size(), test.refusal.empty() ? 1u : 2u);
        if (test.refusal.empty()) {
            EXPECT_FALSE(expected.empty());
            EXPECT_TRUE(TakeOutputs(outputs) == expected);
        } else {
            ASSERT_EQ(seen[1].texts.size(), 1u);
            EXPECT_EQ(FromWide(seen[1].texts[0]).rfind(test.refusal, 0), 0u);
            EXPECT_TRUE(TakeOutputs(m_Dir / "in").empty());
        }
    }
    EXPECT_EQ(m_FolderStarts, (std::vector<std::string>{m_Dir / "in", m_Dir / "out"}));
}

TEST_F(Win32ExportTest, TabReachesWhatTheChosenFormatsUseAndEveryChoiceHasAMnemonicOfItsOwn) {
    // "Export..." follows the window's controls (the selection edit last, enabled here).
    HWND window = m_hWindow;
    EXPECT_EQ(::GetDlgCtrlID(
                  ::GetNextDlgTabItem(window, m_pWindow->ControlHandle(Control::Selection), FALSE)),
              kExportButtonId);
    const int hdf5 = Hdf5Available() ? 104 : 0;
    const int xlsx = XlsxAvailable() ? 105 : 0;
    // Steps taken one after the other, and the tab order after each (0: not there).
    const std::vector<std::pair<std::vector<Step>, std::vector<int>>> rows = {
        {{}, {101, 102, 103, hdf5, xlsx, 141, 144, IDOK, IDCANCEL}},
        {{{Ec::Text}}, {101, 102, 103, hdf5, xlsx, 141, 144, IDCANCEL}},
        {{{Ec::Csv}, {Ec::UseGrid}, {Ec::InFolder}, {Ec::Hdf5}},
         {101, 102, 103, hdf5, xlsx, 111, 112, 113, 121, 123, 124, 125, hdf5 == 0 ? 0 : 131, 142,
          143, 144, IDOK, IDCANCEL}},
    };
    // Alt + each letter, in an order where no tick disables a later control: the focus goes
    // to the control (from a label to the chooser after it).
    const std::vector<std::pair<wchar_t, Ec>> keys = {
        {L'j', Ec::Json},          {L'q', Ec::Quantity},    {L'w', Ec::UseGrid},
        {L'l', Ec::Layout},        {L'd', Ec::Delimiter},   {L'm', Ec::DecimalComma},
        {L'b', Ec::ByteOrderMark}, {L's', Ec::BesideInput}, {L'f', Ec::InFolder},
        {L't', Ec::Text},          {L'c', Ec::Csv}};
    Export({[&](HWND dialog) {
        for (const auto& [steps, order] : rows) {
            Apply(dialog, steps);
            std::vector<int> expected = order;
            std::erase(expected, 0);
            std::vector<int> seen;
            HWND item = ::GetDlgItem(dialog, 101);
            do {
                seen.push_back(::GetDlgCtrlID(item));
                item = ::GetNextDlgTabItem(dialog, item, FALSE);
            } while (item != ::GetDlgItem(dialog, 101) && seen.size() < 40);
            EXPECT_EQ(seen, expected);
        }
        for (const auto& [letter, control] : keys) {
            MSG key{::GetFocus(), WM_SYSCHAR, letter, 1 << 29, 0, {}};
            ::IsDialogMessageW(dialog, &key);
            EXPECT_EQ(::GetDlgCtrlID(::GetFocus()), static_cast<int>(control)) << char(letter);
        }
        PressButton(dialog, IDCANCEL);
    }});
}

}  // namespace
}  // namespace quillon
