// ConvertCommand: writes the loaded file out as text files beside it, in one-file or
// multiple-files mode, with progress lines in the log.
#pragma once

#include "scanfile/converter_state.h"

namespace quillon {

class DialogServices;
class OutputFiles;

// Runs one conversion with the options the controls show. Returns true when every output was
// written; false when an output could not be opened, written or closed: the conversion stops
// at that file, the log says "Could not write <name>; the conversion was stopped." and the
// services show a message naming the file and the reason.
bool ConvertCommand(ConverterState& state, DialogServices& services);
// The same, with the outputs written to `files` instead of the file system.
bool ConvertCommand(ConverterState& state, DialogServices& services, OutputFiles& files);

}  // namespace quillon
