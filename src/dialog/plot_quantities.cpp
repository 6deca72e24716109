// SPDX-License-Identifier: MIT
// Stand-ins for the export layer's quantities, calibration check and text decoding.
#include "dialog/plot_quantities.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace quillon {

std::size_t ComputeQuantity(Quantity quantity, const ScanFile& file, std::size_t scanIndex,
                            std::span<double> out) {
    const auto counts = file.Scan(scanIndex).values;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::size_t undefined = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double s = counts[i];
        const double d = i < file.m_pDarkData.size() ? file.m_pDarkData[i] : nan;
        const double r = i < file.m_pRefData.size() ? file.m_pRefData[i] : nan;
        double v = s;
        switch (quantity) {
            case Quantity::kCounts:
                break;
            case Quantity::kDarkSubtracted:
                v = s - d;
                break;
            case Quantity::kTransmittance:
                v = r - d > 0 ? (s - d) / (r - d) : nan;
                break;
            case Quantity::kAbsorbance:
                v = r - d > 0 && s - d > 0 ? -std::log10((s - d) / (r - d)) : nan;
                break;
        }
        if (!std::isfinite(v)) {
            v = nan;
            ++undefined;
        }
        out[i] = v;
    }
    return undefined;
}

void CheckRisingCalibration(std::span<const float> axis) {
    for (std::size_t i = 0; i < axis.size(); ++i) {
        if (!std::isfinite(axis[i]) || (i > 0 && !(axis[i] > axis[i - 1]))) {
            throw CalibrationError("the calibration does not rise at pixel " +
                                   std::to_string(i + 1));
        }
    }
}

std::string FieldToUtf8(const char* field, std::size_t size) {
    const void* end = std::memchr(field, 0, size);
    const std::size_t length =
        end == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(end) - field);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(field[i]);
        if (byte < 0x80) {
            text += static_cast<char>(byte);
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

}  // namespace quillon
