// SPDX-License-Identifier: MIT
// One export of a loaded file, as the command line and the window both run it: the base of
// the output names (beside the input or in a chosen folder), the scans the selection names,
// the check that a wavelength grid can be laid over the calibration before anything is
// written, and each CSV, JSON or HDF5 output written whole under base + its extension, with
// its log lines.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_options.h"
#include "platform/log_sink.h"
#include "scanfile/scan_file.h"

namespace quillon {

// The base of every output name of `inputPath`: the path up to its last '.', moved into
// `folder` under its own file name when a folder is given. Empty when the path has no '.'
// (no output name can be formed from it).
std::string ExportOutputBase(const std::string& inputPath, const std::string& folder);

// Makes the output folder (and the folders above it) when it does not exist yet. Empty when
// the folder is there now; otherwise the message that names it and the reason.
std::string MakeOutputFolder(const std::string& folder);

// The scans an export writes, ascending: all of them, or those the selection text names (as
// the Convert command reads it).
std::vector<std::int32_t> ExportScanNumbers(bool all, std::string_view selection,
                                            std::size_t scanCount);

// Raises CalibrationError when `request` asks for a wavelength grid in one of `formats` that
// uses it (CSV, HDF5, workbook) and the file's calibration does not rise strictly: checked before
// anything is written, so that a refused export writes nothing at all.
void CheckGridCalibration(const ScanFile& file, const ExportRequest& request,
                          std::span<const ExportFormat> formats);

// Writes the CSV, JSON, HDF5 or workbook export of `file` to base + its extension, under a
// temporary name first and renamed into place once complete, and logs "CSV data were written to
// <path>.\r\n" and, for a computed quantity or a grid, "<quantity>: <u> of <n> values are not
// defined.\r\n". Raises FileError naming the output (nothing is left under its name) and
// CalibrationError for a grid over a calibration that does not rise. The text format has
// outputs of its own (ConvertCommand): nothing is written for it here.
ExportReport WriteExportOutput(ExportFormat format, const ScanFile& file,
                               const ExportRequest& request, const std::string& base, LogSink& log);

}  // namespace quillon
