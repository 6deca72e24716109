// SPDX-License-Identifier: MIT
// The quantities, the calibration check and the text decoding that the spectrum plot takes
// from the export layer, under the names and signatures that layer gives them. Stands in for
// "export/quantities.h", "export/grid.h" and "export/text_decoding.h" until the dialog links
// the export layer.
#pragma once

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>

#include "scanfile/scan_file.h"

namespace quillon {

enum class Quantity {
    kCounts,
    kDarkSubtracted,
    kTransmittance,
    kAbsorbance,
};

std::size_t ComputeQuantity(Quantity quantity, const ScanFile& file, std::size_t scanIndex,
                            std::span<double> out);

class CalibrationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
void CheckRisingCalibration(std::span<const float> axis);

std::string FieldToUtf8(const char* field, std::size_t size);

}  // namespace quillon
