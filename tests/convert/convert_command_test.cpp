// SPDX-License-Identifier: MIT
// The Convert command: which files it writes in each mode, their bytes, the log, the
// overwrite question, and what happens when an output cannot be opened or written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "convert/convert_command.h"
#include "convert/output_naming.h"
#include "fake_log.h"
#include "render/parameter_report.h"
#include "render/spectrum_tables.h"
#include "scanfile/loader.h"
#include "scripted_answers.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::FakeLog;
using testing::ReadBytes;
using testing::ScanContent;
using testing::SdfBuilder;
using testing::TempDir;

const std::string kReportLog =
    "Header Data were converted.\r\n"
    "CCD Data were converted.\r\n"
    "ACQUIRE Data were converted.\r\n"
    "GRAPHIC DISPLAY SCALE Data were converted.\r\n"
    "INTEGRATION TIME Data were converted.\r\n"
    "STATUS Data were converted.\r\n";
const std::string kTablesLog =
    "Dark Scan Data were converted.\r\n"
    "Reference Scan Data were converted.\r\n";

std::string Progress(int scan, int count) {
    return "[" + std::to_string(scan) + "] of [" + std::to_string(count) +
           "] Scan Data were converted.\r\n";
}

// A block as the file stores it: every "\n" becomes CR LF.
std::string CrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// A file of `scans` scans of 3 pixels each, with distinct counts per scan and a calibration,
// loaded into a state as the window leaves it after a load.
class ConvertCommandTest : public ::testing::Test {
  protected:
    void Load(int scans, std::uint16_t pixels = 3) {
        SdfBuilder b(pixels);
        testing::SetField(b.header.filename, sizeof b.header.filename, "run1.sdf");
        b.ccd.fCal[0] = 350.5f;
        b.ccd.fCal[1] = 0.25f;
        for (std::uint16_t i = 0; i < pixels; ++i) {
            b.dark[i] = 10.75f + static_cast<float>(i);
            b.ref[i] = 2000.25f - static_cast<float>(i);
        }
        for (int s = 1; s <= scans; ++s) {
            ScanContent scan;
            scan.title = "Title " + std::to_string(s);
            scan.subtitle = "Sub";
            scan.dateTime = "2026-01-01";
            for (std::uint16_t i = 0; i < pixels; ++i) {
                scan.values.push_back(100 * s + i);
            }
            b.AddScan(scan);
        }
        LoadFile(b);
    }

    void LoadFile(const SdfBuilder& b) {
        m_strSdf = b.WriteTo(m_Dir / "run1.sdf");
        FakeLog loadLog;
        m_File = LoadScanFile(m_strSdf, loadLog);
    }

    // The blocks that the renderers give for the loaded file with the current options, in
    // their stored form.
    struct Blocks {
        std::string report, dark, ref;
        std::vector<std::string> scans;
    };
    Blocks Expected() const {
        FakeLog log;
        const std::vector<float> axis = WavelengthAxis(m_File);
        const SpectrumTableFormatter formatter(
            m_File, {m_Options.withPixel, m_Options.withWavelength}, axis);
        Blocks blocks{CrLf(FormatParameters(m_File, log)),
                      CrLf(FormatDarkTable(m_File, log, formatter)),
                      CrLf(FormatRefTable(m_File, log, formatter)),
                      {}};
        for (std::size_t i = 0; i < m_File.ScanCount(); ++i) {
            std::string block;
            formatter.AppendStoredScanBlock(block, static_cast<std::int32_t>(i), m_File.Scan(i));
            blocks.scans.push_back(block);
        }
        return blocks;
    }

    std::string Out(const std::string& suffix) const { return m_Dir / ("run1" + suffix); }

    // The names of the files in the folder, other than the input.
    std::set<std::string> Outputs() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_Dir.Path())) {
            if (entry.path().filename() != "run1.sdf") {
                names.insert(entry.path().filename().string());
            }
        }
        return names;
    }

    // One run of the Convert command with m_Options; its log is m_Log, its result m_Result.
    bool Convert() {
        m_Log = FakeLog();
        m_Options.outputBase = OutputBaseName(m_strSdf);
        m_Options.askOverwrite = [this](const std::string& question) {
            return m_Answers.Answer(question);
        };
        m_Result = ConvertCommand(m_File, m_Options, m_Log);
        return m_Result.ok;
    }

    TempDir m_Dir;
    std::string m_strSdf;
    ScanFile m_File;
    ConvertOptions m_Options;
    FakeLog m_Log;
    testing::ScriptedAnswers m_Answers;
    ConvertResult m_Result;
};

