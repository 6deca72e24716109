// SPDX-License-Identifier: MIT
// One export as both front ends run it: output names beside the input or in a folder, the
// scans a selection names, the grid refused before anything is written, and each output
// written whole with its log lines.
#include "export/export_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "export/grid.h"
#include "export/hdf5_export.h"
#include "fake_log.h"
#include "in_memory_file.h"
#include "platform/file_error.h"
#include "scanfile/loader.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::FakeLog;
using testing::InMemoryFile;
using testing::SdfBuilder;
using testing::TempDir;

TEST(ExportOutputBase, IsThePathUpToItsLastDotMovedIntoTheFolderWhenOneIsGiven) {
    struct Case {
        const char* path;
        const char* folder;
        std::string base;
    };
    // The folder and the name are joined as the system joins them.
#ifdef _WIN32
    const std::string sep = "\\";
#else
    const std::string sep = "/";
#endif
    const Case cases[] = {
        {"/data/run1.sdf", "", "/data/run1"},
        {"/data/run1.sdf", "/out", "/out" + sep + "run1"},
        {"/data/run1.sdf", "/out/", "/out/run1"},
        {"/data/x.sdf.bak", "/out", "/out" + sep + "x.sdf"},
        // The last '.' may stand in a folder's name, as the Convert command's naming has it.
        {"/data.d/run", "", "/data"},
        {"/data.d/run", "/out", "/out" + sep + "data"},
        {"/data/run", "", ""},  // no '.' at all: no output name can be formed
        {"/data/run", "/out", ""},
        {"run1.SDF", "out", "out" + sep + "run1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExportOutputBase(c.path, c.folder), c.base) << c.path << " in " << c.folder;
    }
}

TEST(ExportScanNumbers, AreAllScansOrThoseTheSelectionNamesInAscendingOrder) {
    EXPECT_EQ(ExportScanNumbers(true, "2", 4), (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(ExportScanNumbers(true, "", 0), std::vector<std::int32_t>{});
    EXPECT_EQ(ExportScanNumbers(false, "1,3-4", 5), (std::vector<std::int32_t>{1, 3, 4}));
    // As the Convert command reads it: numbers beyond the file's scans name nothing.
    EXPECT_EQ(ExportScanNumbers(false, "2,9", 3), (std::vector<std::int32_t>{2}));
    EXPECT_EQ(ExportScanNumbers(false, "", 3), std::vector<std::int32_t>{});
}

ScanFile FallingCalibration() {
    SdfBuilder b(4);
    b.ccd.fCal[0] = 900.0f;
    b.ccd.fCal[1] = -1.0f;
    b.AddScans(1);
    return InMemoryFile(b);
}

TEST(CheckGridCalibration, RefusesAGridOverAFallingCalibrationOnlyForFormatsThatUseIt) {
    const ScanFile file = FallingCalibration();
    ExportRequest request;
    const std::vector<ExportFormat> textAndJson = {ExportFormat::kText, ExportFormat::kJson};
    const std::vector<ExportFormat> csv = {ExportFormat::kJson, ExportFormat::kCsv};
    const std::vector<ExportFormat> hdf5 = {ExportFormat::kHdf5};
    EXPECT_NO_THROW(CheckGridCalibration(file, request, csv));  // no grid asked for
    request.grid = GridSpec{890.0, 0.5, 895.0};
    EXPECT_NO_THROW(CheckGridCalibration(file, request, textAndJson));
    EXPECT_THROW(CheckGridCalibration(file, request, csv), CalibrationError);
    EXPECT_THROW(CheckGridCalibration(file, request, hdf5), CalibrationError);
}

class WriteExportOutputTest : public ::testing::Test {
  protected:
    WriteExportOutputTest() {
        SdfBuilder b(3);
        b.ccd.fCal[0] = 500.0f;
        b.ccd.fCal[1] = 1.0f;
        b.dark = {10, 10, 10};
        b.ref = {110, 10, 60};
        b.AddScan({"a", "", "", {60, 60, 5}, 0});
        file = InMemoryFile(b, dir / "run1.sdf");
        request.scanNumbers = {1};
    }
    TempDir dir;
    ScanFile file;
    ExportRequest request;
    FakeLog log;
};

TEST_F(WriteExportOutputTest, WritesBasePlusTheFormatsExtensionAndLogsIt) {
    const std::string base = dir / "run1";
    const ExportReport csv = WriteExportOutput(ExportFormat::kCsv, file, request, base, log);
    const ExportReport json = WriteExportOutput(ExportFormat::kJson, file, request, base, log);
    EXPECT_EQ(csv.path, base + ".csv");
    EXPECT_TRUE(std::filesystem::is_regular_file(base + ".csv"));
    EXPECT_TRUE(std::filesystem::is_regular_file(base + ".json"));
    EXPECT_EQ(log.log, "CSV data were written to " + base + ".csv.\r\nJSON data were written to " +
                           base + ".json.\r\n");
    // Only those two files: no temporary name is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(WriteExportOutputTest, ACalculatedQuantityLogsHowManyValuesAreNotDefined) {
    request.quantity = Quantity::kAbsorbance;
    // Pixel 2: R = D; pixel 3: S < D. Pixel 1 is defined.
    WriteExportOutput(ExportFormat::kCsv, file, request, dir / "run1", log);
    EXPECT_EQ(log.pieces.back(), "absorbance: 2 of 3 values are not defined.\r\n");
    // JSON holds no values of the quantity, so it says nothing of them.
    log.pieces.clear();
    WriteExportOutput(ExportFormat::kJson, file, request, dir / "run1", log);
    EXPECT_EQ(log.pieces.size(), 1u);
}

TEST_F(WriteExportOutputTest, AnOutputThatCannotBeWrittenRaisesAFileErrorNamingItAndLogsNothing) {
    const std::string base = dir / "missing-folder/run1";
    try {
        WriteExportOutput(ExportFormat::kCsv, file, request, base, log);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), base + ".csv");
    }
    EXPECT_EQ(log.log, "");
}

TEST_F(WriteExportOutputTest, TheTextFormatIsLeftToTheConvertCommand) {
    const ExportReport report =
        WriteExportOutput(ExportFormat::kText, file, request, dir / "run1", log);
    EXPECT_EQ(report.path, "");
    EXPECT_EQ(log.log, "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

#ifndef _WIN32
// A file cut shorter after it was loaded (the acquisition software writing it anew): scans read
// in place would hold zeros where the file lost its bytes, so no export of it is kept. The cut
// falls inside a page, whose rest reads as 0 without any fault, and past the scans exported.
TEST(WriteExportOutput, AFileCutShorterSinceItWasLoadedKeepsNoExportAndNamesTheFile) {
    TempDir dir;
    SdfBuilder b(2048);
    b.AddScans(6);
    const std::string path = b.WriteTo(dir / "run.sdf");
    FakeLog loadLog;
    const ScanFile file = LoadScanFile(path, loadLog);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 100);

    ExportRequest request;
    request.scanNumbers = {1, 2};
    std::vector<ExportFormat> formats = {ExportFormat::kCsv, ExportFormat::kJson};
    if (Hdf5Available()) {
        formats.push_back(ExportFormat::kHdf5);
    }
    for (const ExportFormat format : formats) {
        FakeLog log;
        try {
            WriteExportOutput(format, file, request, dir / "run", log);
            ADD_FAILURE() << "format " << static_cast<int>(format) << " kept its export";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Path(), path);
            EXPECT_EQ(error.Reason(), "the file changed while it was read");
        }
        EXPECT_EQ(log.log, "");
    }
    // Nothing but the input: no export under its name, no temporary file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}
#endif

}  // namespace
}  // namespace quillon
