// SPDX-License-Identifier: MIT
// What the spectrum plot of the window shows, without a toolkit: the x axis of a loaded file
// (the wavelength in nm where the calibration rises across the pixels, else the pixel number),
// the dark and reference spectra, one scan as a chosen quantity, the runs of defined values
// that are drawn as lines, the axis titles, the scan's description and the readout of the
// values at one pixel. The Qt window draws it; tests read it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "export/quantities.h"
#include "scanfile/scan_file.h"

namespace quillon {

// What the x axis counts.
enum class PlotAxis {
    kWavelength,  // nanometres, from the calibration polynomial
    kPixel,       // pixel numbers from 1, when the calibration does not rise across the pixels
};

// The three curves of the plot, one value per pixel; NaN where a value is not defined.
struct SpectrumCurves {
    PlotAxis axis = PlotAxis::kPixel;
    std::vector<double> x;
    std::vector<double> dark;
    std::vector<double> reference;
    // The chosen scan as the chosen quantity; empty while no scan is shown (K = 0).
    std::vector<double> scan;
    Quantity quantity = Quantity::kCounts;
    // The scan shown, from 1; 0 for none.
    std::size_t scanNumber = 0;
    // How many values of the scan curve are not defined.
    std::size_t undefined = 0;
    // The scan's title, subtitle and date-time (see ScanDescription).
    std::string description;
    // Why the scan could not be read (the file named, and the reason); empty when it was.
    std::string problem;
};

// Sets the x axis and the dark and reference curves of `file` and empties the scan curve.
void SetFileCurves(const ScanFile& file, SpectrumCurves& curves);

// Sets the scan curve to scan `scanNumber` (from 1) as `quantity`, computed by the export
// layer's quantities, and its description. A number outside 1..K empties it. The record is
// read through the file, not its memory map, so that a file cut shorter since it was loaded
// (the acquisition software writing it again) leaves an empty curve and the reason in
// `problem` instead of a crash. Reuses the curve's storage.
void SetScanCurve(const ScanFile& file, std::size_t scanNumber, Quantity quantity,
                  SpectrumCurves& curves);

// A run of pixels [begin, end) whose values are all defined: drawn as one line.
struct PixelRun {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const PixelRun&) const = default;
};

// The runs of consecutive finite values; a value that is NaN or infinite breaks the line.
void DefinedRuns(std::span<const double> values, std::vector<PixelRun>& runs);

struct ValueRange {
    double low = 0.0;
    double high = 0.0;
    bool operator==(const ValueRange&) const = default;
};

// The least and greatest finite value of `values` over the pixels whose x lies in
// [xLow, xHigh]; nothing when there is none.
std::optional<ValueRange> FiniteRange(std::span<const double> x, std::span<const double> values,
                                      double xLow, double xHigh);

// The range an axis shows for the values in `range`: a margin of 5 % each side, and a span of
// 1 around a single value, so that a flat line stays inside the plot. [0, 1] without values.
ValueRange PaddedRange(std::optional<ValueRange> range);

// The pixel whose x is nearest to `x`; nothing for a file without pixels.
std::optional<std::size_t> NearestPixel(const SpectrumCurves& curves, double x);

// Axis titles, with units.
std::string XAxisTitle(PlotAxis axis);
std::string QuantityTitle(Quantity quantity);
// The name of a quantity in the window's chooser.
std::string QuantityLabel(Quantity quantity);
inline constexpr Quantity kPlotQuantities[] = {Quantity::kCounts, Quantity::kDarkSubtracted,
                                               Quantity::kTransmittance, Quantity::kAbsorbance};
// True for quantities measured in counts, which share an axis with the dark and reference.
bool InCounts(Quantity quantity);

// A scan's title, subtitle and date-time (UTF-8, from the file's Windows-1252 texts, each up
// to its first zero byte) joined by dashes, e.g. "Hg-Ar lamp — fibre 2 — 2024-03-01 10:15:02";
// empty texts are left out.
std::string ScanDescription(const ScanView& scan);

// Which curves the readout names.
struct CurveVisibility {
    bool dark = true;
    bool reference = true;
    bool scan = true;
};

// The readout of one pixel: its x ("546.07 nm, pixel 812" or "pixel 812") and the values of
// the visible curves there, "not defined" where one has none. Locale-independent numbers.
std::string ReadoutText(const SpectrumCurves& curves, std::size_t pixel, CurveVisibility visible);

// A number as the readout shows it: up to 6 significant digits, '.' for the decimal point.
std::string ReadoutNumber(double value);

}  // namespace quillon
