// SPDX-License-Identifier: MIT
// The native Windows window, driven by window messages as a user's clicks, keys and drops
// arrive: the template as Windows lays it out, the start state, the system menu and its About
// command, dropped files, the open-file dialog, message boxes captioned with the program's
// name, the keys that end the dialog, and a conversion that writes the bytes the core writes.
#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "convert/convert_command.h"
#include "convert/output_naming.h"
#include "dialog/dialog_template.h"
#include "dialog/win32/win32_dialog_window.h"
#include "dialog/win32/win32_export_dialog.h"
#include "fake_log.h"
#include "platform/windows_system.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "temp_dir.h"
#include "win32_modal_answerer.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::FakeLog;
using testing::ModalAnswerer;
using testing::PressButton;
using testing::ReadBytes;
using testing::SdfBuilder;
using testing::SeenDialog;
using testing::TempDir;
using testing::WindowTextOf;

const std::string kDemo = std::string(QUILLON_EXAMPLES_DIR) + "/demo.sdf";
// The caption of the program's message boxes: this test program's name.
const std::wstring kProgramName = L"dialog_win32_tests";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A window of the dialog on the test's thread, with the system's own message boxes and
// open-file dialog (answered by a ModalAnswerer) and an About box that is only counted.
class Win32WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Win32Prompts prompts = Win32Prompts::Standard();
        prompts.about = [this](HWND owner) {
            ++m_nAboutBoxes;
            m_AboutOwner = owner;
        };
        m_pWindow = std::make_unique<Win32DialogWindow>(std::move(prompts));
        m_hWindow = m_pWindow->Create();
        ASSERT_NE(m_hWindow, nullptr);
    }

    HWND Window() const { return m_hWindow; }
    // The wait cursor is off: the cursor the user sees is not the hourglass.
    static bool NotWaiting() { return ::GetCursor() != ::LoadCursorW(nullptr, IDC_WAIT); }
    HWND Item(Control control) const { return m_pWindow->ControlHandle(control); }
    std::wstring TextOf(Control control) const { return WindowTextOf(Item(control)); }
    bool Checked(Control control) const {
        return ::SendMessageW(Item(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    bool Enabled(Control control) const { return ::IsWindowEnabled(Item(control)) != 0; }
    void Click(Control control) const { ::SendMessageW(Item(control), BM_CLICK, 0, 0); }

    // An answerer for the modal dialogs of one step, ignoring the window under test.
    std::unique_ptr<ModalAnswerer> Answer(std::vector<ModalAnswerer::Action> actions) const {
        auto answerer = std::make_unique<ModalAnswerer>(std::move(actions));
        answerer->Ignore(Window());
        return answerer;
    }

    // Drops files on a window as the shell does: a DROPFILES block with the wide names.
    static void Drop(HWND target, const std::vector<std::string>& paths) {
        std::wstring names;
        for (const std::string& path : paths) {
            names += ToWide(path);
            names.push_back(L'\0');
        }
        names.push_back(L'\0');
        const std::size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
        HGLOBAL memory = ::GlobalAlloc(GHND, size);
        auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(),
                    names.size() * sizeof(wchar_t));
        ::GlobalUnlock(memory);
        ::SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    }

    std::string WriteSdf(const std::string& name, int scans) {
        return SdfBuilder(4).AddScans(scans).WriteTo(m_Dir / name);
    }

    // Handles what has been posted to the test's thread as a dialog's message loop does (the
    // dialog manager and the controls post some keys and commands rather than sending them).
    void PumpMessages() const {
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (Window() == nullptr || !::IsDialogMessageW(Window(), &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
    }

    static ModalAnswerer::Action Press(int id) {
        return [id](HWND dialog) { PressButton(dialog, id); };
    }

    TempDir m_Dir;
    std::unique_ptr<Win32DialogWindow> m_pWindow;
    HWND m_hWindow = nullptr;
    int m_nAboutBoxes = 0;
    HWND m_AboutOwner = nullptr;
};

TEST_F(Win32WindowTest, ControlsStandWhereWindowsMapsTheTemplateValueByValue) {
    RECT units{0, 0, 4, 8};
    ASSERT_TRUE(::MapDialogRect(Window(), &units));
    const DialogBaseUnits base{units.right, units.bottom};
    RECT client{};
    ::GetClientRect(Window(), &client);
    const PixelRect size = MapDialogRect({0, 0, kMainDialogWidth, kMainDialogHeight}, base);
    // The window is as high as the template and wider: the spectrum plot stands at the right.
    EXPECT_GT(client.right, size.width);
    EXPECT_EQ(client.bottom, size.height);

    // Every child in creation order, group boxes included: the template's order.
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(Window(), GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    // The template's controls, the window's own "Export...", "Follow this folder" and "Convert
    // each new file", and the spectrum panel.
    ASSERT_EQ(children.size(), kMainDialogControls.size() + 4);
    EXPECT_EQ(::GetDlgCtrlID(children[kMainDialogControls.size()]), kExportButtonId);
    EXPECT_EQ(::GetDlgCtrlID(children[kMainDialogControls.size() + 1]),
              static_cast<int>(Control::FollowFolder));
    EXPECT_EQ(::GetDlgCtrlID(children[kMainDialogControls.size() + 2]),
              static_cast<int>(Control::ConvertEachNew));
    EXPECT_EQ(::GetDlgCtrlID(children.back()), kSpectrumPanelId);
    for (std::size_t i = 0; i < kMainDialogControls.size(); ++i) {
        const ControlTemplate& item = kMainDialogControls[i];
        SCOPED_TRACE(item.id);
        EXPECT_EQ(static_cast<int>(static_cast<short>(::GetDlgCtrlID(children[i]))), item.id);
        RECT rect{};
        ::GetWindowRect(children[i], &rect);
        ::MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&rect), 2);
        const PixelRect expected = MapDialogRect(item.rect, base);
        EXPECT_EQ((PixelRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}),
                  expected);
        const std::wstring type = testing::ClassOf(children[i]);
        const wchar_t* expectedType = item.kind == ControlKind::Label ? L"Static"
                                      : item.kind == ControlKind::ReadOnlyEdit ||
                                              item.kind == ControlKind::Edit ||
                                              item.kind == ControlKind::LogEdit
                                          ? L"Edit"
                                          : L"Button";
        EXPECT_EQ(_wcsicmp(type.c_str(), expectedType), 0) << ToWide(item.caption);
    }
}

TEST_F(Win32WindowTest, TheWindowIsASizableDialogWithoutMinimiseOrMaximiseThatTakesDrops) {
    EXPECT_EQ(WindowTextOf(Window()), L"QUILLON");
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(Window(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(Window(), GWL_EXSTYLE));
    EXPECT_NE(style & WS_CAPTION, 0u);
    EXPECT_NE(style & WS_SYSMENU, 0u);
    EXPECT_NE(style & WS_THICKFRAME, 0u);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0u);
    EXPECT_NE(exStyle & WS_EX_ACCEPTFILES, 0u);
    // The log scrolls both ways and does not take Enter; the path edit is read-only.
    const auto logStyle = static_cast<DWORD>(::GetWindowLongPtrW(Item(Control::Log), GWL_STYLE));
    EXPECT_NE(logStyle & ES_MULTILINE, 0u);
    EXPECT_NE(logStyle & WS_HSCROLL, 0u);
    EXPECT_NE(logStyle & WS_VSCROLL, 0u);
    EXPECT_EQ(logStyle & ES_WANTRETURN, 0u);
    const auto pathStyle =
        static_cast<DWORD>(::GetWindowLongPtrW(Item(Control::FilePath), GWL_STYLE));
    EXPECT_NE(pathStyle & ES_READONLY, 0u);
}

TEST_F(Win32WindowTest, StartsWithNoFileAllScopeAndClearOptions) {
    EXPECT_EQ(TextOf(Control::FilePath), L"No file was selected.");
    EXPECT_EQ(TextOf(Control::Log), L"No data to display.");
    EXPECT_EQ(TextOf(Control::ScanCount), L"Total number of scan data: N/A");
    EXPECT_EQ(TextOf(Control::OneFile), L"Convert data in multiple files");
    EXPECT_FALSE(Enabled(Control::Convert));
    EXPECT_TRUE(Checked(Control::ConvertAll));
    EXPECT_FALSE(Checked(Control::ConvertSelected));
    EXPECT_FALSE(Enabled(Control::Selection));
    for (Control box : {Control::OneFile, Control::WithPixel, Control::WithWavelength}) {
        EXPECT_FALSE(Checked(box));
    }
    // Tab goes through the enabled controls with a tab stop in template order, from "Close"
    // round to it (the radio buttons have none; the system may add the checked one), and the
    // tabs of the plot area and the plot (its other controls wait for a file).
    std::vector<int> order;
    HWND item = Item(Control::Close);
    do {
        const int id = ::GetDlgCtrlID(item);
        if (id != static_cast<int>(Control::ConvertAll)) {
            order.push_back(id);
        }
        item = ::GetNextDlgTabItem(Window(), item, FALSE);
    } while (item != nullptr && item != Item(Control::Close) && order.size() < 20);
    EXPECT_EQ(order, (std::vector<int>{1, 1000, 1001, 1005, 1008, 1006, 1009, 1115, 1111}));
}

TEST_F(Win32WindowTest, TheSystemMenuEndsWithAboutAndItsCommandOpensTheAboutBox) {
    HMENU menu = ::GetSystemMenu(Window(), FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), kIdmAboutBox);
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&About QUILLON...");
    MENUITEMINFOW separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoW(menu, static_cast<UINT>(count - 2), TRUE, &separator);
    EXPECT_NE(separator.fType & MFT_SEPARATOR, 0u);

    // 16 and anything up to 31: the system keeps the low four bits for itself.
    ::SendMessageW(Window(), WM_SYSCOMMAND, 16, 0);
    ::SendMessageW(Window(), WM_SYSCOMMAND, 31, 0);
    EXPECT_EQ(m_nAboutBoxes, 2);
    EXPECT_EQ(m_AboutOwner, Window());
    ::SendMessageW(Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(m_nAboutBoxes, 2);
    EXPECT_FALSE(m_pWindow->Result().has_value());
}

TEST_F(Win32WindowTest, ADroppedScanDataFileLoadsAndShowsItsScanCount) {
    const std::string path = WriteSdf("run1.sdf", 3);
    Drop(Window(), {path});
    EXPECT_EQ(FromWide(TextOf(Control::FilePath)), path);
    EXPECT_EQ(TextOf(Control::ScanCount), L"Total number of scan data: 3");
    EXPECT_TRUE(Enabled(Control::Convert));
    const std::string log = FromWide(TextOf(Control::Log));
    EXPECT_EQ(log.rfind("File" + path + " is opened properly.\r\n", 0), 0u);
    EXPECT_NE(log.find("\r\nTotal loaded data number = 3\r\nSDF file loading was done.\r\n"),
              std::string::npos);
}

TEST_F(Win32WindowTest, FollowThisFolderLoadsEachNewFileOnTheWindowsTimer) {
    EXPECT_FALSE(Enabled(Control::FollowFolder));
    Drop(Window(), {WriteSdf("first.sdf", 1)});
    ASSERT_TRUE(Enabled(Control::FollowFolder));
    Click(Control::FollowFolder);
    EXPECT_TRUE(Checked(Control::FollowFolder));
    EXPECT_TRUE(Enabled(Control::ConvertEachNew));
    const std::string fresh = WriteSdf("fresh.sdf", 3);
    for (int i = 0; i < 400 && FromWide(TextOf(Control::FilePath)) != fresh; ++i) {
        PumpMessages();
        ::Sleep(25);
    }
    EXPECT_EQ(FromWide(TextOf(Control::FilePath)), fresh);
    EXPECT_EQ(TextOf(Control::ScanCount), L"Total number of scan data: 3");
    Click(Control::FollowFolder);
    EXPECT_TRUE(
        EndsWith(FromWide(TextOf(Control::Log)), "Stopped following " + m_Dir.Path() + ".\r\n"));
}

TEST_F(Win32WindowTest, FilesDroppedOnThePathEditReachTheDialog) {
    Drop(Item(Control::FilePath), {WriteSdf("run1.sdf", 2)});
    EXPECT_EQ(TextOf(Control::ScanCount), L"Total number of scan data: 2");
}

TEST_F(Win32WindowTest, RefusedDropsAreToldInOkBoxesCaptionedWithTheProgramsName) {
    const std::string a = WriteSdf("a.sdf", 1);
    const std::string b = WriteSdf("b.sdf", 1);
    testing::WriteFile(m_Dir / "notes.txt", {'x'});
    auto answerer = Answer({Press(IDOK), Press(IDOK)});
    Drop(Window(), {a, b});
    Drop(Window(), {m_Dir / "notes.txt"});
    ASSERT_EQ(answerer->seen.size(), 2u);
    const std::wstring messages[] = {L"Please choose only one file...",
                                     L"The file is not sdf file..."};
    for (std::size_t i = 0; i < 2; ++i) {
        const SeenDialog& box = answerer->seen[i];
        EXPECT_EQ(box.caption, kProgramName);
        EXPECT_EQ(box.texts, std::vector<std::wstring>({messages[i]}));
        EXPECT_EQ(box.buttons, std::set<int>({IDOK}));
    }
    EXPECT_EQ(TextOf(Control::ScanCount), L"Total number of scan data: N/A");
    EXPECT_FALSE(Enabled(Control::Convert));
}

TEST_F(Win32WindowTest, APathLongerThanTwoHundredFiftyFourCharactersIsTakenWhole) {
    // Folders that take the path beyond MAX_PATH; the file is copied there by its wide name.
    std::string folder = m_Dir.Path();
    for (int i = 0; i < 3; ++i) {
        folder += "\\" + std::string(90, static_cast<char>('a' + i));
        ASSERT_TRUE(::CreateDirectoryW(WidePath(folder).c_str(), nullptr));
    }
    const std::string path = folder + "\\run1.sdf";
    ASSERT_GT(path.size(), 254u);
    ASSERT_TRUE(
        ::CopyFileW(WidePath(WriteSdf("short.sdf", 2)).c_str(), WidePath(path).c_str(), FALSE));
    Drop(Window(), {path});
    EXPECT_EQ(TextOf(Control::ScanCount), L"Total number of scan data: 2");
    EXPECT_EQ(FromWide(TextOf(Control::FilePath)), path);
}

TEST_F(Win32WindowTest, AFileThatCannotBeLoadedIsToldWithItsReason) {
    auto answerer = Answer({Press(IDOK)});
    Drop(Window(), {m_Dir / "missing.sdf"});
    ASSERT_EQ(answerer->seen.size(), 1u);
    EXPECT_EQ(answerer->seen[0].caption, kProgramName);
    EXPECT_EQ(answerer->seen[0].texts,
              std::vector<std::wstring>({ToWide("Could not load " + m_Dir / "missing.sdf" +
                                                ": No such file or directory")}));
    EXPECT_EQ(TextOf(Control::FilePath), L"No file was selected.");
    EXPECT_TRUE(NotWaiting());
}

TEST_F(Win32WindowTest, BrowseOffersTheTwoFileTypesAndLoadsTheSdfFileOfTheChosenName) {
    WriteSdf("run1.sdf", 4);
    testing::WriteFile(m_Dir / "run1.dat", {'x'});
    std::vector<std::wstring> types;
    auto answerer = Answer({[&](HWND dialog) {
        // The file-type list and the name field of the system's open-file dialog.
        HWND typeList = ::GetDlgItem(dialog, cmb1);
        const auto count = ::SendMessageW(typeList, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t item[128] = {};
            ::SendMessageW(typeList, CB_GETLBTEXT, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(item));
            types.push_back(item);
        }
        HWND name = ::GetDlgItem(dialog, cmb13);
        if (name == nullptr) {
            name = ::GetDlgItem(dialog, edt1);
        }
        ::SetWindowTextW(name, ToWide(m_Dir / "run1.dat").c_str());
        PressButton(dialog, IDOK);
    }});
    Click(Control::Browse);
    ASSERT_EQ(answerer->seen.size(), 1u);
    EXPECT_EQ(types, std::vector<std::wstring>({L"Scan Data file(*.sdf)", L"All files(*.*)"}));
    EXPECT_EQ(FromWide(TextOf(Control::FilePath)), m_Dir / "run1.sdf");
    EXPECT_EQ(TextOf(Control::ScanCount), L"Total number of scan data: 4");
}

TEST_F(Win32WindowTest, CancellingTheOpenFileDialogLoadsNothing) {
    auto answerer = Answer({Press(IDCANCEL)});
    Click(Control::Browse);
    EXPECT_EQ(answerer->seen.size(), 1u);
    EXPECT_EQ(TextOf(Control::FilePath), L"No file was selected.");
    EXPECT_FALSE(Enabled(Control::Convert));
}

TEST_F(Win32WindowTest, OneFileAndScopeClicksKeepTheirCaptionsAndStatesInStep) {
    Click(Control::OneFile);
    EXPECT_TRUE(Checked(Control::OneFile));
    EXPECT_EQ(TextOf(Control::OneFile), L"Convert data in one file");
    Click(Control::ConvertSelected);
    EXPECT_TRUE(Checked(Control::ConvertSelected));
    EXPECT_FALSE(Checked(Control::ConvertAll));
    EXPECT_TRUE(Enabled(Control::Selection));
    EXPECT_FALSE(Checked(Control::OneFile));
    EXPECT_EQ(TextOf(Control::OneFile), L"Convert data in multiple files");
    // One file is not offered for a selection: the tick is undone at once.
    Click(Control::OneFile);
    EXPECT_FALSE(Checked(Control::OneFile));
    Click(Control::ConvertAll);
    EXPECT_TRUE(Checked(Control::ConvertAll));
    EXPECT_FALSE(Checked(Control::ConvertSelected));
    EXPECT_FALSE(Enabled(Control::Selection));
}

TEST_F(Win32WindowTest, ConvertWritesTheBytesTheCoreWritesAndLogsEveryScan) {
    fs::copy_file(kDemo, m_Dir / "demo.sdf");
    Drop(Window(), {m_Dir / "demo.sdf"});
    Click(Control::WithPixel);
    Click(Control::WithWavelength);
    Click(Control::Convert);
    EXPECT_TRUE(NotWaiting());

    // The same file converted by the core alone, in a folder of its own.
    TempDir core;
    fs::copy_file(kDemo, core / "demo.sdf");
    FakeLog log;
    const ScanFile file = LoadScanFile(core / "demo.sdf", log);
    ConvertOptions options;
    options.withPixel = true;
    options.withWavelength = true;
    options.outputBase = OutputBaseName(core / "demo.sdf");
    ASSERT_TRUE(ConvertCommand(file, options, log).ok);

    std::map<std::string, std::string> fromWindow;
    std::map<std::string, std::string> fromCore;
    for (const auto& entry : fs::directory_iterator(m_Dir.Path())) {
        fromWindow[entry.path().filename().string()] = ReadBytes(entry.path().string());
    }
    for (const auto& entry : fs::directory_iterator(core.Path())) {
        fromCore[entry.path().filename().string()] = ReadBytes(entry.path().string());
    }
    EXPECT_EQ(fromWindow.size(), 9u);  // the input, three sections and five scans
    EXPECT_TRUE(fromWindow == fromCore);
    const std::string shown = FromWide(TextOf(Control::Log));
    EXPECT_TRUE(EndsWith(shown, "\r\n[5] of [5] Scan Data were converted.\r\n")) << shown;
}

TEST_F(Win32WindowTest, TheOverwriteQuestionIsAYesNoBoxAskedUnderTheWaitCursor) {
    fs::copy_file(kDemo, m_Dir / "demo.sdf");
    testing::WriteFile(m_Dir / "demo.txt", {'o', 'l', 'd'});
    Drop(Window(), {m_Dir / "demo.sdf"});
    Click(Control::OneFile);
    auto answerer = Answer({Press(IDNO)});
    Click(Control::Convert);
    ASSERT_EQ(answerer->seen.size(), 1u);
    const SeenDialog& question = answerer->seen[0];
    EXPECT_EQ(question.caption, kProgramName);
    EXPECT_EQ(question.buttons, std::set<int>({IDYES, IDNO}));
    ASSERT_EQ(question.texts.size(), 1u);
    EXPECT_EQ(question.texts[0].rfind(L"There is a same file in the calibration data folder", 0),
              0u);
    EXPECT_TRUE(question.waitCursor);
    EXPECT_TRUE(NotWaiting());
    // No keeps the old file and writes the first free numbered name.
    EXPECT_EQ(ReadBytes(m_Dir / "demo.txt"), "old");
    EXPECT_EQ(ReadBytes(m_Dir / "demo(0).txt").rfind("HEADER DATA\r\n", 0), 0u);
}

TEST_F(Win32WindowTest, TheLogHoldsALongConversionWhole) {
    // 3000 progress lines: far beyond the 32K characters an edit holds by default.
    SdfBuilder(0).AddScans(3000).WriteTo(m_Dir / "many.sdf");
    Drop(Window(), {m_Dir / "many.sdf"});
    Click(Control::OneFile);
    Click(Control::Convert);
    const std::string shown = FromWide(TextOf(Control::Log));
    EXPECT_GT(shown.size(), 100'000u);
    EXPECT_NE(shown.find("[1] of [3000] Scan Data were converted.\r\n"), std::string::npos);
    EXPECT_TRUE(EndsWith(shown, "\r\n[3000] of [3000] Scan Data were converted.\r\n"));
}

TEST_F(Win32WindowTest, CloseEnterInAnEditEscAndTheCloseBoxAllEndTheDialog) {
    Click(Control::Close);
    EXPECT_EQ(m_pWindow->Result(), 1);

    // Enter typed into the selection edit or the log, and Esc, as the dialog manager gets them.
    for (const auto& [control, key] :
         std::vector<std::pair<Control, WPARAM>>{{Control::Selection, VK_RETURN},
                                                 {Control::Log, VK_RETURN},
                                                 {Control::Log, VK_ESCAPE}}) {
        SetUp();
        if (control == Control::Selection) {
            Click(Control::ConvertSelected);
        }
        ::SetFocus(Item(control));
        MSG message{};
        message.hwnd = Item(control);
        message.message = WM_KEYDOWN;
        message.wParam = key;
        ::IsDialogMessageW(Window(), &message);
        PumpMessages();
        EXPECT_EQ(m_pWindow->Result(), 1) << static_cast<int>(control) << " key " << key;
    }
    SetUp();
    ::SendMessageW(Window(), WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_EQ(m_pWindow->Result(), 1);
}

TEST_F(Win32WindowTest, AFileGivenAtStartLoadsOnceTheWindowIsUp) {
    const std::string path = WriteSdf("start.sdf", 2);
    Win32DialogWindow window(Win32Prompts::Standard());
    window.OpenAtStart({path});
    ASSERT_NE(window.Create(), nullptr);
    PumpMessages();
    EXPECT_EQ(WindowTextOf(window.ControlHandle(Control::ScanCount)),
              L"Total number of scan data: 2");
    EXPECT_EQ(FromWide(WindowTextOf(window.ControlHandle(Control::FilePath))), path);
}

TEST(Win32FileTypes, TheTypeListEndsEachEntryAndTheListWithAZero) {
    const std::wstring list = FilterList({{"Scan Data file(*.sdf)", "*.sdf"}, {"All", "*.*"}});
    EXPECT_EQ(list, std::wstring(L"Scan Data file(*.sdf)\0*.sdf\0All\0*.*\0\0", 37));
}

}  // namespace
}  // namespace quillon
