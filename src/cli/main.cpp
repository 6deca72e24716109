// quillon-convert: converts scan data files into text files beside them from the command line,
// with the same conversion as the window's Convert button.
//
//   quillon-convert [OPTIONS] FILE...
//   quillon-convert --dry-run FILE...     (load and report only)
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/console_services.h"
#include "convert/convert_command.h"
#include "convert/output_naming.h"
#include "platform/failure.h"
#include "scanfile/loader.h"

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Options {
    bool oneFile = false;
    bool withPixel = false;
    bool withWavelength = false;
    std::string selection;
    bool overwrite = false;
    bool keep = false;
    bool quiet = false;
    bool dryRun = false;
    std::vector<std::string> files;
};

void PrintUsageError(const std::string& what) {
    std::cerr << "quillon-convert: " << what << "\n"
              << "Usage: quillon-convert [OPTIONS] FILE...\n"
              << "Try 'quillon-convert --help' for more information.\n";
}

// Loads and converts one file, or with dryRun only loads it. Returns false when it could not be
// read, ended early, or an output could not be written; the reason has been printed on
// standard error.
bool ConvertFile(const quillon::ConvertOptions& convertOptions, quillon::ConsoleServices& console,
                 const std::string& path, bool dryRun) {
    // Outputs are named after the path up to its last '.'; a path without one would put them
    // under names such as "_Var.txt" in the current folder, away from the file.
    quillon::ConvertOptions options = convertOptions;
    options.outputBase = quillon::OutputBaseName(path);
    if (!dryRun && options.outputBase.empty()) {
        std::cerr << "quillon-convert: " << path
                  << ": the name has no '.', so no output names can be formed from it\n";
        return false;
    }
    try {
        const quillon::ScanFile file = quillon::LoadScanFile(path, console);
        // A file that ends early is still converted, with the missing values as 0, but the
        // run does not count as a success: a script must not mistake it for a complete file.
        const bool complete = file.m_nMissingBytes == 0;
        if (!complete) {
            std::cerr << "quillon-convert: " << path << ": the file ends " << file.m_nMissingBytes
                      << " bytes early; the missing values were read as 0\n";
        }
        if (dryRun) {
            return complete;
        }
        const quillon::ConvertResult result = quillon::ConvertCommand(file, options, console);
        if (!result.ok) {
            console.Message(result.Message());
        }
        return result.ok && complete;
    } catch (...) {
        const quillon::Failure failure = quillon::DescribeFailure(std::current_exception(), path);
        std::cerr << "quillon-convert: " << failure.path << ": " << failure.reason << "\n";
    }
    return false;
}

int RunConverter(int argc, char** argv) {
    CLI::App app{
        "Converts CCD spectrometer scan data files (.sdf) into CR LF text files beside them.\n"
        "The outputs are named after each FILE up to its last '.': base_Var.txt, base_Dark.txt,\n"
        "base_Ref.txt and base_<l>of<n>.txt for every scan, or base.txt with --one-file.",
        "quillon-convert"};
    Options options;
    CLI::Option* oneFile =
        app.add_flag("--one-file", options.oneFile, "Everything in one file, base + \".txt\"");
    app.add_flag("-p,--with-pixel", options.withPixel, "Add the pixel number column");
    app.add_flag("-w,--with-wavelength", options.withWavelength, "Add the wavelength column");
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
    app.add_flag("--dry-run", options.dryRun,
                 "Only load each FILE and print its log; convert and write nothing");
    app.add_option("FILE", options.files, "Scan data files to convert, one after the other")
        ->type_name("")
        ->required();
    app.set_version_flag("--version", std::string("quillon-convert ") + QUILLON_VERSION);
    oneFile->excludes(select);
    overwrite->excludes(keep);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        PrintUsageError(e.what());
        return kExitUsage;
    }

    quillon::ConvertOptions convertOptions;
    convertOptions.oneFile = options.oneFile;
    convertOptions.withPixel = options.withPixel;
    convertOptions.withWavelength = options.withWavelength;
    convertOptions.convertAll = select->count() == 0;
    convertOptions.selection = options.selection;

    quillon::ConsoleServices::Settings settings;
    settings.quiet = options.quiet;
    settings.overwrite = options.overwrite ? quillon::ConsoleServices::Overwrite::kYes
                         : options.keep    ? quillon::ConsoleServices::Overwrite::kNo
                                           : quillon::ConsoleServices::Overwrite::kAsk;
    settings.interactive = ::isatty(STDIN_FILENO) == 1;
    quillon::ConsoleServices console(settings, std::cout, std::cerr, std::cin);
    convertOptions.askOverwrite = [&console](const std::string& question) {
        return console.AskYesNo(question);
    };

    bool allConverted = true;
    for (const std::string& path : options.files) {
        if (!ConvertFile(convertOptions, console, path, options.dryRun)) {
            allConverted = false;
        }
    }
    return allConverted ? kExitConverted : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return RunConverter(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "quillon-convert: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "quillon-convert: unexpected error\n";
    }
    return kExitFailed;
}
