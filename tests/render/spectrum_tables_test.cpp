// SPDX-License-Identifier: MIT
// The dark, reference and scan blocks: golden blocks of one small file in all four column
// layouts, the edge cases of each column, the log lines, and a comparison with a plain
// snprintf renderer over random data.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "fake_log.h"
#include "render/spectrum_tables.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::FakeLog;
using testing::SdfBuilder;
using testing::TempDir;

// Three pixels. The calibration gives 350.5, 352.375 and 356 nm exactly
// (350.5 + 1.25p + 0.5p^2 + 0.125p^3 at p = 0, 1, 2).
SdfBuilder SmallFile() {
    SdfBuilder b(3);
    b.ccd.fCal[0] = 350.5f;
    b.ccd.fCal[1] = 1.25f;
    b.ccd.fCal[2] = 0.5f;
    b.ccd.fCal[3] = 0.125f;
    b.ccd.fCal[4] = 99.0f;  // not part of the polynomial
    b.dark = {10.5f, -3.7f, 2.9f};
    b.darkOpticalBlank = 1.5f;
    b.ref = {1000.25f, 65535.9f, -0.5f};
    b.refOpticalBlank = 2.5f;
    b.AddScan({"Mercury-argon lamp", "", "2024-06-01 10:00:00", {1234, 0, -56}, 0.25f});
    return b;
}

// A line-feed form of a stored block: CR LF back to "\n" (the test texts hold no CR LF).
std::string Lf(const std::string& stored) {
    std::string out;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') {
            continue;
        }
        out += stored[i];
    }
    return out;
}

// A block in the form the output files store it: every "\n" as CR LF.
std::string CrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

// A file and the layout of one conversion, and the blocks it renders.
struct Tables : ScanFile {
    bool m_bWithPixel = false;
    bool m_bWithWavelength = false;
    std::vector<float> m_pWavelength;
    FakeLog log;

    SpectrumTableFormatter Formatter() const {
        return SpectrumTableFormatter(*this, {m_bWithPixel, m_bWithWavelength}, m_pWavelength);
    }
    std::string Dark() { return FormatDarkTable(*this, log, Formatter()); }
    std::string Ref() { return FormatRefTable(*this, log, Formatter()); }
    // The scan block with line feeds.
    std::string Block(std::int32_t index, const CSaveData& record) const {
        std::string stored;
        Formatter().AppendStoredScanBlock(stored, index, record.View());
        return Lf(stored);
    }
};

struct Loaded {
    Loaded(const SdfBuilder& b, bool withPixel, bool withWavelength) {
        const std::string path = testing::WriteFile(dir / "small.sdf", b.Bytes());
        FakeLog loadLog;
        static_cast<ScanFile&>(state) = LoadScanFile(path, loadLog);
        state.m_bWithPixel = withPixel;
        state.m_bWithWavelength = withWavelength;
        if (withWavelength) {
            state.m_pWavelength = WavelengthAxis(state);
        }
    }
    std::string Scan0() const {
        std::string stored;
        state.Formatter().AppendStoredScanBlock(stored, 0, state.Scan(0));
        return Lf(stored);
    }
    TempDir dir;
    Tables state;
};

struct Golden {
    bool withPixel;
    bool withWavelength;
    const char* dark;
    const char* ref;
    const char* scan;
};

