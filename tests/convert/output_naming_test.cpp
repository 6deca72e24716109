// SPDX-License-Identifier: MIT
// Output names: the base taken from the input path, the names of the multiple-files outputs,
// and the one-file output with its overwrite question.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "convert/output_naming.h"
#include "platform/output_files.h"
#include "scripted_answers.h"
#include "temp_dir.h"

namespace quillon {
namespace {

// The overwrite question answered from a script, and the file system to look at.
struct Asked : testing::ScriptedAnswers {
    std::function<bool(const std::string&)> Ask() {
        return [this](const std::string& question) { return Answer(question); };
    }
    DiskOutputFiles disk;
};

using testing::ReadBytes;
using testing::TempDir;

void Touch(const std::string& path, const std::string& content = "old") {
    std::ofstream(path, std::ios::binary) << content;
}

const std::string kQuestion =
    "There is a same file in the calibration data folder!!! Would you like to overwrite the "
    "current data on this file? If no, (#) will be added on the file name.";

TEST(OutputNaming, BaseIsThePathUpToItsLastDot) {
    const struct {
        const char* path;
        const char* base;
    } cases[] = {
        {"/data/run1.sdf", "/data/run1"},
        {"/data/run1.old.sdf", "/data/run1.old"},
        {"/scans.sdf/run1", "/scans"},  // the last '.' counts, even in a folder name
        {"examples/demo.sdf", "examples/demo"},
        {"run1.", "run1"},
        {"run1", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(OutputBaseName(c.path), c.base);
    }
}

TEST(OutputNaming, MultipleFilesNamesCarryTheScanNumberAndTheScanCount) {
    const std::string base = "/data/run1";
    EXPECT_EQ(ParametersFileName(base), "/data/run1_Var.txt");
    EXPECT_EQ(DarkFileName(base), "/data/run1_Dark.txt");
    EXPECT_EQ(RefFileName(base), "/data/run1_Ref.txt");
    EXPECT_EQ(ScanFileName(base, 1, 12), "/data/run1_1of12.txt");
    EXPECT_EQ(ScanFileName(base, 10, 12), "/data/run1_10of12.txt");
    EXPECT_EQ(ScanFileName(base, 12, 12), "/data/run1_12of12.txt");
}

TEST(OutputNaming, OneFileOutputThatDoesNotExistIsTakenWithoutAQuestion) {
    TempDir dir;
    Asked services;
    EXPECT_EQ(ChooseOneFileName(dir / "run1", services.Ask(), services.disk), dir / "run1.txt");
    EXPECT_TRUE(services.questions.empty());
}

TEST(OutputNaming, OnlyANumberedOutputPresentAsksNothing) {
    TempDir dir;
    Touch(dir / "run1(0).txt");
    Asked services;
    EXPECT_EQ(ChooseOneFileName(dir / "run1", services.Ask(), services.disk), dir / "run1.txt");
    EXPECT_TRUE(services.questions.empty());
}

TEST(OutputNaming, ExistingOutputAnsweredYesIsReplaced) {
    TempDir dir;
    Touch(dir / "run1.txt");
    Asked services;
    services.answers = {true};
    EXPECT_EQ(ChooseOneFileName(dir / "run1", services.Ask(), services.disk), dir / "run1.txt");
    ASSERT_EQ(services.questions.size(), 1u);
    EXPECT_EQ(services.questions[0], kQuestion);
}

TEST(OutputNaming, ExistingOutputAnsweredNoTakesTheFirstFreeNumberFromZero) {
    TempDir dir;
    Touch(dir / "run1.txt");
    Asked services;
    services.answers = {false};
    EXPECT_EQ(ChooseOneFileName(dir / "run1", services.Ask(), services.disk), dir / "run1(0).txt");

    Touch(dir / "run1(0).txt");
    services.answers = {false};
    EXPECT_EQ(ChooseOneFileName(dir / "run1", services.Ask(), services.disk), dir / "run1(1).txt");
    // One question per choice, and the existing output is left as it was.
    EXPECT_EQ(services.questions.size(), 2u);
    EXPECT_EQ(ReadBytes(dir / "run1.txt"), "old");
}

TEST(OutputNaming, FolderNamedLikeTheOutputCountsAsAnExistingFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "run1.txt");
    std::filesystem::create_directory(dir / "run1(0).txt");
    Asked services;
    services.answers = {false};
    EXPECT_EQ(ChooseOneFileName(dir / "run1", services.Ask(), services.disk), dir / "run1(1).txt");
    EXPECT_EQ(services.questions.size(), 1u);
}

}  // namespace
}  // namespace quillon
