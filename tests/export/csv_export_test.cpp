// SPDX-License-Identifier: MIT
// The CSV export: exact numbers, the two layouts, spreadsheet styles, quantities and grids.
#include "export/csv_export.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale>
#include <string>
#include <vector>

#include "export/scan_columns.h"
#include "in_memory_file.h"
#include "memory_outputs.h"
#include "platform/file_error.h"
#include "render/spectrum_tables.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using Table = std::vector<std::vector<std::string>>;

std::string Csv(const ScanFile& file, const ExportRequest& request,
                ExportReport* report = nullptr) {
    testing::MemoryOutputFiles files;
    const ExportReport written = WriteCsv(file, request, "out.csv", files);
    if (report != nullptr) {
        *report = written;
    }
    return files.files.at("out.csv");
}

// Lines end with CR LF; cells are split at the delimiter.
Table Parse(const std::string& csv, char delimiter = ',') {
    Table table;
    std::size_t at = 0;
    while (at < csv.size()) {
        const std::size_t end = csv.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "a line without CR LF";
        if (end == std::string::npos) {
            break;
        }
        std::vector<std::string> cells;
        std::size_t cell = at;
        for (;;) {
            const std::size_t next = csv.find(delimiter, cell);
            if (next == std::string::npos || next >= end) {
                cells.push_back(csv.substr(cell, end - cell));
                break;
            }
            cells.push_back(csv.substr(cell, next - cell));
            cell = next + 1;
        }
        table.push_back(std::move(cells));
        at = end + 2;
    }
    return table;
}

template <typename T>
T Read(const std::string& cell) {
    T value{};
    const auto [ptr, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    EXPECT_TRUE(ec == std::errc() && ptr == cell.data() + cell.size()) << "'" << cell << "'";
    return value;
}

// Five pixels whose values need every digit a float has, and three scans.
testing::SdfBuilder ExactFile() {
    testing::SdfBuilder b(5);
    b.ccd.fCal[0] = 198.42f;
    b.ccd.fCal[1] = 0.4417f;
    b.ccd.fCal[2] = -1.0123e-05f;  // printed as -0.000010 by the parameter report
    b.ccd.fCal[3] = 3.3e-10f;
    b.dark = {0.1f, 1e-30f, 3.4028235e38f, -0.0f, 16777216.0f};
    b.ref = {1.0f / 3.0f, 2.7182817f, 1e-45f, 65535.5f, -123.456f};
    b.AddScan({"", "", "", {0, -1, INT32_MIN, INT32_MAX, 65535}, 0.0f});
    b.AddScan({"", "", "", {7, 8, 9, 10, 11}, 0.0f});
    b.AddScan({"", "", "", {100, 200, 300, 400, 500}, 0.0f});
    return b;
}

ExportRequest AllScans(const ScanFile& file) {
    ExportRequest request;
    request.scanNumbers = AllScanNumbers(file.ScanCount());
    return request;
}

TEST(CsvExport, ColumnsLayoutHasAHeaderAndOneRowPerPixel) {
    testing::SdfBuilder b(2);
    b.ccd.fCal[0] = 500.0f;
    b.ccd.fCal[1] = 1.5f;
    b.dark = {0.5f, 2.0f};
    b.ref = {100.25f, 1e20f};
    b.AddScan({"", "", "", {7, -3}, 0.0f});
    b.AddScan({"", "", "", {12, 0}, 0.0f});
    const ScanFile file = testing::InMemoryFile(b);
    EXPECT_EQ(Csv(file, AllScans(file)),
              "pixel,wavelength_nm,dark,reference,scan_1,scan_2\r\n"
              "1,500,0.5,100.25,7,12\r\n"
              "2,501.5,2,1e+20,-3,0\r\n");
}

TEST(CsvExport, ValuesReadBackToTheFilesFloatsAndCountsBitForBit) {
    const ScanFile file = testing::InMemoryFile(ExactFile());
    const Table table = Parse(Csv(file, AllScans(file)));
    ASSERT_EQ(table.size(), 6u);
    const std::vector<float> axis = WavelengthAxis(file);
    for (std::size_t i = 0; i < 5; ++i) {
        const auto& row = table[i + 1];
        ASSERT_EQ(row.size(), 7u);
        EXPECT_EQ(Read<int>(row[0]), static_cast<int>(i + 1));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(Read<float>(row[1])),
                  std::bit_cast<std::uint32_t>(axis[i]))
            << row[1];
        EXPECT_EQ(std::bit_cast<std::uint32_t>(Read<float>(row[2])),
                  std::bit_cast<std::uint32_t>(file.m_pDarkData[i]))
            << row[2];
        EXPECT_EQ(std::bit_cast<std::uint32_t>(Read<float>(row[3])),
                  std::bit_cast<std::uint32_t>(file.m_pRefData[i]))
            << row[3];
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(Read<std::int32_t>(row[4 + k]), file.Scan(k).values[i]);
        }
    }
    EXPECT_EQ(table[1][2], "0.1");  // the shortest text, not 0.10000000149011612
    EXPECT_EQ(table[4][2], "-0");
}

