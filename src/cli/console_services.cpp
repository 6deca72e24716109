// SPDX-License-Identifier: MIT
// ConsoleServices: the log on standard output, messages and the overwrite question on the
// terminal.
#include "cli/console_services.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

namespace quillon {

ConsoleServices::ConsoleServices(Settings settings, std::ostream& out, std::ostream& err,
                                 std::istream& in)
    : m_Settings(settings), m_Out(out), m_Err(err), m_In(in) {}

void ConsoleServices::Append(std::string_view text) {
    if (m_Settings.quiet) {
        return;
    }
    // Log lines end with CR LF; the terminal gets them with a plain line feed. A line that
    // is not complete yet waits for its end.
    m_strPending.append(text);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = m_strPending.find('\n', start);
        if (end == std::string::npos) {
            break;
        }
        std::size_t textEnd = end;
        if (textEnd > start && m_strPending[textEnd - 1] == '\r') {
            --textEnd;
        }
        m_Out.write(m_strPending.data() + start, static_cast<std::streamsize>(textEnd - start));
        m_Out.put('\n');
        start = end + 1;
    }
    if (start > 0) {
        m_strPending.erase(0, start);
        m_Out.flush();
    }
}

void ConsoleServices::Print(bool toError, std::string_view bytes) {
    std::ostream& stream = toError ? m_Err : m_Out;
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    stream.flush();
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