const Golden kGolden[] = {
    {true, true,
     "Dark Scan Data...\n"
     "Pixel\t Wavelength(nm)\t Intensity(Counts)\n"
     "1    \t 350.5000      \t 10      \n"
     "2    \t 352.3750      \t -3      \n"
     "3    \t 356.0000      \t 2       \n"
     "Dark Scan Data of Optical Blank: 1.5000        \n"
     "\n\n",
     "Reference Scan Data...\n"
     "Pixel\t Wavelength(nm)\t Intensity(Counts)\n"
     "1    \t 350.5000      \t 1000    \n"
     "2    \t 352.3750      \t 65535   \n"
     "3    \t 356.0000      \t 0       \n"
     "Reference Scan Data of Optical Blank: 2.500000\n"
     "\n\n",
     "Scan #1:\n"
     "Project Title: Mercury-argon lamp\n"
     "Subtitle: \n"
     "Date and Time: 2024-06-01 10:00:00\n"
     "Scan Data per each pixel...\n"
     "Pixel\t Wavelength(nm)\t Intensity(Counts)\n"
     "1    \t 350.5000      \t 1234    \n"
     "2    \t 352.3750      \t 0       \n"
     "3    \t 356.0000      \t -56     \n"
     "Optical Blank data: 0.2500        \n"
     "\n\n"},
    {true, false,
     "Dark Scan Data...\n"
     "Pixel\t Intensity(Counts)\n"
     "1    \t 10      \n"
     "2    \t -3      \n"
     "3    \t 2       \n"
     "Dark Scan Data of Optical Blank: 1.5000        \n"
     "\n\n",
     "Reference Scan Data...\n"
     "Pixel\t Intensity(Counts)\n"
     "1    \t 1000    \n"
     "2    \t 65535   \n"
     "3    \t 0       \n"
     "Reference Scan Data of Optical Blank: 2.500000\n"
     "\n\n",
     "Scan #1:\n"
     "Project Title: Mercury-argon lamp\n"
     "Subtitle: \n"
     "Date and Time: 2024-06-01 10:00:00\n"
     "Scan Data per each pixel...\n"
     "Pixel\t Intensity(Counts)\n"
     "1    \t 1234    \n"
     "2    \t 0       \n"
     "3    \t -56     \n"
     "Optical Blank data: 0.2500        \n"
     "\n\n"},
    {false, true,
     "Dark Scan Data...\n"
     "Wavelength(nm)\t Intensity(Counts)\n"
     "350.5000      \t 10      \n"
     "352.3750      \t -3      \n"
     "356.0000      \t 2       \n"
     "Dark Scan Data of Optical Blank: 1.5000        \n"
     "\n\n",
     "Reference Scan Data...\n"
     "Wavelength(nm)\t Intensity(Counts)\n"
     "350.5000      \t 1000    \n"
     "352.3750      \t 65535   \n"
     "356.0000      \t 0       \n"
     "Reference Scan Data of Optical Blank: 2.500000\n"
     "\n\n",
     "Scan #1:\n"
     "Project Title: Mercury-argon lamp\n"
     "Subtitle: \n"
     "Date and Time: 2024-06-01 10:00:00\n"
     "Scan Data per each pixel...\n"
     "Wavelength(nm)\t Intensity(Counts)\n"
     "350.5000      \t 1234    \n"
     "352.3750      \t 0       \n"
     "356.0000      \t -56     \n"
     "Optical Blank data: 0.2500        \n"
     "\n\n"},
    {false, false,
     "Dark Scan Data...\n"
     "Intensity(Counts)\n"
     "10      \n"
     "-3      \n"
     "2       \n"
     "Dark Scan Data of Optical Blank: 1.5000        \n"
     "\n\n",
     "Reference Scan Data...\n"
     "Intensity(Counts)\n"
     "1000    \n"
     "65535   \n"
     "0       \n"
     "Reference Scan Data of Optical Blank: 2.500000\n"
     "\n\n",
     "Scan #1:\n"
     "Project Title: Mercury-argon lamp\n"
     "Subtitle: \n"
     "Date and Time: 2024-06-01 10:00:00\n"
     "Scan Data per each pixel...\n"
     "Intensity(Counts)\n"
     "1234    \n"
     "0       \n"
     "-56     \n"
     "Optical Blank data: 0.2500        \n"
     "\n\n"},
};

std::string LayoutName(const Golden& g) {
    return std::string(g.withPixel ? "pixel" : "no pixel") + ", " +
           (g.withWavelength ? "wavelength" : "no wavelength");
}