TEST(CsvExport, OnlyTheSelectedScansAreWrittenUnderTheirNumbersInTheFile) {
    const ScanFile file = testing::InMemoryFile(ExactFile());
    ExportRequest request;
    request.scanNumbers = {1, 3};
    const Table table = Parse(Csv(file, request));
    EXPECT_EQ(table[0], (std::vector<std::string>{"pixel", "wavelength_nm", "dark", "reference",
                                                  "scan_1", "scan_3"}));
    EXPECT_EQ(table[2][5], "200");
}

TEST(CsvExport, ValuesThatAreNotDefinedAreEmptyCellsAndInfinitiesStaySpelledOut) {
    testing::SdfBuilder b(3);
    b.dark = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
              1.0f};
    b.ref = {5.0f, 5.0f, 1.0f};
    b.AddScan({"", "", "", {3, 3, 3}, 0.0f});
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = AllScans(file);
    request.quantity = Quantity::kTransmittance;
    ExportReport report;
    const Table table = Parse(Csv(file, request, &report));
    EXPECT_EQ(table[1], (std::vector<std::string>{"1", "0", "", "5", ""}));
    EXPECT_EQ(table[2], (std::vector<std::string>{"2", "0", "inf", "5", ""}));
    EXPECT_EQ(table[3], (std::vector<std::string>{"3", "0", "1", "1", ""}));  // R = D
    EXPECT_EQ(report.values, 3u);
    EXPECT_EQ(report.undefined, 3u);
}

TEST(CsvExport, ComputedQuantitiesReadBackToTheSameDouble) {
    testing::SdfBuilder b(4);
    b.dark = {100.5f, 99.25f, 0.0f, 10.0f};
    b.ref = {1000.0f, 60000.75f, 3.0f, 20.0f};
    b.AddScan({"", "", "", {500, 30000, 1, 5}, 0.0f});
    b.AddScan({"", "", "", {1000, 65535, 2, 15}, 0.0f});
    const ScanFile file = testing::InMemoryFile(b);
    for (const Quantity quantity :
         {Quantity::kDarkSubtracted, Quantity::kTransmittance, Quantity::kAbsorbance}) {
        ExportRequest request = AllScans(file);
        request.quantity = quantity;
        const Table table = Parse(Csv(file, request));
        std::vector<double> values[2] = {std::vector<double>(4), std::vector<double>(4)};
        for (std::size_t k = 0; k < 2; ++k) {
            ComputeQuantity(quantity, file, k, values[k]);
        }
        for (std::size_t i = 0; i < 4; ++i) {
            for (std::size_t k = 0; k < 2; ++k) {
                const double expected = values[k][i];
                const std::string& cell = table[i + 1][4 + k];
                if (std::isnan(expected)) {
                    EXPECT_EQ(cell, "");
                } else {
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(Read<double>(cell)),
                              std::bit_cast<std::uint64_t>(expected))
                        << QuantityName(quantity) << " " << cell;
                }
            }
            // The dark and reference columns stay raw.
            EXPECT_EQ(Read<float>(table[i + 1][2]), file.m_pDarkData[i]);
        }
    }
}

