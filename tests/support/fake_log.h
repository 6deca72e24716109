// SPDX-License-Identifier: MIT
// FakeLog: a LogSink that keeps the log text and each piece appended, for testing the loader,
// the renderers and the conversion without a window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/log_sink.h"

namespace quillon::testing {

class FakeLog : public LogSink {
  public:
    void Append(std::string_view text) override {
        log.append(text);
        pieces.emplace_back(text);
    }

    std::string log;
    std::vector<std::string> pieces;  // each Append call's text
};

}  // namespace quillon::testing
