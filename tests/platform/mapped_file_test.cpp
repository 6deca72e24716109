// SPDX-License-Identifier: MIT
// MappedFile: the mapped bytes and the reads through the file agree; a file cut shorter after it
// was opened is reported, not read past; files that cannot be opened name themselves.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_error.h"
#include "platform/mapped_file.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::TempDir;

std::vector<unsigned char> Counting(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7 + i / 256);
    }
    return bytes;
}

TEST(MappedFile, MapsEveryByteAndReadsAnyRangeThroughTheFileAlike) {
    TempDir dir;
    const std::vector<unsigned char> bytes = Counting(300'000);  // several pages, a part page
    const std::string path = testing::WriteFile(dir / "data.bin", bytes);
    const MappedFile file = MappedFile::Open(path);
    EXPECT_EQ(file.Path(), path);
    ASSERT_EQ(file.Size(), bytes.size());
    ASSERT_NE(file.Data(), nullptr);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), file.Data()));

    const struct {
        std::uint64_t offset;
        std::size_t asked;
        std::size_t delivered;
    } cases[] = {
        {0, 300'000, 300'000},  // all of it
        {4095, 2, 2},           // across a page boundary
        {299'990, 100, 10},     // past the end: what is there
        {300'000, 5, 0},        // at the end
        {1ull << 40, 5, 0},     // far beyond it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset));
        std::vector<unsigned char> got(c.asked, 0xEE);
        ASSERT_EQ(file.ReadAt(c.offset, got.data(), c.asked), c.delivered);
        for (std::size_t i = 0; i < c.delivered; ++i) {
            ASSERT_EQ(got[i], bytes[c.offset + i]) << i;
        }
        for (std::size_t i = c.delivered; i < c.asked; ++i) {
            ASSERT_EQ(got[i], 0xEE) << "byte " << i << " was not delivered, yet changed";
        }
    }
}

TEST(MappedFile, AnEmptyFileHasNoBytesAndDeliversNone) {
    TempDir dir;
    const MappedFile file = MappedFile::Open(testing::WriteFile(dir / "empty.sdf", {}));
    EXPECT_EQ(file.Size(), 0u);
    unsigned char byte = 0x5A;
    EXPECT_EQ(file.ReadAt(0, &byte, 1), 0u);
    file.ReadWithinSize(0, &byte, 1);  // nothing lies within the size: nothing is read
    EXPECT_EQ(byte, 0x5A);
}

TEST(MappedFile, MissingFilesAndFoldersRaiseFileErrorWithTheirPathAndReason) {
    TempDir dir;
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {dir / "missing.sdf", "No such file or directory"},
        {dir.Path(), "Is a directory"},
    };
    for (const auto& c : cases) {
        try {
            MappedFile::Open(c.path);
            ADD_FAILURE() << c.path << " opened";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Path(), c.path);
            EXPECT_EQ(error.Reason(), c.reason);
        }
    }
}

// A file cut shorter while it is mapped: POSIX systems allow it.
#ifndef _WIN32

TEST(MappedFile, AFileCutShorterSinceItWasOpenedIsReportedAsChangedNotReadPast) {
    TempDir dir;
    const std::vector<unsigned char> bytes = Counting(20'000);
    const std::string path = testing::WriteFile(dir / "run.sdf", bytes);
    const MappedFile file = MappedFile::Open(path);
    std::filesystem::resize_file(path, 10'000);

    std::vector<unsigned char> got(4'000, 0);
    file.ReadWithinSize(6'000, got.data(), got.size());  // still there
    EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + 6'000));
    try {
        file.ReadWithinSize(9'000, got.data(), got.size());
        ADD_FAILURE() << "a read past the new end passed";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), path);
        EXPECT_EQ(error.Reason(), "the file changed while it was read");
    }
    // Beyond the size at open nothing was promised: nothing is read, nothing is wrong.
    std::fill(got.begin(), got.end(), 0x11);
    file.ReadWithinSize(20'000, got.data(), got.size());
    EXPECT_EQ(got[0], 0x11);
}

TEST(MappedFile, BytesAFileLostWhileMappedReadAsZerosInsteadOfEndingTheProgram) {
    TempDir dir;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::vector<unsigned char> bytes = Counting(5 * page);
    const std::string path = testing::WriteFile(dir / "run.sdf", bytes);
    const MappedFile file = MappedFile::Open(path);
    const MappedFile other = MappedFile::Open(testing::WriteFile(dir / "other.sdf", bytes));
    ASSERT_EQ(file.Data()[3 * page + 1], bytes[3 * page + 1]);
    EXPECT_FALSE(file.Changed());

    std::filesystem::resize_file(path, page + page / 2);
    EXPECT_EQ(file.Data()[page - 1], bytes[page - 1]);  // still there
    EXPECT_EQ(file.Data()[3 * page + 1], 0);            // lost: a fault, taken by the guard
    EXPECT_EQ(file.Data()[5 * page - 1], 0);
    EXPECT_TRUE(file.Changed());
    EXPECT_FALSE(other.Changed());
    EXPECT_EQ(other.Data()[5 * page - 1], bytes[5 * page - 1]);
}

#else

// Windows refuses to cut a mapped file shorter: a file of ordinary size is read whole and let
// go, so that the acquisition software can write it anew while it is loaded; a larger one is
// mapped and keeps what the map promised.
TEST(MappedFile, AnOrdinaryFileCanBeWrittenAnewWhileLoadedALargeOneCannotBeCut) {
    TempDir dir;
    struct Case {
        std::size_t size;
        bool cutAllowed;
    };
    for (const Case c :
         {Case{20'000, true}, Case{static_cast<std::size_t>(MappedFile::kCopiedUpTo), true},
          Case{static_cast<std::size_t>(MappedFile::kCopiedUpTo) + 1, false}}) {
        const std::vector<unsigned char> bytes = Counting(c.size);
        const std::string path = testing::WriteFile(dir / "run.sdf", bytes);
        {
            const MappedFile file = MappedFile::Open(path);
            std::error_code refused;
            std::filesystem::resize_file(path, 10'000, refused);
            EXPECT_EQ(!refused, c.cutAllowed) << c.size;
            EXPECT_EQ(std::filesystem::file_size(path), c.cutAllowed ? 10'000 : bytes.size());
            ASSERT_EQ(file.Size(), bytes.size());
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), file.Data())) << c.size;
            EXPECT_FALSE(file.Changed());
        }
        std::filesystem::remove(path);
    }
}

#endif

TEST(MappedFile, AMovedFileKeepsItsBytesMappedAfterTheOneMovedFromIsGone) {
    TempDir dir;
    const std::vector<unsigned char> bytes = Counting(50'000);
    MappedFile kept;
    {
        MappedFile opened = MappedFile::Open(testing::WriteFile(dir / "a.bin", bytes));
        kept = std::move(opened);
    }
    ASSERT_EQ(kept.Size(), bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), kept.Data()));
    // Another file moved in lets go of this one and takes the other's bytes.
    kept = MappedFile::Open(testing::WriteFile(dir / "b.bin", Counting(10)));
    ASSERT_EQ(kept.Size(), 10u);
    const std::vector<unsigned char> ten = Counting(10);
    EXPECT_TRUE(std::equal(ten.begin(), ten.end(), kept.Data()));
}

}  // namespace
}  // namespace quillon
