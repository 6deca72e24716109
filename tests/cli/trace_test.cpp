// SPDX-License-Identifier: MIT
// quillon-convert --trace, --band and --average on a small file whose values are worked out by
// hand: the trace CSV, its HDF5 datasets, the spectra exports of averaged scans, and the
// errors, each refused before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <string>
#include <vector>

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

// Four pixels at 400, 410, 420 and 430 nm (fCal 400 + 10 p); dark 100 everywhere; reference
// 1100 but 100 at 430 nm, where no ratio to it is defined; three scans 0, 2.5 and 10 seconds
// apart. At 400 nm the scans let 10 %, 100 % and 1 % of the light through (absorbance 1, 0
// and 2).
SdfBuilder KineticsFile(const std::vector<std::string>& times, float slope = 10.0f) {
    SdfBuilder file(4);
    file.ccd.fCal[0] = slope > 0 ? 400.0f : 430.0f;
    file.ccd.fCal[1] = slope;
    file.dark = {100, 100, 100, 100};
    file.ref = {1100, 1100, 1100, 100};
    const std::vector<std::vector<std::int32_t>> counts = {
        {200, 1100, 300, 150}, {1100, 200, 500, 150}, {110, 100, 700, 150}};
    for (std::size_t k = 0; k < counts.size(); ++k) {
        file.AddScan({"Run", "", times[k], counts[k], 0.0f});
    }
    return file;
}

const std::vector<std::string> kTimes = {"2026-12-07 09:00:00", "2026-12-07 09:00:02.5",
                                         "2026-12-07 09:00:10"};

