// SPDX-License-Identifier: MIT
// quillon-convert at a Windows command line: UTF-16 arguments become UTF-8 names, wildcards
// that cmd.exe leaves alone are expanded, a path that starts with '/' is a file and no option,
// and the console gets CR LF lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/windows_system.h"
#include "program_run.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::ProgramRun;
using testing::ReadBytes;
using testing::RunProgram;
using testing::SdfBuilder;
using testing::TempDir;

const std::string kDemo = std::string(QUILLON_EXAMPLES_DIR) + "/demo.sdf";

// The names in a folder as the system lists them, sorted.
std::vector<std::wstring> WideNames(const std::string& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry{};
    HANDLE find = ::FindFirstFileW((ToWide(folder) + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") {
                names.push_back(name);
            }
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Copies a file to a UTF-8 path through the wide call, as a user's file manager would.
void CopyTo(const std::string& from, const std::string& to) {
    ASSERT_TRUE(::CopyFileW(ToWide(from).c_str(), ToWide(to).c_str(), FALSE)) << to;
}

TEST(WindowsCommandLine, AFileNamedInAnyScriptConvertsUnderItsOwnName) {
    TempDir dir;
    const std::string name = "Messung_\xC3\xA4\xC3\xB6\xC3\xBC_\xE6\x97\xA5\xE6\x9C\xAC";
    CopyTo(kDemo, dir.Path() + "\\" + name + ".sdf");
    const ProgramRun run = RunProgram(dir.Path(), {name + ".sdf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    // The log names the file in UTF-8.
    EXPECT_EQ(run.out.rfind("File" + name + ".sdf is opened properly.\n", 0), 0u);
    const std::wstring wide = L"Messung_\u00E4\u00F6\u00FC_\u65E5\u672C";
    EXPECT_EQ(
        WideNames(dir.Path()),
        std::vector<std::wstring>({wide + L".sdf", wide + L"_1of5.txt", wide + L"_2of5.txt",
                                   wide + L"_3of5.txt", wide + L"_4of5.txt", wide + L"_5of5.txt",
                                   wide + L"_Dark.txt", wide + L"_Ref.txt", wide + L"_Var.txt"}));
}

TEST(WindowsCommandLine, FoldersAndAnOutputFolderNamedInAnyScriptKeepTheirNames) {
    TempDir dir;
    const std::string input = "Daten_\xC3\xA4\xC3\xB6\xC3\xBC";     // Daten_äöü
    const std::string output = "Ausgabe_\xE6\x97\xA5\xE6\x9C\xAC";  // Ausgabe_日本
    ASSERT_TRUE(::CreateDirectoryW(ToWide(dir.Path() + "\\" + input).c_str(), nullptr));
    CopyTo(kDemo, dir.Path() + "\\" + input + "\\Messung_\xC3\xA9.sdf");  // Messung_é
    const ProgramRun run =
        RunProgram(dir.Path(), {"-q", "-r", "--format", "csv,json", "-o", output, input});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(WideNames(dir.Path() + "\\" + output),
              std::vector<std::wstring>({L"Messung_\u00E9.csv", L"Messung_\u00E9.json"}));
    // The JSON names the file it was made from as it is named.
    EXPECT_NE(ReadBytes(dir.Path() + "\\" + output + "\\Messung_\xC3\xA9.json")
                  .find("\"name\": \"Messung_\xC3\xA9.sdf\""),
              std::string::npos);
}

TEST(WindowsCommandLine, WildcardsAreExpandedToTheMatchingFilesInNameOrder) {
    TempDir dir;
    SdfBuilder b(2);
    b.AddScans(1);
    for (const char* name : {"b.sdf", "A.SDF", "c.sdfx", "notes.txt"}) {
        b.WriteTo(dir / name);
    }
    const ProgramRun run = RunProgram(dir.Path(), {"-q", "*.sdf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "2 files converted, 0 failed\n");
    // Names match as Windows matches them: case ignored, the whole name.
    for (const char* output : {"A_Var.txt", "b_Var.txt", "A_1of1.txt", "b_1of1.txt"}) {
        EXPECT_TRUE(std::filesystem::exists(dir / output)) << output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "c_Var.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "notes_Var.txt"));

    // In a folder given with the pattern, in name order (the log shows each file as named).
    const ProgramRun listed = RunProgram(dir.Path(), {"--dry-run", dir.Path() + "\\?.sdf"});
    EXPECT_EQ(listed.status, 0);
    const std::size_t a = listed.out.find("File" + dir.Path() + "\\A.SDF is opened properly.");
    const std::size_t b2 = listed.out.find("File" + dir.Path() + "\\b.sdf is opened properly.");
    EXPECT_NE(a, std::string::npos);
    EXPECT_NE(b2, std::string::npos);
    EXPECT_LT(a, b2);
}

TEST(WindowsCommandLine, AWildcardThatMatchesNothingIsReportedAsTheNameGiven) {
    TempDir dir;
    const ProgramRun run = RunProgram(dir.Path(), {"-q", "nothing*.sdf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("quillon-convert: nothing*.sdf: ", 0), 0u) << run.err;
}

TEST(WindowsCommandLine, APathStartingWithASlashIsAFileAndNotAWindowsStyleOption) {
    // The demo file without its drive: "/.../examples/demo.sdf" (wine finds such a path on
    // the build machine, Windows on the current drive).
    const std::string rooted = kDemo.substr(kDemo.find(':') + 1);
    ASSERT_EQ(rooted.front(), '/');
    TempDir dir;
    const ProgramRun run = RunProgram(dir.Path(), {"--dry-run", rooted});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("File" + rooted + " is opened properly.\n", 0), 0u);
    // An option spelled the Windows way is not one either: it is a file that is missing.
    CopyTo(kDemo, dir / "run1.sdf");
    const ProgramRun slashOption = RunProgram(dir.Path(), {"/q", "run1.sdf"});
    EXPECT_EQ(slashOption.status, 1);
    EXPECT_EQ(slashOption.err.rfind("quillon-convert: /q: ", 0), 0u) << slashOption.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "run1_5of5.txt"));
}

TEST(WindowsCommandLine, TheConsoleGetsCrLfLinesAndTheOutputFilesStayAsOnLinux) {
    TempDir dir;
    CopyTo(kDemo, dir / "demo.sdf");
    const ProgramRun run = RunProgram(dir.Path(), {"--version"});
    EXPECT_EQ(run.rawOut, "quillon-convert 1.0.0.1\r\n");
    const ProgramRun converted = RunProgram(dir.Path(), {"demo.sdf"});
    EXPECT_EQ(converted.rawOut.rfind("Filedemo.sdf is opened properly.\r\n", 0), 0u);
    // The text files keep exactly one CR before each LF.
    const std::string var = ReadBytes(dir / "demo_Var.txt");
    EXPECT_EQ(var.rfind("HEADER DATA\r\n", 0), 0u);
    EXPECT_EQ(var.find("\r\r"), std::string::npos);
}

}  // namespace
}  // namespace quillon
