// SPDX-License-Identifier: MIT
// CQUILLONDlg: the main dialog's behaviour without a toolkit. It owns the loaded scan file and
// the options the controls show, keeps the controls of a DialogView in step with them, runs the
// load and the conversion from its handlers, and shows their log.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/convert_command.h"
#include "dialog/dialog_view.h"
#include "dialog/export_choice.h"
#include "platform/log_sink.h"
#include "scanfile/scan_file.h"

namespace quillon {

class SaveWatch;

// The dialog's own texts.
inline constexpr const char* kNoFileSelected = "No file was selected.";
inline constexpr const char* kNoDataToDisplay = "No data to display.";
inline constexpr const char* kScanCountUnknown = "Total number of scan data: N/A";
inline constexpr const char* kOneFileCaption = "Convert data in one file";
inline constexpr const char* kMultipleFilesCaption = "Convert data in multiple files";
inline constexpr const char* kOnlyOneFileMessage = "Please choose only one file...";
inline constexpr const char* kNotSdfFileMessage = "The file is not sdf file...";
inline constexpr const char* kAboutCommandCaption = "&About QUILLON...";

// The About command of the window's system menu; the low four bits belong to the system.
inline constexpr unsigned kIdmAboutBox = 0x0010;
// Result with which the dialog ends.
inline constexpr int kIdOk = 1;

// "Total number of scan data: <count>".
std::string ScanCountLabel(std::int32_t scanCount);

// The folder of a path: everything before its last '/', "/" for a file in the root, empty
// for a bare name.
std::string FolderOf(const std::string& path);
// The name of a file without its last extension: "x.sdf.bak" gives "x.sdf".
std::string TitleOf(const std::string& path);

class CQUILLONDlg : public LogSink {
  public:
    explicit CQUILLONDlg(DialogView& view);
    ~CQUILLONDlg() override;
    CQUILLONDlg(const CQUILLONDlg&) = delete;
    CQUILLONDlg& operator=(const CQUILLONDlg&) = delete;

    // Sets the controls and members to their start values; true so that the window gives the
    // focus to its first control.
    bool OnInitDialog();

    // ">>": choose a file with the open-file dialog and load it.
    void OnBrowse();
    // Files dropped on the window, by their full paths.
    void OnDropFiles(const std::vector<std::string>& paths);
    // A file named when the program starts (`quillon FILE`): loaded as one chosen with ">>",
    // exactly the path given, and the open-file dialog then starts in its folder.
    void OnOpenFile(const std::string& path);
    // "Save data with wavelength" or "Save data with pixel" clicked.
    void OnSaveOptionChanged();
    // "Convert": converts the loaded file with the options shown. False when an output could
    // not be written (the user has been told) or the conversion failed otherwise.
    bool OnConvert();
    // "Export...": writes the formats of `choice` for the scans the window's scope names (all,
    // or the selection), the text outputs with the window's Convert options, under the names
    // quillon-convert gives them. False when an output could not be written or nothing could
    // be (the user has been told which file and why).
    bool OnExport(const ExportChoice& choice);
    // The scans an export writes, as the export dialog names them: "all 5 scans" or
    // "scans 1-3,5" (the selection as typed).
    std::string ExportScope() const;
    void OnOneFileClicked();
    void OnConvertAllClicked();
    void OnConvertSelectedClicked();
    // "Close", Enter, Esc and the close box: ends the dialog.
    void OnCloseCommand();
    // A system-menu command; true when it was the About command and has been handled, false
    // when it is the system's own and goes to the default handling.
    bool OnSysCommand(unsigned commandId);
    // The About command from the context menu or F1.
    void OnAboutCommand();

