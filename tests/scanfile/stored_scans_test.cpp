// SPDX-License-Identifier: MIT
// Scan records read where they lie in the file: through the map (ScanFile::Scan) and through
// the file in batches (ScanReader) alike, in any order; a file cut shorter after loading; files
// beyond 4 GiB.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <vector>

#include "fake_log.h"
#include "platform/file_error.h"
#include "scanfile/loader.h"
#include "scanfile/scan_reader.h"
#include "sdf_builder.h"
#include "sparse_sdf.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::FakeLog;
using testing::ScanContent;
using testing::SdfBuilder;
using testing::TempDir;

// A file of `scans` records of n pixels whose every text, count and blank differs.
SdfBuilder DistinctScans(std::uint16_t n, int scans) {
    SdfBuilder b(n);
    for (int s = 0; s < scans; ++s) {
        ScanContent scan;
        scan.title = "Scan " + std::to_string(s);
        scan.subtitle = std::string(64, static_cast<char>('a' + s % 26));
        scan.dateTime = "2026-12-07 10:" + std::to_string(s);
        for (std::uint16_t i = 0; i < n; ++i) {
            scan.values.push_back(s * 7919 - i);
        }
        scan.opticalBlank = static_cast<float>(s) + 0.125f;
        b.AddScan(scan);
    }
    return b;
}

void ExpectSameScan(const ScanView& got, const ScanView& expected) {
    ASSERT_EQ(std::memcmp(got.title, expected.title, kScanTextSize), 0);
    ASSERT_EQ(std::memcmp(got.subtitle, expected.subtitle, kScanTextSize), 0);
    ASSERT_EQ(std::memcmp(got.dateTime, expected.dateTime, kScanTextSize), 0);
    ASSERT_TRUE(std::equal(got.values.begin(), got.values.end(), expected.values.begin(),
                           expected.values.end()));
    ASSERT_EQ(std::bit_cast<std::uint32_t>(got.opticalBlank),
              std::bit_cast<std::uint32_t>(expected.opticalBlank));
}

// A scan as the builder wrote it, as a record in memory.
std::unique_ptr<CSaveData> Record(const ScanContent& content, std::uint16_t n) {
    auto record = std::make_unique<CSaveData>(n);
    testing::SetField(record->m_szTitle, kScanTextSize, content.title);
    testing::SetField(record->m_szSubtitle, kScanTextSize, content.subtitle);
    testing::SetField(record->m_szDateTime, kScanTextSize, content.dateTime);
    for (std::size_t i = 0; i < n; ++i) {
        record->Values()[i] = i < content.values.size() ? content.values[i] : 0;
    }
    record->m_fOpticalBlank = content.opticalBlank;
    return record;
}

// The orders a pass may visit scans in: ascending (growing batches), descending, strided,
// ascending again after a jump back, shuffled, the same scan over and over.
std::vector<std::vector<std::size_t>> Orders(std::size_t count) {
    std::vector<std::size_t> ascending(count);
    std::iota(ascending.begin(), ascending.end(), std::size_t{0});
    std::vector<std::size_t> descending(ascending.rbegin(), ascending.rend());
    std::vector<std::size_t> strided;
    for (std::size_t i = 0; i < count; i += 7) {
        strided.push_back(i);
    }
    std::vector<std::size_t> twice = ascending;
    twice.insert(twice.end(), ascending.begin() + static_cast<long>(count / 3), ascending.end());
    std::vector<std::size_t> shuffled = ascending;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(2026));
    const std::vector<std::size_t> same(5, count / 2);
    return {ascending, descending, strided, twice, shuffled, same};
}

TEST(ScanReader, ReadsEveryScanAsTheLoadedFileHoldsItInAnyOrder) {
    TempDir dir;
    // N = 0: 196-byte records, over 5,000 to a batch; N = 700: about 370 to a batch.
    for (const std::uint16_t n : {std::uint16_t{0}, std::uint16_t{700}}) {
        const int scans = n == 0 ? 12'000 : 900;
        for (const std::size_t cut : {std::size_t{0}, std::size_t{77}}) {
            SCOPED_TRACE("N " + std::to_string(n) + ", cut " + std::to_string(cut));
            const std::vector<unsigned char> whole = DistinctScans(n, scans).Bytes();
            const std::string path = testing::WriteFile(
                dir / "run.sdf",
                std::vector<unsigned char>(whole.begin(), whole.end() - static_cast<long>(cut)));
            FakeLog log;
            const ScanFile file = LoadScanFile(path, log);
            ASSERT_EQ(file.ScanCount(), static_cast<std::size_t>(scans));
            for (const std::vector<std::size_t>& order : Orders(file.ScanCount())) {
                ScanReader reader(file);
                for (const std::size_t index : order) {
                    SCOPED_TRACE("scan " + std::to_string(index));
                    ExpectSameScan(reader.Scan(index), file.Scan(index));
                }
            }
        }
    }
}

// Files cut shorter while open, and pipes: POSIX systems only (Windows refuses to cut a mapped
// file).
#ifndef _WIN32

