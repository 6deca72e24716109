// SPDX-License-Identifier: MIT
// LoadScanFile: reads one scan data file in a single forward pass, logging one line per
// section.
#pragma once

#include <string>

#include "platform/log_sink.h"
#include "scanfile/scan_file.h"

namespace quillon {

// Loads the file at path and returns everything it holds. Opening or reading failures raise
// FileError; the caller's previous ScanFile, if any, is untouched by a failed load.
//
// A file that ends early still loads: what it does not supply reads as 0 (a cut scan record
// keeps its default texts beyond the bytes read), m_nMissingBytes says how many bytes are
// missing, and so does a warning line of the log.
ScanFile LoadScanFile(const std::string& path, LogSink& log);

}  // namespace quillon
