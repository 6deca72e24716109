// FormatParameters: the text report of the six parameter records of a loaded file, one field
// per line, with one log line per record.
#pragma once

#include <string>

#include "scanfile/converter_state.h"

namespace quillon {

class DialogServices;

// Returns the whole report ("HEADER DATA\n" ... two empty lines after the last status line)
// and appends its six progress lines to the log, each followed by a refresh.
std::string FormatParameters(ConverterState& state, DialogServices& services);

}  // namespace quillon
