// SPDX-License-Identifier: MIT
// Conversions that read their scans through the file: a file cut shorter while it is open, the
// first and last scans of a file beyond 4 GiB, and a one-file output that would replace the very
// file being converted.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "convert/convert_command.h"
#include "convert/output_naming.h"
#include "fake_log.h"
#include "platform/file_error.h"
#include "platform/text_file_writer.h"
#include "render/parameter_report.h"
#include "render/spectrum_tables.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "sparse_sdf.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::FakeLog;
using testing::ReadBytes;
using testing::ScanContent;
using testing::SdfBuilder;
using testing::TempDir;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// A file cut shorter while it is open: POSIX systems only (Windows refuses to cut a mapped
// file).
#ifndef _WIN32

std::string CrLf(std::string_view text) {
    std::string out;
    AppendCrLf(out, text);
    return out;
}

// The stored blocks of a loaded file: its three sections and every scan, as a conversion with
// `layout` writes them.
struct Blocks {
    std::string sections;
    std::vector<std::string> scans;
};
Blocks Render(const ScanFile& file, TableLayout layout) {
    FakeLog log;
    const std::vector<float> axis = WavelengthAxis(file);
    const SpectrumTableFormatter formatter(file, layout, axis);
    Blocks blocks{CrLf(FormatParameters(file, log)) + CrLf(FormatDarkTable(file, log, formatter)) +
                      CrLf(FormatRefTable(file, log, formatter)),
                  {}};
    for (std::size_t i = 0; i < file.ScanCount(); ++i) {
        blocks.scans.emplace_back();
        formatter.AppendStoredScanBlock(blocks.scans.back(), static_cast<std::int32_t>(i),
                                        file.Scan(i));
    }
    return blocks;
}

// Runs a conversion that must stop because the input changed; returns its log.
std::string ConvertChangedFile(const ScanFile& file, const ConvertOptions& options) {
    FakeLog log;
    try {
        ConvertCommand(file, options, log);
        ADD_FAILURE() << "the conversion of a file cut shorter passed";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), file.m_strPath);
        EXPECT_EQ(error.Reason(), "the file changed while it was read");
    }
    const std::string end =
        "Could not read " + file.m_strPath + "; the conversion was stopped.\r\n";
    EXPECT_TRUE(log.log.ends_with(end)) << log.log;
    return log.log;
}

TEST(ConvertCommand, AFileCutShorterWhileOpenStopsWithFileChangedKeepingTheWholeOutputsOnly) {
    TempDir dir;
    SdfBuilder b(2048);
    b.AddScans(40);
    const std::string path = b.WriteTo(dir / "run.sdf");
    FakeLog loadLog;
    const ScanFile file = LoadScanFile(path, loadLog);
    const Blocks blocks = Render(file, {true, false});
    // 20 whole records are left, and a part of the 21st.
    fs::resize_file(path, 268 + 8 * 2048 + 20 * (196 + 4 * 2048) + 10);

    ConvertOptions options;
    options.withPixel = true;
    options.outputBase = dir / "run";
    const std::string multipleLog = ConvertChangedFile(file, options);
    // The scans written are the first ones, each whole; none after them, no empty file.
    const std::size_t written = Count(multipleLog, "] Scan Data were converted.");
    EXPECT_LE(written, 20u);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        names.insert(entry.path().filename().string());
    }
    std::set<std::string> expected = {"run.sdf", "run_Var.txt", "run_Dark.txt", "run_Ref.txt"};
    for (std::size_t scan = 1; scan <= written; ++scan) {
        const std::string name = "run_" + std::to_string(scan) + "of40.txt";
        expected.insert(name);
        EXPECT_EQ(ReadBytes(dir / name), blocks.scans[scan - 1]) << name;
    }
    EXPECT_EQ(names, expected);

    // The one file is written under a temporary name and renamed into place only once
    // complete: the run that lost its input leaves no run.txt behind, and no temporary file.
    options.oneFile = true;
    ConvertChangedFile(file, options);
    std::set<std::string> after;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        after.insert(entry.path().filename().string());
    }
    EXPECT_EQ(after, expected);
}

