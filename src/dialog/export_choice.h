// SPDX-License-Identifier: MIT
// What the window's "Export..." asks the dialog to write: the formats, what the CSV and HDF5
// exports hold and how, and where the outputs go. The scans are the window's selection; the
// text outputs take the window's Convert options.
#pragma once

#include <string>
#include <vector>

#include "export/export_options.h"

namespace quillon {

struct ExportChoice {
    // quillon-convert's default: the text outputs alone.
    std::vector<ExportFormat> formats = {ExportFormat::kText};
    // The quantity, grid, CSV style and compression; its scan numbers are ignored (the
    // window's selection decides them).
    ExportRequest request;
    // Every output goes into this folder under the input's base name; empty: beside the input.
    std::string outputFolder;
};

}  // namespace quillon
