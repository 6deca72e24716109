// SPDX-License-Identifier: MIT
// The quantities an export can write for each scan, computed per pixel in double precision
// from the scan's count S, the dark value D and the reference value R of the same pixel:
//
//   counts            S
//   dark-subtracted   S - D
//   transmittance     (S - D) / (R - D)             not defined where R - D <= 0
//   absorbance        -log10((S - D) / (R - D))      not defined where R - D <= 0 or S - D <= 0
//
// A value that is not defined is NaN. A dark or reference value that is NaN or infinite is no
// measurement, so nothing computed from it is defined either. With finite inputs every result
// is finite: S, D and R are 32-bit counts and floats, far from the range of a double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "scanfile/scan_file.h"

namespace quillon {

enum class Quantity {
    kCounts,
    kDarkSubtracted,
    kTransmittance,
    kAbsorbance,
};

// The name on the command line: "counts", "dark-subtracted", "transmittance", "absorbance".
std::string_view QuantityName(Quantity quantity);
// The name as an identifier (an HDF5 dataset, a log line): "counts", "dark_subtracted", ...
std::string_view QuantityKey(Quantity quantity);
// The quantity of a command-line name; nothing for any other text.
std::optional<Quantity> ParseQuantity(std::string_view name);

// The decimal logarithm, correctly rounded (the double nearest the exact value), computed from
// the basic operations of IEEE arithmetic alone, never the system's mathematics library (whose
// last bit differs between C libraries): Linux and Windows builds write the same absorbance to
// the bit. Exact at powers of ten. -inf for 0, NaN below 0 and for NaN, +inf for +inf.
double Log10(double x);

// One pixel's value; NaN where it is not defined.
double DarkSubtracted(std::int32_t count, float dark);
double Transmittance(std::int32_t count, float dark, float reference);
double Absorbance(std::int32_t count, float dark, float reference);

// Fills out[i] with the quantity of pixel i for every i < out.size(), from counts[i], dark[i]
// and reference[i]. A pixel beyond the end of dark or reference has no such value, so its
// quantity (counts excepted) is not defined. counts must hold at least out.size() values.
// Returns how many of the values are not defined (NaN).
std::size_t ComputeQuantity(Quantity quantity, std::span<const std::int32_t> counts,
                            std::span<const float> dark, std::span<const float> reference,
                            std::span<double> out);

// The same from counts that need not be whole: the mean counts of a few scans averaged
// (--average). One pixel's value is QuantityOfCount.
std::size_t ComputeQuantity(Quantity quantity, std::span<const double> counts,
                            std::span<const float> dark, std::span<const float> reference,
                            std::span<double> out);
double QuantityOfCount(Quantity quantity, double count, float dark, float reference);

// The same for the scan at 0-based position scanIndex of the file, against the file's dark and
// reference spectra. out must hold the file's pixel count N of values.
std::size_t ComputeQuantity(Quantity quantity, const ScanFile& file, std::size_t scanIndex,
                            std::span<double> out);

}  // namespace quillon
