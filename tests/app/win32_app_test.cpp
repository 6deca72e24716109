// SPDX-License-Identifier: MIT
// The Windows program quillon.exe: its About box, the resources the documentation gives (icon,
// version record, About command text, manifest), and a start with a scan data file that loads
// it and a close that ends the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "about_box.h"
#include "dialog/dialog_template.h"
#include "platform/windows_system.h"
#include "sdf_builder.h"
#include "temp_dir.h"
#include "win32_modal_answerer.h"

namespace quillon {
namespace {

using testing::ModalAnswerer;
using testing::PressButton;
using testing::TempDir;
using testing::WindowTextOf;

const std::string kWindowProgram = QUILLON_WINDOW_PATH;

TEST(AboutBox, ShowsTheIconTheNameWithItsVersionAndAnOkButtonThatEndsIt) {
    HICON icon = nullptr;
    RECT ok{};
    RECT units{0, 0, 4, 8};
    ModalAnswerer answerer({[&](HWND box) {
                                icon = reinterpret_cast<HICON>(
                                    ::SendDlgItemMessageW(box, 1000, STM_GETICON, 0, 0));
                                ::GetWindowRect(::GetDlgItem(box, IDOK), &ok);
                                ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&ok), 2);
                                ::MapDialogRect(box, &units);
                                PressButton(box, IDOK);
                            },
                            [](HWND box) { PressButton(box, IDCANCEL); }});
    RunAboutBox(nullptr);  // OK ends it
    RunAboutBox(nullptr);  // and so do Esc and the close box (IDCANCEL)
    ASSERT_EQ(answerer.seen.size(), 2u);
    EXPECT_EQ(answerer.seen[0].caption, L"About QUILLON");
    EXPECT_EQ(answerer.seen[0].texts, std::vector<std::wstring>({L"QUILLON, Version 1.0"}));
    EXPECT_EQ(answerer.seen[0].buttons, std::set<int>({IDOK}));
    // The program's icon (this test carries the program's resources).
    EXPECT_NE(icon, nullptr);
    const PixelRect expected = MapDialogRect(kAboutBoxOkRect, {units.right, units.bottom});
    EXPECT_EQ((PixelRect{ok.left, ok.top, ok.right - ok.left, ok.bottom - ok.top}), expected);
}

// The resources of the built quillon.exe, read without running it.
class ProgramResources : public ::testing::Test {
  protected:
    void SetUp() override {
        m_hModule = ::LoadLibraryExW(ToWide(kWindowProgram).c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_hModule, nullptr) << kWindowProgram;
    }
    void TearDown() override { ::FreeLibrary(m_hModule); }

    std::string Resource(LPCWSTR type, LPCWSTR name) const {
        HRSRC found = ::FindResourceW(m_hModule, name, type);
        if (found == nullptr) {
            return {};
        }
        const auto* data =
            static_cast<const char*>(::LockResource(::LoadResource(m_hModule, found)));
        return std::string(data, ::SizeofResource(m_hModule, found));
    }

    HMODULE m_hModule = nullptr;
};

TEST_F(ProgramResources, TheVersionRecordNamesQuillonOneZeroZeroOne) {
    DWORD ignored = 0;
    const std::wstring path = ToWide(kWindowProgram);
    std::vector<char> info(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(
        ::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);  // .0.1
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } strings[] = {
        {L"FileDescription", L"QUILLON"},      {L"FileVersion", L"1.0.0.1"},
        {L"ProductVersion", L"1.0.0.1"},       {L"InternalName", L"QUILLON.exe"},
        {L"OriginalFilename", L"QUILLON.exe"},
    };
    for (const auto& s : strings) {
        wchar_t* value = nullptr;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.name;
        ASSERT_TRUE(
            ::VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &size))
            << FromWide(s.name);
        EXPECT_STREQ(value, s.value);
    }
}

TEST_F(ProgramResources, TheIconHoldsSixteenToTwoHundredFiftySixPixels) {
    // The icon group: a 6-byte header, then 14 bytes per image with its width and height
    // (0 stands for 256).
    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(128));
    ASSERT_GE(group.size(), 6u);
    const auto count = static_cast<unsigned char>(group[4]);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::vector<int> sizes;
    for (unsigned i = 0; i < count; ++i) {
        const int width = static_cast<unsigned char>(group[6 + 14 * i]);
        sizes.push_back(width == 0 ? 256 : width);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 256}));
}

TEST_F(ProgramResources, TheAboutCommandsTextAndTheManifestAreThere) {
    wchar_t text[64] = {};
    ASSERT_GT(::LoadStringW(m_hModule, 101, text, 64), 0);
    EXPECT_STREQ(text, L"&About QUILLON...");
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    for (const char* part : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                             "PerMonitorV2", "level=\"asInvoker\"", "uiAccess=\"false\""}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
}

// The text of a control of another process: GetWindowText gives only the caption the system
// keeps, which an edit control does not use, so the control is asked.
std::wstring ControlText(HWND control) {
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, &length);
    return std::wstring(text, length);
}

// The top-level window of a process with the given caption, once it shows.
HWND WaitForWindow(DWORD process, const std::wstring& caption) {
    struct Search {
        DWORD process;
        const std::wstring* caption;
        HWND found;
    } search{process, &caption, nullptr};
    for (int tries = 0; tries < 300 && search.found == nullptr; ++tries) {
        ::EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                if (owner == s->process && ::IsWindowVisible(window) &&
                    WindowTextOf(window) == *s->caption) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        ::Sleep(50);
    }
    return search.found;
}

TEST(WindowProgram, OpensTheFileItIsStartedWithAndEndsWhenItsWindowCloses) {
    TempDir dir;
    const std::string file = testing::SdfBuilder(2).AddScans(3).WriteTo(dir / "run1.sdf");
    std::wstring command = L"\"" + ToWide(kWindowProgram) + L"\" \"" + ToWide(file) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 ToWide(dir.Path()).c_str(), &startup, &process));
    HWND window = WaitForWindow(process.dwProcessId, L"QUILLON");
    ASSERT_NE(window, nullptr);
    // The file loads once the window is up.
    std::wstring label;
    for (int tries = 0; tries < 100; ++tries) {
        label = ControlText(::GetDlgItem(window, 1013));
        if (label != L"Total number of scan data: N/A") {
            break;
        }
        ::Sleep(50);
    }
    EXPECT_EQ(label, L"Total number of scan data: 3");
    EXPECT_EQ(ControlText(::GetDlgItem(window, 1000)), ToWide(file));

    // The close box ends the dialog, and the program with it.
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace quillon
