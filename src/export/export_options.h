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
#include "export/trace.h"

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
    // Every `average` consecutive selected scans are averaged into one (their counts, then the
    // quantity of the mean counts); a last shorter group is averaged over the scans it has.
    // 1: every scan on its own.
    std::size_t average = 1;
    // With a trace, each format writes the trace instead of the spectra (base_trace.csv,
    // base_trace.h5, base_trace.xlsx): one row per selected scan (or group of averaged scans)
    // with its number, date-time text, seconds and the values at the trace's wavelengths, as
    // the trace's quantity.
    std::optional<TraceSpec> trace;
    // Threads that compute and format the values (the bytes written are the same for any
    // number): as many as the machine has cores when 0.
    unsigned jobs = 0;
};

// The output of a format is named base + this: ".csv" (".tsv" for tab-separated values),
// ".json", ".h5", ".xlsx" (empty for text, whose outputs have names of their own); with a
// trace "_trace.csv" ("_trace.tsv"), "_trace.h5", "_trace.xlsx".
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