#endif

TEST(ConvertCommand, TheFirstAndLastScansOfASparseFileBeyond4GiBConvertAsWritten) {
    TempDir dir;
    constexpr std::uint64_t kScans = 512'100;  // 8,388-byte records: beyond 4 GiB
    SdfBuilder fixed(2048);
    fixed.ccd.fCal[0] = 198.42f;
    fixed.ccd.fCal[1] = 0.4651f;
    std::map<std::uint64_t, ScanContent> scans;
    for (const std::uint64_t index : {std::uint64_t{0}, kScans - 1}) {
        ScanContent scan{"Scan at " + std::to_string(index), "lamp", "2026-12-07", {}, 0.5f};
        for (std::int32_t i = 0; i < 2048; ++i) {
            scan.values.push_back(static_cast<std::int32_t>(index % 1000) * 100'000 + i);
        }
        scans[index] = scan;
    }
    const std::string path = testing::WriteSparseSdf(dir / "long.sdf", fixed, kScans, scans);
    FakeLog loadLog;
    const ScanFile file = LoadScanFile(path, loadLog);
    ASSERT_EQ(file.ScanCount(), kScans);

    ConvertOptions options;
    options.withPixel = true;
    options.withWavelength = true;
    options.convertAll = false;
    options.selection = "1," + std::to_string(kScans);
    options.outputBase = OutputBaseName(path);
    FakeLog log;
    ASSERT_TRUE(ConvertCommand(file, options, log).ok);

    const std::vector<float> axis = WavelengthAxis(file);
    const SpectrumTableFormatter formatter(file, {true, true}, axis);
    for (const auto& [index, content] : scans) {
        CSaveData record(2048);
        testing::SetField(record.m_szTitle, 64, content.title);
        testing::SetField(record.m_szSubtitle, 64, content.subtitle);
        testing::SetField(record.m_szDateTime, 64, content.dateTime);
        std::copy(content.values.begin(), content.values.end(), record.Values().begin());
        record.m_fOpticalBlank = content.opticalBlank;
        std::string block;
        formatter.AppendStoredScanBlock(block, static_cast<std::int32_t>(index), record.View());
        const std::string name =
            ScanFileName(options.outputBase, static_cast<std::int32_t>(index + 1),
                         static_cast<std::int32_t>(kScans));
        EXPECT_EQ(ReadBytes(name), block) << name;
    }
    EXPECT_TRUE(
        log.log.ends_with("Reference Scan Data were converted.\r\n"
                          "[1] of [512100] Scan Data were converted.\r\n"
                          "[512100] of [512100] Scan Data were converted.\r\n"))
        << log.log;
}

TEST(ConvertCommand, AOneFileOutputThatWouldReplaceTheFileBeingConvertedIsRefused) {
    TempDir dir;
    // A scan data file named like a one-file output.
    const std::string path = SdfBuilder(4).AddScans(3).WriteTo(dir / "data.txt");
    const std::string bytes = ReadBytes(path);
    FakeLog loadLog;
    const ScanFile file = LoadScanFile(path, loadLog);

    ConvertOptions options;
    options.oneFile = true;
    options.outputBase = OutputBaseName(path);
    options.askOverwrite = [](const std::string&) { return true; };
    FakeLog log;
    const ConvertResult refused = ConvertCommand(file, options, log);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.failedName, path);
    EXPECT_EQ(refused.reason, "it is the scan data file being converted");
    EXPECT_EQ(ReadBytes(path), bytes);

    // Answered No, the output goes beside it under a numbered name.
    options.askOverwrite = [](const std::string&) { return false; };
    ASSERT_TRUE(ConvertCommand(file, options, log).ok);
    EXPECT_EQ(Count(ReadBytes(dir / "data(0).txt"), "Scan #"), 3u);
    EXPECT_EQ(ReadBytes(path), bytes);
}

}  // namespace
}  // namespace quillon
