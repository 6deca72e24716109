// ConsoleServices: the dialog services of the command-line converter. The log goes to standard
// output line by line as it grows, messages go to standard error, and the overwrite question
// is answered by an option, by the user at the terminal, or with No.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "platform/dialog_services.h"
#include "scanfile/converter_state.h"

namespace quillon {

class ConsoleServices : public DialogServices {
  public:
    enum class Overwrite {
        kAsk,  // ask at the terminal when there is one, otherwise No
        kYes,  // --overwrite
        kNo,   // --keep
    };

    struct Settings {
        bool quiet = false;  // print no log lines
        Overwrite overwrite = Overwrite::kAsk;
        bool interactive = false;  // standard input is a terminal
    };

    // The streams stand for standard output, standard error and standard input.
    ConsoleServices(const ConverterState& state, Settings settings, std::ostream& out,
                    std::ostream& err, std::istream& in);

    // Prints every complete log line not printed yet, each ending in "\n", and flushes. A log
    // that was replaced or emptied is printed from its first line.
    void Refresh() override;
    // The options are set in the state before the conversion; there are no controls to read.
    void ReadControls() override {}
    void Message(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    // A console has no wait cursor.
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    // The pause of the Convert command belongs to the window: the command line does not wait.
    void Pause(int) override {}

  private:
    const ConverterState& m_State;
    Settings m_Settings;
    std::ostream& m_Out;
    std::ostream& m_Err;
    std::istream& m_In;
    std::uint64_t m_nLogResets;
    std::size_t m_nPrinted = 0;  // bytes of the log already printed
};

}  // namespace quillon