// A pixel's count repeats from scan to scan, and the same count comes up at pixels whose dark
// and reference differ in one bit only: every absorbance cell is still the one its own count,
// dark and reference give, on one thread or several, in a file exported after another whose
// pixels differ from it in one bit of their reference.
TEST(CsvExport, RepeatedCountsGiveTheAbsorbanceOfTheirOwnPixel) {
    constexpr std::size_t kPixels = 48;
    const auto fileWithReferenceStep = [](float step) {
        testing::SdfBuilder b(kPixels);
        for (std::size_t i = 0; i < kPixels; ++i) {
            // Pixels 2j and 2j + 1 share a dark; every fourth shares a reference with its
            // neighbour, the others lie one float apart.
            b.dark[i] = 900.0f + static_cast<float>(i / 2);
            const float reference = 40000.0f + static_cast<float>(i / 4) * 8.0f;
            b.ref[i] = i % 4 == 3 ? std::nextafter(reference, 1e9f) + step : reference;
        }
        for (int k = 0; k < 300; ++k) {
            testing::ScanContent scan;
            for (std::size_t i = 0; i < kPixels; ++i) {
                scan.values.push_back(1000 + (k * 7 + static_cast<int>(i % 3)) % 11);
            }
            b.AddScan(std::move(scan));
        }
        return b;
    };
    for (const float step : {0.0f, 0.00390625f}) {
        const ScanFile file = testing::InMemoryFile(fileWithReferenceStep(step));
        for (const unsigned jobs : {1u, 3u}) {
            ExportRequest request = AllScans(file);
            request.quantity = Quantity::kAbsorbance;
            request.jobs = jobs;
            const Table table = Parse(Csv(file, request));
            ASSERT_EQ(table.size(), kPixels + 1);
            std::size_t differ = 0;
            for (std::size_t i = 0; i < kPixels; ++i) {
                for (std::size_t k = 0; k < file.ScanCount(); ++k) {
                    const double expected =
                        Absorbance(file.Scan(k).values[i], file.m_pDarkData[i], file.m_pRefData[i]);
                    differ += std::bit_cast<std::uint64_t>(Read<double>(table[i + 1][4 + k])) !=
                                      std::bit_cast<std::uint64_t>(expected)
                                  ? 1u
                                  : 0u;
                }
            }
            EXPECT_EQ(differ, 0u) << "reference step " << step << ", " << jobs << " jobs";
        }
    }
}

// The cells of the rows layout, line by line, are the cells of the columns layout, column by
// column.
void ExpectTranspose(const ScanFile& file, ExportRequest request) {
    request.csv.layout = CsvLayout::kColumns;
    const Table columns = Parse(Csv(file, request));
    request.csv.layout = CsvLayout::kRows;
    const Table rows = Parse(Csv(file, request));
    ASSERT_FALSE(columns.empty());
    ASSERT_EQ(rows.size(), columns[0].size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), columns.size()) << "line " << r;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            EXPECT_EQ(rows[r][c], columns[c][r]) << "line " << r << " cell " << c;
        }
    }
}

TEST(CsvExport, RowsLayoutIsTheExactTranspose) {
    const ScanFile file = testing::InMemoryFile(ExactFile());
    ExpectTranspose(file, AllScans(file));
    ExportRequest request = AllScans(file);
    request.quantity = Quantity::kAbsorbance;
    request.scanNumbers = {2, 3};
    ExpectTranspose(file, request);
    request.grid = ParseGrid("198:0.25:200");
    ExpectTranspose(file, request);
}

// Enough scans and pixels that the columns layout is written in several blocks of rows; the
// counts are turned four scans by four rows at a time, so neither count is a multiple of four.
TEST(CsvExport, ALargeTableWrittenInBlocksIsStillTheTransposeOfItsRows) {
    testing::SdfBuilder b(450);
    b.ccd.fCal[0] = 300.0f;
    b.ccd.fCal[1] = 0.5f;
    for (std::size_t i = 0; i < 450; ++i) {
        b.dark[i] = static_cast<float>(i % 7);
        b.ref[i] = 1000.0f + static_cast<float>(i);
    }
    for (int k = 0; k < 2503; ++k) {
        testing::ScanContent scan;
        for (int i = 0; i < 450; ++i) {
            scan.values.push_back((k * 7919 + i * 104729) % 65536);
        }
        b.AddScan(std::move(scan));
    }
    const ScanFile file = testing::InMemoryFile(b);
    ExpectTranspose(file, AllScans(file));
    ExportRequest request = AllScans(file);
    request.quantity = Quantity::kAbsorbance;
    request.grid = ParseGrid("310:0.3:520");
    ExpectTranspose(file, request);
}