TEST(SpectrumTables, SmallFileGivesTheGoldenBlocksInEveryLayout) {
    for (const Golden& g : kGolden) {
        SCOPED_TRACE(LayoutName(g));
        Loaded l(SmallFile(), g.withPixel, g.withWavelength);
        ASSERT_EQ(l.state.ScanCount(), 1u);
        EXPECT_EQ(l.state.Dark(), g.dark);
        EXPECT_EQ(l.state.Ref(), g.ref);
        // Scan blocks are made in their stored form, appended to what the buffer holds.
        std::string buffer = "earlier block\r\n";
        l.state.Formatter().AppendStoredScanBlock(buffer, 0, l.state.Scan(0));
        EXPECT_EQ(buffer, "earlier block\r\n" + CrLf(g.scan));
    }
}

TEST(SpectrumTables, DarkAndReferenceBlocksLogOneLineEachAndScansLogNothing) {
    Loaded l(SmallFile(), true, true);
    l.state.Dark();
    EXPECT_EQ(l.state.log.log, "Dark Scan Data were converted.\r\n");
    l.state.Ref();
    EXPECT_EQ(l.state.log.log,
              "Dark Scan Data were converted.\r\nReference Scan Data were converted.\r\n");
    l.Scan0();
    EXPECT_EQ(l.state.log.pieces.size(), 2u);
}

TEST(SpectrumTables, NoPixelsGiveBlocksWithTheirHeaderLineAndNoRows) {
    SdfBuilder b(0);
    b.darkOpticalBlank = -2.25f;
    b.refOpticalBlank = 1.5f;
    b.AddScan({"T", "S", "D", {}, 3.0f});
    Loaded l(b, true, true);
    EXPECT_TRUE(l.state.m_pWavelength.empty());
    EXPECT_EQ(l.state.Dark(),
              "Dark Scan Data...\n"
              "Pixel\t Wavelength(nm)\t Intensity(Counts)\n"
              "Dark Scan Data of Optical Blank: -2.2500       \n"
              "\n\n");
    EXPECT_EQ(l.state.Ref(),
              "Reference Scan Data...\n"
              "Pixel\t Wavelength(nm)\t Intensity(Counts)\n"
              "Reference Scan Data of Optical Blank: 1.500000\n"
              "\n\n");
    EXPECT_EQ(l.Scan0(),
              "Scan #1:\nProject Title: T\nSubtitle: S\nDate and Time: D\n"
              "Scan Data per each pixel...\n"
              "Pixel\t Wavelength(nm)\t Intensity(Counts)\n"
              "Optical Blank data: 3.0000        \n"
              "\n\n");
}

// The optical blank of the reference block is "%f", that of the dark block "%-14.4f".
TEST(SpectrumTables, OpticalBlankOfOnePointFiveDiffersBetweenReferenceAndDark) {
    SdfBuilder b(0);
    b.darkOpticalBlank = 1.5f;
    b.refOpticalBlank = 1.5f;
    Loaded l(b, false, false);
    EXPECT_NE(l.state.Dark().find("Dark Scan Data of Optical Blank: 1.5000        \n\n\n"),
              std::string::npos);
    EXPECT_NE(l.state.Ref().find("Reference Scan Data of Optical Blank: 1.500000\n\n\n"),
              std::string::npos);
}

TEST(SpectrumTables, FloatCountsAreTruncatedTowardZero) {
    Tables state;
    state.m_nPixelCount = 6;
    state.m_pDarkData = {2.9f, -3.7f, -0.99f, 65535.99f, 2147483520.0f, -2147483648.0f};
    state.m_pRefData = state.m_pDarkData;
    const std::string rows = "2       \n-3      \n0       \n65535   \n2147483520\n-2147483648\n";
    EXPECT_EQ(state.Dark(), "Dark Scan Data...\nIntensity(Counts)\n" + rows +
                                "Dark Scan Data of Optical Blank: 0.0000        \n\n\n");
    EXPECT_EQ(state.Ref(), "Reference Scan Data...\nIntensity(Counts)\n" + rows +
                               "Reference Scan Data of Optical Blank: 0.000000\n\n\n");
}