TEST_F(ConvertCommandTest, MultipleFilesWritesTheSectionsAndEveryScanEachInItsOwnFile) {
    Load(3);
    m_Options.withPixel = true;
    ASSERT_TRUE(Convert());

    const Blocks blocks = Expected();
    EXPECT_EQ(Outputs(),
              std::set<std::string>({"run1_Var.txt", "run1_Dark.txt", "run1_Ref.txt",
                                     "run1_1of3.txt", "run1_2of3.txt", "run1_3of3.txt"}));
    EXPECT_EQ(ReadBytes(Out("_Var.txt")), blocks.report);
    EXPECT_EQ(ReadBytes(Out("_Dark.txt")), blocks.dark);
    EXPECT_EQ(ReadBytes(Out("_Ref.txt")), blocks.ref);
    EXPECT_EQ(ReadBytes(Out("_1of3.txt")), blocks.scans[0]);
    EXPECT_EQ(ReadBytes(Out("_2of3.txt")), blocks.scans[1]);
    EXPECT_EQ(ReadBytes(Out("_3of3.txt")), blocks.scans[2]);
    EXPECT_EQ(m_Log.log,
              kReportLog + kTablesLog + Progress(1, 3) + Progress(2, 3) + Progress(3, 3));
}

TEST_F(ConvertCommandTest, OutputsHoldExactlyTheTextOfTheTablesWithCrLfLineEnds) {
    // 2 pixels, 1 scan, pixel numbers on: every byte of the dark, reference and scan files.
    SdfBuilder b(2);
    b.dark = {2.9f, -3.7f};
    b.darkOpticalBlank = 1.5f;
    b.ref = {7.0f, 8.5f};
    b.refOpticalBlank = 1.5f;
    b.AddScan({"T", "S", "D", {7, -3}, 1.5f});
    LoadFile(b);
    m_Options.withPixel = true;
    ASSERT_TRUE(Convert());

    EXPECT_EQ(ReadBytes(Out("_Dark.txt")),
              "Dark Scan Data...\r\n"
              "Pixel\t Intensity(Counts)\r\n"
              "1    \t 2       \r\n"
              "2    \t -3      \r\n"
              "Dark Scan Data of Optical Blank: 1.5000        \r\n"
              "\r\n\r\n");
    EXPECT_EQ(ReadBytes(Out("_Ref.txt")),
              "Reference Scan Data...\r\n"
              "Pixel\t Intensity(Counts)\r\n"
              "1    \t 7       \r\n"
              "2    \t 8       \r\n"
              "Reference Scan Data of Optical Blank: 1.500000\r\n"
              "\r\n\r\n");
    EXPECT_EQ(ReadBytes(Out("_1of1.txt")),
              "Scan #1:\r\n"
              "Project Title: T\r\n"
              "Subtitle: S\r\n"
              "Date and Time: D\r\n"
              "Scan Data per each pixel...\r\n"
              "Pixel\t Intensity(Counts)\r\n"
              "1    \t 7       \r\n"
              "2    \t -3      \r\n"
              "Optical Blank data: 1.5000        \r\n"
              "\r\n\r\n");
    EXPECT_EQ(ReadBytes(Out("_Var.txt")).rfind("HEADER DATA\r\n", 0), 0u);
}

TEST_F(ConvertCommandTest, SelectedScansKeepTheirOwnNumbersInNamesAndLog) {
    Load(12);
    m_Options.convertAll = false;
    m_Options.selection = "2,5-6";
    ASSERT_TRUE(Convert());

    const Blocks blocks = Expected();
    EXPECT_EQ(Outputs(),
              std::set<std::string>({"run1_Var.txt", "run1_Dark.txt", "run1_Ref.txt",
                                     "run1_2of12.txt", "run1_5of12.txt", "run1_6of12.txt"}));
    EXPECT_EQ(ReadBytes(Out("_5of12.txt")), blocks.scans[4]);
    EXPECT_EQ(m_Log.log,
              kReportLog + kTablesLog + Progress(2, 12) + Progress(5, 12) + Progress(6, 12));
}

TEST_F(ConvertCommandTest, SelectionNamingNoScanStillWritesTheThreeSections) {
    Load(3);
    m_Options.convertAll = false;
    m_Options.selection = "";
    ASSERT_TRUE(Convert());
    EXPECT_EQ(Outputs(), std::set<std::string>({"run1_Var.txt", "run1_Dark.txt", "run1_Ref.txt"}));
    EXPECT_EQ(m_Log.log, kReportLog + kTablesLog);
}

TEST_F(ConvertCommandTest, OneFileHoldsReportTablesAndEveryScanBackToBack) {
    Load(3);
    m_Options.oneFile = true;
    m_Options.withWavelength = true;
    m_Options.convertAll = false;  // ignored in one-file mode
    m_Options.selection = "2";
    ASSERT_TRUE(Convert());

    const Blocks blocks = Expected();
    EXPECT_EQ(Outputs(), std::set<std::string>({"run1.txt"}));
    EXPECT_EQ(ReadBytes(Out(".txt")), blocks.report + blocks.dark + blocks.ref + blocks.scans[0] +
                                          blocks.scans[1] + blocks.scans[2]);
    EXPECT_EQ(m_Log.log,
              kReportLog + kTablesLog + Progress(1, 3) + Progress(2, 3) + Progress(3, 3));
    EXPECT_TRUE(m_Answers.questions.empty());
}

