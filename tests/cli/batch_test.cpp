// SPDX-License-Identifier: MIT
// The command line's options interpreted together, folders expanded into their scan data
// files, and runs over several inputs with their messages and summary.
#include "cli/batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/console_services.h"
#include "export/hdf5_export.h"
#include "export/input_files.h"
#include "export/xlsx_export.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::SdfBuilder;
using testing::TempDir;

TEST(CommandLine, WithoutNewOptionsOnlyTheTextOutputsAreWritten) {
    const BatchOptions options = InterpretCommandLine({});
    EXPECT_EQ(options.formats, std::vector<ExportFormat>{ExportFormat::kText});
    EXPECT_TRUE(options.text.convertAll);
    EXPECT_EQ(options.request.quantity, Quantity::kCounts);
    EXPECT_FALSE(options.request.grid.has_value());
}

TEST(CommandLine, FormatsAreTakenOnceEachInAFixedOrder) {
    CommandLine line;
    line.formats = {"json", "csv", "json", "text"};
    EXPECT_EQ(
        InterpretCommandLine(line).formats,
        (std::vector<ExportFormat>{ExportFormat::kText, ExportFormat::kCsv, ExportFormat::kJson}));
}

TEST(CommandLine, OptionsThatMakeNoSenseTogetherAreUsageErrors) {
    const struct {
        const char* what;
        std::function<void(CommandLine&)> set;
        const char* message;  // a part of it
    } cases[] = {
        {"unknown format", [](CommandLine& l) { l.formats = {"xml"}; },
         "--format: 'xml' is not one of text, csv, json, hdf5, xlsx"},
        {"quantity with text", [](CommandLine& l) { l.quantity = "absorbance"; },
         "--quantity applies to --format csv, hdf5 and xlsx only"},
        {"quantity with json",
         [](CommandLine& l) {
             l.formats = {"json"};
             l.quantity = "absorbance";
         },
         "--quantity applies to --format csv, hdf5 and xlsx only"},
        {"unknown quantity",
         [](CommandLine& l) {
             l.formats = {"csv"};
             l.quantity = "Absorbance";
         },
         "--quantity: 'Absorbance' is not one of"},
        {"grid with text", [](CommandLine& l) { l.grid = "400:1:800"; },
         "--grid applies to --format csv, hdf5 and xlsx only"},
        {"grid without STEP > 0",
         [](CommandLine& l) {
             l.formats = {"csv"};
             l.grid = "400:0:800";
         },
         "--grid: the grid's STEP must be above 0"},
        {"grid without START < END",
         [](CommandLine& l) {
             l.formats = {"csv"};
             l.grid = "800:1:400";
         },
         "--grid: the grid's START must lie below its END"},
        {"unknown layout",
         [](CommandLine& l) {
             l.formats = {"csv"};
             l.layout = "diagonal";
         },
         "--layout: 'diagonal' is not columns or rows"},
        {"layout without csv",
         [](CommandLine& l) {
             l.formats = {"json"};
             l.layout = "rows";
         },
         "--layout applies to --format csv only"},
        {"unknown delimiter",
         [](CommandLine& l) {
             l.formats = {"csv"};
             l.delimiter = "|";
         },
         "--delimiter: '|' is not ',', ';' or tab"},
        {"decimal comma with the comma delimiter",
         [](CommandLine& l) {
             l.formats = {"csv"};
             l.delimiter = ",";
             l.decimalComma = true;
         },
         "--decimal-comma cannot be used with the ',' delimiter"},
        {"byte-order mark without csv",
         [](CommandLine& l) {
             l.formats = {"json"};
             l.byteOrderMark = true;
         },
         "--bom applies to --format csv only"},
        {"compress without hdf5",
         [](CommandLine& l) {
             l.formats = {"csv"};
             l.compress = true;
         },
         "--compress applies to --format hdf5 only"},
    };
    for (const auto& c : cases) {
        CommandLine line;
        c.set(line);
        try {
            InterpretCommandLine(line);
            ADD_FAILURE() << "accepted: " << c.what;
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos)
                << c.what << ": " << error.what();
        }
    }
}