// Not a number and values beyond the 32-bit range print as the smallest 32-bit integer.
TEST(SpectrumTables, FloatCountsThatAreNoNumberOrBeyond32BitsPrintTheSmallestInteger) {
    Tables state;
    const float inf = std::numeric_limits<float>::infinity();
    state.m_pDarkData = {2147483648.0f, -2147483904.0f, 1e30f,
                         FLT_MAX,       -inf,           std::numeric_limits<float>::quiet_NaN()};
    state.m_nPixelCount = static_cast<std::int32_t>(state.m_pDarkData.size());
    state.m_bWithPixel = true;
    std::string expected = "Dark Scan Data...\nPixel\t Intensity(Counts)\n";
    for (int pixel = 1; pixel <= 6; ++pixel) {
        expected += std::to_string(pixel) + "    \t -2147483648\n";
    }
    expected += "Dark Scan Data of Optical Blank: 0.0000        \n\n\n";
    EXPECT_EQ(state.Dark(), expected);
}

TEST(SpectrumTables, StoredCountOf2To31OrMorePrintsNegative) {
    Tables state;
    state.m_nPixelCount = 3;
    CSaveData record(3);
    record.Values()[0] = static_cast<std::int32_t>(0x80000000u);  // 2^31
    record.Values()[1] = static_cast<std::int32_t>(0xFFFFFFFFu);  // 2^32 - 1
    record.Values()[2] = static_cast<std::int32_t>(0x80000001u);
    const std::string block = state.Block(0, record);
    EXPECT_NE(block.find("Intensity(Counts)\n-2147483648\n-1      \n-2147483647\nOptical"),
              std::string::npos)
        << block;
}

TEST(SpectrumTables, ScanNumberIsThePositionPlusOne) {
    Tables state;
    state.m_nPixelCount = 0;
    CSaveData record(0);
    EXPECT_EQ(state.Block(0, record).substr(0, 9), "Scan #1:\n");
    EXPECT_EQ(state.Block(41, record).substr(0, 10), "Scan #42:\n");
    // The 32-bit position wraps as the number it stands for would.
    EXPECT_EQ(state.Block(INT32_MAX, record).substr(0, 19), "Scan #-2147483648:\n");
}

TEST(SpectrumTables, DefaultTextsAndEmptyTextsLeaveTheirLabels) {
    Tables state;
    state.m_nPixelCount = 0;
    CSaveData record(0);  // "Project Title", "Subtitle", empty date
    EXPECT_EQ(state.Block(0, record),
              "Scan #1:\nProject Title: Project Title\nSubtitle: Subtitle\nDate and Time: \n"
              "Scan Data per each pixel...\nIntensity(Counts)\n"
              "Optical Blank data: 0.0000        \n\n\n");
    std::memset(record.m_szTitle, 0, sizeof record.m_szTitle);
    EXPECT_NE(state.Block(0, record).find("\nProject Title: \nSubtitle: Subtitle\n"),
              std::string::npos);
}

TEST(SpectrumTables, TitleOf64BytesShowsAllOfThemAndNothingOfTheNextField) {
    Tables state;
    state.m_nPixelCount = 0;
    CSaveData record(0);
    std::memset(record.m_szTitle, 'T', 64);
    testing::SetField(record.m_szSubtitle, 64, "Next");
    testing::SetField(record.m_szDateTime, 64, "Date");
    const std::string block = state.Block(0, record);
    EXPECT_NE(block.find("\nProject Title: " + std::string(64, 'T') + "\nSubtitle: Next\n"),
              std::string::npos)
        << block;
}

