// SPDX-License-Identifier: MIT
// Fuzzes loading and converting: any bytes must load as a scan data file and convert in every
// column layout and both output modes, with the scan count, the block endings and the table
// row counts as the file's shape says; and export into CSV (both layouts, counts and a computed
// quantity, with and without a wavelength grid), JSON and HDF5, all in memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "convert/convert_command.h"
#include "export/csv_export.h"
#include "export/grid.h"
#include "export/hdf5_export.h"
#include "export/json_export.h"
#include "export/trace_table.h"
#include "memory_outputs.h"
#include "platform/log_sink.h"
#include "render/spectrum_tables.h"
#include "scanfile/loader.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The log of an unattended run, kept for the checks.
class KeptLog : public quillon::LogSink {
  public:
    void Append(std::string_view text) override { log.append(text); }
    std::string log;
};

// A 64-byte text field of a scan record, up to its first zero byte.
std::string Text(const char* field) {
    const void* end = std::memchr(field, 0, quillon::kScanTextSize);
    return std::string(
        field, end == nullptr ? quillon::kScanTextSize
                              : static_cast<std::size_t>(static_cast<const char*>(end) - field));
}

const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/quillon-fuzz-XXXXXX";
        Check(::mkdtemp(pattern.data()) != nullptr);
        return std::filesystem::path(pattern);
    }();
    return dir;
}

// The bytes of an output. The checks below work on stored bytes with library calls (memchr,
// string comparison), which the fuzzer does not instrument, so that checking stays cheap.
const std::string& Bytes(const quillon::testing::MemoryOutputFiles& outputs,
                         const std::string& name) {
    const auto found = outputs.files.find(name);
    Check(found != outputs.files.end());
    return found->second;
}

std::string CrLf(const std::string& text) {
    std::string bytes;
    quillon::AppendCrLf(bytes, text);
    return bytes;
}

bool EndsWithTwoEmptyLines(const std::string& bytes) {
    return bytes.size() >= 4 && bytes.compare(bytes.size() - 4, 4, "\r\n\r\n") == 0;
}

