// SPDX-License-Identifier: MIT
// A whole scan data file written by hand, one comment per field with its file offset, name and
// value: two pixels and one scan record. The loader must read every value from its place, and
// the file writer must write the very same bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "fake_log.h"
#include "scanfile/loader.h"
#include "scanfile/sdf_writer.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Join(std::initializer_list<Bytes> pieces) {
    Bytes out;
    for (const Bytes& piece : pieces) {
        out.insert(out.end(), piece.begin(), piece.end());
    }
    return out;
}
Bytes Chars(std::string_view text) {
    return Bytes(text.begin(), text.end());
}
Bytes Zeros(std::size_t count) {
    return Bytes(count, 0);
}

constexpr std::string_view kSubtitle =
    "Integration 100 ms, average 1, slit 25 um, Hg-Ar lamp, run 7 end";
static_assert(kSubtitle.size() == 64);

// N = 2, one scan record: 268 + 8 * 2 + (196 + 4 * 2) = 488 bytes.
const Bytes kFile = Join({
    // HeaderData, 76 bytes at 0.
    Chars("tiny.sdf"),         // 0: filename "tiny.sdf"
    Zeros(56),                 // 8..63: filename, zero fill
    {0x01, 0x00, 0x00, 0x00},  // 64: no = 1
    Zeros(8),                  // 68: time = 0; 72: fOticalBlank = 0.0f
    // CcdData, 76 bytes at 76.
    Zeros(10),                 // 76..85: usTotalColPixels .. usStartEffectivePixel = 0
    {0x02, 0x00},              // 86: usTotalEffectivePixels = 2 (N)
    Zeros(20),                 // 88..107: usConversionBit .. usAddress, padding, nFFT = 0
    {0x00, 0x00, 0x48, 0x43},  // 108: fCal[0] = 200.0f
    {0x00, 0x00, 0x00, 0x3F},  // 112: fCal[1] = 0.5f
    Zeros(36),                 // 116..151: fCal[2..4], fRCal[0..4], fTemp = 0.0f
    // AcquireData, 16 bytes at 152.
    {0xC8, 0x00},  // 152: usStartWavelength = 200
    Zeros(14),     // 154..167: usEndWavelength .. unTemp = 0
    // DisplayScaleData, 56 bytes at 168.
    {0xFB, 0xFF, 0xFF, 0xFF},  // 168: usMinXP = -5
    Zeros(52),                 // 172..223: usMaxXP .. fRes = 0
    // IntegrationTimeData, 24 bytes at 224.
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x59, 0x40},  // 224: m_nIntTime = 100.5
    Zeros(16),  // 232..247: m_nIntTimeMin, m_nIntTimeMax = 0.0
    // StatusData, 12 bytes at 248.
    {0x21, 0x00},  // 248: status word 0 = 0x0021: DataStart 1, DarkScan 1
    {0x05, 0x80},  // 250: status word 1 = 0x8005: GraphUnit 1, ScanOrFile 1, SubstractDark 1
    {0x02, 0x00},  // 252: status word 2 = 0x0002: TriggerMode 1
    Zeros(6),      // 254..259: reserved
    // Dark spectrum at 260, reference spectrum at 264 + 4N = 272.
    {0x00, 0x00, 0x20, 0x41},  // 260: dark, pixel 1 = 10.0f
    {0x00, 0x00, 0x28, 0x41},  // 264: dark, pixel 2 = 10.5f
    {0x00, 0x00, 0xC0, 0x3F},  // 268: dark optical blank = 1.5f
    {0x00, 0x00, 0x7A, 0x44},  // 272: reference, pixel 1 = 1000.0f
    {0x00, 0x00, 0x80, 0xBE},  // 276: reference, pixel 2 = -0.25f
    {0x00, 0x00, 0x20, 0x40},  // 280: reference optical blank = 2.5f
    // Scan record 1, 196 + 4N = 204 bytes at 268 + 8N = 284.
    Chars("Hg lamp"),              // 284: title "Hg lamp" ...
    {0x00},                        // 291: ... its end
    Chars("old"),                  // 292: bytes after the end, stored but no text
    Zeros(53),                     // 295..347: title, zero fill
    Chars(kSubtitle),              // 348: subtitle, all 64 bytes text, no end byte
    Chars("2026-12-07 09:00:00"),  // 412: date and time
    Zeros(45),                     // 431..475: date and time, zero fill
    {0x39, 0x30, 0x00, 0x00},      // 476: count, pixel 1 = 12345
    {0xFE, 0xFF, 0xFF, 0xFF},      // 480: count, pixel 2 = -2
    {0x00, 0x08, 0x62, 0x44},      // 484: optical blank = 904.125f
});

