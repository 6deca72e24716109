// SPDX-License-Identifier: MIT
// The command-line converter's run over its inputs.
#include "cli/batch.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <istream>
#include <ostream>
#include <set>
#include <sstream>
#include <streambuf>
#include <vector>

#include "cli/console_services.h"
#include "export/grid.h"
#include "export/hdf5_export.h"
#include "export/xlsx_export.h"
#include "platform/failure.h"
#include "platform/ordered_work.h"
#include "scanfile/loader.h"

namespace quillon {

namespace {

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::vector<ExportFormat> Formats(const std::vector<std::string>& names, bool trace) {
    std::vector<ExportFormat> formats;
    for (const std::string& name : names) {
        const std::optional<ExportFormat> format = ParseExportFormat(name);
        if (!format) {
            throw UsageError("--format: " + Quoted(name) +
                             " is not one of text, csv, json, hdf5, xlsx");
        }
        formats.push_back(*format);
    }
    if (formats.empty()) {
        // A trace alone is what asking for one means; the spectra stay a run of their own.
        formats.push_back(trace ? ExportFormat::kCsv : ExportFormat::kText);
    }
    std::sort(formats.begin(), formats.end());
    formats.erase(std::unique(formats.begin(), formats.end()), formats.end());
    return formats;
}

// "csv" for an option that only the CSV export reads, and so on.
void Require(bool present, const char* option, const char* formats) {
    if (!present) {
        throw UsageError(std::string(option) + " applies to --format " + formats + " only");
    }
}

// What one file of a batch printed, standard output and standard error in the order written.
class FileLog {
  public:
    struct Event {
        bool toError;
        std::string bytes;
    };

    FileLog() : m_OutBuffer(*this, false), m_ErrBuffer(*this, true) {}
    FileLog(const FileLog&) = delete;
    FileLog& operator=(const FileLog&) = delete;

    std::ostream& Out() { return m_Out; }
    std::ostream& Err() { return m_Err; }
    std::istream& In() { return m_In; }  // nothing to read: no question reaches a terminal
    void Clear() {
        events.clear();
        ok = false;
    }

    std::vector<Event> events;
    bool ok = false;

  private:
    class Buffer : public std::streambuf {
      public:
        Buffer(FileLog& log, bool toError) : m_Log(log), m_bToError(toError) {}

      protected:
        std::streamsize xsputn(const char* bytes, std::streamsize count) override {
            std::vector<Event>& events = m_Log.events;
            if (events.empty() || events.back().toError != m_bToError) {
                events.push_back({m_bToError, {}});
            }
            events.back().bytes.append(bytes, static_cast<std::size_t>(count));
            return count;
        }
        int_type overflow(int_type c) override {
            if (!traits_type::eq_int_type(c, traits_type::eof())) {
                const char byte = traits_type::to_char_type(c);
                xsputn(&byte, 1);
            }
            return traits_type::not_eof(c);
        }

      private:
        FileLog& m_Log;
        bool m_bToError;
    };

    Buffer m_OutBuffer;
    Buffer m_ErrBuffer;
    std::ostream m_Out{&m_OutBuffer};
    std::ostream m_Err{&m_ErrBuffer};
    std::istringstream m_In;
};

// The wavelengths of --trace: decimal numbers (nm) separated by commas.
std::vector<double> TraceWavelengths(std::string_view text) {
    std::vector<double> wavelengths;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string_view item = text.substr(from, comma - from);
        double value = 0.0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (item.empty() || error != std::errc() || end != item.data() + item.size() ||
            !std::isfinite(value)) {
            throw UsageError("--trace: " + Quoted(item) +
                             " is not a wavelength in nm; give them as 450,620.5");
        }
        wavelengths.push_back(value);
        if (comma == text.size()) {
            return wavelengths;
        }
        from = comma + 1;
    }
}

// --trace, --band and --average, once the formats and the quantity are known.
void InterpretTrace(const CommandLine& line, BatchOptions& options) {
    ExportRequest& exports = options.request;
    const auto has = [&options](ExportFormat format) {
        return std::find(options.formats.begin(), options.formats.end(), format) !=
               options.formats.end();
    };
    if (line.average) {
        if (has(ExportFormat::kText)) {
            throw UsageError(
                "--average applies to --trace and to --format csv, json, hdf5 and xlsx, not to "
                "the text outputs");
        }
        exports.average = *line.average;
    }
    if (line.band && !line.trace) {
        throw UsageError("--band applies to --trace only");
    }
    if (!line.trace) {
        return;
    }
    if (has(ExportFormat::kText) || has(ExportFormat::kJson)) {
        throw UsageError("--trace is written as --format csv, hdf5 or xlsx only");
    }
    const char* const refused = line.grid       ? "--grid"
                                : line.layout   ? "--layout"
                                : line.compress ? "--compress"
                                                : nullptr;
    if (refused != nullptr) {
        throw UsageError(std::string(refused) + " cannot be used with --trace");
    }
    TraceSpec spec;
    spec.wavelengths = TraceWavelengths(*line.trace);
    spec.quantity = exports.quantity;
    if (line.band) {
        if (!std::isfinite(*line.band) || !(*line.band > 0.0)) {
            throw UsageError("--band: the half-width in nm must be above 0");
        }
        spec.band = *line.band;
    }
    exports.trace = std::move(spec);
}

}  // namespace

