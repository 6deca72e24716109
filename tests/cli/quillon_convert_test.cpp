// SPDX-License-Identifier: MIT
// End-to-end runs of the built quillon-convert: exit status, the log on standard output,
// messages on standard error, and output files byte for byte the same as those the Convert
// command writes for the window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "convert/convert_command.h"
#include "convert/output_naming.h"
#include "fake_log.h"
#include "program_run.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::FakeLog;
using testing::Input;
using testing::ProgramRun;
using testing::ReadBytes;
using testing::RunProgram;
using testing::ScanContent;
using testing::SdfBuilder;
using testing::TempDir;

const std::string kDemo = std::string(QUILLON_EXAMPLES_DIR) + "/demo.sdf";

// The log as the terminal shows it: CR LF line ends become line feeds.
std::string AsPrinted(const std::string& log) {
    std::string out;
    for (char c : log) {
        if (c != '\r') {
            out += c;
        }
    }
    return out;
}

// Every file in a folder with its bytes, the input excepted.
std::map<std::string, std::string> Files(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name != "demo.sdf" && entry.is_regular_file()) {
            files[name] = ReadBytes(entry.path().string());
        }
    }
    return files;
}

// A folder holding a copy of the demo file.
struct DemoFolder {
    DemoFolder() { fs::copy_file(kDemo, dir / "demo.sdf"); }
    std::string Sdf() const { return dir / "demo.sdf"; }
    TempDir dir;
};

// What the window's Convert writes for the demo file with the given options, and the log the
// window shows: the load lines, then the conversion lines.
struct WindowRun {
    std::map<std::string, std::string> files;
    std::string log;
};
WindowRun ConvertLikeTheWindow(const std::string& path, int oneFile, int pixel, int wavelength,
                               const std::string* selection) {
    DemoFolder folder;
    FakeLog loadLog;
    const ScanFile file = LoadScanFile(folder.Sdf(), loadLog);
    ConvertOptions options;
    options.oneFile = oneFile != 0;
    options.withPixel = pixel != 0;
    options.withWavelength = wavelength != 0;
    options.convertAll = selection == nullptr;
    options.selection = selection != nullptr ? *selection : "";
    options.outputBase = OutputBaseName(folder.Sdf());
    FakeLog convertLog;
    EXPECT_TRUE(ConvertCommand(file, options, convertLog).ok);
    std::string log = loadLog.log + convertLog.log;
    // The load line names the file as it was given.
    const std::string opened = "File" + folder.Sdf() + " is opened properly.";
    EXPECT_EQ(log.rfind(opened, 0), 0u);
    log.replace(0, opened.size(), "File" + path + " is opened properly.");
    return {Files(folder.dir.Path()), log};
}

