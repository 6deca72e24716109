// CQUILLONDlg: initialisation, data exchange and the handlers of the main dialog.
#include "dialog/quillon_dlg.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>

#include "convert/convert_command.h"
#include "platform/file_error.h"
#include "scanfile/loader.h"

namespace quillon {

namespace {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    if (folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

}  // namespace

std::string ScanCountLabel(std::int32_t scanCount) {
    return "Total number of scan data: " + std::to_string(scanCount);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string TitleOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
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

bool CQUILLONDlg::OnInitDialog() {
    // The controls first show the members as constructed.
    Show();

    m_View.AddAboutCommand(kAboutCommandCaption);

    // The open-file dialog starts in the folder the program was started from.
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    if (error) {
        std::fprintf(stderr, "_getcwd error: %s\n", error.message().c_str());
        m_strFolder.clear();
    } else {
        m_strFolder = cwd.string();
    }

    m_State.m_strFilePath = kNoFileSelected;
    m_State.ResetLog(kNoDataToDisplay);

    m_State.m_bOneFile = 0;
    m_View.SetText(Control::OneFile, kMultipleFilesCaption);

    m_State.m_bWithWavelength = 0;
    m_State.m_bWithPixel = 0;
    m_State.m_bConvertAll = true;

    m_State.m_nPixelCount = 256;
    m_State.m_pDarkData.clear();
    m_State.m_pRefData.clear();
    m_State.m_pWavelength.clear();
    m_State.m_bConvertEnabled = false;

    Show();

    m_View.Enable(Control::Convert, false);
    m_View.SetChecked(Control::ConvertAll, true);
    m_View.Enable(Control::Selection, false);

    Read();

    m_View.AcceptDroppedFiles();
    return true;
}

void CQUILLONDlg::UpdateData(bool read) {
    if (read) {
        Read();
    } else {
        Show();
    }
}

void CQUILLONDlg::Show() {
    m_View.SetText(Control::FilePath, m_State.m_strFilePath);
    ShowLog();
    m_View.SetChecked(Control::WithWavelength, m_State.m_bWithWavelength != 0);
    m_View.SetChecked(Control::WithPixel, m_State.m_bWithPixel != 0);
    m_View.SetChecked(Control::OneFile, m_State.m_bOneFile != 0);
    m_View.SetText(Control::Selection, m_State.m_strSelection);
    m_View.SetText(Control::ScanCount, m_strScanCountLabel);
    m_View.Enable(Control::Convert, m_State.m_bConvertEnabled);
}

void CQUILLONDlg::ShowLog() {
    const std::string& log = m_State.m_strLog;
    // The loader and the conversion only append to the log or start it afresh, so as long as
    // it has not been restarted the control needs only what was added since the last show.
    if (!m_bLogShown || m_State.m_nLogResets != m_nShownLogResets ||
        log.size() < m_nShownLogLength) {
        m_View.SetText(Control::Log, log);
    } else if (log.size() > m_nShownLogLength) {
        m_View.AppendText(Control::Log, log.substr(m_nShownLogLength));
    }
    m_bLogShown = true;
    m_nShownLogResets = m_State.m_nLogResets;
    m_nShownLogLength = log.size();
}

void CQUILLONDlg::Read() {
    m_State.m_strFilePath = m_View.Text(Control::FilePath);
    // The log edit is editable; whatever the user typed there becomes the log.
    m_State.m_strLog = m_View.Text(Control::Log);
    m_bLogShown = true;
    m_nShownLogResets = m_State.m_nLogResets;
    m_nShownLogLength = m_State.m_strLog.size();
    m_State.m_bWithWavelength = m_View.IsChecked(Control::WithWavelength) ? 1 : 0;
    m_State.m_bWithPixel = m_View.IsChecked(Control::WithPixel) ? 1 : 0;
    m_State.m_bOneFile = m_View.IsChecked(Control::OneFile) ? 1 : 0;
    m_State.m_strSelection = m_View.Text(Control::Selection);
    m_strScanCountLabel = m_View.Text(Control::ScanCount);
}

std::string CQUILLONDlg::CurrentScanCountLabel() const {
    return m_strLoadedPath.empty() ? std::string(kScanCountUnknown)
                                   : ScanCountLabel(m_State.m_nScanCount);
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
    const std::string candidate = JoinPath(m_strFolder, TitleOf(*chosen) + ".sdf");
    if (candidate == m_State.m_strFilePath) {
        return;
    }
    m_State.m_strFilePath = candidate;
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
    m_State.m_strFilePath = path;
    LoadChosenFile();
}

void CQUILLONDlg::LoadChosenFile() {
    const std::string path = m_State.m_strFilePath;
    std::string failure;
    BeginWaitCursor();
    try {
        LoadScanFile(m_State, *this, path);
    } catch (const FileError& error) {
        failure = "Could not load " + path + ": " + error.Reason();
    } catch (const std::bad_alloc&) {
        failure = "Could not load " + path + ": there is not enough memory.";
    } catch (const std::exception& error) {
        failure = "Could not load " + path + ": " + error.what();
    }

    if (!failure.empty()) {
        // The loader keeps the loaded file's data whole when it fails, so the path goes back
        // to that file: a later Convert must never name one file's data after another.
        m_State.m_strFilePath = m_strLoadedPath.empty() ? kNoFileSelected : m_strLoadedPath;
        m_strScanCountLabel = CurrentScanCountLabel();
        Show();
        ReportFailure(failure);
        return;
    }
    EndWaitCursor();

    m_strLoadedPath = path;
    m_strScanCountLabel = ScanCountLabel(m_State.m_nScanCount);
    m_State.m_bConvertEnabled = true;
    Show();
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
    if (m_bBusy || !m_State.m_bConvertEnabled) {
        return false;
    }
    BusyScope busy(*this);
    try {
        return ConvertCommand(m_State, *this);
    } catch (const FileError& error) {
        ReportFailure("Could not write " + error.Path() + ": " + error.Reason() +
                      "; the conversion was stopped.");
    } catch (const std::bad_alloc&) {
        ReportFailure("There is not enough memory to finish the conversion.");
    } catch (const std::exception& error) {
        ReportFailure(std::string("The conversion was stopped: ") + error.what());
    }
    Refresh();
    return false;
}

void CQUILLONDlg::OnOneFileClicked() {
    if (m_bBusy) {
        return;
    }
    Read();
    // One output file is offered only while all scans are converted.
    if (!m_State.m_bConvertAll) {
        m_State.m_bOneFile = 0;
    }
    m_View.SetText(Control::OneFile,
                   m_State.m_bOneFile != 0 ? kOneFileCaption : kMultipleFilesCaption);
    Show();
}

void CQUILLONDlg::OnConvertAllClicked() {
    if (m_bBusy) {
        return;
    }
    // Keep what the user typed into the selection edit before the controls are shown.
    m_State.m_strSelection = m_View.Text(Control::Selection);
    m_State.m_bConvertAll = true;
    m_View.Enable(Control::Selection, false);
    Show();
}

void CQUILLONDlg::OnConvertSelectedClicked() {
    if (m_bBusy) {
        return;
    }
    m_State.m_strSelection = m_View.Text(Control::Selection);
    m_State.m_bConvertAll = false;
    m_View.Enable(Control::Selection, true);
    if (m_State.m_bOneFile != 0) {
        m_State.m_bOneFile = 0;
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
    m_State.m_pDarkData = {};
    m_State.m_pRefData = {};
    m_State.m_pWavelength = {};
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

void CQUILLONDlg::Refresh() {
    Show();
    m_View.PaintNow();
}

void CQUILLONDlg::ReadControls() {
    Read();
}

void CQUILLONDlg::Message(const std::string& text) {
    m_View.ShowMessage(text);
}

bool CQUILLONDlg::AskYesNo(const std::string& text) {
    return m_View.AskYesNo(text);
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

void CQUILLONDlg::Pause(int milliseconds) {
    m_View.Pause(milliseconds);
}

}  // namespace quillon
