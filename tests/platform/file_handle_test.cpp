// SPDX-License-Identifier: MIT
// FileHandle: bytes stored and read exactly as they are, 64-bit sizes, folders named as such,
// and the three ways an existing file is opened for writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_error.h"
#include "platform/file_handle.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void Write(const std::string& path, WriteMode mode, const std::string& text) {
    FileHandle file = FileHandle::OpenForWriting(path, mode);
    file.WriteAll(text.data(), text.size());
    file.Close();
}

TEST(FileHandle, StoresEveryByteAsItIsWithoutTextModeTranslation) {
    // A C runtime in text mode would store "\n" as CR LF and end the text at Ctrl-Z (0x1A).
    TempDir dir;
    std::string bytes =
        "a\nb\r\nc\rd\x1A"
        "e";
    for (int c = 0; c < 256; ++c) {
        bytes.push_back(static_cast<char>(c));
    }
    Write(dir / "b.bin", WriteMode::kTruncate, bytes);
    EXPECT_EQ(ReadBytes(dir / "b.bin"), bytes);
}

TEST(FileHandle, EveryWriteModeCreatesAMissingFile) {
    TempDir dir;
    for (const WriteMode mode : {WriteMode::kTruncate, WriteMode::kAppend, WriteMode::kReplace}) {
        const std::string path = dir / ("new" + std::to_string(static_cast<int>(mode)) + ".txt");
        Write(path, mode, "fresh");
        EXPECT_EQ(ReadBytes(path), "fresh");
    }
}

TEST(FileHandle, ReplacingAFileWithAShorterOneLeavesNoOldTail) {
    TempDir dir;
    WriteText(dir / "out.txt", std::string(10'000, 'o'));
    Write(dir / "out.txt", WriteMode::kReplace, "new\r\n");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "new\r\n");
    Write(dir / "out.txt", WriteMode::kReplace, "");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "");
}

TEST(FileHandle, ReplacingAPlainFileEmptiesItInPlace) {
    // A reader that still has the old file open sees the new bytes: the same file was reused,
    // not deleted and made anew (which would leave that reader the old bytes on POSIX systems).
    TempDir dir;
    WriteText(dir / "out.txt", "old content");
    std::ifstream reader(dir / "out.txt", std::ios::binary);
    ASSERT_TRUE(reader.is_open());
    Write(dir / "out.txt", WriteMode::kReplace, "new");
    const std::string seen((std::istreambuf_iterator<char>(reader)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(seen, "new");
}

TEST(FileHandle, ReplacingAFileWithASecondNameLeavesThatNameItsOldContent) {
    TempDir dir;
    WriteText(dir / "out.txt", "old content");
    std::error_code error;
    fs::create_hard_link(dir / "out.txt", dir / "other-name.txt", error);
    if (error) {
        GTEST_SKIP() << "no hard links here: " << error.message();
    }
    Write(dir / "out.txt", WriteMode::kReplace, "new");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "new");
    EXPECT_EQ(ReadBytes(dir / "other-name.txt"), "old content");
}

TEST(FileHandle, ReplacingALinkReplacesTheLinkAndLeavesItsTargetAlone) {
    TempDir dir;
    WriteText(dir / "target.txt", "the target");
    std::error_code error;
    fs::create_symlink(dir / "target.txt", dir / "out.txt", error);
    if (error) {
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    Write(dir / "out.txt", WriteMode::kReplace, "new");
    EXPECT_FALSE(fs::is_symlink(dir / "out.txt"));
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "new");
    EXPECT_EQ(ReadBytes(dir / "target.txt"), "the target");
}

TEST(FileHandle, AReadOnlyFileIsReplacedWhereTheSystemDeletesItAndKeptWhereItCannot) {
    // Deleting, then writing afresh: POSIX systems delete a read-only file in a writable
    // folder; Windows refuses, and then the open is refused too.
    TempDir dir;
    WriteText(dir / "out.txt", "old content");
    fs::permissions(dir / "out.txt",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
#ifdef _WIN32
    if (std::ofstream(dir / "out.txt", std::ios::app).is_open()) {
        fs::permissions(dir / "out.txt", fs::perms::owner_write, fs::perm_options::add);
        GTEST_SKIP() << "this system lets a read-only file be written (wine run as root)";
    }
    try {
        Write(dir / "out.txt", WriteMode::kReplace, "new");
        ADD_FAILURE() << "a read-only file must not be replaced";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Reason(), "Permission denied");
    }
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "old content");
    fs::permissions(dir / "out.txt", fs::perms::owner_write, fs::perm_options::add);
#else
    Write(dir / "out.txt", WriteMode::kReplace, "new");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "new");
#endif
}

TEST(FileHandle, TruncatingAndAppendingKeepOrDropTheOldContent) {
    TempDir dir;
    WriteText(dir / "out.txt", "old");
    Write(dir / "out.txt", WriteMode::kAppend, "+more");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "old+more");
    Write(dir / "out.txt", WriteMode::kTruncate, "cut");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "cut");
}

TEST(FileHandle, AFolderIsReportedAsAFolderForWriting) {
    TempDir dir;
    fs::create_directory(dir / "data.sdf");
    for (const WriteMode mode : {WriteMode::kTruncate, WriteMode::kAppend, WriteMode::kReplace}) {
        try {
            FileHandle::OpenForWriting(dir / "data.sdf", mode);
            ADD_FAILURE() << "a folder must not open for writing";
        } catch (const FileError& e) {
            EXPECT_EQ(e.Reason(), "Is a directory");
        }
    }
    EXPECT_TRUE(fs::is_directory(dir / "data.sdf"));
}

TEST(FileHandle, AFileInAMissingFolderIsReportedWithTheSystemsReason) {
    TempDir dir;
    try {
        FileHandle::OpenForWriting(dir / "no-folder/x.txt", WriteMode::kReplace);
        ADD_FAILURE() << "a file in a missing folder must not open";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), dir / "no-folder/x.txt");
        EXPECT_EQ(e.Reason(), "No such file or directory");
    }
}

TEST(FileHandle, MovingHandsTheFileOnAndClosingTwiceIsHarmless) {
    TempDir dir;
    FileHandle first = FileHandle::OpenForWriting(dir / "f.txt", WriteMode::kTruncate);
    FileHandle second = std::move(first);
    EXPECT_FALSE(first.IsOpen());  // NOLINT(bugprone-use-after-move): the moved-from state
    ASSERT_TRUE(second.IsOpen());
    second.WriteAll("abc", 3);
    second.Close();
    second.Close();
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(ReadBytes(dir / "f.txt"), "abc");
}

}  // namespace
}  // namespace quillon