TEST(QuillonConvert, VersionPrintsTheProgramNameAndItsVersion) {
    const ProgramRun run = RunProgram("/", {"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "quillon-convert 1.0.0.1\n");
    EXPECT_EQ(run.err, "");
}

TEST(QuillonConvert, HelpListsTheOptionsOnStandardOutput) {
    const ProgramRun run = RunProgram("/", {"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* option : {"--one-file", "--with-pixel", "--with-wavelength", "--select",
                               "--overwrite", "--keep", "--quiet", "--version"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
}

TEST(QuillonConvert, UsageErrorsExitTwoWithTheUsageOnStandardErrorAndWriteNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"-p", "-w"},
        {"--bogus", "demo.sdf"},
        {"--one-file", "--select", "1", "demo.sdf"},
        {"--one-file", "-s", "2-3", "demo.sdf"},
        {"--overwrite", "--keep", "--one-file", "demo.sdf"},
    };
    for (const auto& args : cases) {
        DemoFolder folder;
        std::string shown;
        for (const auto& a : args) {
            shown += a + " ";
        }
        SCOPED_TRACE(shown);
        const ProgramRun run = RunProgram(folder.dir.Path(), args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Usage: quillon-convert [OPTIONS] FILE..."), std::string::npos);
        EXPECT_TRUE(Files(folder.dir.Path()).empty());
    }
}

TEST(QuillonConvert, WritesTheDemoFileExactlyAsTheWindowDoesAndPrintsItsLog) {
    const std::string select = "2,4-5";
    const struct {
        std::vector<std::string> args;
        int oneFile, pixel, wavelength;
        const std::string* selection;
    } cases[] = {
        {{"-p", "-w"}, 0, 1, 1, nullptr},
        {{}, 0, 0, 0, nullptr},
        {{"--with-wavelength", "--select", select}, 0, 0, 1, &select},
        {{"--one-file", "-p"}, 1, 1, 0, nullptr},
        {{"--one-file", "-pw"}, 1, 1, 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.size() > 0 ? c.args[0] : "no options");
        DemoFolder folder;
        std::vector<std::string> args = c.args;
        args.push_back(folder.Sdf());
        const ProgramRun run = RunProgram(folder.dir.Path(), args);
        const WindowRun window =
            ConvertLikeTheWindow(folder.Sdf(), c.oneFile, c.pixel, c.wavelength, c.selection);

        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, AsPrinted(window.log));
        EXPECT_FALSE(window.files.empty());
        EXPECT_TRUE(Files(folder.dir.Path()) == window.files);
    }
}

TEST(QuillonConvert, DemoFileGivesItsSectionFilesAndFiveScanFilesOfCrLfLines) {
    DemoFolder folder;
    const ProgramRun run = RunProgram(folder.dir.Path(), {"demo.sdf", "-p", "-w"});
    ASSERT_EQ(run.status, 0);
    const auto files = Files(folder.dir.Path());
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) {
        names.push_back(name);
        // Every line ends in CR LF.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << name << " at " << i;
            }
        }
    }
    EXPECT_EQ(names, std::vector<std::string>({"demo_1of5.txt", "demo_2of5.txt", "demo_3of5.txt",
                                               "demo_4of5.txt", "demo_5of5.txt", "demo_Dark.txt",
                                               "demo_Ref.txt", "demo_Var.txt"}));
    // The demo's detector: 2048 pixels, the axis starting at 198.42 nm.
    const std::string& scan = files.at("demo_3of5.txt");
    EXPECT_EQ(scan.rfind("Scan #3:\r\nProject Title: HgAr lamp calibration\r\n", 0), 0u);
    EXPECT_NE(scan.find("Pixel\t Wavelength(nm)\t Intensity(Counts)\r\n1    \t 198.4200      \t "),
              std::string::npos);
    EXPECT_NE(scan.find("\r\n2048 \t "), std::string::npos);
    EXPECT_EQ(scan.find("\r\n2049 "), std::string::npos);
    EXPECT_EQ(files.at("demo_Var.txt").rfind("HEADER DATA\r\n", 0), 0u);
    // The log names the file as it was given.
    EXPECT_EQ(run.out.rfind("Filedemo.sdf is opened properly.\n", 0), 0u);
    EXPECT_NE(run.out.find("\n[5] of [5] Scan Data were converted.\n"), std::string::npos);
}

