// SPDX-License-Identifier: MIT
// Scan blocks built directly in their stored form (CR LF line ends) and written as they are:
// the same bytes as the plain block turned into CR LF, and in one-file conversions, where scan
// blocks are written in batches, a progress line only for a scan whose block has been written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "convert/convert_command.h"
#include "fake_log.h"
#include "memory_outputs.h"
#include "platform/file_error.h"
#include "platform/text_file_writer.h"
#include "render/parameter_report.h"
#include "render/spectrum_tables.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::FakeLog;
using testing::MemoryOutputFiles;
using testing::ReadBytes;
using testing::ScanContent;
using testing::SdfBuilder;
using testing::TempDir;

std::string CrLf(std::string_view text) {
    std::string out;
    AppendCrLf(out, text);
    return out;
}

// A 64-byte field with no zero byte: all of it is text.
std::string FullField(char fill) {
    return std::string(64, fill);
}

TEST(StoredScanBlock, TextsGoOutByteForByteWithEveryLineFeedStoredAsCrLfInEveryLayout) {
    ScanFile file;
    file.m_Ccd.fCal[0] = 200.0f;
    file.m_Ccd.fCal[1] = 0.5f;
    const std::vector<ScanContent> records = {
        {"Lamp\nline two", "\r\n", "a\rb\n\n", {1234, -56, 0, INT32_MIN, INT32_MAX}, 0.25f},
        {FullField('\n'), FullField('x'), "\xff\x80\n", {7, 8, 9, 10, 11}, -1.5f},
        {"", "", "", {}, 0.0f},
    };
    for (const std::uint16_t n : {std::uint16_t{5}, std::uint16_t{0}}) {
        file.m_nPixelCount = n;
        const std::vector<float> axis = WavelengthAxis(file);
        for (int layout = 0; layout < 4; ++layout) {
            const SpectrumTableFormatter formatter(file, {(layout & 1) != 0, (layout & 2) != 0},
                                                   axis);
            for (std::size_t r = 0; r < records.size(); ++r) {
                SCOPED_TRACE("N " + std::to_string(n) + ", layout " + std::to_string(layout) +
                             ", record " + std::to_string(r));
                CSaveData record(n);
                std::memset(record.m_szTitle, 0, 64);
                std::memset(record.m_szSubtitle, 0, 64);
                std::memcpy(record.m_szTitle, records[r].title.data(),
                            std::min<std::size_t>(64, records[r].title.size()));
                std::memcpy(record.m_szSubtitle, records[r].subtitle.data(),
                            std::min<std::size_t>(64, records[r].subtitle.size()));
                std::memcpy(record.m_szDateTime, records[r].dateTime.data(),
                            records[r].dateTime.size());
                for (std::size_t i = 0; i < n && i < records[r].values.size(); ++i) {
                    record.Values()[i] = records[r].values[i];
                }
                record.m_fOpticalBlank = records[r].opticalBlank;
                const auto index = static_cast<std::int32_t>(r) * 1000;

                // Appended behind what the buffer holds already.
                std::string stored = "before\r\n";
                formatter.AppendStoredScanBlock(stored, index, record.View());
                const std::string head =
                    "before\r\n" + CrLf("Scan #" + std::to_string(index + 1) +
                                        ":\nProject Title: " + records[r].title.substr(0, 64) +
                                        "\nSubtitle: " + records[r].subtitle.substr(0, 64) +
                                        "\nDate and Time: " + records[r].dateTime +
                                        "\nScan Data per each pixel...\n");
                EXPECT_EQ(stored.substr(0, head.size()), head);
                const auto rows = static_cast<std::size_t>(std::count(
                    stored.begin() + static_cast<long>(head.size()), stored.end(), '\n'));
                EXPECT_EQ(rows, 1u + n + 3u);  // header line, N rows, blank line and two empty
                for (std::size_t at = stored.find('\n'); at != std::string::npos;
                     at = stored.find('\n', at + 1)) {
                    ASSERT_EQ(stored[at - 1], '\r') << "at " << at;
                }
            }
        }
    }
}

TEST(TextFileWriter, WriteBytesStoresTheBytesAsTheyAreBesideConvertedText) {
    TempDir dir;
    const std::string path = dir / "out.txt";
    TextFileWriter writer;
    writer.Open(path, TextFileWriter::OpenMode::kTruncate);
    writer.WriteString("a\nb");
    writer.WriteBytes("c\r\nd\ne\r");
    writer.WriteString("\n");
    writer.Close();
    EXPECT_EQ(ReadBytes(path), "a\r\nbc\r\nd\ne\r\r\n");
    EXPECT_THROW(writer.WriteBytes("x"), FileError);
}