TEST(ScanReader, AFileCutShorterAfterLoadingRaisesFileChangedYetReadsWhatIsStillThere) {
    TempDir dir;
    const std::uint16_t n = 16;
    SdfBuilder b = DistinctScans(n, 50);
    const std::vector<unsigned char> bytes = b.BytesCutAt(b.Bytes().size() - 5);
    const std::string path = testing::WriteFile(dir / "run.sdf", bytes);
    FakeLog log;
    const ScanFile file = LoadScanFile(path, log);
    ASSERT_EQ(file.ScanCount(), 50u);

    const std::size_t fixed = 268 + 8 * n;
    const std::size_t record = 196 + 4 * n;
    std::filesystem::resize_file(path, fixed + 20 * record + 10);  // 20 records and a bit

    ScanReader reader(file);
    for (const std::size_t index : {std::size_t{0}, std::size_t{19}}) {
        ExpectSameScan(reader.Scan(index), Record(b.scans[index], n)->View());
    }
    for (const std::size_t index : {std::size_t{20}, std::size_t{35}, std::size_t{48}}) {
        try {
            reader.Scan(index);
            ADD_FAILURE() << "scan " << index << " was read from a file that no longer holds it";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Path(), path);
            EXPECT_EQ(error.Reason(), "the file changed while it was read");
        }
    }
    // The last record, cut short at load, was copied then: it still reads as it did.
    ExpectSameScan(reader.Scan(49), file.Scan(49));
    EXPECT_EQ(file.ScanCount(), 50u);  // the size was taken once, at open
}

TEST(ScanFile, RecordsAFileLostAfterLoadingReadAsZerosInPlaceAndTheFileSaysItChanged) {
    TempDir dir;
    const std::uint16_t n = 2048;  // records of 8,388 bytes: two pages each
    SdfBuilder b = DistinctScans(n, 30);
    const std::string path = b.WriteTo(dir / "run.sdf");
    FakeLog log;
    const ScanFile file = LoadScanFile(path, log);
    EXPECT_FALSE(file.Changed());

    std::filesystem::resize_file(path, 268 + 8 * n + 10 * (196 + 4 * n));  // 10 records left
    ExpectSameScan(file.Scan(9), Record(b.scans[9], n)->View());
    EXPECT_FALSE(file.Changed());
    const ScanContent lost{"", "", "", {}, 0.0f};
    ExpectSameScan(file.Scan(29), Record(lost, n)->View());
    EXPECT_TRUE(file.Changed());
}

#endif

// N = 2048: 8,388-byte records, 512,100 of them end beyond 4 GiB.
constexpr std::uint16_t kWideN = 2048;
constexpr std::uint64_t kManyScans = 512'100;
constexpr std::uint64_t kWideRecord = 196 + 4 * kWideN;
constexpr std::uint64_t kWideFixed = 268 + 8 * kWideN;

ScanContent WideScan(const std::string& title, std::int32_t base) {
    ScanContent scan{title, "Subtitle " + title, "2026-12-07 23:59:59", {}, -2.5f};
    for (std::int32_t i = 0; i < kWideN; ++i) {
        scan.values.push_back(base + i * 3);
    }
    return scan;
}

TEST(LoadScanFile, ASparseFileBeyond4GiBLoadsItsFirstAndLastScansAndItsHolesAsZeros) {
    TempDir dir;
    SdfBuilder fixed(kWideN);
    fixed.ref[kWideN - 1] = 4321.5f;
    const ScanContent first = WideScan("first", -1000);
    const ScanContent last = WideScan("last", 2'000'000'000);
    const std::string path = testing::WriteSparseSdf(dir / "long.sdf", fixed, kManyScans,
                                                     {{0, first}, {kManyScans - 1, last}});
    const std::uint64_t size = kWideFixed + kManyScans * kWideRecord;
    ASSERT_GT(size, std::uint64_t{1} << 32);

    FakeLog log;
    const ScanFile file = LoadScanFile(path, log);
    EXPECT_EQ(file.m_nFileSize, size);
    EXPECT_EQ(file.m_nMissingBytes, 0);
    EXPECT_EQ(file.m_pRefData[kWideN - 1], 4321.5f);
    EXPECT_NE(log.log.find("Total loaded data number = 512100\r\n"), std::string::npos);
    ASSERT_EQ(file.ScanCount(), kManyScans);
    ExpectSameScan(file.Scan(0), Record(first, kWideN)->View());
    ExpectSameScan(file.Scan(kManyScans - 1), Record(last, kWideN)->View());
    const ScanContent hole{"", "", "", {}, 0.0f};
    ExpectSameScan(file.Scan(kManyScans / 2), Record(hole, kWideN)->View());

    ScanReader reader(file);
    ExpectSameScan(reader.Scan(kManyScans - 1), Record(last, kWideN)->View());
    ExpectSameScan(reader.Scan(kManyScans - 2), Record(hole, kWideN)->View());
}

TEST(LoadScanFile, ALastRecordCutShortBeyond4GiBKeepsItsBytesAndReadsTheRestAsZeros) {
    TempDir dir;
    const ScanContent last = WideScan("cut", 77);
    // 100 bytes short: the optical blank and the last 24 counts are missing.
    const std::string path = testing::WriteSparseSdf(dir / "cut.sdf", SdfBuilder(kWideN),
                                                     kManyScans, {{kManyScans - 1, last}}, 100);
    FakeLog log;
    const ScanFile file = LoadScanFile(path, log);
    EXPECT_EQ(file.m_nMissingBytes, 100);
    ASSERT_EQ(file.ScanCount(), kManyScans);
    ScanContent expected = last;
    std::fill(expected.values.end() - 24, expected.values.end(), 0);
    expected.opticalBlank = 0.0f;
    ExpectSameScan(file.Scan(kManyScans - 1), Record(expected, kWideN)->View());
    ExpectSameScan(ScanReader(file).Scan(kManyScans - 1), Record(expected, kWideN)->View());
}

}  // namespace
}  // namespace quillon