    // "Follow this folder" clicked: while checked, each scan data file saved into the loaded
    // file's folder after that moment is loaded once it has settled, and the plot shows its
    // newest scan.
    void OnFollowClicked();
    // "Convert each new file" clicked: each file that following loads is also converted with
    // the options the window shows.
    void OnConvertEachNewClicked();
    // Called by the view while following: loads (and converts) the files that have settled.
    void OnFollowTick();
    // The folder followed; empty while not following.
    std::string FollowedFolder() const;
    // How long a file must stay unchanged before following takes it (2 s unless set).
    void SetFollowSettle(std::chrono::milliseconds settle) { m_FollowSettle = settle; }

    // True while a handler runs a load, a conversion or the About box; the window then
    // ignores drops and close requests that arrive while it paints.
    bool IsBusy() const { return m_bBusy; }

    // The file whose data the dialog holds (empty until a file has been loaded).
    const ScanFile& File() const { return m_ScanFile; }
    const std::string& Folder() const { return m_strFolder; }
    // The path of the loaded file; empty while none is loaded.
    const std::string& LoadedPath() const { return m_strLoadedPath; }

    // The log of a load or a conversion: each line shows at once. The first line of a load
    // starts a new log.
    void Append(std::string_view text) override;

    // Members bound to controls (any non-zero value counts as set).
    std::string m_strFilePath;
    std::string m_strLog;  // the log box; lines end with "\r\n"
    std::int32_t m_bOneFile = 0;
    std::int32_t m_bWithWavelength = 0;
    std::int32_t m_bWithPixel = 0;
    bool m_bConvertAll = true;
    std::string m_strSelection;
    // The Convert command is offered once a file has been loaded.
    bool m_bConvertEnabled = false;
    // Counts the times the log was replaced or emptied rather than appended to, so that the
    // view can tell new lines from a new log.
    std::uint64_t m_nLogResets = 0;

  private:
    class BusyScope;

    void Show();
    void Read();
    void ShowLog();
    // The label for the state as it is: the loaded file's count, or "N/A" before any load.
    std::string CurrentScanCountLabel() const;
    // Shows the members in the controls and paints at once.
    void Refresh();
    void Message(const std::string& text);
    void BeginWaitCursor();
    void EndWaitCursor();
    // Replaces the whole log with text (the start of a load or of a conversion).
    void ResetLog(std::string_view text);
    // Loads m_strFilePath. On failure the path goes back to the loaded file and the
    // user is told which file failed and why: in a message box, or while following (`quiet`)
    // in the log. A file loaded by hand from another folder moves the following there. True
    // when the file was loaded.
    bool LoadChosenFile(bool quiet = false);
    // Converts the loaded file; `following` neither pauses, restarts the log nor asks about
    // existing outputs (a one-file output of an existing name is written as base(k).txt), and
    // logs a failure instead of showing it.
    bool ConvertLoaded(bool following);
    void StartFollowing(const std::string& folder);
    void StopFollowing(const std::string& why);
    // Tells the user about an error that left a handler and ends any wait cursor it left.
    void ReportFailure(const std::string& text);
    // The Convert options the controls show (after a read), for outputs named from `base`.
    ConvertOptions CurrentConvertOptions(const std::string& base);

    DialogView& m_View;
    ScanFile m_ScanFile;
    // Set while a load runs until its first log line arrives, which starts the log afresh: a
    // file that cannot be opened leaves the log as it was.
    bool m_bLogStartsAfresh = false;

    std::string m_strFolder;  // where the open-file dialog starts
    std::string m_strScanCountLabel = kScanCountUnknown;
    std::string m_strLoadedPath;

    bool m_bBusy = false;
    int m_nWaitDepth = 0;

    // Following a folder: the watch and the settling time.
    std::unique_ptr<SaveWatch> m_pFollow;
    std::chrono::milliseconds m_FollowSettle{2000};
    bool m_bConvertEachNew = false;

    // What the log control holds: the log as of reset count m_nShownLogResets, up to
    // m_nShownLogLength bytes. Lets a refresh append new lines instead of replacing the text.
    bool m_bLogShown = false;
    std::uint64_t m_nShownLogResets = 0;
    std::size_t m_nShownLogLength = 0;
};

}  // namespace quillon
