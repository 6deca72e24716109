// SPDX-License-Identifier: MIT
// What one export writes: the formats beside the text outputs, the scans, the quantity, the
// wavelength grid and the CSV style, and what a finished export reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/grid.h"
#include "export/quantities.h"

namespace quillon {

enum class ExportFormat {
    kText,  // the documented text outputs
    kCsv,
    kJson,
    kHdf5,
    kXlsx,  // an Excel workbook
};

// "text", "csv", "json", "hdf5", "xlsx"; nothing for any other text.
std::optional<ExportFormat> ParseExportFormat(std::string_view name);

enum class CsvLayout {
    kColumns,  // one row per pixel (or grid point), one column per scan
    kRows,     // the transpose: one row per column of the columns layout
};

struct CsvStyle {
    CsvLayout layout = CsvLayout::kColumns;
    char delimiter = ',';       // ',', ';' or '\t'
    bool decimalComma = false;  // ',' for the decimal point; never with the ',' delimiter
    bool byteOrderMark = false;
};

// The delimiter a CSV export separates its cells with: the one chosen, or with none chosen ','
// for decimal points and ';' for a decimal comma (spreadsheets set up for a decimal comma
// separate their cells with ';'). Nothing when the choice cannot be written: with the ','
// delimiter a decimal comma would read 1,5 as two cells.
std::optional<char> CsvDelimiter(std::optional<char> chosen, bool decimalComma);

struct ExportRequest {
    // The scans to write, by their numbers in the file (from 1), ascending.
    std::vector<std::int32_t> scanNumbers;
    // What the scan columns hold; the dark and reference columns stay raw.
    Quantity quantity = Quantity::kCounts;
    // With a grid, every column is interpolated onto its points and the pixel column is left
    // out.
    std::optional<GridSpec> grid;
    CsvStyle csv;
    // HDF5: shuffle and deflate the scan datasets.
    bool compress = false;
    // Threads that compute and format the values (the bytes written are the same for any
    // number): as many as the machine has cores when 0.
    unsigned jobs = 0;
};

// The output of a format is named base + this: ".csv" (".tsv" for tab-separated values),
// ".json", ".h5", ".xlsx" (empty for text, whose outputs have names of their own).
std::string_view ExportExtension(ExportFormat format, const ExportRequest& request);

// Scan numbers 1 to the file's scan count.
std::vector<std::int32_t> AllScanNumbers(std::size_t scanCount);

// What an export wrote.
struct ExportReport {
    std::string path;
    // Values of the scan columns (or datasets of the quantity) written, and how many of them
    // were not defined.
    std::size_t values = 0;
    std::size_t undefined = 0;
    // Remarks for the user, such as a table too large for a spreadsheet.
    std::vector<std::string> notices;
};

}  // namespace quillon
