// SPDX-License-Identifier: MIT
// The six parameter records decoded from bytes written by hand, one comment per field with its
// offset in the record, its name and its value; their encoding; the lengths of the file's parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "scanfile/records.h"

namespace quillon {
namespace {

// HeaderData, 76 bytes.
constexpr unsigned char kHeaderBytes[HeaderData::kSize] = {
    'r',  'u',  'n',  '7',  '.',  's',  'd',  'f',   // 0: filename "run7.sdf" ...
    0x00, 'o',  'l',  'd',  0x00, 0x00, 0x00, 0x00,  // 8: ... its end; "old" after it is no text
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 16: filename, zero fill
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 24: filename, zero fill
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 32: filename, zero fill
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 40: filename, zero fill
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 48: filename, zero fill
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 56: filename, zero fill
    0xFD, 0xFF, 0xFF, 0xFF,                          // 64: no = -3
    0x04, 0x03, 0x02, 0x01,                          // 68: time = 0x01020304 = 16909060
    0x00, 0x20, 0x64, 0x44,                          // 72: fOticalBlank = 912.5f
};

// CcdData, 76 bytes: the detector configuration.
constexpr unsigned char kCcdBytes[CcdData::kSize] = {
    0x28, 0x08,              // 0: usTotalColPixels = 2088
    0x02, 0x01,              // 2: usTotalRowPixels = 258
    0x03, 0x02,              // 4: usStartBlankPixel = 515
    0x0C, 0x00,              // 6: usTotalBlankPixels = 12
    0x20, 0x00,              // 8: usStartEffectivePixel = 32
    0x00, 0x08,              // 10: usTotalEffectivePixels = 2048 (N)
    0x10, 0x00,              // 12: usConversionBit = 16
    0x03, 0x00,              // 14: usUnitType = 3
    0x11, 0x01,              // 16: usDeviceNo = 273
    0x22, 0x02,              // 18: usChannelNo = 546
    0x05, 0x00,              // 20: usBoardType = 5
    0xFF, 0xFF,              // 22: usGain = 65535
    0x00, 0x03,              // 24: usAddress = 0x300 = 768
    0xAA, 0xBB,              // 26: padding, not a field
    0xFE, 0xFF, 0xFF, 0xFF,  // 28: nFFT = -2
    0x00, 0x00, 0x48, 0x43,  // 32: fCal[0] = 200.0f
    0x00, 0x00, 0x00, 0x3F,  // 36: fCal[1] = 0.5f
    0x00, 0x00, 0x00, 0xB9,  // 40: fCal[2] = -2^-13 = -0.0001220703125f
    0x00, 0x00, 0x80, 0x30,  // 44: fCal[3] = 2^-30
    0x00, 0x00, 0xF0, 0x40,  // 48: fCal[4] = 7.5f
    0x00, 0x00, 0xA0, 0x3F,  // 52: fRCal[0] = 1.25f
    0x00, 0x00, 0x20, 0xC0,  // 56: fRCal[1] = -2.5f
    0x00, 0x00, 0x00, 0x3E,  // 60: fRCal[2] = 0.125f
    0x00, 0x00, 0x80, 0x44,  // 64: fRCal[3] = 1024.0f
    0x00, 0x00, 0x80, 0xBD,  // 68: fRCal[4] = -0.0625f
    0x00, 0x00, 0x44, 0xC1,  // 72: fTemp = -12.25f
};

// AcquireData, 16 bytes: the display configuration.
constexpr unsigned char kAcquireBytes[AcquireData::kSize] = {
    0xC8, 0x00,              // 0: usStartWavelength = 200
    0x4C, 0x04,              // 2: usEndWavelength = 1100
    0x03, 0x00,              // 4: usTimeAverage = 3
    0x02, 0x00,              // 6: usBinningAverage = 2
    0xFF, 0xFF,              // 8: usFFTMax = -1 (signed)
    0x5A, 0xA5,              // 10: padding, not a field
    0x19, 0x00, 0x00, 0x80,  // 12: unTemp = 0x80000019 = -2147483623 (signed)
};

// DisplayScaleData, 56 bytes: the graphic display scale.
constexpr unsigned char kScaleBytes[DisplayScaleData::kSize] = {
    0xFB, 0xFF, 0xFF, 0xFF,  // 0: usMinXP = -5 (signed 32-bit)
    0x00, 0x08, 0x00, 0x00,  // 4: usMaxXP = 2048
    0x00, 0x00, 0x01, 0x00,  // 8: usMinYP = 65536
    0x70, 0x11, 0x01, 0x00,  // 12: usMaxYP = 70000
    0x00, 0x00, 0x48, 0x43,  // 16: fMinWL = 200.0f
    0x00, 0x80, 0x89, 0x44,  // 20: fMaxWL = 1100.0f
    0x00, 0x00, 0x00, 0x3F,  // 24: fWavelengthInterval = 0.5f
    0x00, 0x00, 0x80, 0xBF,  // 28: fMinT = -1.0f
    0x00, 0x00, 0xC8, 0x42,  // 32: fMaxT = 100.0f
    0x00, 0x00, 0x80, 0xBE,  // 36: fMinA = -0.25f
    0x00, 0x00, 0x40, 0x40,  // 40: fMaxA = 3.0f
    0x00, 0x00, 0xC0, 0x3F,  // 44: fMinI = 1.5f
    0x00, 0xFF, 0x7F, 0x47,  // 48: fMaxI = 65535.0f
    0x00, 0x00, 0x00, 0x3E,  // 52: fRes = 0.125f
};

// IntegrationTimeData, 24 bytes.
constexpr unsigned char kIntTimeBytes[IntegrationTimeData::kSize] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x59, 0x40,  // 0: m_nIntTime = 100.5 (double)
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x40,  // 8: m_nIntTimeMin = 3.0 (double)
    0x00, 0x00, 0x00, 0x00, 0x08, 0xBD, 0xEF, 0x40,  // 16: m_nIntTimeMax = 65000.25 (double)
};

// StatusData, 12 bytes: the data status.
constexpr unsigned char kStatusBytes[StatusData::kSize] = {
    // 0: status word 0 = 0xC6C5: DataStart 1 (bit 0), DataOneStep 0 (1), DataPending 1 (2),
    //    DrawStart 0 (3), DrawPending 0 (4), DarkScan 2 (5-6), DarkApply 1 (7),
    //    DarkOpticalBlank 0 (8), FFTApply 1 (9), RefScan 1 (10-11), RefApply 0 (12),
    //    ScanMode 6 (13-15)
    0xC5, 0xC6,
    // 2: status word 1 = 0xD696: GraphUnit 2 (bits 0-1), ScanOrFile 1 (2), PixelOrWL 0 (3),
    //    Direction 1 (4), Irradiance 0 (5), BaseLine 0 (6), TimeLine 1 (7), OnlyFileMode 0 (8),
    //    Trigger 1 (9), DarkDisplay 1 (10), RefDisplay 0 (11), PixelFlip 1 (12),
    //    IsDarkSubtract 0 (13), StrongStop 1 (14), SubstractDark 1 (15)
    0x96, 0xD6,
    // 4: status word 2 = 0xF00E: TRIGGERCHANGE 0 (bit 0), TriggerMode 1 (1); bits 2-15 are
    //    not flags
    0x0E, 0xF0, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,  // 6: reserved, not interpreted
};

TEST(HeaderData, HandWrittenBytesDecodeToEveryField) {
    const HeaderData h = DecodeRecord<HeaderData>(kHeaderBytes);
    EXPECT_EQ(FieldText(h.filename), "run7.sdf");
    EXPECT_EQ(h.no, -3);
    EXPECT_EQ(h.time, 16909060);
    EXPECT_EQ(h.fOticalBlank, 912.5f);
}

TEST(CcdData, HandWrittenBytesDecodeToEveryField) {
    const CcdData c = DecodeRecord<CcdData>(kCcdBytes);
    EXPECT_EQ(c.usTotalColPixels, 2088);
    EXPECT_EQ(c.usTotalRowPixels, 258);
    EXPECT_EQ(c.usStartBlankPixel, 515);
    EXPECT_EQ(c.usTotalBlankPixels, 12);
    EXPECT_EQ(c.usStartEffectivePixel, 32);
    EXPECT_EQ(c.usTotalEffectivePixels, 2048);
    EXPECT_EQ(c.usConversionBit, 16);
    EXPECT_EQ(c.usUnitType, 3);
    EXPECT_EQ(c.usDeviceNo, 273);
    EXPECT_EQ(c.usChannelNo, 546);
    EXPECT_EQ(c.usBoardType, 5);
    EXPECT_EQ(c.usGain, 65535);
    EXPECT_EQ(c.usAddress, 768);
    EXPECT_EQ(c.padding[0], 0xAA);
    EXPECT_EQ(c.padding[1], 0xBB);
    EXPECT_EQ(c.nFFT, -2);
    EXPECT_EQ(c.fCal[0], 200.0f);
    EXPECT_EQ(c.fCal[1], 0.5f);
    EXPECT_EQ(c.fCal[2], -0.0001220703125f);
    EXPECT_EQ(c.fCal[3], 0x1p-30f);
    EXPECT_EQ(c.fCal[4], 7.5f);
    EXPECT_EQ(c.fRCal[0], 1.25f);
    EXPECT_EQ(c.fRCal[1], -2.5f);
    EXPECT_EQ(c.fRCal[2], 0.125f);
    EXPECT_EQ(c.fRCal[3], 1024.0f);
    EXPECT_EQ(c.fRCal[4], -0.0625f);
    EXPECT_EQ(c.fTemp, -12.25f);
}

TEST(AcquireData, HandWrittenBytesDecodeToEveryField) {
    const AcquireData a = DecodeRecord<AcquireData>(kAcquireBytes);
    EXPECT_EQ(a.usStartWavelength, 200);
    EXPECT_EQ(a.usEndWavelength, 1100);
    EXPECT_EQ(a.usTimeAverage, 3);
    EXPECT_EQ(a.usBinningAverage, 2);
    EXPECT_EQ(a.usFFTMax, -1);
    EXPECT_EQ(a.padding[0], 0x5A);
    EXPECT_EQ(a.padding[1], 0xA5);
    EXPECT_EQ(a.unTemp, -2147483623);
}

TEST(DisplayScaleData, HandWrittenBytesDecodeToEveryField) {
    const DisplayScaleData d = DecodeRecord<DisplayScaleData>(kScaleBytes);
    EXPECT_EQ(d.usMinXP, -5);
    EXPECT_EQ(d.usMaxXP, 2048);
    EXPECT_EQ(d.usMinYP, 65536);
    EXPECT_EQ(d.usMaxYP, 70000);
    EXPECT_EQ(d.fMinWL, 200.0f);
    EXPECT_EQ(d.fMaxWL, 1100.0f);
    EXPECT_EQ(d.fWavelengthInterval, 0.5f);
    EXPECT_EQ(d.fMinT, -1.0f);
    EXPECT_EQ(d.fMaxT, 100.0f);
    EXPECT_EQ(d.fMinA, -0.25f);
    EXPECT_EQ(d.fMaxA, 3.0f);
    EXPECT_EQ(d.fMinI, 1.5f);
    EXPECT_EQ(d.fMaxI, 65535.0f);
    EXPECT_EQ(d.fRes, 0.125f);
}

TEST(IntegrationTimeData, HandWrittenBytesDecodeToEveryField) {
    const IntegrationTimeData t = DecodeRecord<IntegrationTimeData>(kIntTimeBytes);
    EXPECT_EQ(t.m_nIntTime, 100.5);
    EXPECT_EQ(t.m_nIntTimeMin, 3.0);
    EXPECT_EQ(t.m_nIntTimeMax, 65000.25);
}

TEST(StatusData, HandWrittenBytesDecodeToEveryWordFlagAndWholeStatus) {
    const StatusData s = DecodeRecord<StatusData>(kStatusBytes);
    EXPECT_EQ(s.word0, 0xC6C5);
    EXPECT_EQ(s.word1, 0xD696);
    EXPECT_EQ(s.word2, 0xF00E);
    EXPECT_EQ(std::vector<unsigned char>(std::begin(s.reserved), std::end(s.reserved)),
              (std::vector<unsigned char>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(s.WholeStatus(), -694761787);  // 0xD696C6C5: word 1 high, word 0 low

    const struct {
        const char* name;
        unsigned value;
        unsigned expected;
    } flags[] = {
        {"DataStart", s.DataStart(), 1},
        {"DataOneStep", s.DataOneStep(), 0},
        {"DataPending", s.DataPending(), 1},
        {"DrawStart", s.DrawStart(), 0},
        {"DrawPending", s.DrawPending(), 0},
        {"DarkScan", s.DarkScan(), 2},
        {"DarkApply", s.DarkApply(), 1},
        {"DarkOpticalBlank", s.DarkOpticalBlank(), 0},
        {"FFTApply", s.FFTApply(), 1},
        {"RefScan", s.RefScan(), 1},
        {"RefApply", s.RefApply(), 0},
        {"ScanMode", s.ScanMode(), 6},
        {"GraphUnit", s.GraphUnit(), 2},
        {"ScanOrFile", s.ScanOrFile(), 1},
        {"PixelOrWL", s.PixelOrWL(), 0},
        {"Direction", s.Direction(), 1},
        {"Irradiance", s.Irradiance(), 0},
        {"BaseLine", s.BaseLine(), 0},
        {"TimeLine", s.TimeLine(), 1},
        {"OnlyFileMode", s.OnlyFileMode(), 0},
        {"Trigger", s.Trigger(), 1},
        {"DarkDisplay", s.DarkDisplay(), 1},
        {"RefDisplay", s.RefDisplay(), 0},
        {"PixelFlip", s.PixelFlip(), 1},
        {"IsDarkSubtract", s.IsDarkSubtract(), 0},
        {"StrongStop", s.StrongStop(), 1},
        {"SubstractDark", s.SubstractDark(), 1},
        {"TRIGGERCHANGE", s.TRIGGERCHANGE(), 0},
        {"TriggerMode", s.TriggerMode(), 1},
    };
    for (const auto& flag : flags) {
        EXPECT_EQ(flag.value, flag.expected) << flag.name;
    }
}

TEST(StatusData, WorkedExampleBytesGiveANegativeWholeStatusAndSixFlags) {
    const unsigned char bytes[StatusData::kSize] = {0x21, 0x00, 0x05, 0x80, 0x02, 0x00};
    const StatusData s = DecodeRecord<StatusData>(bytes);
    EXPECT_EQ(s.WholeStatus(), -2147155935);
    const unsigned flags[] = {
        s.DataStart(),  s.DataOneStep(),   s.DataPending(),      s.DrawStart(),  s.DrawPending(),
        s.DarkScan(),   s.DarkApply(),     s.DarkOpticalBlank(), s.FFTApply(),   s.RefScan(),
        s.RefApply(),   s.ScanMode(),      s.GraphUnit(),        s.ScanOrFile(), s.PixelOrWL(),
        s.Direction(),  s.Irradiance(),    s.BaseLine(),         s.TimeLine(),   s.OnlyFileMode(),
        s.Trigger(),    s.DarkDisplay(),   s.RefDisplay(),       s.PixelFlip(),  s.IsDarkSubtract(),
        s.StrongStop(), s.SubstractDark(), s.TRIGGERCHANGE(),    s.TriggerMode()};
    // DataStart, DarkScan, GraphUnit, ScanOrFile, SubstractDark and TriggerMode.
    const unsigned expected[] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 1, 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1};
    ASSERT_EQ(std::size(flags), std::size(expected));
    for (std::size_t i = 0; i < std::size(flags); ++i) {
        EXPECT_EQ(flags[i], expected[i]) << "flag " << i;
    }
}

TEST(StatusData, MultiBitFlagsTakeTheirFullRange) {
    const unsigned char bytes[StatusData::kSize] = {0xE0, 0xEC, 0x03, 0x00, 0x00, 0x00};
    const StatusData s = DecodeRecord<StatusData>(bytes);
    EXPECT_EQ(s.ScanMode(), 7u);
    EXPECT_EQ(s.DarkScan(), 3u);
    EXPECT_EQ(s.RefScan(), 3u);
    EXPECT_EQ(s.GraphUnit(), 3u);
    EXPECT_EQ(s.RefApply(), 0u);
    EXPECT_EQ(s.FFTApply(), 0u);
}

TEST(HeaderData, FilenameTextEndsAtItsFirstZeroOrFillsTheField) {
    unsigned char bytes[HeaderData::kSize] = {};
    std::memset(bytes, 'x', 64);
    HeaderData h = DecodeRecord<HeaderData>(bytes);
    EXPECT_EQ(FieldText(h.filename), std::string(64, 'x'));
    bytes[3] = 0;
    h = DecodeRecord<HeaderData>(bytes);
    EXPECT_EQ(FieldText(h.filename), "xxx");
    bytes[0] = 0;
    h = DecodeRecord<HeaderData>(bytes);
    EXPECT_EQ(FieldText(h.filename), "");
}

// Encoding a decoded record gives back every stored byte, padding and reserved bytes included.
template <typename Record, std::size_t Size>
std::vector<unsigned char> EncodedAgain(const unsigned char (&bytes)[Size]) {
    std::array<unsigned char, Record::kSize> out{};
    EncodeRecord(DecodeRecord<Record>(bytes), std::span<unsigned char, Record::kSize>(out));
    return {out.begin(), out.end()};
}

TEST(EncodeRecord, EveryRecordEncodesBackToItsHandWrittenBytes) {
    const auto Bytes = [](const auto& array) {
        return std::vector<unsigned char>(std::begin(array), std::end(array));
    };
    EXPECT_EQ(EncodedAgain<HeaderData>(kHeaderBytes), Bytes(kHeaderBytes));
    EXPECT_EQ(EncodedAgain<CcdData>(kCcdBytes), Bytes(kCcdBytes));
    EXPECT_EQ(EncodedAgain<AcquireData>(kAcquireBytes), Bytes(kAcquireBytes));
    EXPECT_EQ(EncodedAgain<DisplayScaleData>(kScaleBytes), Bytes(kScaleBytes));
    EXPECT_EQ(EncodedAgain<IntegrationTimeData>(kIntTimeBytes), Bytes(kIntTimeBytes));
    EXPECT_EQ(EncodedAgain<StatusData>(kStatusBytes), Bytes(kStatusBytes));
}

TEST(StoreFieldText, TextIsCutAtTheFieldWidthAndTheRestOfTheFieldZeroed) {
    const struct {
        std::string text;
        std::string stored;  // all 8 bytes of the field
    } cases[] = {
        {"", std::string(8, '\0')},
        {"abc", std::string("abc") + std::string(5, '\0')},
        {"abcdefgh", "abcdefgh"},
        {"abcdefghij", "abcdefgh"},
        {std::string("a\0b", 3), std::string("a\0b", 3) + std::string(5, '\0')},
    };
    for (const auto& c : cases) {
        char field[8];
        std::fill(std::begin(field), std::end(field), '#');  // what an earlier text left
        StoreFieldText(field, c.text);
        EXPECT_EQ(std::string(field, sizeof field), c.stored) << c.text;
    }
}

// Lengths from the file's worked examples: N = 0 puts the first scan record at 268 and makes
// each record 196 bytes; three scans of 2048 pixels make 41,816 bytes with the third record
// at 33,428; 256 pixels and no scans make 2,316 bytes.
TEST(FileLayout, FixedPartAndScanRecordLengthsFollowFromThePixelCount) {
    EXPECT_EQ(kRecordsSize, 260u);
    const struct {
        std::int64_t n;
        std::int64_t fixedPart;
        std::int64_t scanRecord;
    } cases[] = {
        {0, 268, 196},
        {1, 276, 200},
        {256, 2'316, 1'220},
        {2048, 16'652, 8'388},
        {65535, 524'548, 262'336},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FixedPartSize(c.n), c.fixedPart) << "N = " << c.n;
        EXPECT_EQ(ScanRecordSize(c.n), c.scanRecord) << "N = " << c.n;
    }
    EXPECT_EQ(FixedPartSize(2048) + 3 * ScanRecordSize(2048), 41'816);
    EXPECT_EQ(FixedPartSize(2048) + 2 * ScanRecordSize(2048), 33'428);
}

}  // namespace
}  // namespace quillon
