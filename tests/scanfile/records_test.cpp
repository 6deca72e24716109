// Decoding the parameter records from their stored little-endian bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "scanfile/records.h"

namespace quillon {
namespace {

TEST(StatusData, ExampleBytesGiveANegativeWholeStatusAndSixFlags) {
    const unsigned char bytes[12] = {0x21, 0x00, 0x05, 0x80, 0x02, 0x00};
    const StatusData s = StatusData::Decode(bytes);
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
    const unsigned char bytes[12] = {0xE0, 0xEC, 0x03, 0x00, 0x00, 0x00};
    const StatusData s = StatusData::Decode(bytes);
    EXPECT_EQ(s.ScanMode(), 7u);
    EXPECT_EQ(s.DarkScan(), 3u);
    EXPECT_EQ(s.RefScan(), 3u);
    EXPECT_EQ(s.GraphUnit(), 3u);
    EXPECT_EQ(s.RefApply(), 0u);
    EXPECT_EQ(s.FFTApply(), 0u);
}

TEST(CcdData, FieldsSitAtTheirStoredOffsets) {
    unsigned char bytes[76] = {};
    bytes[0] = 0x34, bytes[1] = 0x12;    // usTotalColPixels
    bytes[2] = 0x02, bytes[3] = 0x01;    // usTotalRowPixels
    bytes[10] = 0xFF, bytes[11] = 0xFF;  // usTotalEffectivePixels
    bytes[26] = 0xAA, bytes[27] = 0xBB;  // padding, not a field
    bytes[28] = 0xFE, bytes[29] = 0xFF, bytes[30] = 0xFF, bytes[31] = 0xFF;  // nFFT = -2
    const float cal0 = 1.5f;
    const float temp = -12.25f;
    std::memcpy(bytes + 32, &cal0, 4);
    std::memcpy(bytes + 72, &temp, 4);
    const CcdData ccd = CcdData::Decode(bytes);
    EXPECT_EQ(ccd.usTotalColPixels, 0x1234);
    EXPECT_EQ(ccd.usTotalRowPixels, 0x0102);
    EXPECT_EQ(ccd.usTotalEffectivePixels, 65535);
    EXPECT_EQ(ccd.nFFT, -2);
    EXPECT_EQ(ccd.fCal[0], 1.5f);
    EXPECT_EQ(ccd.fTemp, -12.25f);

    unsigned char again[76];
    ccd.Encode(again);
    EXPECT_EQ(std::memcmp(bytes, again, 76), 0);
}

TEST(AcquireData, FftMaxIsSignedAndUnTempIs32Bit) {
    unsigned char bytes[16] = {};
    bytes[8] = 0xFF, bytes[9] = 0xFF;
    bytes[12] = 0x00, bytes[13] = 0x00, bytes[14] = 0x00, bytes[15] = 0x80;
    const AcquireData a = AcquireData::Decode(bytes);
    EXPECT_EQ(a.usFFTMax, -1);
    EXPECT_EQ(a.unTemp, -2147483647 - 1);
}

TEST(HeaderData, FilenameTextEndsAtItsFirstZeroOrFillsTheField) {
    unsigned char bytes[76] = {};
    std::memset(bytes, 'x', 64);
    bytes[64] = 100;  // no = 100
    HeaderData h = HeaderData::Decode(bytes);
    EXPECT_EQ(FieldText(h.filename), std::string(64, 'x'));
    EXPECT_EQ(h.no, 100);
    bytes[3] = 0;
    h = HeaderData::Decode(bytes);
    EXPECT_EQ(FieldText(h.filename), "xxx");
    bytes[0] = 0;
    h = HeaderData::Decode(bytes);
    EXPECT_EQ(FieldText(h.filename), "");
}

}  // namespace
}  // namespace quillon