TEST(CommandLine, ADecimalCommaWithoutADelimiterSeparatesCellsWithSemicolons) {
    CommandLine line;
    line.formats = {"csv"};
    line.decimalComma = true;
    EXPECT_EQ(InterpretCommandLine(line).request.csv.delimiter, ';');
    line.delimiter = "tab";
    const BatchOptions options = InterpretCommandLine(line);
    EXPECT_EQ(options.request.csv.delimiter, '\t');
    EXPECT_TRUE(options.request.csv.decimalComma);
}

TEST(CommandLine, ExportOptionsReachTheRequest) {
    CommandLine line;
    line.formats = {"csv"};
    line.quantity = "dark-subtracted";
    line.grid = "400:0.5:800";
    line.layout = "rows";
    line.byteOrderMark = true;
    line.selection = "1,3-5";
    const BatchOptions options = InterpretCommandLine(line);
    EXPECT_EQ(options.request.quantity, Quantity::kDarkSubtracted);
    ASSERT_TRUE(options.request.grid.has_value());
    EXPECT_EQ(options.request.grid->step, 0.5);
    EXPECT_EQ(options.request.csv.layout, CsvLayout::kRows);
    EXPECT_TRUE(options.request.csv.byteOrderMark);
    EXPECT_FALSE(options.request.compress);
    EXPECT_FALSE(options.text.convertAll);
    EXPECT_EQ(options.text.selection, "1,3-5");
}

TEST(CommandLine, CompressionReachesTheRequestOrHdf5IsRefused) {
    CommandLine line;
    line.formats = {"hdf5"};
    line.compress = true;
    if (Hdf5Available()) {
        EXPECT_TRUE(InterpretCommandLine(line).request.compress);
    } else {
        EXPECT_THROW(InterpretCommandLine(line), UsageError);
    }
}

TEST(CommandLine, DelimiterSpellings) {
    EXPECT_EQ(ParseDelimiter(","), ',');
    EXPECT_EQ(ParseDelimiter(";"), ';');
    EXPECT_EQ(ParseDelimiter("tab"), '\t');
    EXPECT_EQ(ParseDelimiter("\t"), '\t');
    for (const char* other : {"", "TAB", ";;", " ", "|"}) {
        EXPECT_FALSE(ParseDelimiter(other).has_value()) << other;
    }
}

// A folder of scan data files in every case of the extension, among other files.
// A path as the system writes it (Windows joins names with '\\').
std::string Native(const std::string& path) {
    return fs::path(path).make_preferred().string();
}

struct DataFolder {
    DataFolder() {
        fs::create_directories(dir / "data/sub/deeper");
        fs::create_directories(dir / "data/.hidden");
        fs::create_directory(dir / "data/folder.sdf");
        for (const char* name :
             {"data/b.sdf", "data/A.SDF", "data/c.Sdf", "data/sub/d.sdf", "data/sub/deeper/e.sdf",
              "data/.x.sdf", "data/.hidden/f.sdf", "data/notes.txt", "data/g.sdf.bak"}) {
            SdfBuilder(2).AddScans(1).WriteTo(dir / name);
        }
    }
    std::vector<std::string> Paths(const std::vector<InputFile>& inputs) const {
        std::vector<std::string> paths;
        for (const InputFile& input : inputs) {
            EXPECT_EQ(input.problem, "") << input.path;
            paths.push_back(fs::relative(input.path, dir.Path()).generic_string());
        }
        return paths;
    }
    TempDir dir;
};

TEST(InputFiles, AFolderStandsForItsSdfFilesInAnyCaseSortedByName) {
    DataFolder folder;
    EXPECT_EQ(folder.Paths(ExpandInputs({folder.dir / "data"}, false)),
              (std::vector<std::string>{"data/A.SDF", "data/b.sdf", "data/c.Sdf"}));
}

