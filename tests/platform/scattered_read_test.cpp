// SPDX-License-Identifier: MIT
// FileReader::ReadScattered: bytes fill the parts in order, whether they come from the reader's
// buffer or straight from the system, across any number of parts, up to the end of the file.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "platform/file_error.h"
#include "platform/file_reader.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::TempDir;

// Parts of the given sizes cut from one destination array, one after the other.
std::vector<FileReader::Part> Parts(std::vector<unsigned char>& dst,
                                    const std::vector<std::size_t>& sizes) {
    std::vector<FileReader::Part> parts;
    std::size_t at = 0;
    for (const std::size_t size : sizes) {
        parts.push_back({dst.data() + at, size});
        at += size;
    }
    return parts;
}

TEST(FileReader, ScatteredReadsFillThePartsInOrderFromTheBufferAndTheSystem) {
    TempDir dir;
    std::vector<unsigned char> bytes(900'001);
    std::iota(bytes.begin(), bytes.end(), 7);
    testing::WriteFile(dir / "f.bin", bytes);

    FileReader in;
    in.Open(dir / "f.bin");
    EXPECT_EQ(in.SizeAtOpen(), bytes.size());
    in.SeekToStart();
    std::vector<unsigned char> got(bytes.size(), 0);
    ASSERT_EQ(in.Read(got.data(), 5), 5u);  // the buffer now holds what follows

    // Parts of every size, empty ones among them, a part that straddles the buffer's end,
    // and more parts than the system takes in one call.
    std::vector<std::size_t> sizes = {0, 1, 64, 0, 8192, 200'000, 100'000, 3};
    while (sizes.size() < 3000) {
        sizes.push_back(sizes.size() % 7 == 0 ? 0 : 100 + sizes.size() % 13);
    }
    std::vector<unsigned char> scattered(bytes.size());
    std::size_t total = 0;
    for (const std::size_t size : sizes) {
        total += size;
    }
    ASSERT_LT(5 + total, bytes.size());
    const auto parts = Parts(scattered, sizes);
    EXPECT_EQ(in.ReadScattered(parts), total);
    std::copy(scattered.begin(), scattered.begin() + static_cast<std::ptrdiff_t>(total),
              got.begin() + 5);
    // A plain read carries on where the scattered read stopped.
    ASSERT_EQ(in.Read(got.data() + 5 + total, 10), 10u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(15 + total),
                           bytes.begin()));
    EXPECT_EQ(in.Delivered(), 15 + total);
    in.Close();
}

TEST(FileReader, ScatteredReadAtTheEndDeliversWhatIsLeftAndLeavesTheOtherPartsAlone) {
    TempDir dir;
    std::vector<unsigned char> bytes(300'000);
    std::iota(bytes.begin(), bytes.end(), 1);
    testing::WriteFile(dir / "f.bin", bytes);

    // From the start (all from the system) and after a buffered read (the buffer first).
    for (const std::size_t first : {std::size_t{0}, std::size_t{100}}) {
        SCOPED_TRACE("first read " + std::to_string(first));
        FileReader in;
        in.Open(dir / "f.bin");
        in.SeekToStart();
        std::vector<unsigned char> head(first);
        ASSERT_EQ(in.Read(head.data(), first), first);

        // The file ends 1000 bytes into the third part.
        const std::size_t left = bytes.size() - first;
        std::vector<unsigned char> dst(left + 5000, 0xEE);
        const auto parts = Parts(dst, {left - 3000, 2000, 2000, 4000});
        EXPECT_EQ(in.ReadScattered(parts), left);
        EXPECT_TRUE(std::equal(dst.begin(), dst.begin() + static_cast<std::ptrdiff_t>(left),
                               bytes.begin() + static_cast<std::ptrdiff_t>(first)));
        EXPECT_TRUE(std::all_of(dst.begin() + static_cast<std::ptrdiff_t>(left), dst.end(),
                                [](unsigned char c) { return c == 0xEE; }));
        EXPECT_EQ(in.ReadScattered(parts), 0u);
        EXPECT_EQ(in.Delivered(), bytes.size());
    }
}

TEST(FileReader, ScatteredReadThatTheSystemRefusesRaisesFileErrorWithThePath) {
    // A process's own memory opens as a file, but its first page cannot be read (EIO).
    const std::string path = "/proc/self/mem";
    FileReader in;
    try {
        in.Open(path);
    } catch (const FileError&) {
        GTEST_SKIP() << path << " cannot be opened here";
    }
    unsigned char bytes[16];
    const FileReader::Part parts[] = {{bytes, 8}, {bytes + 8, 8}};
    try {
        in.ReadScattered(parts);
        FAIL() << "reading the first page of " << path << " must fail";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), path);
    }
}

}  // namespace
}  // namespace quillon
