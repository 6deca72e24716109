// DialogServices: what the loader and the conversion ask of the front end that runs them.
// The window implements it with its widgets; the command line with the terminal; tests with
// a fake that records every call.
#pragma once

#include <string>

namespace quillon {

class DialogServices {
  public:
    virtual ~DialogServices() = default;

    // Copies every member bound to a control into that control (members to view), so that a
    // new log line shows at once.
    virtual void Refresh() = 0;

    // Copies every bound control back into its member (view to members), as a command does
    // before it reads the options.
    virtual void ReadControls() = 0;

    // Shows a message with an OK button and returns when it has been acknowledged.
    virtual void Message(const std::string& text) = 0;

    // Asks a question with the buttons Yes and No; true means Yes.
    virtual bool AskYesNo(const std::string& text) = 0;

    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // Blocks the calling thread for the given number of milliseconds.
    virtual void Pause(int milliseconds) = 0;
};

}  // namespace quillon
