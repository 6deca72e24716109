// SPDX-License-Identifier: MIT
// End-to-end runs of quillon-convert with the exports: the text outputs stay as they were,
// usage errors, folders, and outputs that are complete or absent whenever the program is
// killed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "export/hdf5_export.h"
#include "program_run.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;
using testing::ReadBytes;
using testing::RunProgram;
using testing::SdfBuilder;
using testing::TempDir;

const std::string kDemo = std::string(QUILLON_EXAMPLES_DIR) + "/demo.sdf";

// Every regular file of a folder with its bytes, but `except`.
std::map<std::string, std::string> Files(const std::string& dir, const std::string& except) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name != except && entry.is_regular_file()) {
            files[name] = ReadBytes(entry.path().string());
        }
    }
    return files;
}

TEST(ExportRun, TheTextOutputsStayByteForByteBesideEveryExport) {
    TempDir plain;
    TempDir all;
    fs::copy_file(kDemo, plain / "demo.sdf");
    fs::copy_file(kDemo, all / "demo.sdf");
    ASSERT_EQ(RunProgram(plain.Path(), {"-p", "-w", "demo.sdf"}).status, 0);
    // Every export this build can write.
    const bool hdf5 = Hdf5Available();
    const ProgramRun run =
        RunProgram(all.Path(), {"-p", "-w", "--format", "text", "--format", "csv,json", "--format",
                                hdf5 ? "hdf5" : "json", "demo.sdf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    std::map<std::string, std::string> text = Files(all.Path(), "demo.sdf");
    for (const char* name : {"demo.csv", "demo.json", "demo.h5"}) {
        EXPECT_EQ(text.erase(name), name != std::string("demo.h5") || hdf5 ? 1u : 0u) << name;
    }
    EXPECT_EQ(text, Files(plain.Path(), "demo.sdf"));
    EXPECT_EQ(text.size(), 8u);
}

// Every option takes its own value and no more, wherever it stands among the files; the
// outputs a command line writes from a.sdf, b.sdf and c.sdf (copies of the demo file).
TEST(ExportRun, OptionsBeforeBetweenAndAfterTheFilesWriteTheOutputsOfEveryFile) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> outputs;
    } cases[] = {
        {{"--format", "csv", "a.sdf"}, {"a.csv"}},
        {{"--format", "csv", "a.sdf", "b.sdf"}, {"a.csv", "b.csv"}},
        {{"--format=csv", "a.sdf", "b.sdf"}, {"a.csv", "b.csv"}},
        {{"--format", "csv,json", "a.sdf", "b.sdf", "c.sdf"},
         {"a.csv", "a.json", "b.csv", "b.json", "c.csv", "c.json"}},
        {{"a.sdf", "--format", "json", "b.sdf"}, {"a.json", "b.json"}},
        {{"a.sdf", "b.sdf", "--format", "json", "--format", "csv"},
         {"a.csv", "a.json", "b.csv", "b.json"}},
        {{"-o", "out", "--format", "json", "a.sdf", "b.sdf"}, {"out/a.json", "out/b.json"}},
        {{"-s", "2", "--format", "json", "a.sdf", "--delimiter", "tab", "--format", "csv", "b.sdf"},
         {"a.json", "a.tsv", "b.json", "b.tsv"}},
        {{"--format", "csv", "--delimiter", ";", "a.sdf"}, {"a.csv"}},
        {{"--format", "csv", "--decimal-comma", "--delimiter", "tab", "a.sdf"}, {"a.tsv"}},
        {{"--one-file", "a.sdf", "b.sdf"}, {"a.txt", "b.txt"}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        for (const char* name : {"a.sdf", "b.sdf", "c.sdf"}) {
            fs::copy_file(kDemo, dir / name);
        }
        std::vector<std::string> args = {"-q"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProgramRun run = RunProgram(dir.Path(), args);
        const std::string line = ::testing::PrintToString(c.args);
        EXPECT_EQ(run.status, 0) << line << "\n" << run.err;
        std::vector<std::string> outputs;
        for (const auto& entry : fs::recursive_directory_iterator(dir.Path())) {
            const std::string name = fs::relative(entry.path(), dir.Path()).generic_string();
            if (entry.is_regular_file() && !name.ends_with(".sdf")) {
                outputs.push_back(name);
            }
        }
        std::sort(outputs.begin(), outputs.end());
        EXPECT_EQ(outputs, c.outputs) << line;
    }
}

TEST(ExportRun, UsageErrorsExitTwoAndWriteNothing) {
    TempDir dir;
    fs::copy_file(kDemo, dir / "demo.sdf");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--quantity", "absorbance", "demo.sdf"},
         "quillon-convert: --quantity applies to --format csv, hdf5 and xlsx only\n"},
        {{"--format", "csv", "--grid", "500:-1:600", "demo.sdf"},
         "quillon-convert: --grid: the grid's STEP must be above 0\n"},
        {{"--format", "csv", "--delimiter", ",", "--decimal-comma", "demo.sdf"},
         "quillon-convert: --decimal-comma cannot be used with the ',' delimiter"},
        {{"--format", "pdf", "demo.sdf"},
         "quillon-convert: --format: 'pdf' is not one of text, csv, json, hdf5, xlsx\n"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunProgram(dir.Path(), c.args);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
        EXPECT_NE(run.err.find("Try 'quillon-convert --help'"), std::string::npos);
    }
    EXPECT_EQ(Files(dir.Path(), "demo.sdf").size(), 0u);
}

TEST(ExportRun, AFolderTreeWithOneBadFileEndsWithTheSummary) {
    TempDir dir;
    fs::create_directories(dir / "runs/day2");
    SdfBuilder(16).AddScans(2).WriteTo(dir / "runs/a.sdf");
    testing::WriteFile(dir / "runs/day2/b.SDF", SdfBuilder(16).AddScans(2).BytesCutAt(300));
    SdfBuilder(16).AddScans(1).WriteTo(dir / "runs/day2/c.sdf");
    const ProgramRun run =
        RunProgram(dir.Path(), {"-q", "-r", "--format", "json", "-o", "out", "runs"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    // The folder's files are named as the system joins names (Windows: with '\\').
    EXPECT_EQ(run.err, "quillon-convert: " + fs::path("runs/day2/b.SDF").make_preferred().string() +
                           ": the file ends 96 bytes early; the missing values were read as 0\n"
                           "2 files converted, 1 failed\n");
    EXPECT_EQ(Files(dir / "out", "").size(), 3u);  // a.json, b.json and c.json
}

TEST(ExportRun, ABuildWithoutHdf5RefusesItWithExitTwo) {
    if (Hdf5Available()) {
        GTEST_SKIP() << "this build writes HDF5";
    }
    TempDir dir;
    fs::copy_file(kDemo, dir / "demo.sdf");
    const ProgramRun run = RunProgram(dir.Path(), {"--format", "csv,hdf5", "demo.sdf"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("quillon-convert: --format hdf5: this build of QUILLON has no HDF5 "
                            "support",
                            0),
              0u)
        << run.err;
    EXPECT_EQ(Files(dir.Path(), "demo.sdf").size(), 0u);
}

// A conversion into every format is killed at moments spread over its whole run; every
// output under its final name is then exactly what a complete run writes, and anything else
// in the folder is a temporary file.
TEST(ExportRun, AKilledConversionLeavesEveryOutputCompleteOrAbsent) {
    TempDir dir;
    SdfBuilder b(2048);
    b.ccd.fCal[0] = 200.0f;
    b.ccd.fCal[1] = 0.45f;
    for (std::size_t i = 0; i < 2048; ++i) {
        b.dark[i] = 100.0f + static_cast<float>(i % 13);
        b.ref[i] = 4000.0f + static_cast<float>(i % 101);
    }
    for (int k = 0; k < 120; ++k) {
        testing::ScanContent scan;
        scan.title = "scan " + std::to_string(k + 1);
        for (int i = 0; i < 2048; ++i) {
            scan.values.push_back(1000 + (i * 31 + k * 17) % 3000);
        }
        b.AddScan(std::move(scan));
    }
    // Every format this build writes.
    const std::string formats = Hdf5Available() ? "text,csv,json,hdf5" : "text,csv,json";
    const std::vector<std::string> args = {"-q",    "-p",         "-w",         "--format",
                                           formats, "--quantity", "absorbance", "big.sdf"};
    fs::create_directory(dir / "complete");
    b.WriteTo(dir / "complete/big.sdf");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunProgram(dir / "complete", args).status, 0);
    const auto duration = std::chrono::steady_clock::now() - start;
    const std::map<std::string, std::string> complete = Files(dir / "complete", "big.sdf");
    ASSERT_EQ(complete.size(), 3u + 120u + (Hdf5Available() ? 3u : 2u));

    std::mt19937 random(20261207);
    int partial = 0;  // runs killed with some outputs written and some not
    constexpr int kRuns = 12;
    for (int r = 0; r < kRuns; ++r) {
        const std::string run = dir / ("run" + std::to_string(r));
        fs::create_directory(run);
        fs::copy_file(dir / "complete/big.sdf", run + "/big.sdf");
        // Run r is killed at a random moment of the r-th twelfth of a complete run.
        std::uniform_real_distribution<double> slot(r, r + 1.0);
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(
            duration * (slot(random) / kRuns));
        testing::StartedProgram program(run, args);
        ASSERT_TRUE(program.Started());
        std::this_thread::sleep_for(delay);
        program.Kill();

        std::size_t present = 0;
        for (const auto& [name, bytes] : Files(run, "big.sdf")) {
            const auto found = complete.find(name);
            if (found == complete.end()) {
                EXPECT_TRUE(name.front() == '.' && name.ends_with(".part"))
                    << "run " << r << ": " << name;
                continue;
            }
            ++present;
            EXPECT_TRUE(bytes == found->second) << "run " << r << ": " << name << " differs";
        }
        partial += present > 0 && present < complete.size() ? 1 : 0;
    }
    // The kills fell inside the conversion, not all before or after it.
    EXPECT_GT(partial, 0);
}

}  // namespace
}  // namespace quillon
