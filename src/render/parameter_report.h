// SPDX-License-Identifier: MIT
// FormatParameters: the text report of the six parameter records of a loaded file, one field
// per line, with one log line per record.
#pragma once

#include <string>

#include "platform/log_sink.h"
#include "scanfile/scan_file.h"

namespace quillon {

// Returns the whole report ("HEADER DATA\n" ... two empty lines after the last status line)
// and appends its six progress lines to the log.
std::string FormatParameters(const ScanFile& file, LogSink& log);

}  // namespace quillon