TEST_F(ConvertCommandTest, FileWithoutScansWritesTheSectionsAndNoProgressLine) {
    Load(0);
    ASSERT_TRUE(Convert());
    EXPECT_EQ(Outputs(), std::set<std::string>({"run1_Var.txt", "run1_Dark.txt", "run1_Ref.txt"}));
    EXPECT_EQ(m_Log.log, kReportLog + kTablesLog);

    m_Options.oneFile = true;
    ASSERT_TRUE(Convert());
    const Blocks blocks = Expected();
    EXPECT_EQ(ReadBytes(Out(".txt")), blocks.report + blocks.dark + blocks.ref);
    EXPECT_EQ(m_Log.log, kReportLog + kTablesLog);
}

TEST_F(ConvertCommandTest, OneFileRunsAnsweredYesReplaceTheOutputEachTime) {
    Load(2);
    m_Options.oneFile = true;
    ASSERT_TRUE(Convert());
    const std::string first = ReadBytes(Out(".txt"));
    m_Answers.answers = {true, true};
    ASSERT_TRUE(Convert());
    ASSERT_TRUE(Convert());

    EXPECT_EQ(m_Answers.questions.size(), 2u);
    EXPECT_EQ(ReadBytes(Out(".txt")), first);
    EXPECT_EQ(Outputs(), std::set<std::string>({"run1.txt"}));
}

TEST_F(ConvertCommandTest, OneFileRunsAnsweredNoWriteNumberedCopiesAndKeepTheFirst) {
    Load(2);
    m_Options.oneFile = true;
    ASSERT_TRUE(Convert());
    const std::string first = ReadBytes(Out(".txt"));
    m_Answers.answers = {false, false};
    ASSERT_TRUE(Convert());
    ASSERT_TRUE(Convert());

    EXPECT_EQ(m_Answers.questions.size(), 2u);
    EXPECT_EQ(Outputs(), std::set<std::string>({"run1.txt", "run1(0).txt", "run1(1).txt"}));
    EXPECT_EQ(ReadBytes(Out(".txt")), first);
    EXPECT_EQ(ReadBytes(Out("(0).txt")), first);
    EXPECT_EQ(ReadBytes(Out("(1).txt")), first);
}

TEST_F(ConvertCommandTest, TwoMultipleFilesRunsInARowLeaveTheSameFiles) {
    Load(3);
    // A longer leftover under one of the names must not survive behind the new block.
    std::ofstream(Out("_Ref.txt"), std::ios::binary) << std::string(100000, 'x');
    ASSERT_TRUE(Convert());
    std::vector<std::string> first;
    for (const std::string& name : Outputs()) {
        first.push_back(ReadBytes(m_Dir / name));
    }
    ASSERT_TRUE(Convert());
    std::vector<std::string> second;
    for (const std::string& name : Outputs()) {
        second.push_back(ReadBytes(m_Dir / name));
    }
    EXPECT_EQ(first.size(), 6u);
    EXPECT_EQ(first, second);
    EXPECT_EQ(ReadBytes(Out("_Ref.txt")), Expected().ref);
}

TEST_F(ConvertCommandTest, ScanFilesOfAnotherScanCountAreLeftAlone) {
    Load(6);
    std::ofstream(Out("_3of5.txt"), std::ios::binary) << "earlier run";
    ASSERT_TRUE(Convert());
    EXPECT_EQ(ReadBytes(Out("_3of5.txt")), "earlier run");
    EXPECT_TRUE(fs::exists(Out("_3of6.txt")));
}

TEST_F(ConvertCommandTest, OutputThatCannotBeOpenedStopsTheRunAndIsReported) {
    Load(2);
    fs::create_directory(Out("_Dark.txt"));  // a folder where the dark table should go
    EXPECT_FALSE(Convert());

    EXPECT_EQ(ReadBytes(Out("_Var.txt")), Expected().report);
    EXPECT_EQ(Outputs(), std::set<std::string>({"run1_Var.txt", "run1_Dark.txt"}));
    EXPECT_EQ(m_Log.log, kReportLog + "Could not write " + Out("_Dark.txt") +
                             "; the conversion was stopped.\r\n");
    EXPECT_EQ(m_Result.failedName, Out("_Dark.txt"));
    EXPECT_EQ(m_Result.Message(), "Could not write " + Out("_Dark.txt") +
                                      ": Is a directory. The conversion was stopped.");
}

TEST_F(ConvertCommandTest, OutputThatCannotBeWrittenStopsTheRunAndIsReported) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    Load(2);
    m_Options.oneFile = true;
    fs::create_symlink("/dev/full", Out(".txt"));  // every write fails: the disk is full
    m_Answers.answers = {true};
    EXPECT_FALSE(Convert());

    EXPECT_EQ(m_Answers.questions.size(), 1u);
    const std::string failure =
        "Could not write " + Out(".txt") + "; the conversion was stopped.\r\n";
    ASSERT_GE(m_Log.log.size(), failure.size());
    EXPECT_EQ(m_Log.log.substr(m_Log.log.size() - failure.size()), failure);
    EXPECT_EQ(m_Result.failedName, Out(".txt"));
    EXPECT_EQ(m_Result.reason, "No space left on device");
}

}  // namespace
}  // namespace quillon
