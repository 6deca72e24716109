// SPDX-License-Identifier: MIT
// What RunProgram takes and gives, the same on every system.
#pragma once

#include <string>

namespace quillon::testing {

inline const std::string kProgram = QUILLON_CONVERT_PATH;

struct ProgramRun {
    int status = -1;
    // What the program printed. On Windows the console streams end lines with CR LF; they are
    // given here with line feeds, as on Linux, and the bytes as printed are in rawOut.
    std::string out;
    std::string err;
    std::string rawOut;
};

// How the program's standard input is connected.
enum class Input {
    kNull,      // the null device: not a terminal
    kTerminal,  // a terminal (Windows: a console) with `answer` typed in advance
};

}  // namespace quillon::testing
