// SPDX-License-Identifier: MIT
// ConvertCommand: the parameter report, the dark and reference tables and the scans of the
// loaded file, written as CR LF text files beside it, in one file or one file per block.
#include "convert/convert_command.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "convert/output_naming.h"
#include "convert/selection.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/output_files.h"
#include "platform/utf8_path.h"
#include "render/number_format.h"
#include "render/parameter_report.h"
#include "render/spectrum_tables.h"
#include "scanfile/scan_reader.h"

namespace quillon {

namespace {

// In one file, scan blocks are gathered up to about this many bytes and written together:
// writing a long run in a few large pieces costs the system far less than one call per scan.
constexpr std::size_t kOneFileBatch = 1u << 20;

// A failure to read the scan data file itself, told apart from the failures of the outputs.
struct InputFailure {
    FileError error;
};

// True when both paths name one existing file, through whatever links.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return std::filesystem::equivalent(PathFromUtf8(a), PathFromUtf8(b), ignored);
}

// "[<scan>] of [<count>] Scan Data were converted.\r\n". Built by appending, which also
// keeps g++ 12's -Wrestrict false alarm on chains of string + away from Release builds.
std::string ProgressLine(std::int32_t scan, std::int32_t scanCount) {
    std::string line;
    line.reserve(64);
    line.push_back('[');
    AppendInt(line, scan);
    line.append("] of [");
    AppendInt(line, scanCount);
    line.append("] Scan Data were converted.\r\n");
    return line;
}

// One conversion: the file, the options, the log, the table formatter and the output file.
// `m_strName` is the output being written, so that a failure can name it.
class Conversion {
  public:
    Conversion(const ScanFile& file, const ConvertOptions& options, LogSink& log,
               const SpectrumTableFormatter& formatter, OutputFiles& files)
        : m_Scans(file),
          m_Reader(file),
          m_Options(options),
          m_Log(log),
          m_File(files),
          m_Formatter(formatter),
          m_nScanCount(static_cast<std::int32_t>(file.ScanCount())) {}

    const std::string& CurrentName() const { return m_strName; }

    // Everything in one file, in the order report, dark, reference, scans. Every scan is
    // written; the selection plays no part here.
    void OneFile() {
        m_strName = ChooseOneFileName(m_Options.outputBase, m_Options.askOverwrite, m_File);
        // The scans are read from the file as they are written: replacing the file being
        // converted (an input named like "run.txt") would destroy them on the way.
        if (SameFile(m_strName, m_Scans.m_strPath)) {
            throw FileError(m_strName, "it is the scan data file being converted");
        }
        m_File.Open(m_strName, TextFileWriter::OpenMode::kTruncate);
        m_File.WriteString(FormatParameters(m_Scans, m_Log));
        m_File.WriteString(FormatDarkTable(m_Scans, m_Log, m_Formatter));
        m_File.WriteString(FormatRefTable(m_Scans, m_Log, m_Formatter));
        // Each scan's progress line follows once its block has been written, so that the log
        // never reports a scan that a failed write lost.
        const std::size_t scanCount = m_Scans.ScanCount();
        std::size_t written = 0;
        m_strBlock.clear();
        for (std::size_t i = 0; i < scanCount; ++i) {
            m_Formatter.AppendStoredScanBlock(m_strBlock, static_cast<std::int32_t>(i),
                                              ReadScan(i));
            if (m_strBlock.size() >= kOneFileBatch || i + 1 == scanCount) {
                m_File.WriteBytes(m_strBlock);
                m_strBlock.clear();
                std::string lines;
                for (; written <= i; ++written) {
                    lines += ProgressLine(static_cast<std::int32_t>(written) + 1, m_nScanCount);
                }
                m_Log.Append(lines);
            }
        }
        m_File.Close();
    }

