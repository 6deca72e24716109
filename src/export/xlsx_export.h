// SPDX-License-Identifier: MIT
// The workbook export (.xlsx, written with libxlsxwriter): the spectra laid out as the CSV
// columns layout, the selected scans' texts and every parameter, as numbers and texts a
// spreadsheet takes without import settings.
//
//   "Spectra"     pixel, wavelength_nm, dark, reference, scan_<number>...: one row per pixel
//                 (or grid point; without the pixel column), the scans as the chosen quantity.
//                 Scans beyond a sheet's 16,384 columns continue on "Spectra 2", "Spectra 3"...,
//                 each with the leading columns again.
//   "Scans"       number, title, subtitle, date_time, optical_blank: one row per selected scan.
//   "Parameters"  record, field, value: every field of the six parameter records (an array
//                 field one row per element, "fCal[0]"...).
//
// Numbers are number cells that read back to the written values (a float as its shortest
// decimal, as the CSV export prints it); texts are text cells in UTF-8; a value that is not
// defined is an empty cell; every sheet's header row is frozen. The document carries a fixed
// creation date, so that the same file always gives the same bytes. Built only where
// libxlsxwriter is found (QUILLON_WITH_XLSX).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

#include "export/export_options.h"
#include "scanfile/scan_file.h"

namespace quillon {

// False in a build without libxlsxwriter: WriteXlsx then raises XlsxUnavailable.
bool XlsxAvailable() noexcept;

class XlsxUnavailable : public std::runtime_error {
  public:
    XlsxUnavailable();
};

// The most cells a workbook of QUILLON holds: beyond them a spreadsheet program takes minutes
// and gigabytes to open it, and the sheets' XML nears the 4 GiB a plain zip entry holds.
constexpr std::size_t kWorkbookMaxCells = 50'000'000;

// Writes the workbook of `file` to `path`, under a temporary name first and renamed into place
// once complete. Raises FileError naming `path` (nothing is left under it then), also before
// anything is written for a workbook of more than kWorkbookMaxCells cells or of more rows
// than a sheet holds, and CalibrationError for a grid over a calibration that does not rise.
ExportReport WriteXlsx(const ScanFile& file, const ExportRequest& request, const std::string& path);

class TraceTable;
// Writes a trace as a workbook of one sheet, "Trace": scan (with --average also scans),
// date_time, seconds and a column per wavelength, a row per row of the trace. A trace of more
// rows than a sheet holds is refused (FileError) before anything is written.
ExportReport WriteTraceXlsx(const ScanFile& file, const TraceTable& table, const std::string& path);

}  // namespace quillon
