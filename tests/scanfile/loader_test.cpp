// SPDX-License-Identifier: MIT
// Loading scan data files: the log, the records, the spectra, the scan list, and files that
// end early or cannot be read.
#include <gtest/gtest.h>

#include <cstring>

#include "fake_log.h"
#include "platform/file_error.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::FakeLog;
using testing::SdfBuilder;
using testing::TempDir;

std::string FullLog(const std::string& path, int n, int scans) {
    return "File" + path + " is opened properly.\r\n" +
           "HEADER data set was loaded properly.\r\n"
           "Detector configuration data set was loaded properly.\r\n"
           "Total pixel number = " +
           std::to_string(n) +
           "\r\n"
           "Display configuration data set was loaded properly.\r\n"
           "Scale data set was loaded properly.\r\n"
           "Integration time data set was loaded properly.\r\n"
           "Data Status configuration data set was loaded properly.\r\n"
           "Dark scan data was loaded properly.\r\n"
           "Dark data of Optical Blank pixels was loaded properly.\r\n"
           "Reference scan data was loaded properly.\r\n"
           "Reference data of Optical Blank pixels was loaded properly.\r\n"
           "Total loaded data number = " +
           std::to_string(scans) + "\r\nSDF file loading was done.\r\n";
}

// A small file whose every value tells where it came from.
SdfBuilder SmallFile(std::uint16_t n, int scans) {
    SdfBuilder b(n);
    b.header.no = 7;
    b.ccd.usTotalColPixels = 1024;
    b.ccd.usTotalRowPixels = 64;
    b.ccd.fCal[0] = 200.0f;
    b.status.word0 = 0x21;
    for (std::size_t i = 0; i < n; ++i) {
        b.dark[i] = 10.5f + static_cast<float>(i);
        b.ref[i] = 1000.25f + static_cast<float>(i);
    }
    b.darkOpticalBlank = 1.5f;
    b.refOpticalBlank = 2.5f;
    b.AddScans(scans);
    return b;
}

// A 64-byte text field of a scan record, up to its first zero byte.
std::string_view Text(const char* field) {
    return FieldText(*reinterpret_cast<const char(*)[kScanTextSize]>(field));
}

struct Loaded {
    void Load(const std::string& path) {
        log = FakeLog();
        state = LoadScanFile(path, log);
    }
    ScanFile state;
    FakeLog log;
};

