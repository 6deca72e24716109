// SPDX-License-Identifier: MIT
// Writing, deleting and testing files through the platform layer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/file_error.h"
#include "platform/file_system.h"
#include "platform/text_file_writer.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::ReadBytes;
using testing::TempDir;

TEST(TextFileWriter, StoresLineFeedsAsCrLfAndEveryOtherByteAsItself) {
    TempDir dir;
    std::string text = "a\nb\n\n";
    for (int c = 1; c < 256; ++c) {
        if (c != '\n') {
            text += static_cast<char>(c);
        }
    }
    TextFileWriter out;
    out.Open(dir / "t.txt", TextFileWriter::OpenMode::kTruncate);
    out.WriteString(text);
    out.Close();

    std::string expected = "a\r\nb\r\n\r\n" + text.substr(5);
    EXPECT_EQ(ReadBytes(dir / "t.txt"), expected);
}

TEST(TextFileWriter, ConvertsLargeBlocksWithoutLosingAByte) {
    TempDir dir;
    // Lines of varying length so that line feeds fall on every offset of the buffer's end.
    std::string text;
    std::string expected;
    for (int i = 0; text.size() < 3'000'000; ++i) {
        const std::string line(static_cast<std::size_t>(i % 37), static_cast<char>('a' + i % 26));
        text += line + "\n";
        expected += line + "\r\n";
    }
    TextFileWriter out;
    out.Open(dir / "big.txt", TextFileWriter::OpenMode::kTruncate);
    out.WriteString(text.substr(0, 1000));
    out.WriteString(text.substr(1000));
    out.Close();
    EXPECT_EQ(ReadBytes(dir / "big.txt"), expected);
}

TEST(TextFileWriter, TruncatingOpenDiscardsOldContentAndAppendingOpenKeepsIt) {
    TempDir dir;
    testing::WriteFile(dir / "t.txt", {'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'});
    TextFileWriter out;
    out.Open(dir / "t.txt", TextFileWriter::OpenMode::kTruncate);
    out.WriteString("new");
    out.Close();
    EXPECT_EQ(ReadBytes(dir / "t.txt"), "new");

    out.Open(dir / "t.txt", TextFileWriter::OpenMode::kAppend);
    out.WriteString("+\n");
    out.Close();
    EXPECT_EQ(ReadBytes(dir / "t.txt"), "new+\r\n");
}

TEST(TextFileWriter, FailuresRaiseFileErrorWithThePath) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    TextFileWriter out;
    try {
        out.Open(dir / "folder", TextFileWriter::OpenMode::kTruncate);
        FAIL() << "opening a folder for writing must fail";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), dir / "folder");
        EXPECT_FALSE(e.Reason().empty());
    }
    EXPECT_THROW(out.Open(dir / "missing/x.txt", TextFileWriter::OpenMode::kTruncate), FileError);

    if (std::filesystem::exists("/dev/full")) {
        out.Open("/dev/full", TextFileWriter::OpenMode::kAppend);
        EXPECT_THROW(out.WriteString("some text\n"), FileError);
        out.Close();
        EXPECT_FALSE(out.IsOpen());
    }
}

TEST(FileSystem, KindOfTellsFilesFoldersLinksAndMissingNamesApartWithoutFollowingLinks) {
    TempDir dir;
    testing::WriteFile(dir / "f.txt", {'x'});
    std::filesystem::create_directory(dir / "sub");
    EXPECT_EQ(KindOf(dir / "f.txt"), EntryKind::kFile);
    EXPECT_EQ(KindOf(dir / "sub"), EntryKind::kOther);
    EXPECT_EQ(KindOf(dir / "missing.txt"), EntryKind::kMissing);
    EXPECT_EQ(KindOf(""), EntryKind::kMissing);
    std::error_code error;
    std::filesystem::create_symlink(dir / "missing.txt", dir / "dangling.txt", error);
    if (!error) {
        EXPECT_EQ(KindOf(dir / "dangling.txt"), EntryKind::kLink);
    }
}

TEST(FileSystem, ExistsCountsFilesAndFoldersButNotAnEmptyName) {
    TempDir dir;
    EXPECT_TRUE(Exists(dir.Path()));
    EXPECT_FALSE(Exists(dir / "f.txt"));
    EXPECT_FALSE(Exists(""));
    testing::WriteFile(dir / "f.txt", {'x'});
    EXPECT_TRUE(Exists(dir / "f.txt"));
}

}  // namespace
}  // namespace quillon
