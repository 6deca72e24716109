// SPDX-License-Identifier: MIT
// ConsoleServices: the log and the questions of the command-line converter. The log goes to
// standard output line by line as it grows, messages go to standard error, and the overwrite
// question is answered by an option, by the user at the terminal, or with No.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/log_sink.h"

namespace quillon {

class ConsoleServices : public LogSink {
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
    ConsoleServices(Settings settings, std::ostream& out, std::ostream& err, std::istream& in);

    // Prints every complete line, each ending in "\n", and flushes; an incomplete line waits
    // for its end.
    void Append(std::string_view text) override;
    // Prints a message on standard error.
    void Message(const std::string& text);
    // The overwrite question: answered by the settings, at the terminal, or No.
    bool AskYesNo(const std::string& text);

    const Settings& GetSettings() const { return m_Settings; }
    // True when no question needs the terminal (AskYesNo reads nothing).
    bool Unattended() const {
        return m_Settings.overwrite != Overwrite::kAsk || !m_Settings.interactive;
    }
    // Bytes already as printed (by another ConsoleServices, for one file of a batch) to
    // standard output or standard error, flushed.
    void Print(bool toError, std::string_view bytes);

  private:
    Settings m_Settings;
    std::ostream& m_Out;
    std::ostream& m_Err;
    std::istream& m_In;
    std::string m_strPending;  // the start of a line not complete yet
};

}  // namespace quillon
