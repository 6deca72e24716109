// SPDX-License-Identifier: MIT
// LogSink: where loading and converting report their progress, one log line at a time. The
// window shows the lines in its log box, the command line prints them, tests keep them.
#pragma once

#include <string_view>

namespace quillon {

class LogSink {
  public:
    virtual ~LogSink() = default;

    // Appends text to the log: one or more whole lines, each ending in "\r\n".
    virtual void Append(std::string_view text) = 0;
};

}  // namespace quillon