TEST(HandWrittenFile, EveryValueLoadsFromItsPlace) {
    ASSERT_EQ(kFile.size(), 488u);
    ASSERT_EQ(FixedPartSize(2) + ScanRecordSize(2), 488);
    testing::TempDir dir;
    const std::string path = testing::WriteFile(dir / "tiny.sdf", kFile);

    testing::FakeLog log;
    const ScanFile s = LoadScanFile(path, log);

    EXPECT_EQ(FieldText(s.m_Header.filename), "tiny.sdf");
    EXPECT_EQ(s.m_Header.no, 1);
    EXPECT_EQ(s.m_Ccd.usTotalEffectivePixels, 2);
    EXPECT_EQ(s.m_Ccd.fCal[0], 200.0f);
    EXPECT_EQ(s.m_Ccd.fCal[1], 0.5f);
    EXPECT_EQ(s.m_Acquire.usStartWavelength, 200);
    EXPECT_EQ(s.m_Scale.usMinXP, -5);
    EXPECT_EQ(s.m_IntTime.m_nIntTime, 100.5);
    EXPECT_EQ(s.m_Status.WholeStatus(), -2147155935);
    EXPECT_EQ(s.m_Status.TriggerMode(), 1u);

    EXPECT_EQ(s.m_nPixelCount, 2);
    EXPECT_EQ(s.m_pDarkData, (std::vector<float>{10.0f, 10.5f}));
    EXPECT_EQ(s.m_fDarkOpticalBlank, 1.5f);
    EXPECT_EQ(s.m_pRefData, (std::vector<float>{1000.0f, -0.25f}));
    EXPECT_EQ(s.m_fRefOpticalBlank, 2.5f);

    ASSERT_EQ(s.ScanCount(), 1u);
    const ScanView scan = s.Scan(0);
    EXPECT_EQ(std::string(scan.title, kScanTextSize),
              std::string("Hg lamp\0old", 11) + std::string(53, '\0'));
    EXPECT_EQ(std::string(scan.subtitle, kScanTextSize), kSubtitle);
    EXPECT_EQ(std::string(scan.dateTime, kScanTextSize),
              "2026-12-07 09:00:00" + std::string(45, '\0'));
    EXPECT_EQ(std::vector<std::int32_t>(scan.values.begin(), scan.values.end()),
              (std::vector<std::int32_t>{12345, -2}));
    EXPECT_EQ(scan.opticalBlank, 904.125f);
    EXPECT_EQ(s.m_nFileSize, 488u);
    EXPECT_EQ(s.m_nMissingBytes, 0);
}

TEST(HandWrittenFile, TheFileWriterWritesTheSameBytes) {
    ParameterRecords records;
    StoreFieldText(records.header.filename, "tiny.sdf");
    records.header.no = 1;
    records.ccd.usTotalEffectivePixels = 2;
    records.ccd.fCal[0] = 200.0f;
    records.ccd.fCal[1] = 0.5f;
    records.acquire.usStartWavelength = 200;
    records.scale.usMinXP = -5;
    records.intTime.m_nIntTime = 100.5;
    records.status.word0 = 0x0021;
    records.status.word1 = 0x8005;
    records.status.word2 = 0x0002;
    const float dark[] = {10.0f, 10.5f};
    const float ref[] = {1000.0f, -0.25f};
    const std::int32_t counts[] = {12345, -2};

    Bytes out;
    AppendRecords(out, records);
    AppendSpectrum(out, dark, 1.5f);
    AppendSpectrum(out, ref, 2.5f);
    AppendScanRecord(out, {std::string_view("Hg lamp\0old", 11), kSubtitle, "2026-12-07 09:00:00",
                           counts, 904.125f});
    EXPECT_EQ(out, kFile);
}

}  // namespace
}  // namespace quillon
