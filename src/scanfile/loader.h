// LoadScanFile: reads one scan data file into the converter state in a single forward pass,
// logging one line per section.
#pragma once

#include <string>

#include "scanfile/converter_state.h"

namespace quillon {

class DialogServices;

// Loads the file at path. The parameter records, the dark and reference spectra, their
// optical blank values and every scan record are read into new storage and replace the
// state's data only once the whole file has been read, so a load that fails (FileError from
// opening or reading) leaves the previously loaded file whole; only its log lines stay.
//
// A file that ends early still loads: what it does not supply reads as 0 (a cut scan record
// keeps its default texts beyond the bytes read), and the log says how many bytes are missing.
void LoadScanFile(ConverterState& state, DialogServices& services, std::string path);

}  // namespace quillon
