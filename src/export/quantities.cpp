// SPDX-License-Identifier: MIT
// The quantities of a scan, pixel by pixel.
#include "export/quantities.h"

#include <array>
#include <bit>
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

double Log10(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) {
        if (x == 0.0) {
            return -std::numeric_limits<double>::infinity();
        }
        return x > 0.0 ? x : std::numeric_limits<double>::quiet_NaN();
    }
    // x = (1 + f) * 2^k with 1 + f in [sqrt(1/2), sqrt(2)); frexp, the scaling and f are exact.
    int k = 0;
    double m = std::frexp(x, &k);
    constexpr double kSqrtHalf = 0x1.6a09e667f3bcdp-1;
    if (m < kSqrtHalf) {
        m *= 2.0;
        --k;
    }
    const double f = m - 1.0;
    // ln(1 + f) = 2 atanh(s) = f - hfsq + s (hfsq + R), s = f / (2 + f), hfsq = f^2 / 2,
    // R = 2 (z/3 + z^2/5 + ...) with z = s^2 < 0.0295: the terms beyond z^13 are below 2^-64.
    const double s = f / (2.0 + f);
    const double z = s * s;
    double series = 2.0 / 29.0;
    for (int j = 13; j >= 1; --j) {
        series = series * z + 2.0 / (2.0 * j + 1.0);
    }
    const double hfsq = 0.5 * f * f;
    const double r = s * (hfsq + z * series);
    // f - hfsq split into a part with its low 32 bits zero and the rest, so that the products
    // with the high parts of the constants below are exact.
    const double hi =
        std::bit_cast<double>(std::bit_cast<std::uint64_t>(f - hfsq) & 0xFFFFFFFF00000000u);
    const double lo = (f - hi) - hfsq + r;
    // 1 / ln 10 and log10(2), each as a high part with its low bits zero and the rest.
    constexpr double kInvLn10High = 0x1.bcb7b15200000p-2;
    constexpr double kInvLn10Low = 0x1.b9438ca9aadd5p-36;
    constexpr double kLog10Of2High = 0x1.34413509f6000p-2;
    constexpr double kLog10Of2Low = 0x1.9fef311f12b36p-42;
    const double n = static_cast<double>(k);
    double high = hi * kInvLn10High;
    const double scaled = n * kLog10Of2High;
    double low = n * kLog10Of2Low + (lo + hi) * kInvLn10Low + lo * kInvLn10High;
    const double sum = scaled + high;
    low += (scaled - sum) + high;
    high = sum;
    return low + high;
}

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

std::size_t ComputeQuantity(Quantity quantity, const ScanFile& file, std::size_t scanIndex,
                            std::span<double> out) {
    const ScanView scan = file.Scan(scanIndex);
    return ComputeQuantity(quantity, scan.values, file.m_pDarkData, file.m_pRefData, out);
}

}  // namespace quillon
