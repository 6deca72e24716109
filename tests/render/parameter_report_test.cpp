// SPDX-License-Identifier: MIT
// The parameter report: the whole text of one set of records written out line by line, the
// status example, the text fields, the section spacing and the six log lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_log.h"
#include "render/parameter_report.h"
#include "sdf_builder.h"

namespace quillon {
namespace {

using testing::FakeLog;

// Records whose every field holds a value of its own.
ScanFile Records() {
    ScanFile s;
    testing::SetField(s.m_Header.filename, 64, "run1.sdf");
    s.m_Header.no = 7;
    s.m_Header.time = 100;
    s.m_Header.fOticalBlank = 1.5f;

    CcdData& c = s.m_Ccd;
    c.usTotalColPixels = 2068;
    c.usTotalRowPixels = 64;
    c.usStartBlankPixel = 1;
    c.usTotalBlankPixels = 10;
    c.usStartEffectivePixel = 11;
    c.usTotalEffectivePixels = 0xFFFF;
    c.usConversionBit = 16;
    c.usUnitType = 2;
    c.usDeviceNo = 3;
    c.usChannelNo = 4;
    c.usBoardType = 5;
    c.usGain = 6;
    c.usAddress = 0x300;
    c.padding[0] = 0xAB;  // never shown
    c.nFFT = -1;
    c.fCal[0] = 1.5f;
    c.fCal[1] = 0.25f;
    c.fCal[2] = -0.001f;
    c.fCal[3] = 1e-7f;
    c.fCal[4] = 1e30f;
    c.fRCal[0] = 100.0f;
    c.fRCal[1] = -2.5f;
    c.fRCal[2] = 0.0078125f;
    c.fRCal[3] = 0.0234375f;
    c.fRCal[4] = -0.0f;
    c.fTemp = -10.25f;

    AcquireData& a = s.m_Acquire;
    a.usStartWavelength = 200;
    a.usEndWavelength = 1100;
    a.usTimeAverage = 3;
    a.usBinningAverage = 65535;
    a.usFFTMax = -1;  // stored 0xFFFF
    a.unTemp = -40;

    DisplayScaleData& d = s.m_Scale;
    d.usMinXP = 0;
    d.usMaxXP = 2047;
    d.usMinYP = -100;
    d.usMaxYP = 65536;
    d.fMinWL = 200.0f;
    d.fMaxWL = 1100.5f;
    d.fWavelengthInterval = 0.5f;
    d.fMinT = 0.0f;
    d.fMaxT = 100.0f;
    d.fMinA = -0.25f;
    d.fMaxA = 3.0f;
    d.fMinI = 0.0f;
    d.fMaxI = 65535.0f;
    d.fRes = 0.1f;

    s.m_IntTime.m_nIntTime = 100.0;
    s.m_IntTime.m_nIntTimeMin = 0.0015;
    s.m_IntTime.m_nIntTimeMax = 65000.123456789;

    // Status record bytes 21 00 05 80 02 00.
    const unsigned char status[12] = {0x21, 0x00, 0x05, 0x80, 0x02, 0x00};
    s.m_Status = DecodeRecord<StatusData>(status);
    return s;
}

const char kReport[] =
    "HEADER DATA\n"
    "\t filename: run1.sdf\n"
    "\t fOticalBlank: 1.500000\n"
    "\t no: 7\n"
    "\t time: 100\n"
    "\n\n"
    "CCD DATA\n"
    "\t usTotalColPixels: 2068\n"
    "\t usTotalRowPixels: 64\n"
    "\t usStartBlankPixel: 1\n"
    "\t usTotalBlankPixels: 10\n"
    "\t usStartEffectivePixel: 11\n"
    "\t usTotalEffectivePixels: 65535\n"
    "\t usConversionBit: 16\n"
    "\t usUnitType: 2\n"
    "\t usDeviceNo: 3\n"
    "\t usChannelNo: 4\n"
    "\t usBoardType: 5\n"
    "\t usGain: 6\n"
    "\t usAddress: 768\n"
    "\t nFFT: -1\n"
    "\t fTemp: -10.250000\n"
    "\t fCal[0] : 1.500000\n"
    "\t fCal[1] : 0.250000\n"
    "\t fCal[2] : -0.001000\n"
    "\t fCal[3] : 0.000000\n"
    "\t fCal[4] : 1000000015047466219876688855040.000000\n"
    "\t fRCal[0] : 100.000000\n"
    "\t fRCal[1] : -2.500000\n"
    "\t fRCal[2] : 0.007812\n"
    "\t fRCal[3] : 0.023438\n"
    "\t fRCal[4] : -0.000000\n"
    "\n\n"
    "Acquire DATA\n"
    "\t usStartWavelength: 200\n"
    "\t usEndWavelength: 1100\n"
    "\t usTimeAverage: 3\n"
    "\t usBinningAverage: 65535\n"
    "\t usFFTMax: -1\n"
    "\t unTemp: -40\n"
    "\n\n"
    "GRAPHIC DISPLAY SCALE DATA\n"
    "\t usMinXP: 0\n"
    "\t usMaxXP: 2047\n"
    "\t usMinYP: -100\n"
    "\t usMaxYP: 65536\n"
    "\t fMinWL: 200.000000\n"
    "\t fMaxWL: 1100.500000\n"
    "\t fWavelengthInterval: 0.500000\n"
    "\t fMinT: 0.000000\n"
    "\t fMaxT: 100.000000\n"
    "\t fMinA: -0.250000\n"
    "\t fMaxA: 3.000000\n"
    "\t fMinI: 0.000000\n"
    "\t fMaxI: 65535.000000\n"
    "\t fRes: 0.100000\n"
    "\n\n"
    "INTEGRATION TIME DATA\n"
    "\t m_nIntTime: 100.000000\n"
    "\t m_nIntTimeMin: 0.001500\n"
    "\t m_nIntTimeMax: 65000.123457\n"
    "\n\n"
    "STATUS DATA\n"
    "\t WholeStatus: -2147155935\n"
    "\t\t DataStart: 1\n"
    "\t\t DataOneStep: 0\n"
    "\t\t DataPending: 0\n"
    "\t\t DrawStart: 0\n"
    "\t\t DrawPending: 0\n"
    "\t\t DarkScan: 1\n"
    "\t\t DarkApply: 0\n"
    "\t\t DarkOpticalBlank: 0\n"
    "\t\t FFTApply: 0\n"
    "\t\t RefScan: 0\n"
    "\t\t RefApply: 0\n"
    "\t\t ScanMode: 0\n"
    "\t\t GraphUnit: 1\n"
    "\t\t ScanOrFile: 1\n"
    "\t\t PixelOrWL: 0\n"
    "\t\t Direction: 0\n"
    "\t\t Irradiance: 0\n"
    "\t\t BaseLine: 0\n"
    "\t\t TimeLine: 0\n"
    "\t\t OnlyFileMode: 0\n"
    "\t\t Trigger: 0\n"
    "\t\t DarkDisplay: 0\n"
    "\t\t RefDisplay: 0\n"
    "\t\t PixelFlip: 0\n"
    "\t\t IsDarkSubtract: 0\n"
    "\t\t StrongStop: 0\n"
    "\t\t SubstractDark: 1\n"
    "\t\t TRIGGERCHANGE: 0\n"
    "\t\t TriggerMode: 1\n"
    "\n\n";

const char kLog[] =
    "Header Data were converted.\r\n"
    "CCD Data were converted.\r\n"
    "ACQUIRE Data were converted.\r\n"
    "GRAPHIC DISPLAY SCALE Data were converted.\r\n"
    "INTEGRATION TIME Data were converted.\r\n"
    "STATUS Data were converted.\r\n";

TEST(ParameterReport, RecordsGiveTheWholeReportLineByLine) {
    ScanFile s = Records();
    FakeLog log;
    EXPECT_EQ(FormatParameters(s, log), kReport);
}

TEST(ParameterReport, HoldsSixTitlesAndEightyTwoFieldLinesWithTwoEmptyLinesBetweenSections) {
    ScanFile s = Records();
    FakeLog log;
    const std::string report = FormatParameters(s, log);
    int fieldLines = 0;
    int titles = 0;
    int emptyLines = 0;
    std::size_t at = 0;
    while (at < report.size()) {
        const std::size_t end = report.find('\n', at);
        ASSERT_NE(end, std::string::npos) << "the report ends with a line feed";
        const std::string line = report.substr(at, end - at);
        if (line.empty()) {
            ++emptyLines;
        } else if (line[0] == '\t') {
            ++fieldLines;
        } else {
            ++titles;
        }
        at = end + 1;
    }
    EXPECT_EQ(fieldLines, 82);
    EXPECT_EQ(titles, 6);
    EXPECT_EQ(emptyLines, 12);  // two after each section, the last one included
    EXPECT_EQ(report.find('\r'), std::string::npos);
    for (const char* title :
         {"\t time: 100\n\n\nCCD DATA\n", "\t fRCal[4] : -0.000000\n\n\nAcquire",
          "\t unTemp: -40\n\n\nGRAPHIC", "\t fRes: 0.100000\n\n\nINTEGRATION",
          "\t m_nIntTimeMax: 65000.123457\n\n\nSTATUS DATA\n"}) {
        EXPECT_NE(report.find(title), std::string::npos) << title;
    }
    EXPECT_EQ(report.substr(report.size() - 20), "\t\t TriggerMode: 1\n\n\n");
}

TEST(ParameterReport, LogsOneLinePerRecordAsTheReportIsBuilt) {
    ScanFile s = Records();
    FakeLog log;
    FormatParameters(s, log);
    EXPECT_EQ(log.log, kLog);
    ASSERT_EQ(log.pieces.size(), 6u);
    EXPECT_EQ(log.pieces[0], "Header Data were converted.\r\n");
    EXPECT_EQ(log.pieces[5], "STATUS Data were converted.\r\n");
}

TEST(ParameterReport, IsTheSameOnEveryCall) {
    const ScanFile s = Records();
    FakeLog log;
    EXPECT_EQ(FormatParameters(s, log), kReport);
    EXPECT_EQ(FormatParameters(s, log), kReport);
}

TEST(ParameterReport, EmptyFilenameLeavesItsLabelAlone) {
    ScanFile s = Records();
    std::memset(s.m_Header.filename, 0, 64);
    s.m_Header.filename[1] = 'x';  // after the terminator: not part of the text
    FakeLog log;
    const std::string report = FormatParameters(s, log);
    EXPECT_EQ(report.substr(0, 26), "HEADER DATA\n\t filename: \n\t");
}

TEST(ParameterReport, FilenameOf64BytesGoesOutWholeAndByteForByte) {
    ScanFile s = Records();
    std::string bytes;
    for (int i = 0; i < 64; ++i) {
        bytes.push_back(static_cast<char>(0xC0 + i));  // 8-bit bytes, unconverted
    }
    std::memcpy(s.m_Header.filename, bytes.data(), 64);
    s.m_Header.no = 0x31;  // the byte after the field is '1' in the stored record
    FakeLog log;
    const std::string report = FormatParameters(s, log);
    EXPECT_EQ(report.substr(0, 12 + 12 + 65), "HEADER DATA\n\t filename: " + bytes + "\n");
}

TEST(ParameterReport, StatusWordsWithAllBitsSetShowEveryFieldAtItsMaximum) {
    ScanFile s = Records();
    s.m_Status.word0 = 0xFFFF;
    s.m_Status.word1 = 0xFFFF;
    s.m_Status.word2 = 0xFFFF;
    FakeLog log;
    const std::string report = FormatParameters(s, log);
    const std::string status = report.substr(report.find("STATUS DATA\n"));
    EXPECT_NE(status.find("\t WholeStatus: -1\n"), std::string::npos);
    EXPECT_NE(status.find("\t\t DarkScan: 3\n"), std::string::npos);
    EXPECT_NE(status.find("\t\t RefScan: 3\n"), std::string::npos);
    EXPECT_NE(status.find("\t\t ScanMode: 7\n"), std::string::npos);
    EXPECT_NE(status.find("\t\t GraphUnit: 3\n"), std::string::npos);
    EXPECT_NE(status.find("\t\t TRIGGERCHANGE: 1\n\t\t TriggerMode: 1\n"), std::string::npos);
}

}  // namespace
}  // namespace quillon