std::optional<char> ParseDelimiter(std::string_view text) {
    if (text == "," || text == ";" || text == "\t") {
        return text.front();
    }
    if (text == "tab") {
        return '\t';
    }
    return std::nullopt;
}

BatchOptions InterpretCommandLine(const CommandLine& line) {
    BatchOptions options;
    options.formats = Formats(line.formats, line.trace.has_value());
    const auto has = [&options](ExportFormat format) {
        return std::find(options.formats.begin(), options.formats.end(), format) !=
               options.formats.end();
    };
    const bool csv = has(ExportFormat::kCsv);
    const bool hdf5 = has(ExportFormat::kHdf5);
    if (hdf5 && !Hdf5Available()) {
        throw UsageError("--format hdf5: " + std::string(Hdf5Unavailable().what()));
    }
    const bool xlsx = has(ExportFormat::kXlsx);
    if (xlsx && !XlsxAvailable()) {
        throw UsageError("--format xlsx: " + std::string(XlsxUnavailable().what()));
    }

    options.text.oneFile = line.oneFile;
    options.text.withPixel = line.withPixel;
    options.text.withWavelength = line.withWavelength;
    options.text.convertAll = !line.selection.has_value();
    options.text.selection = line.selection.value_or("");
    options.outputFolder = line.outputDir;
    options.dryRun = line.dryRun;
    options.recursive = line.recursive;
    options.request.jobs = line.jobs;

    ExportRequest& exports = options.request;
    if (line.quantity) {
        Require(csv || hdf5 || xlsx, "--quantity", "csv, hdf5 and xlsx");
        const std::optional<Quantity> quantity = ParseQuantity(*line.quantity);
        if (!quantity) {
            throw UsageError("--quantity: " + Quoted(*line.quantity) +
                             " is not one of counts, dark-subtracted, transmittance, absorbance");
        }
        exports.quantity = *quantity;
    }
    if (line.grid) {
        Require(csv || hdf5 || xlsx, "--grid", "csv, hdf5 and xlsx");
        try {
            exports.grid = ParseGrid(*line.grid);
        } catch (const GridSyntaxError& error) {
            throw UsageError(std::string("--grid: ") + error.what());
        }
    }
    if (line.layout) {
        Require(csv, "--layout", "csv");
        if (*line.layout == "columns") {
            exports.csv.layout = CsvLayout::kColumns;
        } else if (*line.layout == "rows") {
            exports.csv.layout = CsvLayout::kRows;
        } else {
            throw UsageError("--layout: " + Quoted(*line.layout) + " is not columns or rows");
        }
    }
    std::optional<char> chosen;
    if (line.delimiter) {
        Require(csv, "--delimiter", "csv");
        chosen = ParseDelimiter(*line.delimiter);
        if (!chosen) {
            throw UsageError("--delimiter: " + Quoted(*line.delimiter) + " is not ',', ';' or tab");
        }
    }
    if (line.decimalComma) {
        Require(csv, "--decimal-comma", "csv");
    }
    const std::optional<char> delimiter = CsvDelimiter(chosen, line.decimalComma);
    if (!delimiter) {
        throw UsageError(
            "--decimal-comma cannot be used with the ',' delimiter: a number such as 1,5 "
            "would read as two cells; use --delimiter ';' or --delimiter tab");
    }
    exports.csv.delimiter = *delimiter;
    exports.csv.decimalComma = line.decimalComma;
    if (line.byteOrderMark) {
        Require(csv, "--bom", "csv");
        exports.csv.byteOrderMark = true;
    }
    if (line.compress) {
        Require(hdf5, "--compress", "hdf5");
        exports.compress = true;
    }
    InterpretTrace(line, options);
    return options;
}

BatchRun::BatchRun(BatchOptions options, ConsoleServices& console, std::ostream& err)
    : m_Options(std::move(options)), m_Console(console), m_Err(err) {}

