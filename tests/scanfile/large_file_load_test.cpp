// SPDX-License-Identifier: MIT
// Loading files of many scan records, larger than the reader's buffer and than one batch of
// records: every record, and a file cut anywhere in them, loads exactly as the byte layout
// says, compared with a plain record-by-record reading of the same bytes.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "fake_log.h"
#include "scanfile/byte_order.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::ScanContent;
using testing::SdfBuilder;
using testing::TempDir;

// One scan record as the bytes of a file say it should load.
struct Expected {
    char title[64];
    char subtitle[64];
    char dateTime[64];
    std::vector<std::int32_t> values;
    float opticalBlank;
};

// Reads the scan records of `bytes` one at a time: each record of which at least one byte is
// there; text bytes that are missing keep the defaults, missing count and blank bytes are 0.
std::vector<Expected> ReadPlainly(const std::vector<unsigned char>& bytes, std::size_t n) {
    const std::size_t start = 268 + 8 * n;
    const std::size_t size = 196 + 4 * n;
    std::vector<Expected> records;
    for (std::size_t at = start; at < bytes.size(); at += size) {
        std::vector<unsigned char> buffer(size, 0);
        unsigned char* const record = buffer.data();
        const std::size_t got = std::min(size, bytes.size() - at);
        std::memcpy(record, bytes.data() + at, got);
        Expected e{};
        std::strcpy(e.title, "Project Title");
        std::strcpy(e.subtitle, "Subtitle");
        std::memcpy(e.title, record, std::min<std::size_t>(got, 64));
        std::memcpy(e.subtitle, record + 64, got > 64 ? std::min<std::size_t>(got - 64, 64) : 0);
        std::memcpy(e.dateTime, record + 128, got > 128 ? std::min<std::size_t>(got - 128, 64) : 0);
        for (std::size_t i = 0; i < n; ++i) {
            e.values.push_back(LoadLE<std::int32_t>(record + 192 + 4 * i));
        }
        e.opticalBlank = LoadLE<float>(record + 192 + 4 * n);
        records.push_back(std::move(e));
    }
    return records;
}

// A file of `scans` records of n pixels whose every text, count and blank differs.
SdfBuilder ManyScans(std::uint16_t n, int scans) {
    SdfBuilder b(n);
    for (int s = 0; s < scans; ++s) {
        ScanContent scan;
        scan.title = "Title of scan " + std::to_string(s) +
                     std::string(static_cast<std::size_t>(s % 60), 'x');
        scan.subtitle = std::string(64, static_cast<char>('A' + s % 26));  // no zero byte
        scan.dateTime = "2026-12-07 " + std::to_string(s);
        for (std::uint16_t i = 0; i < n; ++i) {
            scan.values.push_back(s * 1000 - i);
        }
        scan.opticalBlank = 0.5f + static_cast<float>(s);
        b.AddScan(scan);
    }
    return b;
}

void ExpectLoadedAsRead(const std::string& path, const std::vector<unsigned char>& bytes,
                        std::size_t n) {
    testing::FakeLog log;
    const ScanFile state = LoadScanFile(path, log);
    const std::vector<Expected> expected = ReadPlainly(bytes, n);
    ASSERT_EQ(state.ScanCount(), expected.size());
    const std::int64_t whole =
        static_cast<std::int64_t>(268 + 8 * n + expected.size() * (196 + 4 * n));
    EXPECT_EQ(state.m_nMissingBytes, whole - static_cast<std::int64_t>(bytes.size()));
    for (std::size_t r = 0; r < expected.size(); ++r) {
        SCOPED_TRACE("record " + std::to_string(r));
        const ScanView got = state.Scan(r);
        const Expected& e = expected[r];
        ASSERT_EQ(std::memcmp(got.title, e.title, 64), 0);
        ASSERT_EQ(std::memcmp(got.subtitle, e.subtitle, 64), 0);
        ASSERT_EQ(std::memcmp(got.dateTime, e.dateTime, 64), 0);
        ASSERT_EQ(std::vector<std::int32_t>(got.values.begin(), got.values.end()), e.values);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(got.opticalBlank),
                  std::bit_cast<std::uint32_t>(e.opticalBlank));
    }
}

TEST(LoadScanFile, ManyRecordsLoadWholeOrCutAnywhereAsTheyAreStored) {
    TempDir dir;
    for (const std::uint16_t n : {std::uint16_t{100}, std::uint16_t{0}}) {
        const int scans = n == 0 ? 3000 : 1000;  // about 600 kB: several reader buffers
        const std::vector<unsigned char> whole = ManyScans(n, scans).Bytes();
        const std::size_t start = 268 + std::size_t{8} * n;
        const std::size_t size = 196 + std::size_t{4} * n;
        // The whole file, cuts around the reader's buffer and the loader's batches of
        // records, and cuts within each field of a record far into the file.
        std::vector<std::size_t> cuts = {whole.size(), start, start + 1};
        for (const std::size_t at : {std::size_t{1} << 18, start + 64 * size, start + 128 * size,
                                     start + 700 * size, start + 701 * size - 1}) {
            for (const std::size_t cut :
                 {at - 1, at, at + 1, at + 63, at + 64, at + 130, at + 193, at + size - 3}) {
                cuts.push_back(cut);
            }
        }
        for (const std::size_t cut : cuts) {
            SCOPED_TRACE("N " + std::to_string(n) + ", cut at " + std::to_string(cut));
            const std::vector<unsigned char> bytes(
                whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            const std::string path = testing::WriteFile(dir / "many.sdf", bytes);
            ExpectLoadedAsRead(path, bytes, n);
        }
    }
}

}  // namespace
}  // namespace quillon