TEST(SpectrumTables, EveryByteOfAnEightBitTextGoesOutUnchanged) {
    Tables state;
    state.m_nPixelCount = 0;
    std::string all;
    for (int c = 1; c <= 255; ++c) {
        all.push_back(static_cast<char>(c));
    }
    // Bytes 1-64, 65-128 and 129-192 in one record, 193-255 in a second.
    CSaveData first(0);
    std::memcpy(first.m_szTitle, all.data(), 64);
    std::memcpy(first.m_szSubtitle, all.data() + 64, 64);
    std::memcpy(first.m_szDateTime, all.data() + 128, 64);
    CSaveData second(0);
    testing::SetField(second.m_szTitle, 64, all.substr(192));
    EXPECT_EQ(state.Block(0, first).substr(0, 9 + 15 + 65 + 10 + 65 + 15 + 65),
              "Scan #1:\nProject Title: " + all.substr(0, 64) + "\nSubtitle: " +
                  all.substr(64, 64) + "\nDate and Time: " + all.substr(128, 64) + "\n");
    EXPECT_NE(state.Block(1, second).find("Project Title: " + all.substr(192) + "\n"),
              std::string::npos);
}

TEST(SpectrumTables, FirstWavelengthRowShowsTheConstantCoefficient) {
    SdfBuilder b(2);
    b.ccd.fCal[0] = 253.6521f;  // shown with four decimals: 253.6521
    b.ccd.fCal[1] = 0.4f;
    b.ccd.fCal[2] = 1e-3f;
    b.ccd.fCal[3] = 1e-6f;
    Loaded l(b, false, true);
    const std::string block = l.state.Dark();
    EXPECT_EQ(block.substr(0, block.find('\n', 52) + 1),
              "Dark Scan Data...\nWavelength(nm)\t Intensity(Counts)\n"
              "253.6521      \t 0       \n");
}

// A wavelength of 10000 nm or more, or a pixel number of 100000, is not cut to its field.
TEST(SpectrumTables, ValuesWiderThanTheirFieldAreNeverCut) {
    Tables state;
    state.m_nPixelCount = 2;
    state.m_bWithPixel = true;
    state.m_bWithWavelength = true;
    state.m_pWavelength = {123456789.0f, -1e30f};
    state.m_pDarkData = {-1234567.0f, 123456789.0f};
    EXPECT_EQ(state.Dark(),
              "Dark Scan Data...\nPixel\t Wavelength(nm)\t Intensity(Counts)\n"
              "1    \t 123456792.0000\t -1234567\n"
              "2    \t -1000000015047466219876688855040.0000\t 123456792\n"
              "Dark Scan Data of Optical Blank: 0.0000        \n\n\n");
}

TEST(SpectrumTables, NonFiniteWavelengthsAndBlanksAreSpelledAsPrintfSpellsThem) {
    Tables state;
    state.m_nPixelCount = 2;
    state.m_bWithWavelength = true;
    state.m_pWavelength = {std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::quiet_NaN()};
    state.m_pRefData = {1.0f, 2.0f};
    state.m_fRefOpticalBlank = -std::numeric_limits<float>::infinity();
    EXPECT_EQ(state.Ref(),
              "Reference Scan Data...\nWavelength(nm)\t Intensity(Counts)\n"
              "inf           \t 1       \n"
              "-nan          \t 2       \n"
              "Reference Scan Data of Optical Blank: -inf\n\n\n");
}

