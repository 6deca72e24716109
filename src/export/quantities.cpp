// SPDX-License-Identifier: MIT
// The quantities of a scan, pixel by pixel.
#include "export/quantities.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>

namespace quillon {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// Absorbances already computed, by count, dark and reference value. An export visits every
// scan of a run of pixels, and from scan to scan a pixel's count takes few values (those its
// noise reaches), so most of its logarithms repeat; one costs several times the division. An
// entry is found by a hash of its whole key and holds that key, so that a value found is the
// value that would be computed. Each thread has its own.
//
// A lookup that finds nothing costs about half a logarithm more (values that never repeat, or
// more pixels at once than the memo holds, as a whole scan of noisy counts is): the memo is
// left aside while fewer than half of its lookups find their value, and tried again now and
// then.
class AbsorbanceMemo {
  public:
    AbsorbanceMemo() : m_pEntries(std::make_unique<Entry[]>(kSize)) {
        // A key whose absorbance is NaN (dark NaN): the empty entry answers as computing would.
        const std::uint32_t nan =
            std::bit_cast<std::uint32_t>(std::numeric_limits<float>::quiet_NaN());
        for (std::size_t i = 0; i < kSize; ++i) {
            m_pEntries[i] = {0, nan, nan, kUndefined};
        }
    }

    double Get(std::int32_t count, float dark, float reference) {
        const auto c = static_cast<std::uint32_t>(count);
        const std::uint32_t d = std::bit_cast<std::uint32_t>(dark);
        const std::uint32_t r = std::bit_cast<std::uint32_t>(reference);
        const std::uint64_t hash =
            ((std::uint64_t{d} << 32 | r) * 0x9E3779B97F4A7C15u) ^ (c * 0xC2B2AE3D27D4EB4Fu);
        Entry& entry = m_pEntries[static_cast<std::size_t>(hash >> (64 - kBits))];
        if (entry.count != c || entry.dark != d || entry.reference != r) {
            entry = {c, d, r, Absorbance(count, dark, reference)};
        } else {
            ++m_nFound;
        }
        return entry.value;
    }

    // Whether the next values go through the memo.
    bool InUse() const noexcept { return m_bInUse; }
    // Notes that `values` were computed, through the memo or not.
    void Computed(std::size_t values) {
        m_nValues += values;
        if (m_bInUse && m_nValues >= kTrial) {
            m_bInUse = 2 * m_nFound >= m_nValues;
            m_nValues = 0;
        } else if (!m_bInUse && m_nValues >= kPause) {
            m_bInUse = true;
            m_nValues = 0;
        }
        if (m_nValues == 0) {
            m_nFound = 0;
        }
    }

    static AbsorbanceMemo& OfThisThread() {
        thread_local AbsorbanceMemo memo;
        return memo;
    }

  private:
    struct Entry {
        std::uint32_t count;
        std::uint32_t dark;
        std::uint32_t reference;
        double value;
    };
    static constexpr int kBits = 14;
    static constexpr std::size_t kSize = std::size_t{1} << kBits;
    // Values looked up before the memo is judged, and computed without it before it is tried
    // again.
    static constexpr std::size_t kTrial = 8192;
    static constexpr std::size_t kPause = 64 * kTrial;

    std::unique_ptr<Entry[]> m_pEntries;
    bool m_bInUse = true;
    std::size_t m_nValues = 0;  // since it was last judged or set aside
    std::size_t m_nFound = 0;   // of those, found in the memo
};

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
        case Quantity::kAbsorbance: {
            AbsorbanceMemo& memo = AbsorbanceMemo::OfThisThread();
            if (memo.InUse()) {
                fill([&memo](std::int32_t s, float d, float r) { return memo.Get(s, d, r); });
            } else {
                fill(Absorbance);
            }
            memo.Computed(out.size());
            break;
        }
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