// Line feeds in bytes from position `from` on.
std::int64_t Lines(const std::string& bytes, std::size_t from = 0) {
    std::int64_t count = 0;
    const char* p = bytes.data() + from;
    const char* const end = bytes.data() + bytes.size();
    while (p < end && (p = static_cast<const char*>(
                           std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
        ++count;
        ++p;
    }
    return count;
}

// Pixel count and number of scan records of a file, worked out from its length alone.
void ExpectedShape(const std::uint8_t* data, std::size_t size, std::int64_t& n, std::int64_t& k) {
    n = (size > 86 ? data[86] : 0) | (size > 87 ? data[87] << 8 : 0);
    const std::int64_t fixed = 268 + 8 * n;
    const std::int64_t record = 196 + 4 * n;
    const auto length = static_cast<std::int64_t>(size);
    k = length <= fixed ? 0 : (length - fixed + record - 1) / record;
}

// Cells of a CSV line: its delimiters and one.
std::int64_t Cells(const std::string& line) {
    std::int64_t count = 1;
    for (const char c : line) {
        count += c == ',' ? 1 : 0;
    }
    return count;
}

// The CSV table in one layout: its lines and the cells of each, as the file's shape says.
void CheckCsv(const quillon::ScanFile& file, const quillon::ExportRequest& request,
              std::int64_t rows, std::int64_t k) {
    quillon::testing::MemoryOutputFiles outputs;
    quillon::WriteCsv(file, request, "out.csv", outputs);
    const std::string& csv = Bytes(outputs, "out.csv");
    const std::int64_t leading = request.grid ? 3 : 4;  // the pixel column goes with a grid
    const bool columns = request.csv.layout == quillon::CsvLayout::kColumns;
    Check(Lines(csv) == (columns ? 1 + rows : leading + k));
    std::size_t at = 0;
    while (at < csv.size()) {
        const std::size_t end = csv.find("\r\n", at);
        Check(end != std::string::npos);
        Check(Cells(csv.substr(at, end - at)) == (columns ? leading + k : 1 + rows));
        at = end + 2;
    }
}

void CheckExports(const quillon::ScanFile& file, std::int64_t n, std::int64_t k) {
    quillon::ExportRequest request;
    request.scanNumbers = quillon::AllScanNumbers(file.ScanCount());
    for (const auto quantity : {quillon::Quantity::kCounts, quillon::Quantity::kAbsorbance}) {
        request.quantity = quantity;
        for (const auto layout : {quillon::CsvLayout::kColumns, quillon::CsvLayout::kRows}) {
            request.csv.layout = layout;
            CheckCsv(file, request, n, k);
        }
    }
    // A grid over the whole axis, where the calibration rises; refused where it does not.
    const std::vector<float> axis = quillon::WavelengthAxis(file);
    request.grid = quillon::GridSpec{200.0, 25.0, 1100.0};
    bool rising = true;
    try {
        quillon::CheckRisingCalibration(axis);
    } catch (const quillon::CalibrationError&) {
        rising = false;
    }
    try {
        CheckCsv(file, request, 37, k);
        Check(rising);
    } catch (const quillon::CalibrationError&) {
        Check(!rising);
    }
    request.grid.reset();

    // A trace at two wavelengths of the calibration's middle, every two scans averaged (the
    // scans' date-time texts read as times): a row per group, or refused with a TraceError
    // where the calibration gives no such wavelength.
    request.average = 2;
    for (const double band : {0.0, 5.0}) {
        const double middle = axis.empty() ? 500.0 : (double{axis.front()} + axis.back()) / 2;
        request.trace = quillon::TraceSpec{{middle, 650.0}, band, request.quantity};
        try {
            const quillon::TraceTable table = quillon::BuildTraceTable(file, request);
            Check(static_cast<std::int64_t>(table.Rows()) == (k + 1) / 2);
            quillon::testing::MemoryOutputFiles traced;
            quillon::WriteTraceCsv(file, table, request.csv, "trace.csv", traced);
            // A date-time text may hold line ends of its own, inside its quoted cell.
            Check(Lines(Bytes(traced, "trace.csv")) >= 1 + (k + 1) / 2);
        } catch (const quillon::TraceError&) {
        }
    }
    request.trace.reset();
    request.average = 1;

    quillon::testing::MemoryOutputFiles outputs;
    quillon::WriteJson(file, request, "out.json", outputs);
    const nlohmann::json doc = nlohmann::json::parse(Bytes(outputs, "out.json"));
    Check(doc["pixel_count"] == n);
    Check(static_cast<std::int64_t>(doc["scans"].size()) == k);
    Check(doc["records"].size() == 6);

    if (quillon::Hdf5Available()) {
        request.quantity = quillon::Quantity::kTransmittance;
        const std::string path = (ScratchDir() / "out.h5").string();
        quillon::WriteHdf5(file, request, path);
        std::ifstream written(path, std::ios::binary);
        std::string signature(8, '\0');
        written.read(signature.data(), 8);
        Check(signature == "\x89HDF\r\n\x1a\n");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& dir = ScratchDir();
    const std::string input = (dir / "in.sdf").string();
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    KeptLog loadLog;
    const quillon::ScanFile state = quillon::LoadScanFile(input, loadLog);

    std::int64_t n = 0;
    std::int64_t k = 0;
    ExpectedShape(data, size, n, k);
    Check(state.m_nPixelCount == n);
    Check(static_cast<std::int64_t>(state.ScanCount()) == k);
    Check(static_cast<std::int64_t>(state.m_pDarkData.size()) == n);
    const bool cut = static_cast<std::int64_t>(size) != 268 + 8 * n + k * (196 + 4 * n);
    Check((loadLog.log.find("Warning: the file ends ") != std::string::npos) == cut);

    // Converting a file of many pixels renders megabytes per run; the table code paths are the
    // same for any N, so wide files stop at loading to keep the fuzzer fast.
    if (n > 32) {
        return 0;
    }
    CheckExports(state, n, k);
    for (int layout = 0; layout < 4; ++layout) {
        for (int oneFile = 0; oneFile < 2; ++oneFile) {
            quillon::ConvertOptions options;
            options.withPixel = (layout & 1) != 0;
            options.withWavelength = (layout >> 1) != 0;
            options.oneFile = oneFile != 0;
            options.outputBase = (dir / "in").string();
            options.askOverwrite = [](const std::string&) { return true; };
            quillon::testing::MemoryOutputFiles outputs;
            KeptLog log;
            Check(quillon::ConvertCommand(state, options, log, outputs).ok);
            // The report, the dark and reference tables and every scan: one file or one each.
            Check(static_cast<std::int64_t>(outputs.files.size()) == (oneFile ? 1 : 3 + k));
            const std::string base = (dir / "in").string();

            const std::vector<float> axis = quillon::WavelengthAxis(state);
            const quillon::SpectrumTableFormatter tables(
                state, {options.withPixel, options.withWavelength}, axis);
            if (oneFile) {
                const std::string& text = Bytes(outputs, base + ".txt");
                Check(EndsWithTwoEmptyLines(text));
                std::string expectedTail;
                for (std::size_t i = 0; i < state.ScanCount(); ++i) {
                    tables.AppendStoredScanBlock(expectedTail, static_cast<std::int32_t>(i),
                                                 state.Scan(i));
                }
                Check(text.size() >= expectedTail.size() &&
                      text.compare(text.size() - expectedTail.size(), expectedTail.size(),
                                   expectedTail) == 0);
                continue;
            }
            for (const char* section : {"_Var.txt", "_Dark.txt", "_Ref.txt"}) {
                Check(EndsWithTwoEmptyLines(Bytes(outputs, base + section)));
            }
            // Title line, header line, N rows, optical blank line and two empty lines.
            Check(Lines(Bytes(outputs, base + "_Dark.txt")) == n + 5);
            Check(Lines(Bytes(outputs, base + "_Ref.txt")) == n + 5);
            for (std::int64_t i = 0; i < k; ++i) {
                const std::string name =
                    base + "_" + std::to_string(i + 1) + "of" + std::to_string(k) + ".txt";
                const std::string& text = Bytes(outputs, name);
                const quillon::ScanView record = state.Scan(static_cast<std::size_t>(i));
                std::string block;
                tables.AppendStoredScanBlock(block, static_cast<std::int32_t>(i), record);
                Check(text == block);
                // The heading and the three texts, then the table title, header, N rows,
                // optical blank line and two empty lines.
                const std::string heading = CrLf(
                    "Scan #" + std::to_string(i + 1) + ":\nProject Title: " + Text(record.title) +
                    "\nSubtitle: " + Text(record.subtitle) +
                    "\nDate and Time: " + Text(record.dateTime) + "\n");
                Check(text.compare(0, heading.size(), heading) == 0);
                Check(Lines(text, heading.size()) == n + 5);
                Check(EndsWithTwoEmptyLines(text));
            }
        }
    }
    return 0;
}