// After a load that failed half-way the arrays may be shorter than N: missing counts and
// wavelengths print as 0, and nothing is read past an array.
TEST(SpectrumTables, ArraysShorterThanThePixelCountAreNeverReadPast) {
    Tables state;
    state.m_nPixelCount = 3;
    state.m_bWithWavelength = true;
    state.m_pWavelength = {400.0f};
    state.m_pDarkData = {7.0f, 8.0f};
    CSaveData shortRecord(1);
    shortRecord.Values()[0] = 5;
    CSaveData longRecord(4);
    for (int i = 0; i < 4; ++i) {
        longRecord.Values()[static_cast<std::size_t>(i)] = 10 + i;
    }
    EXPECT_EQ(state.Dark(),
              "Dark Scan Data...\nWavelength(nm)\t Intensity(Counts)\n"
              "400.0000      \t 7       \n"
              "0.0000        \t 8       \n"
              "0.0000        \t 0       \n"
              "Dark Scan Data of Optical Blank: 0.0000        \n\n\n");
    EXPECT_NE(state.Block(0, shortRecord)
                  .find("\t 5       \n0.0000        \t 0       \n0.0000        \t 0       \nO"),
              std::string::npos);
    EXPECT_NE(state.Block(0, longRecord)
                  .find("\t 10      \n0.0000        \t 11      \n0.0000        \t 12      \nO"),
              std::string::npos);
}

// A plain renderer with one snprintf per row: the rows as C's printf would print them.
std::string PrintfTable(bool withPixel, bool withWavelength, const std::vector<float>& axis,
                        const std::vector<std::int32_t>& counts) {
    std::string out;
    char row[512];
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const int pixel = static_cast<int>(i) + 1;
        const double wl = axis[i];
        if (withPixel && withWavelength) {
            std::snprintf(row, sizeof row, "%-5d\t %-14.4f\t %-8d\n", pixel, wl, counts[i]);
        } else if (withPixel) {
            std::snprintf(row, sizeof row, "%-5d\t %-8d\n", pixel, counts[i]);
        } else if (withWavelength) {
            std::snprintf(row, sizeof row, "%-14.4f\t %-8d\n", wl, counts[i]);
        } else {
            std::snprintf(row, sizeof row, "%-8d\n", counts[i]);
        }
        out += row;
    }
    return out;
}

TEST(SpectrumTables, RandomScansRenderAsOneSnprintfPerRowWouldInEveryLayout) {
    std::mt19937 rng(3);
    const std::size_t n = 1500;  // pixel numbers of one to four digits
    Tables state;
    state.m_nPixelCount = static_cast<std::int32_t>(n);
    std::vector<std::int32_t> counts(n);
    CSaveData record(static_cast<std::uint16_t>(n));
    for (int round = 0; round < 8; ++round) {
        state.m_Ccd.fCal[0] = 180.0f + static_cast<float>(rng() % 1000) / 7.0f;
        state.m_Ccd.fCal[1] = 0.3f + static_cast<float>(rng() % 1000) * 1e-4f;
        state.m_Ccd.fCal[2] = -1e-5f * static_cast<float>(rng() % 10);
        state.m_Ccd.fCal[3] = round == 7 ? 1e30f : 1e-9f * static_cast<float>(rng() % 10);
        state.m_pWavelength = WavelengthAxis(state);
        for (std::size_t i = 0; i < n; ++i) {
            counts[i] = static_cast<std::int32_t>(rng() >> (rng() % 32));
            if ((rng() & 1) != 0) {
                counts[i] = -counts[i];
            }
            record.Values()[i] = counts[i];
        }
        for (int layout = 0; layout < 4; ++layout) {
            state.m_bWithPixel = (layout & 1) != 0;
            state.m_bWithWavelength = (layout & 2) != 0;
            const std::string block = state.Block(round, record);
            const std::string header = "Intensity(Counts)\n";
            const std::size_t rowsAt = block.find(header) + header.size();
            const std::size_t rowsEnd = block.rfind("Optical Blank data: ");
            EXPECT_EQ(block.substr(rowsAt, rowsEnd - rowsAt),
                      PrintfTable(layout & 1, layout & 2, state.m_pWavelength, counts))
                << "round " << round << ", layout " << layout;
        }
    }
}

}  // namespace
}  // namespace quillon