TEST(InputFiles, RecursiveDescendsIntoSubfoldersButNotHiddenOnes) {
    DataFolder folder;
    EXPECT_EQ(folder.Paths(ExpandInputs({folder.dir / "data"}, true)),
              (std::vector<std::string>{"data/A.SDF", "data/b.sdf", "data/c.Sdf", "data/sub/d.sdf",
                                        "data/sub/deeper/e.sdf"}));
}

TEST(InputFiles, FilesPassThroughAsGivenAndAnEmptyFolderIsAProblem) {
    DataFolder folder;
    const std::vector<InputFile> inputs = ExpandInputs(
        {"missing.sdf", folder.dir / "data/notes.txt", folder.dir / "data/folder.sdf"}, false);
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[0].path, "missing.sdf");
    EXPECT_EQ(inputs[0].problem, "");
    EXPECT_EQ(inputs[1].path, folder.dir / "data/notes.txt");
    EXPECT_EQ(inputs[2].path, folder.dir / "data/folder.sdf");
    EXPECT_EQ(inputs[2].problem, "the folder holds no .sdf file");
}

// A BatchRun with the console's streams kept.
struct KeptRun {
    explicit KeptRun(BatchOptions options)
        : console({true, ConsoleServices::Overwrite::kYes, false}, out, err, in),
          batch(std::move(options), console, err) {}
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    ConsoleServices console;
    BatchRun batch;
};

BatchOptions Formats(std::vector<std::string> formats) {
    CommandLine line;
    line.formats = std::move(formats);
    return InterpretCommandLine(line);
}

TEST(BatchRun, AFolderWithOneBadFileConvertsTheOthersAndSumsUp) {
    TempDir dir;
    fs::create_directory(dir / "runs");
    SdfBuilder(8).AddScans(2).WriteTo(dir / "runs/a.sdf");
    testing::WriteFile(dir / "runs/b.sdf", SdfBuilder(8).AddScans(2).BytesCutAt(200));
    SdfBuilder(8).AddScans(3).WriteTo(dir / "runs/c.sdf");
    KeptRun run(Formats({"csv", "json"}));
    EXPECT_EQ(run.batch.Run(ExpandInputs({dir / "runs"}, false)), 1);
    // Named as the folder's listing names it.
    const std::string bad = (fs::path(dir / "runs") / "b.sdf").string();
    EXPECT_EQ(run.err.str(),
              "quillon-convert: " + Native(dir / "runs/b.sdf") +
                  ": the file ends 132 bytes early; the missing values were read as 0\n"
                  "2 files converted, 1 failed\n");
    for (const char* name : {"a.csv", "a.json", "b.csv", "b.json", "c.csv", "c.json"}) {
        EXPECT_TRUE(fs::exists(dir / ("runs/" + std::string(name)))) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "runs/a_Var.txt"));  // no text without --format text
}

TEST(BatchRun, TwoInputsOfTheSameNameNeverShareAnOutputFolder) {
    TempDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    SdfBuilder(2).AddScans(1).WriteTo(dir / "a/x.sdf");
    SdfBuilder(2).AddScans(2).WriteTo(dir / "b/x.sdf");
    BatchOptions options = Formats({"json"});
    options.outputFolder = dir / "out";
    KeptRun run(std::move(options));
    EXPECT_EQ(run.batch.Run({{dir / "a/x.sdf", ""}, {dir / "b/x.sdf", ""}}), 1);
    EXPECT_EQ(run.err.str(), "quillon-convert: " + (dir / "b/x.sdf") +
                                 ": its outputs would replace those of " + (dir / "a/x.sdf") +
                                 " (both are named " + Native(dir / "out/x") +
                                 "...); it was not converted\n"
                                 "1 file converted, 1 failed\n");
    EXPECT_NE(ReadBytes(dir / "out/x.json").find("\"scan_count\": 1,"), std::string::npos);
}

