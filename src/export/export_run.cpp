// SPDX-License-Identifier: MIT
// One export of a loaded file: output names, scans, the grid check and the writers.
#include "export/export_run.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "convert/output_naming.h"
#include "convert/selection.h"
#include "export/csv_export.h"
#include "export/grid.h"
#include "export/hdf5_export.h"
#include "export/json_export.h"
#include "export/scan_columns.h"
#include "export/trace_table.h"
#include "export/xlsx_export.h"
#include "platform/atomic_file.h"
#include "platform/failure.h"
#include "platform/file_error.h"
#include "platform/utf8_path.h"
#include "render/spectrum_tables.h"

namespace quillon {

namespace {

std::string ExportName(ExportFormat format) {
    switch (format) {
        case ExportFormat::kCsv:
            return "CSV";
        case ExportFormat::kJson:
            return "JSON";
        case ExportFormat::kHdf5:
            return "HDF5";
        case ExportFormat::kXlsx:
            return "XLSX";
        case ExportFormat::kText:
            break;
    }
    return "text";
}

// Writes one CSV, JSON or HDF5 output of the run (of the trace, when there is one) into
// `outcome`; false when the input can no longer be read and the run stops.
bool RunExportPass(ExportFormat format, const ScanFile& file, const ExportRequest& request,
                   const TraceTable* trace, const std::string& base, LogSink& log,
                   ExportOutcome& outcome) {
    const std::string path = base + std::string(ExportExtension(format, request));
    ExportReport report;
    try {
        report = trace != nullptr ? WriteTraceOutput(format, file, *trace, request, base, log)
                                  : WriteExportOutput(format, file, request, base, log);
    } catch (...) {
        const Failure failure = DescribeFailure(std::current_exception(), path);
        outcome.ok = false;
        if (failure.path != path) {
            // The input itself failed (cut shorter while it was read): every further output
            // would fail alike.
            outcome.messages.push_back("The export was stopped: " + failure.path + ": " +
                                       failure.reason);
            return false;
        }
        outcome.failed.push_back(path);
        outcome.messages.push_back("Could not write " + path + ": " + failure.reason + ".");
        log.Append("Could not write " + path + ".\r\n");
        return true;
    }
    outcome.written.push_back(path);
    for (const std::string& notice : report.notices) {
        outcome.messages.push_back(path + ": " + notice);
    }
    return true;
}

// The passes of RunExport once the base, the folder and the grid are settled.
void RunExportPasses(const ScanFile& file, const ExportPlan& plan, const std::string& base,
                     LogSink& log, ExportOutcome& outcome) {
    ExportRequest request = plan.request;
    request.scanNumbers =
        ExportScanNumbers(plan.text.convertAll, plan.text.selection, file.ScanCount());
    // A trace is made once, in one pass over the file, and written in every format.
    std::optional<TraceTable> trace;
    if (request.trace) {
        trace = BuildTraceTable(file, request);
        if (!trace->TimeNotice().empty()) {
            log.Append(trace->TimeNotice() + "\r\n");
        }
    }
    if (const std::string notice = ShortGroupNotice(request.scanNumbers, request.average);
        !notice.empty()) {
        log.Append(notice + "\r\n");
    }
    for (const ExportFormat format : plan.formats) {
        if (format != ExportFormat::kText) {
            if (!RunExportPass(format, file, request, trace ? &*trace : nullptr, base, log,
                               outcome)) {
                return;
            }
            continue;
        }
        ConvertOptions text = plan.text;
        text.outputBase = base;
        const ConvertResult result = ConvertCommand(file, text, log);
        if (!result.ok) {
            outcome.ok = false;
            outcome.failed.push_back(result.failedName);
            outcome.messages.push_back(result.Message());
        }
    }
}

}  // namespace

std::string NoOutputNamesMessage(const std::string& inputPath) {
    return inputPath + ": the name has no '.', so no output names can be formed from it";
}

ExportOutcome RunExport(const ScanFile& file, const std::string& inputPath, const ExportPlan& plan,
                        LogSink& log) {
    ExportOutcome outcome;
    const auto stop = [&outcome](std::string message) {
        outcome.ok = false;
        outcome.messages.push_back(std::move(message));
        return outcome;
    };
    const std::string base = ExportOutputBase(inputPath, plan.outputFolder);
    if (base.empty()) {
        return stop(NoOutputNamesMessage(inputPath));
    }
    if (!plan.outputFolder.empty()) {
        if (std::string problem = MakeOutputFolder(plan.outputFolder); !problem.empty()) {
            return stop(std::move(problem));
        }
    }
    try {
        // A grid over a calibration that does not rise, or a trace at wavelengths it cannot
        // give, is refused before anything is written.
        CheckGridCalibration(file, plan.request, plan.formats);
        CheckTrace(file, plan.request);
    } catch (const CalibrationError& error) {
        return stop(inputPath + ": " + error.what() + "; nothing was written");
    } catch (const TraceError& error) {
        return stop(inputPath + ": " + error.what() + "; nothing was written");
    }
    try {
        RunExportPasses(file, plan, base, log, outcome);
    } catch (...) {
        // The input could no longer be read while the text outputs were written.
        const Failure failure = DescribeFailure(std::current_exception(), inputPath);
        return stop("The export was stopped: " + failure.path + ": " + failure.reason);
    }
    return outcome;
}

std::string ExportOutputBase(const std::string& inputPath, const std::string& folder) {
    const std::string base = OutputBaseName(inputPath);
    if (base.empty() || folder.empty()) {
        return base;
    }
    return Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(base).filename());
}