TEST(LoadScanFile, ThreeScansOf2048PixelsLoadWithTheFullLogLineByLine) {
    TempDir dir;
    SdfBuilder b = SmallFile(2048, 3);
    const auto bytes = b.Bytes();
    ASSERT_EQ(bytes.size(), 41'816u);
    ASSERT_EQ(std::memcmp(bytes.data() + 33'428, "Scan title 3", 12), 0);
    const std::string path = testing::WriteFile(dir / "run1.sdf", bytes);

    Loaded l;
    l.Load(path);

    EXPECT_EQ(l.log.log, FullLog(path, 2048, 3));
    EXPECT_EQ(l.state.m_nPixelCount, 2048);
    EXPECT_EQ(l.state.ScanCount(), 3u);
    EXPECT_EQ(l.state.m_Header.no, 7);
    EXPECT_EQ(l.state.m_Ccd.usTotalColPixels, 1024);
    EXPECT_EQ(l.state.m_Ccd.usTotalRowPixels, 64);
    EXPECT_EQ(l.state.m_Ccd.fCal[0], 200.0f);
    EXPECT_EQ(l.state.m_Status.DataStart(), 1u);
    ASSERT_EQ(l.state.m_pDarkData.size(), 2048u);
    EXPECT_EQ(l.state.m_pDarkData[2047], 10.5f + 2047);
    EXPECT_EQ(l.state.m_pRefData[0], 1000.25f);
    EXPECT_EQ(l.state.m_fDarkOpticalBlank, 1.5f);
    EXPECT_EQ(l.state.m_fRefOpticalBlank, 2.5f);
    ASSERT_EQ(l.state.ScanCount(), 3u);
    const ScanView third = l.state.Scan(2);
    EXPECT_EQ(Text(third.title), "Scan title 3");
    EXPECT_EQ(Text(third.subtitle), "Subtitle 3");
    EXPECT_EQ(Text(third.dateTime), "2026-12-07 08:00:03");
    ASSERT_EQ(third.values.size(), 2048u);
    EXPECT_EQ(third.values[0], 3);
    EXPECT_EQ(third.values[2047], 3);
    EXPECT_EQ(third.opticalBlank, 3.25f);

    // Every section's line is logged as soon as the section has been read; the last three
    // lines come together.
    ASSERT_EQ(l.log.pieces.size(), 13u);
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(std::count(l.log.pieces[i].begin(), l.log.pieces[i].end(), '\n'), 1) << i;
    }
}

TEST(LoadScanFile, ZeroPixelsMakeEmptySpectraAnd196ByteScanRecords) {
    TempDir dir;
    SdfBuilder b = SmallFile(0, 2);
    b.scans[1].values.clear();
    const auto bytes = b.Bytes();
    ASSERT_EQ(bytes.size(), 268u + 2 * 196u);
    Loaded l;
    l.Load(testing::WriteFile(dir / "n0.sdf", bytes));
    EXPECT_EQ(l.state.m_nPixelCount, 0);
    EXPECT_TRUE(l.state.m_pDarkData.empty());
    EXPECT_EQ(l.state.m_fDarkOpticalBlank, 1.5f);
    EXPECT_EQ(l.state.m_fRefOpticalBlank, 2.5f);
    ASSERT_EQ(l.state.ScanCount(), 2u);
    EXPECT_EQ(l.state.Scan(1).opticalBlank, 2.25f);
    EXPECT_TRUE(l.state.Scan(1).values.empty());
}

TEST(LoadScanFile, AFileWithoutScanRecordsLoadsNoneAndStillOffersConvert) {
    TempDir dir;
    const std::string path = SmallFile(256, 0).WriteTo(dir / "empty.sdf");
    Loaded l;
    l.Load(path);
    EXPECT_EQ(testing::ReadBytes(path).size(), 2316u);
    EXPECT_EQ(l.log.log, FullLog(path, 256, 0));
    EXPECT_EQ(l.state.ScanCount(), 0u);
}

TEST(LoadScanFile, TextsOf64NonZeroBytesAreKeptWhole) {
    TempDir dir;
    SdfBuilder b(2);
    testing::ScanContent scan;
    scan.title = std::string(64, 'T');
    scan.subtitle = std::string(64, '\xE9');
    scan.dateTime = std::string(64, 'D');
    scan.values = {1, 2};
    b.AddScan(scan);
    Loaded l;
    l.Load(b.WriteTo(dir / "t.sdf"));
    const ScanView s = l.state.Scan(0);
    EXPECT_EQ(Text(s.title), std::string(64, 'T'));
    EXPECT_EQ(Text(s.subtitle), std::string(64, '\xE9'));
    EXPECT_EQ(Text(s.dateTime), std::string(64, 'D'));
}

TEST(LoadScanFile, TheLargestPixelCountIsTakenUnsigned) {
    TempDir dir;
    SdfBuilder b(3);
    b.ccd.usTotalEffectivePixels = 0xFFFF;  // says 65535, holds 3
    Loaded l;
    l.Load(testing::WriteFile(dir / "big.sdf", b.Bytes()));
    EXPECT_EQ(l.state.m_nPixelCount, 65535);
    EXPECT_EQ(l.state.m_pDarkData.size(), 65535u);
    EXPECT_EQ(l.state.ScanCount(), 0u);
    const std::int64_t missing = 268 + 8 * 65535 - static_cast<std::int64_t>(b.Bytes().size());
    EXPECT_NE(l.log.log.find("Warning: the file ends " + std::to_string(missing) +
                             " bytes early; the missing values were read as 0.\r\n"
                             "Total loaded data number = 0\r\n"),
              std::string::npos);
}

// Cuts a small file at every byte offset: each cut loads, says how much is missing, reads
// what is missing as 0 (never as data of the file loaded before), and keeps cut records.
TEST(LoadScanFile, AFileCutAtAnyByteLoadsWhatIsThereAndSaysHowMuchIsMissing) {
    TempDir dir;
    const std::uint16_t n = 3;
    SdfBuilder b = SmallFile(n, 2);
    b.scans[1].title = "Run";
    b.scans[1].subtitle = "";
    const auto whole = b.Bytes();
    const std::string previous = SmallFile(n, 3).WriteTo(dir / "previous.sdf");

    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        Loaded l;
        // A previous load whose values must not leak into the cut file.
        l.Load(previous);
        for (auto& v : l.state.m_pDarkData) {
            v = 99.0f;
        }
        const std::string path = testing::WriteFile(dir / "cut.sdf", b.BytesCutAt(cut));
        l.Load(path);
        const ScanFile& s = l.state;

        // The pixel count ends at offset 88; a file cut before it says N = 0.
        const std::size_t nRead = cut <= 86 ? 0 : n;
        const std::size_t scanStart = 268 + 8 * nRead;
        const std::size_t recordSize = 196 + 4 * nRead;
        const std::size_t k =
            cut <= scanStart ? 0 : (cut - scanStart + recordSize - 1) / recordSize;
        ASSERT_EQ(s.ScanCount(), k);
        const std::size_t expected = scanStart + k * recordSize;
        EXPECT_EQ(s.m_nMissingBytes, static_cast<std::int64_t>(expected - cut));
        const std::string warning = "Warning: the file ends " + std::to_string(expected - cut) +
                                    " bytes early; the missing values were read as 0.\r\n";
        if (cut == expected) {
            EXPECT_EQ(l.log.log, FullLog(path, static_cast<int>(nRead), static_cast<int>(k)));
        } else {
            EXPECT_NE(l.log.log.find(warning + "Total loaded data number = " + std::to_string(k) +
                                     "\r\nSDF file loading was done.\r\n"),
                      std::string::npos);
        }

        // Dark values begin at offset 260, the reference optical blank value at 264 + 4N.
        ASSERT_EQ(s.m_pDarkData.size(), nRead);
        if (nRead == 0) {
        } else if (cut <= 260) {
            EXPECT_EQ(s.m_pDarkData[0], 0.0f);
        } else if (cut >= 264) {
            EXPECT_EQ(s.m_pDarkData[0], 10.5f);
        }
        if (cut <= 264 + 8 * n) {
            EXPECT_EQ(s.m_fRefOpticalBlank, 0.0f);
        } else if (cut >= 268 + 8 * n) {
            EXPECT_EQ(s.m_fRefOpticalBlank, 2.5f);
        }
        if (cut <= 76 + 10) {
            EXPECT_EQ(s.m_nPixelCount, 0);
        }

        if (k == 2) {
            const ScanView last = s.Scan(1);
            const std::size_t into = cut - scanStart - recordSize;  // bytes of record 2
            // "Run" then zeros: a title cut after 1 or 2 bytes keeps the default's tail.
            const char* const titles[] = {"", "Rroject Title", "Ruoject Title", "Runject Title"};
            EXPECT_EQ(Text(last.title), into < 4 ? titles[into] : "Run");
            if (into < 65) {
                EXPECT_EQ(Text(last.subtitle), "Subtitle");
            }
            if (into <= 192 + 4 * (n - 1)) {
                EXPECT_EQ(last.values[n - 1], 0);
            } else if (into >= 192 + 4 * n) {
                EXPECT_EQ(last.values[n - 1], 2);
            }
            if (into <= 192 + 4 * n) {
                EXPECT_EQ(last.opticalBlank, 0.0f);
            } else if (into == recordSize) {
                EXPECT_EQ(last.opticalBlank, 2.25f);
            }
        }
    }
}

TEST(LoadScanFile, ASecondFileWithFewerPixelsAndScansReplacesEverything) {
    TempDir dir;
    Loaded l;
    l.Load(SmallFile(2048, 3).WriteTo(dir / "a.sdf"));
    const std::string second = SmallFile(16, 1).WriteTo(dir / "b.sdf");
    l.Load(second);
    EXPECT_EQ(l.log.log, FullLog(second, 16, 1));
    EXPECT_EQ(l.state.m_nPixelCount, 16);
    EXPECT_EQ(l.state.m_pDarkData.size(), 16u);
    EXPECT_EQ(l.state.ScanCount(), 1u);
    ASSERT_EQ(l.state.ScanCount(), 1u);
    EXPECT_EQ(l.state.Scan(0).values.size(), 16u);
}

TEST(LoadScanFile, AFileThatCannotBeOpenedLogsNothingAndRaisesFileError) {
    TempDir dir;
    for (const std::string& bad : {dir / "missing.sdf", dir.Path()}) {
        FakeLog log;
        EXPECT_THROW(LoadScanFile(bad, log), FileError) << bad;
        EXPECT_EQ(log.log, "") << bad;
    }
}

TEST(CSaveData, ANewRecordHasTheDefaultTextsAndItsCountsAllocated) {
    CSaveData record(4);
    EXPECT_EQ(FieldText(record.m_szTitle), "Project Title");
    EXPECT_EQ(FieldText(record.m_szSubtitle), "Subtitle");
    EXPECT_EQ(FieldText(record.m_szDateTime), "");
    EXPECT_EQ(record.m_fOpticalBlank, 0.0f);
    EXPECT_EQ(record.Values().size(), 4u);
}

}  // namespace
}  // namespace quillon
