// SPDX-License-Identifier: MIT
// RunExport: one export of a loaded file, as the command line and the window both run it: the
// base of the output names (beside the input or in a chosen folder), the output folder, the
// check that a wavelength grid can be laid over the calibration before anything is written,
// the scans the selection names, and one pass per format (the text outputs through the
// Convert command, each CSV, JSON or HDF5 output written whole under base + its extension),
// with its log lines and every failure worded for the user.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/convert_command.h"
#include "export/export_options.h"
#include "platform/log_sink.h"
#include "scanfile/scan_file.h"

namespace quillon {

// Everything one export of a loaded file writes and how. The front ends fill it in and hand it
// to RunExport; a new format or a new setting of the run joins it here.
struct ExportPlan {
    // Distinct, in the order they are written: text, csv, json, hdf5, xlsx.
    std::vector<ExportFormat> formats = {ExportFormat::kText};
    // The text outputs' options; convertAll and selection choose the scans of every format.
    // outputBase is set by the run.
    ConvertOptions text;
    // What the CSV, JSON and HDF5 outputs hold and how; scanNumbers is set by the run.
    ExportRequest request;
    // Every output goes into this folder (made when missing) under the input's base name;
    // empty: beside the input.
    std::string outputFolder;
};

// How an export ended.
struct ExportOutcome {
    // Every format was written.
    bool ok = true;
    // The CSV, JSON and HDF5 outputs written whole, in the order written (the text outputs
    // are named in the log).
    std::vector<std::string> written;
    // The outputs that could not be written.
    std::vector<std::string> failed;
    // What the user is told, in order: every failure, naming the file and the reason, and
    // every remark on an output written (such as a table too large for a spreadsheet).
    std::vector<std::string> messages;
};

// Runs the export of `file`, loaded from `inputPath`. An input whose outputs cannot be named,
// an output folder that cannot be made and a grid over a calibration that does not rise stop
// it before anything is written. An output that cannot be written is reported ("Could not
// write <path>: <reason>.") and the other formats are still written; an input that can no
// longer be read stops the run ("The export was stopped: <path>: <reason>").
ExportOutcome RunExport(const ScanFile& file, const std::string& inputPath, const ExportPlan& plan,
                        LogSink& log);

// What the user is told of an input whose path has no '.' (ExportOutputBase is empty).
std::string NoOutputNamesMessage(const std::string& inputPath);

// The base of every output name of `inputPath`: the path up to its last '.', moved into
// `folder` under its own file name when a folder is given. Empty when the path has no '.'
// (no output name can be formed from it).
std::string ExportOutputBase(const std::string& inputPath, const std::string& folder);

// True when every output `plan` makes of the input `inputPath` exists and is not older than
// it: for the text files the parameter report (or the one-file output), for the other formats
// their file. A watched folder's file with up-to-date outputs needs no conversion.
bool ExportOutputsUpToDate(const std::string& inputPath, const ExportPlan& plan);

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

class TraceTable;
// Writes the trace of a run as CSV, HDF5 or a workbook to base + its extension
// ("_trace.csv", ...), as WriteExportOutput writes the spectra, and logs "Trace CSV data were
// written to <path>.\r\n" (and the values not defined, for a quantity other than counts).
ExportReport WriteTraceOutput(ExportFormat format, const ScanFile& file, const TraceTable& trace,
                              const ExportRequest& request, const std::string& base, LogSink& log);

}  // namespace quillon
