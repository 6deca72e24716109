// SPDX-License-Identifier: MIT
// DialogView: what the main dialog's handlers need of the window that shows them — control
// texts and check states, enabling, message boxes, the open-file dialog, the wait cursor and
// the end of the dialog. The Qt window implements it; tests implement it with a fake.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon {

// The controls of the main dialog, by their template ids.
enum class Control : int {
    Close = 1,
    FilePath = 1000,
    Browse = 1001,
    Convert = 1002,
    WithWavelength = 1005,
    Log = 1006,
    WithPixel = 1008,
    OneFile = 1009,
    ConvertAll = 1010,
    ConvertSelected = 1011,
    Selection = 1012,
    ScanCount = 1013,
    // Beyond the documented controls: following the loaded file's folder.
    FollowFolder = 1091,
    ConvertEachNew = 1092,
};

// One entry of the open-file dialog's type list: the text the user sees and the pattern.
struct FileFilter {
    std::string description;
    std::string pattern;
};

// What the open-file dialog is asked to show.
struct OpenFileRequest {
    std::string initialFolder;        // empty: the dialog's own default folder
    std::string defaultExtension;     // without the dot
    std::vector<FileFilter> filters;  // the first one is selected
};

class DialogView {
  public:
    virtual ~DialogView() = default;

    // The text of an edit control or the caption of any other control. Paths and the log are
    // UTF-8 bytes; log lines end with "\r\n".
    virtual std::string Text(Control control) const = 0;
    virtual void SetText(Control control, const std::string& text) = 0;
    // Adds text at the end of an edit control (the log) and brings it into view.
    virtual void AppendText(Control control, const std::string& text) = 0;

    virtual bool IsChecked(Control control) const = 0;
    // Checking one of the two scope radio buttons clears the other.
    virtual void SetChecked(Control control, bool checked) = 0;
    virtual void Enable(Control control, bool enabled) = 0;

    // Paints what has changed now, while the handler is still running, so that a long load or
    // conversion shows each log line as it is written. Takes no user input.
    virtual void PaintNow() = 0;

    // A message box with an OK button, no icon, the application's name as caption.
    virtual void ShowMessage(const std::string& text) = 0;
    // A question with the buttons Yes and No; true means Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // Runs the open-file dialog modally; the full path of the chosen file, or nothing when
    // the user cancelled.
    virtual std::optional<std::string> ChooseFile(const OpenFileRequest& request) = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Blocks for the given time; the window keeps painting but takes no input.
    virtual void Pause(int milliseconds) = 0;

    // Lets files be dropped on the window.
    virtual void AcceptDroppedFiles() = 0;
    // Offers the About command under the given caption (the system menu on Windows, the
    // window's context menu and F1 elsewhere).
    virtual void AddAboutCommand(const std::string& caption) = 0;
    // Runs the About box modally.
    virtual void ShowAboutBox() = 0;

    // Ends the modal run of the dialog with the given result.
    virtual void EndDialog(int result) = 0;

    // A file has been loaded and is now the dialog's File(): a view that shows its data (the
    // spectrum plot) shows the new file. Not called when a load fails, since the file held
    // before stays loaded.
    virtual void FileLoaded() {}
    // The loaded file is about to be replaced or unloaded: a view that reads it off the
    // window's thread stops doing so and waits until it has.
    virtual void FileReleasing() {}
    // Shows the loaded file's last scan in the plot (the newest measurement of a followed
    // folder).
    virtual void ShowNewestScan() {}
    // Starts or stops calling the dialog's OnFollowTick about four times a second.
    virtual void SetTicking(bool /*ticking*/) {}
};

}  // namespace quillon
