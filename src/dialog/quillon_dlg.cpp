// SPDX-License-Identifier: MIT
// CQUILLONDlg: initialisation, data exchange and the handlers of the main dialog.
#include "dialog/quillon_dlg.h"

#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <string_view>
#include <system_error>

#include "convert/convert_command.h"
#include "convert/output_naming.h"
#include "export/export_run.h"
#include "export/save_watch.h"
#include "platform/failure.h"
#include "platform/file_error.h"
#include "platform/utf8_path.h"
#include "scanfile/loader.h"

namespace quillon {

std::string ScanCountLabel(std::int32_t scanCount) {
    return "Total number of scan data: " + std::to_string(scanCount);
}

std::string FolderOf(const std::string& path) {
    return Utf8FromPath(PathFromUtf8(path).parent_path());
}

std::string TitleOf(const std::string& path) {
    const std::string name = Utf8FromPath(PathFromUtf8(path).filename());
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// Marks the dialog busy for the life of a handler that loads, converts or runs a nested
// modal window.
class CQUILLONDlg::BusyScope {
  public:
    explicit BusyScope(CQUILLONDlg& dlg) : m_Dlg(dlg), m_bWasBusy(dlg.m_bBusy) {
        m_Dlg.m_bBusy = true;
    }
    ~BusyScope() { m_Dlg.m_bBusy = m_bWasBusy; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    CQUILLONDlg& m_Dlg;
    bool m_bWasBusy;
};

CQUILLONDlg::CQUILLONDlg(DialogView& view) : m_View(view) {}

CQUILLONDlg::~CQUILLONDlg() = default;

bool CQUILLONDlg::OnInitDialog() {
    // The controls first show the members as constructed.
    Show();

    m_View.AddAboutCommand(kAboutCommandCaption);

    // The open-file dialog starts in the folder the program was started from; when that folder
    // cannot be read (it was removed meanwhile), in the dialog's own default one, and the user
    // is told why.
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    std::string folderProblem;
    if (error) {
        m_strFolder.clear();
        folderProblem =
            "The folder QUILLON was started from cannot be read: " + ErrorCodeReason(error) +
            ". The open-file dialog starts in its own default folder.";
    } else {
        m_strFolder = Utf8FromPath(cwd);
    }

    m_strFilePath = kNoFileSelected;
    ResetLog(kNoDataToDisplay);

    m_bOneFile = 0;
    m_View.SetText(Control::OneFile, kMultipleFilesCaption);

    m_bWithWavelength = 0;
    m_bWithPixel = 0;
    m_bConvertAll = true;

    m_View.FileReleasing();
    m_ScanFile = ScanFile();
    m_bConvertEnabled = false;

    Show();

    m_View.Enable(Control::Convert, false);
    m_View.SetChecked(Control::ConvertAll, true);
    m_View.Enable(Control::Selection, false);

    Read();

    m_View.AcceptDroppedFiles();
    if (!folderProblem.empty()) {
        Message(folderProblem);
    }
    return true;
}

void CQUILLONDlg::Show() {
    m_View.SetText(Control::FilePath, m_strFilePath);
    ShowLog();
    m_View.SetChecked(Control::WithWavelength, m_bWithWavelength != 0);
    m_View.SetChecked(Control::WithPixel, m_bWithPixel != 0);
    m_View.SetChecked(Control::OneFile, m_bOneFile != 0);
    m_View.SetText(Control::Selection, m_strSelection);
    m_View.SetText(Control::ScanCount, m_strScanCountLabel);
    m_View.Enable(Control::Convert, m_bConvertEnabled);
    m_View.Enable(Control::FollowFolder, m_bConvertEnabled);
    m_View.SetChecked(Control::FollowFolder, m_pFollow != nullptr);
    m_View.Enable(Control::ConvertEachNew, m_pFollow != nullptr);
    m_View.SetChecked(Control::ConvertEachNew, m_bConvertEachNew);
}

void CQUILLONDlg::ShowLog() {
    const std::string& log = m_strLog;
    // The loader and the conversion only append to the log or start it afresh, so as long as
    // it has not been restarted the control needs only what was added since the last show.
    if (!m_bLogShown || m_nLogResets != m_nShownLogResets || log.size() < m_nShownLogLength) {
        m_View.SetText(Control::Log, log);
    } else if (log.size() > m_nShownLogLength) {
        m_View.AppendText(Control::Log, log.substr(m_nShownLogLength));
    }
    m_bLogShown = true;
    m_nShownLogResets = m_nLogResets;
    m_nShownLogLength = log.size();
}

void CQUILLONDlg::Read() {
    m_strFilePath = m_View.Text(Control::FilePath);
    // The log edit is editable; whatever the user typed there becomes the log.
    m_strLog = m_View.Text(Control::Log);
    m_bLogShown = true;
    m_nShownLogResets = m_nLogResets;
    m_nShownLogLength = m_strLog.size();
    m_bWithWavelength = m_View.IsChecked(Control::WithWavelength) ? 1 : 0;
    m_bWithPixel = m_View.IsChecked(Control::WithPixel) ? 1 : 0;
    m_bOneFile = m_View.IsChecked(Control::OneFile) ? 1 : 0;
    m_strSelection = m_View.Text(Control::Selection);
    m_strScanCountLabel = m_View.Text(Control::ScanCount);
}

std::string CQUILLONDlg::CurrentScanCountLabel() const {
    return m_strLoadedPath.empty()
               ? std::string(kScanCountUnknown)
               : ScanCountLabel(static_cast<std::int32_t>(m_ScanFile.ScanCount()));
}

void CQUILLONDlg::OnBrowse() {
    if (m_bBusy) {
        return;
    }
    BusyScope busy(*this);

    OpenFileRequest request;
    request.initialFolder = m_strFolder;
    request.defaultExtension = "sdf";
    request.filters = {{"Scan Data file(*.sdf)", "*.sdf"}, {"All files(*.*)", "*.*"}};
    const std::optional<std::string> chosen = m_View.ChooseFile(request);

    // Whatever was chosen, the label describes the file that is loaded until another one is.
    m_strScanCountLabel = CurrentScanCountLabel();
    Show();
    if (!chosen) {
        return;
    }

    m_strFolder = FolderOf(*chosen);
    // The file loaded is always the .sdf file of the chosen name, whatever its extension.
    const std::string candidate =
        Utf8FromPath(PathFromUtf8(m_strFolder) / PathFromUtf8(TitleOf(*chosen) + ".sdf"));
    if (candidate == m_strFilePath) {
        return;
    }
    m_strFilePath = candidate;
    LoadChosenFile();
}

void CQUILLONDlg::OnDropFiles(const std::vector<std::string>& paths) {
    if (m_bBusy || paths.empty()) {
        return;
    }
    BusyScope busy(*this);

    if (paths.size() > 1) {
        Message(kOnlyOneFileMessage);
        return;
    }
    // Any path with ".sdf" in it is offered to the loader, also a file inside a folder
    // named like one; the loader decides whether it can be read.
    const std::string& path = paths.front();
    if (path.find(".sdf") == std::string::npos) {
        Message(kNotSdfFileMessage);
        return;
    }
    m_strFilePath = path;
    LoadChosenFile();
}

void CQUILLONDlg::OnOpenFile(const std::string& path) {
    if (m_bBusy) {
        return;
    }
    BusyScope busy(*this);
    m_strScanCountLabel = CurrentScanCountLabel();
    Show();
    m_strFolder = FolderOf(path);
    m_strFilePath = path;
    LoadChosenFile();
}

bool CQUILLONDlg::LoadChosenFile(bool quiet) {
    const std::string path = m_strFilePath;
    BeginWaitCursor();
    try {
        m_bLogStartsAfresh = true;
        ScanFile loaded = LoadScanFile(path, *this);
        m_bLogStartsAfresh = false;
        m_View.FileReleasing();
        m_ScanFile = std::move(loaded);
    } catch (...) {
        m_bLogStartsAfresh = false;
        const Failure failure = DescribeFailure(std::current_exception(), path);
        // The loaded file's data stay whole when a load fails, so the path goes back to that
        // file: a later Convert must never name one file's data after another.
        m_strFilePath = m_strLoadedPath.empty() ? kNoFileSelected : m_strLoadedPath;
        m_strScanCountLabel = CurrentScanCountLabel();
        Show();
        const std::string text = "Could not load " + path + ": " + failure.reason;
        if (quiet) {
            EndWaitCursor();
            Append(text + "\r\n");
        } else {
            ReportFailure(text);
        }
        return false;
    }
    EndWaitCursor();

    m_strLoadedPath = path;
    m_strScanCountLabel = ScanCountLabel(static_cast<std::int32_t>(m_ScanFile.ScanCount()));
    m_bConvertEnabled = true;
    Show();
    m_View.FileLoaded();
    // A file loaded by hand from another folder moves the following there.
    if (m_pFollow && !quiet && FolderOf(path) != m_pFollow->Folder()) {
        StartFollowing(FolderOf(path));
    }
    return true;
}

void CQUILLONDlg::ReportFailure(const std::string& text) {
    while (m_nWaitDepth > 0) {
        EndWaitCursor();
    }
    Message(text);
}

void CQUILLONDlg::OnSaveOptionChanged() {
    if (m_bBusy) {
        return;
    }
    Read();
}

bool CQUILLONDlg::OnConvert() {
    if (m_bBusy || !m_bConvertEnabled) {
        return false;
    }
    BusyScope busy(*this);
    return ConvertLoaded(false);
}

bool CQUILLONDlg::ConvertLoaded(bool following) {
    BeginWaitCursor();
    // While following, the user may be away: failures go to the log, not to a message box.
    const auto report = [&](const std::string& text) {
        if (following) {
            EndWaitCursor();
            Append(text + "\r\n");
        } else {
            ReportFailure(text);
        }
    };
    try {
        // The options are read from the controls, the log starts empty and shows so for a
        // moment before the first converted block.
        Read();
        if (!following) {
            ResetLog("");
        }
        // Room for the log lines of the whole run at once: a long run's log is never copied to
        // grow it.
        m_strLog.reserve(m_strLog.size() + 1024 + m_ScanFile.ScanCount() * 48);
        Refresh();
        if (!following) {
            m_View.Pause(2000);
        }

        ConvertOptions options = CurrentConvertOptions(OutputBaseName(m_strFilePath));
        if (following) {
            options.askOverwrite = nullptr;
        }
        const ConvertResult result = ConvertCommand(m_ScanFile, options, *this);
        if (!result.ok) {
            report(result.Message());
            return false;
        }
        EndWaitCursor();
        return true;
    } catch (...) {
        const Failure failure = DescribeFailure(std::current_exception(), m_strFilePath);
        report("The conversion was stopped: " + failure.path + ": " + failure.reason);
    }
    Refresh();
    return false;
}

ConvertOptions CQUILLONDlg::CurrentConvertOptions(const std::string& base) {
    ConvertOptions options;
    options.oneFile = m_bOneFile != 0;
    options.withPixel = m_bWithPixel != 0;
    options.withWavelength = m_bWithWavelength != 0;
    options.convertAll = m_bConvertAll;
    options.selection = m_strSelection;
    options.outputBase = base;
    options.askOverwrite = [this](const std::string& question) {
        return m_View.AskYesNo(question);
    };
    return options;
}

std::string CQUILLONDlg::ExportScope() const {
    if (m_bConvertAll) {
        const std::size_t count = m_ScanFile.ScanCount();
        return count == 1 ? "the 1 scan" : "all " + std::to_string(count) + " scans";
    }
    return "scans " + m_View.Text(Control::Selection);
}

bool CQUILLONDlg::OnExport(const ExportChoice& choice) {
    if (m_bBusy || !m_bConvertEnabled) {
        return false;
    }
    BusyScope busy(*this);
    BeginWaitCursor();
    Read();
    ResetLog("");
    Refresh();
    ExportPlan plan;
    plan.formats = choice.formats;
    plan.text = CurrentConvertOptions("");
    plan.request = choice.request;
    plan.outputFolder = choice.outputFolder;
    const ExportOutcome outcome = RunExport(m_ScanFile, m_strFilePath, plan, *this);
    EndWaitCursor();
    for (const std::string& message : outcome.messages) {
        ReportFailure(message);
    }
    Refresh();
    return outcome.ok;
}

void CQUILLONDlg::OnOneFileClicked() {
    if (m_bBusy) {
        return;
    }
    Read();
    // One output file is offered only while all scans are converted.
    if (!m_bConvertAll) {
        m_bOneFile = 0;
    }
    m_View.SetText(Control::OneFile, m_bOneFile != 0 ? kOneFileCaption : kMultipleFilesCaption);
    Show();
}

void CQUILLONDlg::OnConvertAllClicked() {
    if (m_bBusy) {
        return;
    }
    // Keep what the user typed into the selection edit before the controls are shown.
    m_strSelection = m_View.Text(Control::Selection);
    m_bConvertAll = true;
    m_View.Enable(Control::Selection, false);
    Show();
}

void CQUILLONDlg::OnConvertSelectedClicked() {
    if (m_bBusy) {
        return;
    }
    m_strSelection = m_View.Text(Control::Selection);
    m_bConvertAll = false;
    m_View.Enable(Control::Selection, true);
    if (m_bOneFile != 0) {
        m_bOneFile = 0;
        m_View.SetText(Control::OneFile, kMultipleFilesCaption);
    }
    Show();
}

void CQUILLONDlg::OnCloseCommand() {
    if (m_bBusy) {
        return;
    }
    Read();
    m_View.EndDialog(kIdOk);
    m_View.FileReleasing();
    m_ScanFile = ScanFile();
}

bool CQUILLONDlg::OnSysCommand(unsigned commandId) {
    if ((commandId & 0xFFF0u) != kIdmAboutBox) {
        return false;
    }
    OnAboutCommand();
    return true;
}

void CQUILLONDlg::OnAboutCommand() {
    if (m_bBusy) {
        return;
    }
    BusyScope busy(*this);
    m_View.ShowAboutBox();
}

std::string CQUILLONDlg::FollowedFolder() const {
    return m_pFollow ? m_pFollow->Folder() : std::string();
}

void CQUILLONDlg::OnFollowClicked() {
    if (m_bBusy) {
        return;
    }
    const bool wanted = m_View.IsChecked(Control::FollowFolder);
    if (wanted && !m_pFollow && !m_strLoadedPath.empty()) {
        StartFollowing(FolderOf(m_strLoadedPath));
    } else if (!wanted && m_pFollow) {
        StopFollowing("Stopped following " + m_pFollow->Folder() + ".\r\n");
    }
    Show();
}

void CQUILLONDlg::OnConvertEachNewClicked() {
    if (m_bBusy) {
        return;
    }
    m_bConvertEachNew = m_View.IsChecked(Control::ConvertEachNew);
}

void CQUILLONDlg::StartFollowing(const std::string& folder) {
    m_pFollow.reset();
    SaveWatchOptions options;
    options.folder = folder;
    options.settle = m_FollowSettle;
    // The files there now, as they are now, are the ones the user has already seen or left:
    // they are taken only once they are written again. The times are compared with each other,
    // never with a clock, so a file system's coarse or shifted times cannot hide a new file.
    auto before = std::make_shared<
        std::map<std::filesystem::path::string_type, std::filesystem::file_time_type>>();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(folder), error)) {
        std::error_code timeError;
        const auto time = entry.last_write_time(timeError);
        if (!timeError) {
            (*before)[entry.path().filename().native()] = time;
        }
    }
    try {
        m_pFollow = std::make_unique<SaveWatch>(options, [before](const std::string& path) {
            const std::filesystem::path file = PathFromUtf8(path);
            const auto found = before->find(file.filename().native());
            std::error_code timeError;
            return found != before->end() &&
                   std::filesystem::last_write_time(file, timeError) == found->second && !timeError;
        });
    } catch (...) {
        const Failure failure = DescribeFailure(std::current_exception(), folder);
        Append("Cannot follow " + failure.path + ": " + failure.reason + "\r\n");
        m_View.SetTicking(false);
        Show();
        return;
    }
    Append("Following " + folder + ": each scan data file saved there is loaded" +
           (m_bConvertEachNew ? " and converted" : "") + ".\r\n");
    m_View.SetTicking(true);
    Show();
}

void CQUILLONDlg::StopFollowing(const std::string& why) {
    m_pFollow.reset();
    m_View.SetTicking(false);
    Append(why);
    Show();
}

void CQUILLONDlg::OnFollowTick() {
    if (m_bBusy || !m_pFollow) {
        return;
    }
    BusyScope busy(*this);
    const std::vector<std::string> ready = m_pFollow->Ready(std::chrono::milliseconds{0});
    for (const std::string& notice : m_pFollow->TakeNotices()) {
        Append(notice + "\r\n");
    }
    const std::string folder = m_pFollow->Folder();
    for (const std::string& path : ready) {
        m_strFilePath = path;
        if (LoadChosenFile(true)) {
            m_View.ShowNewestScan();
            if (m_bConvertEachNew) {
                ConvertLoaded(true);
            }
        }
        m_pFollow->Finished(path);
    }
    if (m_pFollow && m_pFollow->FolderGone()) {
        StopFollowing("Stopped following " + folder + ": the folder was removed or renamed.\r\n");
    }
}

void CQUILLONDlg::Append(std::string_view text) {
    if (m_bLogStartsAfresh) {
        m_bLogStartsAfresh = false;
        ResetLog(text);
    } else {
        m_strLog.append(text);
    }
    Refresh();
}

void CQUILLONDlg::ResetLog(std::string_view text) {
    m_strLog.assign(text);
    ++m_nLogResets;
}

void CQUILLONDlg::Refresh() {
    Show();
    m_View.PaintNow();
}

void CQUILLONDlg::Message(const std::string& text) {
    m_View.ShowMessage(text);
}

void CQUILLONDlg::BeginWaitCursor() {
    ++m_nWaitDepth;
    m_View.BeginWaitCursor();
}

void CQUILLONDlg::EndWaitCursor() {
    if (m_nWaitDepth == 0) {
        return;
    }
    --m_nWaitDepth;
    m_View.EndWaitCursor();
}

}  // namespace quillon
