// SPDX-License-Identifier: MIT
// Export formats and their names.
#include "export/export_options.h"

#include <array>

namespace quillon {

namespace {

struct FormatNames {
    ExportFormat format;
    std::string_view name;
    std::string_view extension;
};

constexpr std::array<FormatNames, 5> kFormats = {{
    {ExportFormat::kText, "text", ""},
    {ExportFormat::kCsv, "csv", ".csv"},
    {ExportFormat::kJson, "json", ".json"},
    {ExportFormat::kHdf5, "hdf5", ".h5"},
    {ExportFormat::kXlsx, "xlsx", ".xlsx"},
}};

const FormatNames& NamesOf(ExportFormat format) {
    for (const FormatNames& names : kFormats) {
        if (names.format == format) {
            return names;
        }
    }
    return kFormats[0];
}

}  // namespace

std::optional<ExportFormat> ParseExportFormat(std::string_view name) {
    for (const FormatNames& names : kFormats) {
        if (names.name == name) {
            return names.format;
        }
    }
    return std::nullopt;
}

std::optional<char> CsvDelimiter(std::optional<char> chosen, bool decimalComma) {
    if (!chosen) {
        return decimalComma ? ';' : ',';
    }
    if (decimalComma && *chosen == ',') {
        return std::nullopt;
    }
    return chosen;
}

std::string_view ExportExtension(ExportFormat format, const ExportRequest& request) {
    // A spreadsheet that picks the separator from the name reads tab-separated values only
    // from a .tsv file.
    if (format == ExportFormat::kCsv && request.csv.delimiter == '\t') {
        return request.trace ? "_trace.tsv" : ".tsv";
    }
    if (request.trace) {
        switch (format) {
            case ExportFormat::kCsv:
                return "_trace.csv";
            case ExportFormat::kHdf5:
                return "_trace.h5";
            case ExportFormat::kXlsx:
                return "_trace.xlsx";
            case ExportFormat::kText:
            case ExportFormat::kJson:
                break;
        }
    }
    return NamesOf(format).extension;
}

std::vector<std::int32_t> AllScanNumbers(std::size_t scanCount) {
    std::vector<std::int32_t> numbers(scanCount);
    for (std::size_t i = 0; i < scanCount; ++i) {
        numbers[i] = static_cast<std::int32_t>(i + 1);
    }
    return numbers;
}

}  // namespace quillon
