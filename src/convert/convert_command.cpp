// ConvertCommand: the parameter report, the dark and reference tables and the scans of the
// loaded file, written as CR LF text files beside it, in one file or one file per block.
#include "convert/convert_command.h"

#include <string>

#include "convert/output_naming.h"
#include "convert/selection.h"
#include "platform/dialog_services.h"
#include "platform/file_error.h"
#include "platform/output_files.h"
#include "render/number_format.h"
#include "render/parameter_report.h"
#include "render/spectrum_tables.h"

namespace quillon {

namespace {

// In one file, scan blocks are gathered up to about this many bytes and written together:
// writing a long run in a few large pieces costs the system far less than one call per scan.
constexpr std::size_t kOneFileBatch = 1u << 20;

// Keeps the wait cursor on for one conversion and ends it on every way out, exceptions
// included. End() may be called early, before a message is shown.
class WaitCursor {
  public:
    explicit WaitCursor(DialogServices& services) : m_Services(services) {
        m_Services.BeginWaitCursor();
    }
    ~WaitCursor() { End(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void End() {
        if (m_bOn) {
            m_bOn = false;
            m_Services.EndWaitCursor();
        }
    }

  private:
    DialogServices& m_Services;
    bool m_bOn = true;
};

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

// One conversion: the state, the services, the table formatter and the output file. `m_strName`
// is the output being written, so that a failure can name it.
class Conversion {
  public:
    Conversion(ConverterState& state, DialogServices& services,
               const SpectrumTableFormatter& formatter, OutputFiles& files, std::string base)
        : m_State(state),
          m_Services(services),
          m_File(files),
          m_Formatter(formatter),
          m_strBase(std::move(base)) {}

    const std::string& CurrentName() const { return m_strName; }

    // Everything in one file, in the order report, dark, reference, scans. Every scan is
    // written; the selection plays no part here.
    void OneFile() {
        m_strName = ChooseOneFileName(m_strBase, m_Services, m_File);
        m_File.Open(m_strName, TextFileWriter::OpenMode::kTruncate);
        m_File.WriteString(FormatParameters(m_State, m_Services));
        m_File.WriteString(FormatDarkTable(m_State, m_Services, m_Formatter));
        m_File.WriteString(FormatRefTable(m_State, m_Services, m_Formatter));
        // Each scan's progress line follows once its block has been written, so that the log
        // never reports a scan that a failed write lost.
        const std::size_t scanCount = m_State.m_ScanList.size();
        std::size_t written = 0;
        m_strBlock.clear();
        for (std::size_t i = 0; i < scanCount; ++i) {
            m_Formatter.AppendStoredScanBlock(m_strBlock, static_cast<std::int32_t>(i),
                                              *m_State.m_ScanList[i]);
            if (m_strBlock.size() >= kOneFileBatch || i + 1 == scanCount) {
                m_File.WriteBytes(m_strBlock);
                m_strBlock.clear();
                for (; written <= i; ++written) {
                    AppendLog(
                        m_State, m_Services,
                        ProgressLine(static_cast<std::int32_t>(written) + 1, m_State.m_nScanCount));
                }
            }
        }
        m_File.Close();
    }

    // One file per block: the three section files, then every scan or the selected ones.
    void MultipleFiles() {
        // Each block is rendered only once its file is open, so that the renderer's log line
        // appears only for a file that will be written.
        OpenFresh(ParametersFileName(m_strBase));
        m_File.WriteString(FormatParameters(m_State, m_Services));
        m_File.Close();
        OpenFresh(DarkFileName(m_strBase));
        m_File.WriteString(FormatDarkTable(m_State, m_Services, m_Formatter));
        m_File.Close();
        OpenFresh(RefFileName(m_strBase));
        m_File.WriteString(FormatRefTable(m_State, m_Services, m_Formatter));
        m_File.Close();

        if (m_State.m_bConvertAll) {
            for (std::size_t i = 0; i < m_State.m_ScanList.size(); ++i) {
                ScanFile(static_cast<std::int32_t>(i) + 1, *m_State.m_ScanList[i]);
            }
        } else {
            const std::vector<std::int32_t> table = ParseSelection(m_State);
            MatchSelection(m_State, table, [this](std::int32_t scan, const CSaveData& record) {
                ScanFile(scan, record);
                return true;
            });
        }
    }

  private:
    // A scan's file carries its own number and the file's scan count, whether all scans or a
    // selection are converted.
    void ScanFile(std::int32_t scan, const CSaveData& record) {
        OpenFresh(ScanFileName(m_strBase, scan, m_State.m_nScanCount));
        WriteScanBlock(scan - 1, record);
        m_File.Close();
        AppendLog(m_State, m_Services, ProgressLine(scan, m_State.m_nScanCount));
    }

    // Deletes the old file of that name (a failure, such as a missing file, is ignored) and
    // opens it empty: should the delete have failed, nothing of the old content survives
    // behind the new block.
    void OpenFresh(std::string name) {
        m_strName = std::move(name);
        try {
            m_File.Remove(m_strName);
        } catch (const FileError&) {
        }
        m_File.Open(m_strName, TextFileWriter::OpenMode::kTruncate);
    }

    // One scan's block, built in its stored form in a buffer that every scan reuses and
    // written in one piece.
    void WriteScanBlock(std::int32_t index, const CSaveData& record) {
        m_strBlock.clear();
        m_Formatter.AppendStoredScanBlock(m_strBlock, index, record);
        m_File.WriteBytes(m_strBlock);
    }

    ConverterState& m_State;
    DialogServices& m_Services;
    OutputFiles& m_File;
    const SpectrumTableFormatter& m_Formatter;
    std::string m_strBase;
    std::string m_strName;
    std::string m_strBlock;  // scan blocks in their stored form, CR LF line ends
};

}  // namespace

bool ConvertCommand(ConverterState& state, DialogServices& services) {
    DiskOutputFiles disk;
    return ConvertCommand(state, services, disk);
}

bool ConvertCommand(ConverterState& state, DialogServices& services, OutputFiles& files) {
    WaitCursor waitCursor(services);
    services.ReadControls();
    state.ResetLog("");
    // Room for the log lines of the whole run at once: a long run's log is never copied to
    // grow it.
    const auto progressLine = ProgressLine(state.m_nScanCount, state.m_nScanCount).size();
    state.m_strLog.reserve(1024 + static_cast<std::size_t>(state.m_ScanList.size()) * progressLine);
    services.Refresh();
    services.Pause(2000);

    if (state.m_bWithWavelength != 0) {
        BuildWavelengthAxis(state);
    }
    // Made after the axis, so that the pixel and wavelength columns are formatted once for
    // every table of this conversion.
    const SpectrumTableFormatter formatter(state);

    std::string failedName;
    std::string reason;
    {
        Conversion conversion(state, services, formatter, files,
                              OutputBaseName(state.m_strFilePath));
        try {
            if (state.m_bOneFile != 0) {
                conversion.OneFile();
            } else {
                conversion.MultipleFiles();
            }
            return true;
        } catch (const FileError& error) {
            failedName = conversion.CurrentName();
            reason = error.Reason();
        }
    }
    // Let go of the output that failed; a second failure while closing it adds nothing.
    try {
        files.Close();
    } catch (const FileError&) {
    }
    // Report where and why the conversion stopped.
    AppendLog(state, services,
              "Could not write " + failedName + "; the conversion was stopped.\r\n");
    waitCursor.End();
    services.Message("Could not write " + failedName + ": " + reason +
                     ". The conversion was stopped.");
    return false;
}

}  // namespace quillon
