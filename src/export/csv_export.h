// SPDX-License-Identifier: MIT
// The CSV export (RFC 4180, UTF-8, CR LF): one table of the wavelength, the dark and reference
// spectra and the selected scans, in columns (one row per pixel or grid point) or in rows (the
// transpose). Numbers read back exactly and never depend on the locale.
#pragma once

#include <optional>
#include <string>

#include "export/export_options.h"
#include "scanfile/scan_file.h"

namespace quillon {

class OutputFiles;
class ScanColumns;

// The sizes a spreadsheet shows at most.
constexpr std::size_t kSpreadsheetColumns = 16'384;
constexpr std::size_t kSpreadsheetRows = 1'048'576;

// Writes the CSV table of `file` to `path` through `files`: opens it, writes it in chunks and
// closes it; on any failure the output is discarded and the error passed on (FileError for
// the output, CalibrationError for a grid over a calibration that does not rise).
ExportReport WriteCsv(const ScanFile& file, const ExportRequest& request, const std::string& path,
                      OutputFiles& files);

// When the table of `columns` in `layout` exceeds a spreadsheet's limits: a remark that says so
// and names the layout that fits, if one does.
std::optional<std::string> SpreadsheetNotice(const ScanColumns& columns, CsvLayout layout);

}  // namespace quillon