TEST(CsvExport, AGridLeavesOutThePixelColumnAndInterpolatesEveryOther) {
    testing::SdfBuilder b(3);
    b.ccd.fCal[0] = 400.0f;
    b.ccd.fCal[1] = 10.0f;  // pixels at 400, 410, 420 nm
    b.dark = {10.0f, 20.0f, 30.0f};
    b.ref = {110.0f, 220.0f, 330.0f};
    b.AddScan({"", "", "", {60, 120, 330}, 0.0f});
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = AllScans(file);
    request.grid = ParseGrid("395:7.5:425");  // 395, 402.5, 410, 417.5, 425
    request.quantity = Quantity::kTransmittance;
    ExportReport report;
    EXPECT_EQ(Csv(file, request, &report),
              "wavelength_nm,dark,reference,scan_1\r\n"
              "395,,,\r\n"
              "402.5,12.5,137.5,0.5\r\n"
              "410,20,220,0.5\r\n"
              "417.5,27.5,302.5,0.875\r\n"
              "425,,,\r\n");
    EXPECT_EQ(report.values, 5u);
    EXPECT_EQ(report.undefined, 2u);
}

TEST(CsvExport, AGridOverACalibrationThatDoesNotRiseIsRefusedAndNothingIsWritten) {
    testing::SdfBuilder b(3);
    b.ccd.fCal[0] = 400.0f;
    b.ccd.fCal[1] = -1.0f;
    b.AddScans(1);
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = AllScans(file);
    request.grid = ParseGrid("390:1:400");
    testing::MemoryOutputFiles files;
    EXPECT_THROW(WriteCsv(file, request, "out.csv", files), CalibrationError);
    EXPECT_TRUE(files.files.empty());  // not even opened
}

TEST(CsvExport, SpreadsheetStylesChangeOnlyTheSeparators) {
    const ScanFile file = testing::InMemoryFile(ExactFile());
    ExportRequest request = AllScans(file);
    request.quantity = Quantity::kAbsorbance;
    const std::string plain = Csv(file, request);

    request.csv.delimiter = ';';
    request.csv.decimalComma = true;
    std::string expected = plain;
    for (char& c : expected) {
        c = c == ',' ? ';' : c == '.' ? ',' : c;
    }
    EXPECT_EQ(Csv(file, request), expected);

    request.csv.delimiter = '\t';
    request.csv.decimalComma = false;
    expected = plain;
    for (char& c : expected) {
        c = c == ',' ? '\t' : c;
    }
    EXPECT_EQ(Csv(file, request), expected);

    request.csv.delimiter = ',';
    request.csv.byteOrderMark = true;
    EXPECT_EQ(Csv(file, request), "\xEF\xBB\xBF" + plain);
}

// A C library locale with a decimal comma, where one can be had: an installed one, or one
// compiled from the system's locale sources into `dir`.
bool UseDecimalCommaLocale([[maybe_unused]] const std::string& dir) {
#ifdef _WIN32
    for (const char* name : {"de-DE", "German_Germany.1252", "fr-FR"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            return true;
        }
    }
    return false;
#else
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            return true;
        }
    }
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    ::setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
#endif
}