TEST(TraceCommand, WritesARowPerScanWithItsTimeAndTheValuesAtEachWavelength) {
    const struct {
        std::vector<std::string> args;
        const char* output;
        std::string csv;
        const char* log;  // a line the log holds; empty: none checked
    } cases[] = {
        {{"--trace", "410,415,430"},
         "k_trace.csv",
         "scan,date_time,seconds,counts_410nm,counts_415nm,counts_430nm\r\n"
         "1,2026-12-07 09:00:00,0,1100,700,150\r\n"  // 415: halfway from 1100 to 300
         "2,2026-12-07 09:00:02.5,2.5,200,350,150\r\n"
         "3,2026-12-07 09:00:10,10,100,400,150\r\n",
         "Trace CSV data were written to k_trace.csv.\n"},
        {{"--trace", "415", "--band", "5", "--quantity", "dark-subtracted"},
         "k_trace.csv",
         "scan,date_time,seconds,dark_subtracted_415nm\r\n"
         "1,2026-12-07 09:00:00,0,600\r\n"  // (1000 + 200) / 2 of the pixels at 410 and 420
         "2,2026-12-07 09:00:02.5,2.5,250\r\n"
         "3,2026-12-07 09:00:10,10,300\r\n",
         ""},
        {{"--trace", "400,430", "--quantity", "absorbance"},
         "k_trace.csv",
         "scan,date_time,seconds,absorbance_400nm,absorbance_430nm\r\n"
         "1,2026-12-07 09:00:00,0,1,\r\n"
         "2,2026-12-07 09:00:02.5,2.5,0,\r\n"
         "3,2026-12-07 09:00:10,10,2,\r\n",
         "absorbance: 3 of 6 values are not defined.\n"},
        // Scans 1 and 2 averaged, scan 3 alone: the row is named by its first scan.
        {{"--trace", "410,400", "--average", "2", "--quantity", "transmittance"},
         "k_trace.csv",
         "scan,scans,date_time,seconds,transmittance_410nm,transmittance_400nm\r\n"
         "1,2,2026-12-07 09:00:00,1.25,0.55,0.55\r\n"  // (650 - 100) / 1000
         "3,1,2026-12-07 09:00:10,10,0,0.01\r\n",
         "The last group of scans (scans_3-3) holds 1 of the 2 scans averaged into one; it is "
         "averaged over those.\n"},
        {{"-s", "2-3", "--trace", "410", "--delimiter", ";", "--decimal-comma"},
         "k_trace.csv",
         "scan;date_time;seconds;counts_410nm\r\n"
         "2;2026-12-07 09:00:02.5;0;200\r\n"
         "3;2026-12-07 09:00:10;7,5;100\r\n",
         ""},
        {{"--trace", "420", "--delimiter", "tab", "--bom"},
         "k_trace.tsv",
         "\xEF\xBB\xBFscan\tdate_time\tseconds\tcounts_420nm\r\n"
         "1\t2026-12-07 09:00:00\t0\t300\r\n"
         "2\t2026-12-07 09:00:02.5\t2.5\t500\r\n"
         "3\t2026-12-07 09:00:10\t10\t700\r\n",
         ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        KineticsFile(kTimes).WriteTo(dir / "k.sdf");
        std::vector<std::string> args = c.args;
        args.push_back("k.sdf");
        const ProgramRun run = RunProgram(dir.Path(), args);
        EXPECT_EQ(run.status, 0) << c.csv << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(ReadBytes(dir / c.output), c.csv);
        EXPECT_NE(run.out.find(c.log), std::string::npos) << run.out;
        // The trace alone: no text outputs.
        EXPECT_FALSE(fs::exists(dir / "k_Var.txt"));
    }
}

TEST(TraceCommand, AFileWhoseTextsAreNoTimesRunsAgainstScanNumbersAndSaysSoOnce) {
    TempDir dir;
    KineticsFile({"Scan A", "", "Scan C"}).WriteTo(dir / "k.sdf");
    const ProgramRun run = RunProgram(dir.Path(), {"--trace", "400", "k.sdf"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir / "k_trace.csv"),
              "scan,date_time,seconds,counts_400nm\r\n"
              "1,Scan A,,200\r\n"
              "2,,,1100\r\n"
              "3,Scan C,,110\r\n");
    const std::string notice =
        "The scans' date-time texts are no times QUILLON reads (scan 1: \"Scan A\"); scans are "
        "counted by their numbers instead.\n";
    const std::size_t at = run.out.find(notice);
    EXPECT_NE(at, std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(notice, at + 1), std::string::npos);
}

// The shortest text that reads back as `value`, as the exports print numbers.
std::string Shortest(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Scans of 65,535 pixels are read in runs of a few on several threads: the rows come in the
// file's order, whatever the number of threads.
TEST(TraceCommand, RowsOfAFileReadInManyRunsKeepTheirOrderOnAnyNumberOfThreads) {
    TempDir dir;
    SdfBuilder file(65535);
    file.ccd.fCal[0] = 400.0f;
    file.ccd.fCal[1] = 0.0078125f;  // 400 to 912 nm
    file.AddScans(40);              // scan k counts k at every pixel
    file.WriteTo(dir / "wide.sdf");
    for (const char* average : {"1", "3"}) {
        std::string expected = "scan,";
        expected += average == std::string("1") ? "" : "scans,";
        expected += "date_time,seconds,counts_500nm\r\n";
        const int size = std::stoi(average);
        for (int first = 1; first <= 40; first += size) {
            const int last = std::min(first + size - 1, 40);
            // The seconds of 08:00:0<k mod 10>, averaged; the counts' mean is the middle scan.
            double seconds = 0;
            for (int k = first; k <= last; ++k) {
                seconds += k % 10 - 1;
            }
            seconds /= last - first + 1;
            expected += std::to_string(first) +
                        (size == 1 ? "" : "," + std::to_string(last - first + 1)) +
                        ",2026-12-07 08:00:0" + std::to_string(first % 10) + "," +
                        Shortest(seconds) + "," + Shortest((first + last) / 2.0) + "\r\n";
        }
        for (const char* jobs : {"1", "3"}) {
            const ProgramRun run = RunProgram(
                dir.Path(), {"-j", jobs, "--average", average, "--trace", "500", "wide.sdf"});
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(ReadBytes(dir / "wide_trace.csv"), expected) << average << " " << jobs;
        }
    }
}

TEST(AverageOption, TheSpectraExportsHoldTheMeanOfEachGroupNamedByItsScans) {
    TempDir dir;
    KineticsFile(kTimes).WriteTo(dir / "k.sdf");
    const ProgramRun run =
        RunProgram(dir.Path(), {"--format", "csv,json", "--average", "2", "k.sdf"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir / "k.csv"),
              "pixel,wavelength_nm,dark,reference,scans_1-2,scans_3-3\r\n"
              "1,400,100,1100,650,110\r\n"
              "2,410,100,1100,650,100\r\n"
              "3,420,100,1100,400,700\r\n"
              "4,430,100,100,150,150\r\n");
    const std::string json = ReadBytes(dir / "k.json");
    // One entry per group: its first scan's texts, how many it averages and its last scan.
    EXPECT_NE(json.find("\"scans\": [\n"
                        "    {\"number\":1,\"title\":\"Run\",\"subtitle\":\"\",\"date_time\":"
                        "\"2026-12-07 09:00:00\",\"optical_blank\":0.0,\"scans_averaged\":2,"
                        "\"last_number\":2},\n"
                        "    {\"number\":3,\"title\":\"Run\",\"subtitle\":\"\",\"date_time\":"
                        "\"2026-12-07 09:00:10\",\"optical_blank\":0.0,\"scans_averaged\":1,"
                        "\"last_number\":3}\n  ]"),
              std::string::npos)
        << json;
}

TEST(TraceCommand, ErrorsNameTheReasonAndWriteNothing) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;  // a part of standard error
        bool falling = false;
    } cases[] = {
        {{"--trace", "399"},
         1,
         "k.sdf: the wavelength 399 nm lies outside the calibration (400 nm to 430 nm); nothing "
         "was written"},
        {{"--trace", "410,431", "--format", "hdf5"}, 1, "the wavelength 431 nm lies outside"},
        {{"--trace", "415", "--band", "2"},
         1,
         "no pixel lies within 415 +- 2 nm; choose a wider band"},
        {{"--trace", "415"},
         1,
         "the wavelength calibration does not rise strictly across the pixels (pixel 2 at 420 nm "
         "follows pixel 1 at 430 nm), so no trace can be taken",
         true},
        {{"--trace", "abc"}, 2, "--trace: 'abc' is not a wavelength in nm"},
        {{"--trace", "410,"}, 2, "--trace: '' is not a wavelength in nm"},
        {{"--trace", "410", "--band", "0"}, 2, "--band: the half-width in nm must be above 0"},
        {{"--band", "5", "--format", "csv"}, 2, "--band applies to --trace only"},
        {{"--trace", "410", "--format", "json"},
         2,
         "--trace is written as --format csv, hdf5 or xlsx only"},
        {{"--trace", "410", "--format", "text"}, 2, "--trace is written as --format csv"},
        {{"--trace", "410", "--grid", "400:1:420"}, 2, "--grid cannot be used with --trace"},
        {{"--trace", "410", "--layout", "rows"}, 2, "--layout cannot be used with --trace"},
        {{"--average", "2"}, 2, "--average applies to --trace and to --format csv, json"},
        {{"--average", "0", "--format", "csv"}, 2, "--average"},
    };
    for (const auto& c : cases) {
        if (c.args[0] == "--trace" && c.args.size() > 3 && c.args[3] == "hdf5" &&
            !Hdf5Available()) {
            continue;
        }
        TempDir dir;
        KineticsFile(kTimes, c.falling ? -10.0f : 10.0f).WriteTo(dir / "k.sdf");
        std::vector<std::string> args = c.args;
        args.push_back("k.sdf");
        const ProgramRun run = RunProgram(dir.Path(), args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        std::size_t files = 0;
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            files += entry.path().filename() != "k.sdf" ? 1u : 0u;
        }
        EXPECT_EQ(files, 0u) << c.message;
    }
}

}  // namespace
}  // namespace quillon
