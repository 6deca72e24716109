// ConsoleServices: the log on standard output, messages and the overwrite question on the
// terminal.
#include "cli/console_services.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

namespace quillon {

ConsoleServices::ConsoleServices(const ConverterState& state, Settings settings, std::ostream& out,
                                 std::ostream& err, std::istream& in)
    : m_State(state),
      m_Settings(settings),
      m_Out(out),
      m_Err(err),
      m_In(in),
      m_nLogResets(state.m_nLogResets),
      m_nPrinted(state.m_strLog.size()) {}

void ConsoleServices::Refresh() {
    const std::string& log = m_State.m_strLog;
    if (m_State.m_nLogResets != m_nLogResets || log.size() < m_nPrinted) {
        m_nLogResets = m_State.m_nLogResets;
        m_nPrinted = 0;
    }
    if (m_Settings.quiet) {
        m_nPrinted = log.size();
        return;
    }
    // Log lines end with CR LF; the terminal gets them with a plain line feed. A line that
    // is not complete yet waits for its end.
    bool printed = false;
    for (;;) {
        const std::size_t end = log.find('\n', m_nPrinted);
        if (end == std::string::npos) {
            break;
        }
        std::size_t textEnd = end;
        if (textEnd > m_nPrinted && log[textEnd - 1] == '\r') {
            --textEnd;
        }
        m_Out.write(log.data() + m_nPrinted, static_cast<std::streamsize>(textEnd - m_nPrinted));
        m_Out.put('\n');
        m_nPrinted = end + 1;
        printed = true;
    }
    if (printed) {
        m_Out.flush();
    }
}

void ConsoleServices::Message(const std::string& text) {
    m_Out.flush();
    m_Err << "quillon-convert: " << text << '\n';
    m_Err.flush();
}

bool ConsoleServices::AskYesNo(const std::string& text) {
    switch (m_Settings.overwrite) {
        case Overwrite::kYes:
            return true;
        case Overwrite::kNo:
            return false;
        case Overwrite::kAsk:
            break;
    }
    m_Out.flush();
    if (!m_Settings.interactive) {
        // Nobody to ask: never destroy a file without being told to.
        m_Err << "quillon-convert: the output file exists already; it is kept and the output "
                 "goes to a numbered name (--overwrite replaces it, --keep keeps it quietly)\n";
        m_Err.flush();
        return false;
    }
    // The question goes to standard error, so that it reaches the terminal even when the log
    // on standard output is redirected.
    for (;;) {
        m_Err << text << " [y/n] ";
        m_Err.flush();
        std::string answer;
        if (!std::getline(m_In, answer)) {
            m_Err << '\n';
            return false;  // end of input: the careful answer
        }
        answer.erase(std::remove_if(answer.begin(), answer.end(),
                                    [](unsigned char c) { return std::isspace(c) != 0; }),
                     answer.end());
        std::transform(answer.begin(), answer.end(), answer.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (answer == "y" || answer == "yes") {
            return true;
        }
        if (answer == "n" || answer == "no") {
            return false;
        }
    }
}

}  // namespace quillon