bool ExportOutputsUpToDate(const std::string& inputPath, const ExportPlan& plan) {
    const auto modified = [](const std::string& path) {
        std::error_code error;
        const auto time = std::filesystem::last_write_time(PathFromUtf8(path), error);
        return error ? std::nullopt : std::optional(time);
    };
    const auto input = modified(inputPath);
    const std::string base = ExportOutputBase(inputPath, plan.outputFolder);
    if (!input || base.empty()) {
        return false;
    }
    return std::all_of(plan.formats.begin(), plan.formats.end(), [&](ExportFormat format) {
        const std::string output = format != ExportFormat::kText
                                       ? base + std::string(ExportExtension(format, plan.request))
                                   : plan.text.oneFile ? base + ".txt"
                                                       : ParametersFileName(base);
        const auto time = modified(output);
        return time && *time >= *input;
    });
}

std::string MakeOutputFolder(const std::string& folder) {
    const std::filesystem::path path = PathFromUtf8(folder);
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (std::filesystem::is_directory(path)) {
        return "";
    }
    return folder + ": the output folder cannot be made" +
           (error ? ": " + ErrorCodeReason(error) : ": a file of that name exists");
}

std::vector<std::int32_t> ExportScanNumbers(bool all, std::string_view selection,
                                            std::size_t scanCount) {
    const auto count =
        static_cast<std::int32_t>(std::min<std::size_t>(scanCount, std::size_t{INT32_MAX}));
    if (all) {
        return AllScanNumbers(static_cast<std::size_t>(count));
    }
    std::vector<std::int32_t> numbers;
    MatchSelection(ParseSelection(selection, count), count, [&numbers](std::int32_t number) {
        numbers.push_back(number);
        return true;
    });
    return numbers;
}

void CheckGridCalibration(const ScanFile& file, const ExportRequest& request,
                          std::span<const ExportFormat> formats) {
    const bool gridded = std::any_of(formats.begin(), formats.end(), [](ExportFormat format) {
        return format == ExportFormat::kCsv || format == ExportFormat::kHdf5 ||
               format == ExportFormat::kXlsx;
    });
    if (request.grid && gridded) {
        CheckRisingCalibration(WavelengthAxis(file));
    }
}

ExportReport WriteExportOutput(ExportFormat format, const ScanFile& file,
                               const ExportRequest& request, const std::string& base,
                               LogSink& log) {
    const std::string path = base + std::string(ExportExtension(format, request));
    ExportReport report;
    AtomicDiskOutputFiles files;
    switch (format) {
        case ExportFormat::kCsv:
            report = WriteCsv(file, request, path, files);
            break;
        case ExportFormat::kJson:
            report = WriteJson(file, request, path, files);
            break;
        case ExportFormat::kHdf5:
            report = WriteHdf5(file, request, path);
            break;
        case ExportFormat::kXlsx:
            report = WriteXlsx(file, request, path);
            break;
        case ExportFormat::kText:
            return report;
    }
    log.Append(ExportName(format) + " data were written to " + path + ".\r\n");
    if (format != ExportFormat::kJson &&
        (request.quantity != Quantity::kCounts || request.grid.has_value())) {
        log.Append(std::string(QuantityName(request.quantity)) + ": " +
                   std::to_string(report.undefined) + " of " + std::to_string(report.values) +
                   " values are not defined.\r\n");
    }
    return report;
}

ExportReport WriteTraceOutput(ExportFormat format, const ScanFile& file, const TraceTable& trace,
                              const ExportRequest& request, const std::string& base, LogSink& log) {
    const std::string path = base + std::string(ExportExtension(format, request));
    ExportReport report;
    AtomicDiskOutputFiles files;
    switch (format) {
        case ExportFormat::kCsv:
            report = WriteTraceCsv(file, trace, request.csv, path, files);
            break;
        case ExportFormat::kHdf5:
            report = WriteTraceHdf5(file, trace, path);
            break;
        case ExportFormat::kXlsx:
            report = WriteTraceXlsx(file, trace, path);
            break;
        case ExportFormat::kText:
        case ExportFormat::kJson:
            throw std::invalid_argument("a trace is written as CSV, HDF5 or a workbook only");
    }
    log.Append("Trace " + ExportName(format) + " data were written to " + path + ".\r\n");
    if (trace.TraceQuantity() != Quantity::kCounts) {
        log.Append(std::string(QuantityName(trace.TraceQuantity())) + ": " +
                   std::to_string(report.undefined) + " of " + std::to_string(report.values) +
                   " values are not defined.\r\n");
    }
    return report;
}

}  // namespace quillon