TEST(BatchRun, AGridOverAFallingCalibrationWritesNothingAtAll) {
    TempDir dir;
    SdfBuilder b(4);
    b.ccd.fCal[0] = 800.0f;
    b.ccd.fCal[1] = -0.5f;
    b.AddScans(1).WriteTo(dir / "run.sdf");
    CommandLine line;
    line.formats = {"text", "csv"};
    line.grid = "790:1:800";
    KeptRun run(InterpretCommandLine(line));
    EXPECT_EQ(run.batch.Run({{dir / "run.sdf", ""}}), 1);
    EXPECT_NE(run.err.str().find("the wavelength calibration does not rise strictly across the "
                                 "pixels (pixel 2 at 799.5 nm follows pixel 1 at 800 nm)"),
              std::string::npos)
        << run.err.str();
    EXPECT_NE(run.err.str().find("nothing was written"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(BatchRun, AnExportThatCannotBeWrittenIsReportedAndTheOtherFormatsStillAre) {
    TempDir dir;
    SdfBuilder(4).AddScans(2).WriteTo(dir / "run.sdf");
    fs::create_directory(dir / "run.csv");
    KeptRun run(Formats({"text", "csv", "json"}));
    EXPECT_EQ(run.batch.Run({{dir / "run.sdf", ""}}), 1);
    // A folder in the way is named as one on both systems.
    EXPECT_EQ(run.err.str(),
              "quillon-convert: Could not write " + (dir / "run.csv") + ": Is a directory.\n");
    EXPECT_TRUE(fs::exists(dir / "run_2of2.txt"));
    EXPECT_TRUE(fs::exists(dir / "run.json"));
    EXPECT_TRUE(fs::is_directory(dir / "run.csv"));
}

TEST(BatchRun, TheOutputFolderIsMadeAndHoldsEveryOutputTextIncluded) {
    TempDir dir;
    SdfBuilder(4).AddScans(2).WriteTo(dir / "run.sdf");
    BatchOptions options = Formats({"text", "csv"});
    options.outputFolder = dir / "out/nested";
    KeptRun run(std::move(options));
    EXPECT_EQ(run.batch.Run({{dir / "run.sdf", ""}}), 0);
    for (const char* name : {"run_Var.txt", "run_Dark.txt", "run_Ref.txt", "run_1of2.txt",
                             "run_2of2.txt", "run.csv"}) {
        EXPECT_TRUE(fs::exists(dir / ("out/nested/" + std::string(name)))) << name;
    }
    EXPECT_EQ(run.err.str(), "");  // one input: no summary
}

TEST(BatchRun, TheLogSaysWhatWasWrittenAndHowManyValuesAreNotDefined) {
    TempDir dir;
    SdfBuilder b(3);
    b.dark = {10.0f, 10.0f, 10.0f};
    b.ref = {110.0f, 10.0f, 110.0f};             // R = D at pixel 2
    b.AddScan({"", "", "", {60, 60, 5}, 0.0f});  // S below D at pixel 3
    b.WriteTo(dir / "run.sdf");
    CommandLine line;
    line.formats = {"csv"};
    line.quantity = "absorbance";
    BatchOptions options = InterpretCommandLine(line);
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    ConsoleServices console({false, ConsoleServices::Overwrite::kYes, false}, out, err, in);
    BatchRun batch(std::move(options), console, err);
    EXPECT_EQ(batch.Run({{dir / "run.sdf", ""}}), 0);
    EXPECT_NE(out.str().find("SDF file loading was done.\nCSV data were written to " +
                             (dir / "run.csv") + ".\nabsorbance: 2 of 3 values are not defined.\n"),
              std::string::npos)
        << out.str();
}

}  // namespace
}  // namespace quillon
