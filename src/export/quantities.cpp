// SPDX-License-Identifier: MIT
// The quantities of a scan, pixel by pixel.
#include "export/quantities.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace quillon {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

struct QuantityNames {
    Quantity quantity;
    std::string_view name;
    std::string_view key;
};

constexpr std::array<QuantityNames, 4> kNames = {{
    {Quantity::kCounts, "counts", "counts"},
    {Quantity::kDarkSubtracted, "dark-subtracted", "dark_subtracted"},
    {Quantity::kTransmittance, "transmittance", "transmittance"},
    {Quantity::kAbsorbance, "absorbance", "absorbance"},
}};

const QuantityNames& NamesOf(Quantity quantity) {
    for (const QuantityNames& names : kNames) {
        if (names.quantity == quantity) {
            return names;
        }
    }
    throw std::invalid_argument("unknown quantity");
}

}  // namespace

std::string_view QuantityName(Quantity quantity) {
    return NamesOf(quantity).name;
}

std::string_view QuantityKey(Quantity quantity) {
    return NamesOf(quantity).key;
}

std::optional<Quantity> ParseQuantity(std::string_view name) {
    for (const QuantityNames& names : kNames) {
        if (names.name == name) {
            return names.quantity;
        }
    }
    return std::nullopt;
}

double DarkSubtracted(std::int32_t count, float dark) {
    if (!std::isfinite(dark)) {
        return kUndefined;
    }
    return static_cast<double>(count) - static_cast<double>(dark);
}

double Transmittance(std::int32_t count, float dark, float reference) {
    if (!std::isfinite(dark) || !std::isfinite(reference)) {
        return kUndefined;
    }
    const double signal = static_cast<double>(count) - static_cast<double>(dark);
    const double full = static_cast<double>(reference) - static_cast<double>(dark);
    if (!(full > 0.0)) {
        return kUndefined;
    }
    return signal / full;
}

double Absorbance(std::int32_t count, float dark, float reference) {
    if (!std::isfinite(dark) || !std::isfinite(reference)) {
        return kUndefined;
    }
    const double signal = static_cast<double>(count) - static_cast<double>(dark);
    const double full = static_cast<double>(reference) - static_cast<double>(dark);
    if (!(full > 0.0) || !(signal > 0.0)) {
        return kUndefined;
    }
    // 0 - x rather than -x: full light gives absorbance 0, not -0.
    return 0.0 - Log10(signal / full);
}

std::size_t ComputeQuantity(Quantity quantity, std::span<const std::int32_t> counts,
                            std::span<const float> dark, std::span<const float> reference,
                            std::span<double> out) {
    if (counts.size() < out.size()) {
        throw std::invalid_argument("ComputeQuantity: fewer counts than values to compute");
    }
    std::size_t undefined = 0;
    const auto fill = [&](auto value) {
        for (std::size_t i = 0; i < out.size(); ++i) {
            const float d = i < dark.size() ? dark[i] : std::numeric_limits<float>::quiet_NaN();
            const float r =
                i < reference.size() ? reference[i] : std::numeric_limits<float>::quiet_NaN();
            out[i] = value(counts[i], d, r);
            undefined += std::isnan(out[i]) ? 1u : 0u;
        }
    };
    // One loop per quantity, so that the loop body has no branch on it.
    switch (quantity) {
        case Quantity::kCounts:
            for (std::size_t i = 0; i < out.size(); ++i) {
                out[i] = static_cast<double>(counts[i]);
            }
            break;
        case Quantity::kDarkSubtracted:
            fill([](std::int32_t s, float d, float) { return DarkSubtracted(s, d); });
            break;
        case Quantity::kTransmittance:
            fill(Transmittance);
            break;
        case Quantity::kAbsorbance:
            fill(Absorbance);
            break;
    }
    return undefined;
}

double QuantityOfCount(Quantity quantity, double count, float dark, float reference) {
    if (quantity == Quantity::kCounts) {
        return count;
    }
    if (!std::isfinite(dark)) {
        return kUndefined;
    }
    const double signal = count - static_cast<double>(dark);
    if (quantity == Quantity::kDarkSubtracted) {
        return signal;
    }
    if (!std::isfinite(reference)) {
        return kUndefined;
    }
    const double full = static_cast<double>(reference) - static_cast<double>(dark);
    if (!(full > 0.0)) {
        return kUndefined;
    }
    if (quantity == Quantity::kTransmittance) {
        return signal / full;
    }
    if (!(signal > 0.0)) {
        return kUndefined;
    }
    return 0.0 - Log10(signal / full);
}

std::size_t ComputeQuantity(Quantity quantity, std::span<const double> counts,
                            std::span<const float> dark, std::span<const float> reference,
                            std::span<double> out) {
    if (counts.size() < out.size()) {
        throw std::invalid_argument("ComputeQuantity: fewer counts than values to compute");
    }
    std::size_t undefined = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const float d = i < dark.size() ? dark[i] : std::numeric_limits<float>::quiet_NaN();
        const float r =
            i < reference.size() ? reference[i] : std::numeric_limits<float>::quiet_NaN();
        out[i] = QuantityOfCount(quantity, counts[i], d, r);
        undefined += std::isnan(out[i]) ? 1u : 0u;
    }
    return undefined;
}

std::size_t ComputeQuantity(Quantity quantity, const ScanFile& file, std::size_t scanIndex,
                            std::span<double> out) {
    const ScanView scan = file.Scan(scanIndex);
    return ComputeQuantity(quantity, scan.values, file.m_pDarkData, file.m_pRefData, out);
}

}  // namespace quillon
