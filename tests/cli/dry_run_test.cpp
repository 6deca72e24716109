// SPDX-License-Identifier: MIT
// quillon-convert --dry-run: each file is loaded and its load log printed, and nothing is
// converted or written; the exit status says whether every file loaded whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fake_log.h"
#include "program_run.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::FakeLog;
using testing::ProgramRun;
using testing::RunProgram;
using testing::SdfBuilder;
using testing::TempDir;

// The names in a folder.
std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The load log of a file as the window shows it, with CR LF line ends as the terminal gets them.
std::string LoadLogAsPrinted(const std::string& dir, const std::string& name) {
    FakeLog log;
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    LoadScanFile(name, log);
    fs::current_path(previous);
    std::string printed;
    for (char c : log.log) {
        if (c != '\r') {
            printed += c;
        }
    }
    return printed;
}

TEST(DryRun, HelpDescribesTheOption) {
    const ProgramRun run = RunProgram("/", {"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--dry-run"), std::string::npos);
    EXPECT_NE(run.out.find("write nothing"), std::string::npos);
}

TEST(DryRun, LoadsEveryFilePrintsItsLogAndWritesNothing) {
    TempDir dir;
    SdfBuilder(16).AddScans(3).WriteTo(dir / "first.sdf");
    SdfBuilder(0).AddScans(2).WriteTo(dir / "second.sdf");
    // A name without a '.' gives no output names, but a load needs none.
    SdfBuilder(4).AddScans(1).WriteTo(dir / "third");

    const ProgramRun run =
        RunProgram(dir.Path(), {"--dry-run", "-p", "-w", "first.sdf", "second.sdf", "third"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "3 files loaded, 0 failed\n");
    EXPECT_EQ(run.out, LoadLogAsPrinted(dir.Path(), "first.sdf") +
                           LoadLogAsPrinted(dir.Path(), "second.sdf") +
                           LoadLogAsPrinted(dir.Path(), "third"));
    EXPECT_NE(run.out.find("Total loaded data number = 3\nSDF file loading was done.\n"),
              std::string::npos);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>({"first.sdf", "second.sdf", "third"}));

    const ProgramRun quiet = RunProgram(dir.Path(), {"--dry-run", "-q", "--one-file", "first.sdf"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>({"first.sdf", "second.sdf", "third"}));
}

TEST(DryRun, FileThatCannotBeReadOrEndsEarlyExitsOneAndTheOthersStillLoad) {
    TempDir dir;
    SdfBuilder file(8);
    file.AddScans(2);
    file.WriteTo(dir / "whole.sdf");
    const std::vector<unsigned char> bytes = file.Bytes();
    testing::WriteFile(dir / "cut.sdf", file.BytesCutAt(bytes.size() - 10));

    const ProgramRun run =
        RunProgram(dir.Path(), {"--dry-run", "missing.sdf", "cut.sdf", "whole.sdf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("quillon-convert: missing.sdf: No such file or directory\n"),
              std::string::npos);
    EXPECT_NE(run.err.find("cut.sdf"), std::string::npos);
    EXPECT_EQ(run.err.find("whole.sdf"), std::string::npos);
    EXPECT_NE(run.out.find("Filecut.sdf is opened properly.\n"), std::string::npos);
    EXPECT_NE(run.out.find("Filewhole.sdf is opened properly.\n"), std::string::npos);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>({"cut.sdf", "whole.sdf"}));

    const ProgramRun alone = RunProgram(dir.Path(), {"--dry-run", "whole.sdf"});
    EXPECT_EQ(alone.status, 0);
}

}  // namespace
}  // namespace quillon
