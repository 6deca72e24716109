// SPDX-License-Identifier: MIT
// quillon-convert: converts scan data files into text files beside them from the command line,
// with the same conversion as the window's Convert button.
//
//   quillon-convert [OPTIONS] FILE...
//   quillon-convert --dry-run FILE...     (load and report only)
//   quillon-convert --format csv --format hdf5 --quantity absorbance -o out/ data/
//
// This file turns the arguments into options; cli/batch.h says what they mean and runs them.
#include <CLI/CLI.hpp>
#include <chrono>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/console_services.h"
#include "cli/watch.h"
#include "platform/console.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Options {
    quillon::CommandLine line;
    std::string selection;
    bool overwrite = false;
    bool keep = false;
    bool quiet = false;
    std::vector<std::string> files;
    std::string watch;
    double settle = 2.0;
    double poll = 0.0;
};

std::chrono::milliseconds SecondsToMilliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0 + 0.5));
}

void PrintUsageError(const std::string& what) {
    std::cerr << "quillon-convert: " << what << "\n"
              << "Usage: quillon-convert [OPTIONS] FILE...\n"
              << "Try 'quillon-convert --help' for more information.\n";
}

// The options of the exports: formats, output folder, quantity, grid and the CSV style.
void AddExportOptions(CLI::App& app, Options& options) {
    quillon::CommandLine& line = options.line;
    app.add_option(
           "--format", line.formats,
           "Output format: text (the default), csv, json, hdf5 or xlsx (an Excel workbook); "
           "repeat the option (or list them with commas) for several")
        ->type_name("FORMAT")
        ->delimiter(',')
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        // One argument per --format (a list of formats is one argument with commas): the
        // arguments after it are files, as in `--format csv a.sdf b.sdf`.
        ->expected(1)
        ->allow_extra_args(false);
    app.add_option("-o,--output-dir", line.outputDir,
                   "Write every output into DIR (made if missing) under its input's base name")
        ->type_name("DIR");
    app.add_option("--quantity", line.quantity,
                   "CSV, HDF5 and XLSX: the scans as counts (the default), dark-subtracted, "
                   "transmittance or absorbance")
        ->type_name("NAME");
    app.add_option(
           "--grid", line.grid,
           "CSV, HDF5 and XLSX: resample every column onto the wavelengths START, START+STEP, "
           "... up to END (nm), e.g. 400:0.5:800")
        ->type_name("START:STEP:END");
    app.add_option("--layout", line.layout,
                   "CSV: one column per scan (columns, the default) or one row per scan (rows)")
        ->type_name("columns|rows");
    app.add_option("--delimiter", line.delimiter,
                   "CSV: the cell delimiter: ',', ';' or tab (tab-separated values are written "
                   "to base.tsv)")
        ->type_name("CHAR");
    app.add_flag("--decimal-comma", line.decimalComma,
                 "CSV: a decimal comma instead of the point (the delimiter becomes ';')");
    app.add_flag("--bom", line.byteOrderMark, "CSV: begin with a UTF-8 byte-order mark");
    app.add_flag("--compress", line.compress, "HDF5: shuffle and deflate the scan datasets");
    app.add_option("--trace", line.trace,
                   "Write the trace of the scans at these wavelengths (nm) instead of the "
                   "spectra: a row per scan with its date-time and seconds, as base_trace.csv "
                   "(with --format also base_trace.h5, base_trace.xlsx), e.g. 450,620")
        ->type_name("WL[,WL...]");
    app.add_option("--band", line.band,
                   "With --trace: the mean over the pixels within WL +- NM instead of the value "
                   "interpolated at WL")
        ->type_name("NM");
    app.add_option("--average", line.average,
                   "Average every K consecutive selected scans into one (--trace and the CSV, "
                   "JSON, HDF5 and XLSX exports)")
        ->type_name("K")
        ->check(CLI::PositiveNumber);
    app.add_flag("-r,--recursive", line.recursive,
                 "A FILE that is a folder stands for its .sdf files and those of its subfolders");
    app.add_option("-j,--jobs", line.jobs,
                   "Threads to work on: several files at once, or the blocks of one export "
                   "(default: as many as the machine has cores; the outputs are the same)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
}

int RunConverter(int argc, char** argv) {
    CLI::App app{
        "Converts CCD spectrometer scan data files (.sdf) into CR LF text files beside them,\n"
        "and into CSV, JSON and HDF5 files and Excel workbooks for analysis. The outputs are\n"
        "named after each FILE up to its last '.': base_Var.txt, base_Dark.txt, base_Ref.txt and\n"
        "base_<l>of<n>.txt for every scan, or base.txt with --one-file; base.csv (base.tsv with\n"
        "--delimiter tab), base.json, base.h5, base.xlsx. A FILE that is a folder stands for\n"
        "the .sdf files in it.",
        "quillon-convert"};
    Options options;
    quillon::CommandLine& line = options.line;
    CLI::Option* oneFile =
        app.add_flag("--one-file", line.oneFile, "Everything in one file, base + \".txt\"");
    app.add_flag("-p,--with-pixel", line.withPixel, "Add the pixel number column");
    app.add_flag("-w,--with-wavelength", line.withWavelength, "Add the wavelength column");
    CLI::Option* select =
        app.add_option("-s,--select", options.selection,
                       "Convert only the listed scans, e.g. 1,3-5 (not with --one-file)")
            ->type_name("LIST");
    CLI::Option* overwrite =
        app.add_flag("--overwrite", options.overwrite,
                     "With --one-file: replace an existing base.txt without asking");
    CLI::Option* keep = app.add_flag(
        "--keep", options.keep, "With --one-file: keep an existing base.txt, write base(k).txt");
    app.add_flag("-q,--quiet", options.quiet, "Print no log lines");
    app.add_flag("--dry-run", line.dryRun,
                 "Only load each FILE and print its log; convert and write nothing");
    AddExportOptions(app, options);
    CLI::Option* files =
        app.add_option("FILE", options.files,
                       "Scan data files (or folders of them) to convert, one after the other")
            ->type_name("");
    CLI::Option* watch =
        app.add_option("--watch", options.watch,
                       "Convert the .sdf files of DIR whose outputs are missing or older, then "
                       "each one saved there, until Ctrl+C")
            ->type_name("DIR");
    CLI::Option* settle =
        app.add_option("--settle", options.settle,
                       "With --watch: convert a file once its size and time have stayed the "
                       "same for SECONDS (default 2)")
            ->type_name("SECONDS")
            ->check(CLI::NonNegativeNumber);
    CLI::Option* poll = app.add_option("--poll", options.poll,
                                       "With --watch: read DIR every SECONDS instead of waiting "
                                       "for the system's notifications (network shares)")
                            ->type_name("SECONDS")
                            ->check(CLI::PositiveNumber);
    watch->excludes(files);
    settle->needs(watch);
    poll->needs(watch);
    app.set_version_flag("--version", std::string("quillon-convert ") + QUILLON_VERSION);
    // Every argument that is not a "-" option is a file, also one such as /data/run1.sdf that
    // CLI11 would take for a Windows-style "/option".
    app.allow_windows_style_options(false);
    oneFile->excludes(select);
    overwrite->excludes(keep);

    quillon::BatchOptions batch;
    try {
        app.parse(argc, argv);
        if (select->count() > 0) {
            line.selection = options.selection;
        }
        if (files->count() == 0 && watch->count() == 0) {
            throw CLI::RequiredError("FILE");
        }
        if (watch->count() > 0 && line.dryRun) {
            throw quillon::UsageError("--dry-run cannot be used with --watch");
        }
        batch = quillon::InterpretCommandLine(line);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        PrintUsageError(e.what());
        return kExitUsage;
    } catch (const quillon::UsageError& e) {
        PrintUsageError(e.what());
        return kExitUsage;
    }

    quillon::ConsoleServices::Settings settings;
    settings.quiet = options.quiet;
    settings.overwrite = options.overwrite ? quillon::ConsoleServices::Overwrite::kYes
                         : options.keep    ? quillon::ConsoleServices::Overwrite::kNo
                                           : quillon::ConsoleServices::Overwrite::kAsk;
    settings.interactive = quillon::StdinIsInteractive();
    quillon::ConsoleServices console(settings, std::cout, std::cerr, std::cin);
    batch.text.askOverwrite = [&console](const std::string& question) {
        return console.AskYesNo(question);
    };

    const bool recursive = batch.recursive;
    if (watch->count() > 0) {
        quillon::WatchOptions watching;
        watching.folder = options.watch;
        watching.recursive = recursive;
        watching.settle = SecondsToMilliseconds(options.settle);
        if (poll->count() > 0) {
            watching.poll = SecondsToMilliseconds(options.poll);
        }
        const quillon::BatchOptions kept = batch;
        quillon::BatchRun run(std::move(batch), console, std::cerr);
        return quillon::RunWatch(
            watching, kept, [&run](const std::string& path) { return run.ConvertFile(path); },
            std::cerr);
    }
    quillon::BatchRun run(std::move(batch), console, std::cerr);
    return run.Run(quillon::ExpandInputs(options.files, recursive));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        // UTF-8 arguments and console on every system (Windows hands out UTF-16 and leaves
        // wildcards to the program).
        quillon::UseUtf8Console();
        std::vector<std::string> arguments = quillon::Utf8Arguments(argc, argv);
        std::vector<char*> pointers;
        for (std::string& argument : arguments) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        return RunConverter(static_cast<int>(arguments.size()), pointers.data());
    } catch (const std::exception& error) {
        std::cerr << "quillon-convert: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "quillon-convert: unexpected error\n";
    }
    return kExitFailed;
}
