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
#include "platform/file_error.h"
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
bool ConvertFile(quillon::ConverterState& state, quillon::ConsoleServices& services,
                 const std::string& path, bool dryRun) {
    // Outputs are named after the path up to its last '.'; a path without one would put them
    // under names such as "_Var.txt" in the current folder, away from the file.
    if (!dryRun && quillon::OutputBaseName(path).empty()) {
        std::cerr << "quillon-convert: " << path
                  << ": the name has no '.', so no output names can be formed from it\n";
        return false;
    }
    try {
        state.m_strFilePath = path;
        quillon::LoadScanFile(state, services, path);
        services.Refresh();
        // A file that ends early is still converted, with the missing values as 0, but the
        // run does not count as a success: a script must not mistake it for a complete file.
        const bool complete = state.m_nMissingBytes == 0;
        if (!complete) {
            std::cerr << "quillon-convert: " << path << ": the file ends " << state.m_nMissingBytes
                      << " bytes early; the missing values were read as 0\n";
        }
        if (dryRun) {
            return complete;
        }
        const bool written = quillon::ConvertCommand(state, services);
        services.Refresh();
        return written && complete;
    } catch (const quillon::FileError& error) {
        services.Refresh();
        std::cerr << "quillon-convert: " << error.Path() << ": " << error.Reason() << "\n";
    } catch (const std::exception& error) {
        services.Refresh();
        std::cerr << "quillon-convert: " << path << ": " << error.what() << "\n";
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

    quillon::ConverterState state;
    state.m_bOneFile = options.oneFile ? 1 : 0;
    state.m_bWithPixel = options.withPixel ? 1 : 0;
    state.m_bWithWavelength = options.withWavelength ? 1 : 0;
    state.m_bConvertAll = select->count() == 0;
    state.m_strSelection = options.selection;

    quillon::ConsoleServices::Settings settings;
    settings.quiet = options.quiet;
    settings.overwrite = options.overwrite ? quillon::ConsoleServices::Overwrite::kYes
                         : options.keep    ? quillon::ConsoleServices::Overwrite::kNo
                                           : quillon::ConsoleServices::Overwrite::kAsk;
    settings.interactive = ::isatty(STDIN_FILENO) == 1;
    quillon::ConsoleServices services(state, settings, std::cout, std::cerr, std::cin);

    bool allConverted = true;
    for (const std::string& path : options.files) {
        if (!ConvertFile(state, services, path, options.dryRun)) {
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
