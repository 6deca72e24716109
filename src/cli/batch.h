// SPDX-License-Identifier: MIT
// The command-line converter's work beyond parsing its arguments: what the options mean
// together (and which combinations are usage errors), and the run over every input file,
// with the text outputs and the exports of each, its messages and the batch summary.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_run.h"
#include "export/input_files.h"

namespace quillon {

class ConsoleServices;

// The options as given on the command line, before they are interpreted.
struct CommandLine {
    bool oneFile = false;
    bool withPixel = false;
    bool withWavelength = false;
    std::optional<std::string> selection;
    bool dryRun = false;
    std::vector<std::string> formats;  // empty: text
    std::string outputDir;
    std::optional<std::string> quantity;
    std::optional<std::string> grid;
    std::optional<std::string> layout;
    std::optional<std::string> delimiter;
    bool decimalComma = false;
    bool byteOrderMark = false;
    bool compress = false;
    std::optional<std::string> trace;  // WL[,WL...]
    std::optional<double> band;
    std::optional<std::size_t> average;
    bool recursive = false;
    unsigned jobs = 0;  // 0: as many as the machine has cores
};

// A combination of options that makes no sense; what() says why. Exit status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What one run does to every input: the export of each (made in the output folder, when one
// is given, before the first input), or with dryRun only its load.
struct BatchOptions : ExportPlan {
    bool dryRun = false;
    bool recursive = false;
};

// The delimiter a --delimiter text names: ",", ";", "tab" or a tab character.
std::optional<char> ParseDelimiter(std::string_view text);

// Interprets the command line; raises UsageError. A build without HDF5 refuses
// --format hdf5 here too, one without libxlsxwriter --format xlsx. With --trace and no
// --format, the trace is written as CSV alone.
BatchOptions InterpretCommandLine(const CommandLine& line);

// Converts every input (several at once, on as many threads as request.jobs says, with the
// same outputs, log and messages as one after the other); a file that fails is reported and
// the rest still run.
class BatchRun {
  public:
    // Messages go to the console's standard error; the summary to `err`.
    BatchRun(BatchOptions options, ConsoleServices& console, std::ostream& err);

    // Returns the exit status: 0 when every input was converted (or with dryRun loaded), 1
    // otherwise. With more than one input, the summary line ends standard error.
    int Run(const std::vector<InputFile>& inputs);

    // One input; false when it failed (the reason has been reported).
    bool ConvertFile(const std::string& path);

  private:
    // The base of every output name of `path`, or empty with the message that says why there
    // is none in `refusal`.
    std::string OutputBase(const std::string& path, std::string& refusal);
    // Loads and exports one input whose output names are settled, reporting to `console`, the
    // exports on `jobs` threads; false when it failed.
    bool Convert(const std::string& path, ConsoleServices& console, unsigned jobs) const;

    BatchOptions m_Options;
    ConsoleServices& m_Console;
    std::ostream& m_Err;
    // Output base -> the input it belongs to, so that two inputs never write the same outputs.
    std::map<std::string, std::string> m_Bases;
};

}  // namespace quillon