TEST(QuillonConvert, QuietRunPrintsNothingAndStillWrites) {
    DemoFolder folder;
    const ProgramRun run = RunProgram(folder.dir.Path(), {"-q", "demo.sdf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Files(folder.dir.Path()).size(), 8u);
}

TEST(QuillonConvert, OneFileOutputIsKeptUnlessTheRunIsToldToReplaceIt) {
    DemoFolder folder;
    const std::string dir = folder.dir.Path();
    ASSERT_EQ(RunProgram(dir, {"--one-file", "-q", "demo.sdf"}).status, 0);
    const std::string output = ReadBytes(folder.dir / "demo.txt");
    ASSERT_FALSE(output.empty());

    // No terminal to ask: the existing output stays, a numbered copy is written, and the user
    // is told on standard error.
    std::ofstream(folder.dir / "demo.txt", std::ios::binary) << "edited";
    const ProgramRun kept = RunProgram(dir, {"--one-file", "-q", "demo.sdf"});
    EXPECT_EQ(kept.status, 0);
    EXPECT_NE(kept.err.find("kept"), std::string::npos);
    EXPECT_EQ(ReadBytes(folder.dir / "demo.txt"), "edited");
    EXPECT_EQ(ReadBytes(folder.dir / "demo(0).txt"), output);

    const ProgramRun keep = RunProgram(dir, {"--one-file", "-q", "--keep", "demo.sdf"});
    EXPECT_EQ(keep.status, 0);
    EXPECT_EQ(keep.err, "");
    EXPECT_EQ(ReadBytes(folder.dir / "demo(1).txt"), output);

    const ProgramRun replaced = RunProgram(dir, {"--one-file", "-q", "--overwrite", "demo.sdf"});
    EXPECT_EQ(replaced.status, 0);
    EXPECT_EQ(ReadBytes(folder.dir / "demo.txt"), output);
    EXPECT_EQ(Files(dir).size(), 3u);
}

TEST(QuillonConvert, AtATerminalTheUserAnswersTheOverwriteQuestion) {
    DemoFolder folder;
    const std::string dir = folder.dir.Path();
    ASSERT_EQ(RunProgram(dir, {"--one-file", "-q", "demo.sdf"}).status, 0);
    const std::string output = ReadBytes(folder.dir / "demo.txt");
    const std::string question =
        "There is a same file in the calibration data folder!!! Would you like to overwrite the "
        "current data on this file? If no, (#) will be added on the file name. [y/n] ";

    std::ofstream(folder.dir / "demo.txt", std::ios::binary) << "edited";
    const ProgramRun no =
        RunProgram(dir, {"--one-file", "-q", "demo.sdf"}, Input::kTerminal, "n\n");
    EXPECT_EQ(no.status, 0);
    EXPECT_EQ(no.err, question + "");
    EXPECT_EQ(ReadBytes(folder.dir / "demo.txt"), "edited");
    EXPECT_EQ(ReadBytes(folder.dir / "demo(0).txt"), output);

    const ProgramRun yes =
        RunProgram(dir, {"--one-file", "-q", "demo.sdf"}, Input::kTerminal, "y\n");
    EXPECT_EQ(yes.status, 0);
    EXPECT_EQ(yes.err, question);
    EXPECT_EQ(ReadBytes(folder.dir / "demo.txt"), output);
    EXPECT_EQ(Files(dir).size(), 2u);
}

TEST(QuillonConvert, FileThatCannotBeReadIsReportedAndTheOthersStillConvert) {
    DemoFolder folder;
    fs::copy_file(folder.Sdf(), folder.dir / "second.sdf");
    const ProgramRun run = RunProgram(folder.dir.Path(), {"missing.sdf", "demo.sdf", "second.sdf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "quillon-convert: missing.sdf: No such file or directory\n"
              "2 files converted, 1 failed\n");
    const std::size_t first = run.out.find("Filedemo.sdf is opened properly.\n");
    const std::size_t second = run.out.find("Filesecond.sdf is opened properly.\n");
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    const auto files = Files(folder.dir.Path());
    EXPECT_EQ(files.count("demo_5of5.txt"), 1u);
    EXPECT_EQ(files.count("second_5of5.txt"), 1u);
    EXPECT_EQ(files.at("demo_1of5.txt"), files.at("second_1of5.txt"));
}

TEST(QuillonConvert, OutputThatCannotBeWrittenIsReportedAndExitsOne) {
    DemoFolder folder;
    fs::create_directory(folder.dir / "demo_Ref.txt");
    fs::copy_file(folder.Sdf(), folder.dir / "second.sdf");
    const ProgramRun run = RunProgram(folder.dir.Path(), {"demo.sdf", "second.sdf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "quillon-convert: Could not write demo_Ref.txt: Is a directory. The conversion was "
              "stopped.\n"
              "1 file converted, 1 failed\n");
    EXPECT_NE(run.out.find("Dark Scan Data were converted.\n"
                           "Could not write demo_Ref.txt; the conversion was stopped.\n"
                           "Filesecond.sdf is opened properly.\n"),
              std::string::npos);
    const auto files = Files(folder.dir.Path());
    EXPECT_EQ(files.count("demo_Var.txt"), 1u);
    EXPECT_EQ(files.count("demo_1of5.txt"), 0u);
    EXPECT_EQ(files.count("second_5of5.txt"), 1u);
}

TEST(QuillonConvert, PathWithoutADotIsRefusedBecauseNoOutputNameCanBeFormed) {
    DemoFolder folder;
    fs::copy_file(folder.Sdf(), folder.dir / "run1");
    const ProgramRun run = RunProgram(folder.dir.Path(), {"run1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("run1: "), std::string::npos);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Files(folder.dir.Path()).size() == 1u);  // only the input copy itself
}

// A file of N = 2048 pixels and 200 scans with a dark, a reference and a rising calibration:
// enough rows and scans that every export is cut into several blocks.
void WriteManyBlocksFile(const std::string& path) {
    SdfBuilder b(2048);
    b.ccd.fCal[0] = 300.0f;
    b.ccd.fCal[1] = 0.25f;
    for (std::size_t p = 0; p < 2048; ++p) {
        b.dark[p] = 900.0f + static_cast<float>(p % 7) * 0.37f;
        b.ref[p] = p == 5 ? 800.0f : 20000.0f + static_cast<float>(p) * 9.5f;
    }
    for (std::int32_t k = 0; k < 200; ++k) {
        ScanContent scan;
        for (std::int32_t p = 0; p < 2048; ++p) {
            scan.values.push_back((p * 7919 + k * 104729) % 66000 - 200);
        }
        b.AddScan(scan);
    }
    b.WriteTo(path);
}

TEST(QuillonConvert, ExportsOnManyThreadsWriteTheBytesOfOneThread) {
    TempDir dir;
    WriteManyBlocksFile(dir / "many.sdf");
    const std::vector<std::vector<std::string>> cases = {
        {"--format", "csv"},
        {"--format", "csv", "--quantity", "absorbance"},
        {"--format", "csv", "--layout", "rows", "--quantity", "transmittance"},
        {"--format", "csv", "--grid", "310:0.3:700", "--quantity", "absorbance"},
        {"--format", "hdf5", "--quantity", "absorbance"},
        {"--format", "hdf5", "--grid", "310:0.3:700", "--quantity", "dark-subtracted"},
        {"--format", "hdf5"},
    };
    for (const std::vector<std::string>& options : cases) {
        std::map<std::string, std::map<std::string, std::string>> outputs;
        for (const std::string jobs : {"1", "2", "7"}) {
            std::vector<std::string> args = options;
            args.insert(args.end(), {"--jobs", jobs, "-o", "out" + jobs, "many.sdf"});
            fs::remove_all(dir / ("out" + jobs));
            const ProgramRun run = RunProgram(dir.Path(), args);
            ASSERT_EQ(run.status, 0) << run.err;
            outputs[jobs] = Files(dir / ("out" + jobs));
        }
        SCOPED_TRACE(options[1] + " " + options.back());
        ASSERT_EQ(outputs["1"].size(), 1u);
        EXPECT_GT(outputs["1"].begin()->second.size(), 1'000'000u);
        for (const char* jobs : {"2", "7"}) {
            EXPECT_EQ(outputs[jobs], outputs["1"]) << jobs << " threads";
        }
    }
}

TEST(QuillonConvert, ABatchOnSeveralJobsLogsAndWritesAsOneJobDoes) {
    TempDir dir;
    // Files of different sizes, so that they finish out of order; a file cut short; two that
    // would share their outputs in the output folder; one name without a '.'.
    for (int i = 0; i < 14; ++i) {
        fs::create_directories(dir / ("in/" + std::to_string(i % 3)));
        SdfBuilder(static_cast<std::uint16_t>(i % 5 == 0 ? 2048 : 16 + i))
            .AddScans(i % 5 == 0 ? 60 : 2 + i)
            .WriteTo(dir / ("in/" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".sdf"));
    }
    testing::WriteFile(dir / "in/1/cut.sdf", SdfBuilder(8).AddScans(3).BytesCutAt(300));
    SdfBuilder(4).AddScans(1).WriteTo(dir / "in/2/f3.sdf");  // f3 is in in/0 too
    SdfBuilder(4).AddScans(1).WriteTo(dir / "in/noname");
    const std::vector<std::vector<std::string>> cases = {
        {"-r", "in"},
        {"-r", "in", "in/noname", "--format", "csv", "--format", "json", "--quantity",
         "absorbance"},
        // HDF5 from several threads at once: a library that is not thread-safe, or one that
        // prints its errors per thread, must not show.
        {"-r", "in", "--format", "hdf5", "--format", "csv"},
        {"--one-file", "-p", "in/0", "in/1", "in/2"},
    };
    for (const std::vector<std::string>& options : cases) {
        std::map<std::string, ProgramRun> runs;
        std::map<std::string, std::map<std::string, std::string>> outputs;
        for (const std::string jobs : {"1", "3"}) {
            std::vector<std::string> args = options;
            args.insert(args.end(), {"--jobs", jobs, "-o", "out" + jobs});
            runs[jobs] = RunProgram(dir.Path(), args);
            outputs[jobs] = Files(dir / ("out" + jobs));
        }
        SCOPED_TRACE(options.front() + " " + options.back());
        EXPECT_EQ(runs["1"].status, 1);  // the cut file and the clash fail
        EXPECT_EQ(runs["3"].status, runs["1"].status);
        // The output folders' names differ; everything else is alike.
        const auto same = [](std::string text) {
            for (std::size_t at; (at = text.find("out3")) != std::string::npos;) {
                text.replace(at, 4, "out1");
            }
            return text;
        };
        EXPECT_NE(runs["1"].err.find("would replace those of"), std::string::npos);
        EXPECT_EQ(same(runs["3"].out), runs["1"].out);
        EXPECT_EQ(same(runs["3"].err), runs["1"].err);
        EXPECT_GT(outputs["1"].size(), 14u);
        EXPECT_EQ(outputs["3"], outputs["1"]);
    }
}

}  // namespace
}  // namespace quillon