int BatchRun::Run(const std::vector<InputFile>& inputs) {
    if (!m_Options.outputFolder.empty() && !m_Options.dryRun) {
        const std::string problem = MakeOutputFolder(m_Options.outputFolder);
        if (!problem.empty()) {
            m_Console.Message(problem);
            return 1;
        }
    }
    // Whether each input is converted, and its messages, in the order of the inputs. The
    // output names are settled first, in that order, so that of two inputs that would share
    // outputs the second is refused, however many files are converted at once.
    std::vector<std::string> refusals(inputs.size());
    std::set<std::string> paths;
    bool repeated = false;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (inputs[i].problem.empty() && !m_Options.dryRun) {
            OutputBase(inputs[i].path, refusals[i]);
        }
        repeated = !paths.insert(inputs[i].path).second || repeated;
    }
    const auto convert = [&](std::size_t i, ConsoleServices& console, unsigned jobs) {
        if (!inputs[i].problem.empty()) {
            console.Message(inputs[i].path + ": " + inputs[i].problem);
            return false;
        }
        if (!refusals[i].empty()) {
            console.Message(refusals[i]);
            return false;
        }
        return Convert(inputs[i].path, console, jobs);
    };

    std::size_t converted = 0;
    std::size_t failed = 0;
    const unsigned jobs = WorkerCount(m_Options.request.jobs);
    // Several files at once when nobody is asked anything at the terminal and no input comes
    // twice (its second conversion finds the outputs of the first). Each file's log and
    // messages are gathered and printed whole, in the order of the inputs: the same lines as
    // one after the other.
    if (jobs > 1 && inputs.size() > 1 && m_Console.Unattended() && !repeated) {
        RunInOrder<FileLog>(
            jobs, inputs.size(),
            [&](std::size_t i, FileLog& log) {
                log.Clear();
                ConsoleServices console(m_Console.GetSettings(), log.Out(), log.Err(), log.In());
                log.ok = convert(i, console, 1);
            },
            [&](std::size_t, FileLog& log) {
                for (const FileLog::Event& event : log.events) {
                    m_Console.Print(event.toError, event.bytes);
                }
                ++(log.ok ? converted : failed);
            });
    } else {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            ++(convert(i, m_Console, jobs) ? converted : failed);
        }
    }
    if (inputs.size() > 1) {
        m_Err << converted << (converted == 1 ? " file " : " files ")
              << (m_Options.dryRun ? "loaded, " : "converted, ") << failed << " failed\n";
        m_Err.flush();
    }
    return failed == 0 ? 0 : 1;
}

std::string BatchRun::OutputBase(const std::string& path, std::string& refusal) {
    const std::string base = ExportOutputBase(path, m_Options.outputFolder);
    // Outputs are named after the path up to its last '.'; a path without one would put them
    // under names such as "_Var.txt" in the current folder, away from the file. Said before
    // the file is loaded.
    if (base.empty()) {
        refusal = NoOutputNamesMessage(path);
        return base;
    }
    // Two inputs of one run never share outputs: the second would replace the first's
    // (a/x.sdf and b/x.sdf with --output-dir, x.sdf and x.SDF in one folder).
    const auto [at, added] = m_Bases.emplace(base, path);
    if (!added && at->second != path) {
        refusal = path + ": its outputs would replace those of " + at->second +
                  " (both are named " + base + "...); it was not converted";
        return "";
    }
    return base;
}

bool BatchRun::ConvertFile(const std::string& path) {
    std::string refusal;
    if (!m_Options.dryRun && OutputBase(path, refusal).empty()) {
        m_Console.Message(refusal);
        return false;
    }
    return Convert(path, m_Console, WorkerCount(m_Options.request.jobs));
}

bool BatchRun::Convert(const std::string& path, ConsoleServices& console, unsigned jobs) const {
    try {
        const ScanFile file = LoadScanFile(path, console);
        // A file that ends early is still converted, with the missing values as 0, but the
        // run does not count as a success: a script must not mistake it for a complete file.
        const bool complete = file.m_nMissingBytes == 0;
        if (!complete) {
            console.Message(path + ": the file ends " + std::to_string(file.m_nMissingBytes) +
                            " bytes early; the missing values were read as 0");
        }
        if (m_Options.dryRun) {
            return complete;
        }
        ExportPlan plan = m_Options;
        plan.request.jobs = jobs;
        if (&console != &m_Console) {
            plan.text.askOverwrite = [&console](const std::string& question) {
                return console.AskYesNo(question);
            };
        }
        const ExportOutcome outcome = RunExport(file, path, plan, console);
        for (const std::string& message : outcome.messages) {
            console.Message(message);
        }
        return outcome.ok && complete;
    } catch (...) {
        const Failure failure = DescribeFailure(std::current_exception(), path);
        console.Message(failure.path + ": " + failure.reason);
    }
    return false;
}

}  // namespace quillon