TEST(CsvExport, ADecimalCommaLocaleChangesNoByte) {
    const ScanFile file = testing::InMemoryFile(ExactFile());
    ExportRequest request = AllScans(file);
    request.quantity = Quantity::kAbsorbance;
    const std::string inC = Csv(file, request);
    request.grid = ParseGrid("198.5:0.5:200");
    const std::string gridInC = Csv(file, request);

    struct CommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    testing::TempDir dir;
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const bool commaC = UseDecimalCommaLocale(dir.Path());
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    if (commaC) {
        EXPECT_STREQ(std::localeconv()->decimal_point, ",");  // the locale is in force ...
    }
    request.grid.reset();
    EXPECT_EQ(Csv(file, request), inC);  // ... and the export ignores it
    request.grid = ParseGrid("198.5:0.5:200");
    EXPECT_EQ(Csv(file, request), gridInC);
    std::locale::global(previous);
    std::setlocale(LC_ALL, before.c_str());
#ifndef _WIN32
    ::unsetenv("LOCPATH");
#endif
    if (!commaC) {
        GTEST_SKIP() << "no decimal-comma C locale could be had; only the C++ locale was tried";
    }
}

TEST(SpreadsheetLimits, ATableTooWideForColumnsNamesTheRowsLayout) {
    testing::SdfBuilder b(1);
    for (int k = 0; k < 16'381; ++k) {
        b.AddScan({"", "", "", {k}, 0.0f});
    }
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = AllScans(file);
    const ScanColumns columns(file, request);
    // pixel, wavelength, dark, reference and 16,381 scans: 16,385 columns.
    const auto notice = SpreadsheetNotice(columns, CsvLayout::kColumns);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(*notice,
              "the table has 2 rows and 16,385 columns, more than a spreadsheet shows "
              "(1,048,576 rows, 16,384 columns); --layout rows fits");
    EXPECT_FALSE(SpreadsheetNotice(columns, CsvLayout::kRows).has_value());

    request.scanNumbers.pop_back();  // 16,384 columns fit
    EXPECT_FALSE(SpreadsheetNotice(ScanColumns(file, request), CsvLayout::kColumns).has_value());
}

TEST(SpreadsheetLimits, ATableTooWideForRowsNamesTheColumnsLayoutOrNeither) {
    testing::SdfBuilder b(2);
    b.ccd.fCal[1] = 1.0f;
    b.AddScans(3);
    const ScanFile file = testing::InMemoryFile(b);
    ExportRequest request = AllScans(file);
    request.grid = ParseGrid("0:0.00005:1");  // 20,001 points
    const ScanColumns columns(file, request);
    EXPECT_NE(
        SpreadsheetNotice(columns, CsvLayout::kRows).value_or("").find("--layout columns fits"),
        std::string::npos);
    EXPECT_FALSE(SpreadsheetNotice(columns, CsvLayout::kColumns).has_value());

    // With 16,382 scans the columns layout is too wide as well.
    for (int k = 3; k < 16'382; ++k) {
        b.AddScan({"", "", "", {k, k}, 0.0f});
    }
    const ScanFile wide = testing::InMemoryFile(b);
    request.scanNumbers = AllScanNumbers(wide.ScanCount());
    const ScanColumns both(wide, request);
    EXPECT_EQ(SpreadsheetNotice(both, CsvLayout::kColumns),
              "the table has 20,002 rows and 16,385 columns, more than a spreadsheet shows "
              "(1,048,576 rows, 16,384 columns); neither layout fits; select fewer scans "
              "(--select) or a coarser --grid");
}

TEST(CsvExport, AWriteThatFailsDiscardsTheOutputAndPassesTheErrorOn) {
    // Takes the first chunk, fails on the second; notes whether the output was closed (which
    // would put it in place) or discarded.
    class FailingFiles : public testing::MemoryOutputFiles {
      public:
        void WriteBytes(std::string_view bytes) override {
            if (++writes == 2) {
                throw FileError("big.csv", "No space left on device");
            }
            MemoryOutputFiles::WriteBytes(bytes);
        }
        void Close() override { ++closes; }
        void Discard() override { ++discards; }
        int writes = 0;
        int closes = 0;
        int discards = 0;
    };
    testing::SdfBuilder b(2048);
    b.AddScans(300);
    const ScanFile file = testing::InMemoryFile(b);
    FailingFiles files;
    try {
        WriteCsv(file, AllScans(file), "big.csv", files);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Reason(), "No space left on device");
    }
    EXPECT_EQ(files.writes, 2);
    EXPECT_EQ(files.closes, 0);
    EXPECT_EQ(files.discards, 1);
}

}  // namespace
}  // namespace quillon