    // One file per block: the three section files, then every scan or the selected ones.
    void MultipleFiles() {
        // Each block is rendered only once its file is open, so that the renderer's log line
        // appears only for a file that will be written.
        OpenFresh(ParametersFileName(m_Options.outputBase));
        m_File.WriteString(FormatParameters(m_Scans, m_Log));
        m_File.Close();
        OpenFresh(DarkFileName(m_Options.outputBase));
        m_File.WriteString(FormatDarkTable(m_Scans, m_Log, m_Formatter));
        m_File.Close();
        OpenFresh(RefFileName(m_Options.outputBase));
        m_File.WriteString(FormatRefTable(m_Scans, m_Log, m_Formatter));
        m_File.Close();

        if (m_Options.convertAll) {
            for (std::int32_t scan = 1; scan <= m_nScanCount; ++scan) {
                WriteScanFile(scan);
            }
        } else {
            const std::vector<std::int32_t> table =
                ParseSelection(m_Options.selection, m_nScanCount);
            MatchSelection(table, m_nScanCount, [this](std::int32_t scan) {
                WriteScanFile(scan);
                return true;
            });
        }
    }

  private:
    // The scan at 0-based index, read through the file with bounded memory.
    ScanView ReadScan(std::size_t index) {
        try {
            return m_Reader.Scan(index);
        } catch (const FileError& error) {
            throw InputFailure{error};
        }
    }

    // A scan's file carries its own number and the file's scan count, whether all scans or a
    // selection are converted. It is built in its stored form in a buffer that every scan
    // reuses and written in one piece; the scan is read before its file is opened, so that a
    // scan that cannot be read leaves no empty file behind.
    void WriteScanFile(std::int32_t scan) {
        m_strBlock.clear();
        m_Formatter.AppendStoredScanBlock(m_strBlock, scan - 1,
                                          ReadScan(static_cast<std::size_t>(scan - 1)));
        OpenFresh(ScanFileName(m_Options.outputBase, scan, m_nScanCount));
        m_File.WriteBytes(m_strBlock);
        m_File.Close();
        m_Log.Append(ProgressLine(scan, m_nScanCount));
    }

    // Gives the name a new file for the block: an old file of that name is emptied in place,
    // or deleted first where emptying it would change anything else (a link, a file with other
    // names); nothing of the old content survives behind the new block.
    void OpenFresh(std::string name) {
        m_strName = std::move(name);
        m_File.Open(m_strName, TextFileWriter::OpenMode::kReplace);
    }

    const ScanFile& m_Scans;
    ScanReader m_Reader;
    const ConvertOptions& m_Options;
    LogSink& m_Log;
    OutputFiles& m_File;
    const SpectrumTableFormatter& m_Formatter;
    std::int32_t m_nScanCount;
    std::string m_strName;
    std::string m_strBlock;  // scan blocks in their stored form, CR LF line ends
};

}  // namespace

std::string ConvertResult::Message() const {
    return "Could not write " + failedName + ": " + reason + ". The conversion was stopped.";
}

ConvertResult ConvertCommand(const ScanFile& file, const ConvertOptions& options, LogSink& log) {
    // Each output is written under a temporary name and renamed into place once complete, so
    // that a failure or a killed process never leaves a half-written file under its name.
    AtomicDiskOutputFiles disk;
    return ConvertCommand(file, options, log, disk);
}

ConvertResult ConvertCommand(const ScanFile& file, const ConvertOptions& options, LogSink& log,
                             OutputFiles& files) {
    const std::vector<float> axis =
        options.withWavelength ? WavelengthAxis(file) : std::vector<float>();
    // Made after the axis, so that the pixel and wavelength columns are formatted once for
    // every table of this conversion.
    const SpectrumTableFormatter formatter(file, {options.withPixel, options.withWavelength}, axis);

    ConvertResult result;
    {
        Conversion conversion(file, options, log, formatter, files);
        try {
            if (options.oneFile) {
                conversion.OneFile();
            } else {
                conversion.MultipleFiles();
            }
            return result;
        } catch (const FileError& error) {
            result.ok = false;
            result.failedName = conversion.CurrentName();
            result.reason = error.Reason();
        } catch (const InputFailure& failure) {
            // The scan data file could not be read on (it was cut shorter, say): the outputs
            // written so far stay, and the caller learns why through the file's own error.
            // The output being written is incomplete: it must not appear.
            files.Discard();
            log.Append("Could not read " + failure.error.Path() +
                       "; the conversion was stopped.\r\n");
            throw failure.error;
        }
    }
    // Let go of the output that failed: written in place it keeps what reached it, written
    // under a temporary name it never appears.
    files.Discard();
    // Report where the conversion stopped.
    log.Append("Could not write " + result.failedName + "; the conversion was stopped.\r\n");
    return result;
}

}  // namespace quillon
