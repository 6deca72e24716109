// SPDX-License-Identifier: MIT
// The JSON export: what a scan data file says about itself, for scripts. The source file, the
// converter, every field of the six parameter records (under "records", named as in the
// parameter report), the pixel count, the optical blank values and one entry per selected
// scan. Texts are decoded from Windows-1252 to UTF-8; floats are written as the shortest
// number that reads back to the same float; NaN and infinities become null.
#pragma once

#include <string>

#include "export/export_options.h"
#include "scanfile/scan_file.h"

namespace quillon {

class OutputFiles;

// Writes the JSON document of `file` to `path` through `files`, the scans a few at a time; on
// a failure the output is discarded and the error passed on.
ExportReport WriteJson(const ScanFile& file, const ExportRequest& request, const std::string& path,
                       OutputFiles& files);

}  // namespace quillon