// A file of `scans` scans of N = 2048 pixels: with pixel and wavelength columns each block is
// about 67 kB, so that a one-file conversion writes its scans in several batches.
class OneFileBatches : public ::testing::Test {
  protected:
    void Load(int scans) {
        SdfBuilder b(2048);
        b.ccd.fCal[0] = 198.42f;
        b.ccd.fCal[1] = 0.4651f;
        for (int s = 1; s <= scans; ++s) {
            ScanContent scan;
            scan.title = "Scan title " + std::to_string(s);
            for (int i = 0; i < 2048; ++i) {
                scan.values.push_back(s * 10000 + i);
            }
            b.AddScan(scan);
        }
        const std::string path = b.WriteTo(m_Dir / "run.sdf");
        FakeLog loadLog;
        m_File = LoadScanFile(path, loadLog);
        m_Options.oneFile = true;
        m_Options.withPixel = true;
        m_Options.withWavelength = true;
        m_Options.outputBase = m_Dir / "run";
    }

    // What the output must hold: the report, the two tables and every scan, stored.
    std::string ExpectedFile() const {
        FakeLog log;
        const std::vector<float> axis = WavelengthAxis(m_File);
        const SpectrumTableFormatter formatter(m_File, {true, true}, axis);
        std::string bytes = CrLf(FormatParameters(m_File, log)) +
                            CrLf(FormatDarkTable(m_File, log, formatter)) +
                            CrLf(FormatRefTable(m_File, log, formatter));
        for (std::size_t i = 0; i < m_File.ScanCount(); ++i) {
            formatter.AppendStoredScanBlock(bytes, static_cast<std::int32_t>(i), m_File.Scan(i));
        }
        return bytes;
    }

    std::string OutputName() const { return m_Dir / "run.txt"; }

    TempDir m_Dir;
    ScanFile m_File;
    ConvertOptions m_Options;
    FakeLog m_Log;
};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// Keeps the outputs in memory and notes, at every write of stored bytes, how many scans the
// output held before it and how many progress lines the log showed.
class RecordingOutputs : public MemoryOutputFiles {
  public:
    explicit RecordingOutputs(const FakeLog& log) : m_Log(log) {}
    void Open(const std::string& path, TextFileWriter::OpenMode mode) override {
        MemoryOutputFiles::Open(path, mode);
        m_strPath = path;
    }
    void WriteBytes(std::string_view bytes) override {
        if (failAtWrite == static_cast<int>(scansBefore.size())) {
            throw FileError(m_strPath, "No space left on device");
        }
        scansBefore.push_back(Count(files[m_strPath], "Scan #"));
        logLinesBefore.push_back(Count(m_Log.log, "] Scan Data were converted."));
        MemoryOutputFiles::WriteBytes(bytes);
    }

    int failAtWrite = -1;  // the write (0-based) that fails, or none
    std::vector<std::size_t> scansBefore;
    std::vector<std::size_t> logLinesBefore;

  private:
    const FakeLog& m_Log;
    std::string m_strPath;
};

TEST_F(OneFileBatches, EachScanIsLoggedOnlyOnceItsBlockHasBeenWritten) {
    Load(40);
    RecordingOutputs outputs(m_Log);
    ASSERT_TRUE(ConvertCommand(m_File, m_Options, m_Log, outputs).ok);

    EXPECT_EQ(outputs.files.at(OutputName()), ExpectedFile());
    ASSERT_GE(outputs.scansBefore.size(), 2u);  // 40 blocks of 67 kB: more than one batch
    for (std::size_t w = 0; w < outputs.scansBefore.size(); ++w) {
        EXPECT_EQ(outputs.logLinesBefore[w], outputs.scansBefore[w]) << "write " << w;
    }
    EXPECT_EQ(Count(m_Log.log, "] Scan Data were converted."), 40u);
    EXPECT_NE(m_Log.log.find("[1] of [40] Scan Data were converted.\r\n"), std::string::npos);
    EXPECT_EQ(m_Log.log.substr(m_Log.log.size() - 40),
              "[40] of [40] Scan Data were converted.\r\n");
}

TEST_F(OneFileBatches, FailedWriteLeavesNoProgressLineForTheScansItLost) {
    Load(40);
    RecordingOutputs outputs(m_Log);
    outputs.failAtWrite = 1;
    const ConvertResult result = ConvertCommand(m_File, m_Options, m_Log, outputs);
    EXPECT_FALSE(result.ok);

    ASSERT_EQ(outputs.scansBefore.size(), 1u);
    const std::string& file = outputs.files.at(OutputName());
    const std::size_t written = Count(file, "Scan #");
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, 40u);
    EXPECT_EQ(Count(m_Log.log, "] Scan Data were converted."), written);
    EXPECT_NE(m_Log.log.find("[" + std::to_string(written) +
                             "] of [40] Scan Data were "
                             "converted.\r\nCould not write " +
                             OutputName() + "; the conversion was stopped.\r\n"),
              std::string::npos);
    EXPECT_EQ(file, ExpectedFile().substr(0, file.size()));
    EXPECT_EQ(result.reason, "No space left on device");
}

}  // namespace
}  // namespace quillon
