// SPDX-License-Identifier: MIT
// Traces: the value of every scan at a few wavelengths, interpolated at each wavelength or
// averaged over a band around it, as the chosen quantity. A TracePlan is made once per file
// (it checks the wavelengths against the calibration) and then applied to each scan, or to the
// mean counts of a few scans.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "export/quantities.h"

namespace quillon {

struct TraceSpec {
    std::vector<double> wavelengths;  // nm, in the order the user gave them
    double band = 0.0;  // 0: the value interpolated at each wavelength; > 0: the mean over
                        // the pixels within wavelength +- band
    Quantity quantity = Quantity::kCounts;
};

// A wavelength outside the calibration, a band holding no pixel, or a calibration that does not
// rise: what() names the wavelength (or the pixel) and the reason.
class TraceError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// What one scan gives at the wavelengths of a TraceSpec: built once per file, then applied to
// every scan (from several threads at once if need be).
class TracePlan {
  public:
    // axis: the file's wavelength per pixel (WavelengthAxis); dark, reference: the file's
    // spectra. Raises TraceError.
    TracePlan(std::span<const float> axis, std::span<const float> dark,
              std::span<const float> reference, const TraceSpec& spec);

    std::size_t Count() const noexcept { return m_Points.size(); }  // wavelengths
    // The pixels any value reads: [PixelBegin, PixelEnd).
    std::size_t PixelBegin() const noexcept { return m_nPixelBegin; }
    std::size_t PixelEnd() const noexcept { return m_nPixelEnd; }
    Quantity TraceQuantity() const noexcept { return m_Quantity; }

    // out[w] (out.size() == Count()) from one scan's counts (all N pixels), or from the mean
    // counts of several scans (--average). NaN where the quantity is not defined. Returns how
    // many values are not defined.
    std::size_t Values(std::span<const std::int32_t> counts, std::span<double> out) const;
    std::size_t Values(std::span<const double> meanCounts, std::span<double> out) const;

  private:
    // One wavelength: interpolated between pixel and pixel + 1 with `weight` on the pixel
    // above (0 on a pixel's own wavelength), or the mean of pixels [pixel, pixel + count).
    struct Point {
        std::size_t pixel = 0;
        std::size_t count = 0;  // 0: interpolated
        double weight = 0.0;
    };
    template <typename T>
    std::size_t ValuesOf(std::span<const T> counts, std::span<double> out) const;
    template <typename T>
    double PixelValue(std::span<const T> counts, std::size_t pixel) const;

    Quantity m_Quantity;
    std::vector<Point> m_Points;
    std::vector<float> m_Dark;       // the file's dark spectrum, NaN beyond its end
    std::vector<float> m_Reference;  // the same for the reference
    std::size_t m_nPixelBegin = 0;
    std::size_t m_nPixelEnd = 0;
};

}  // namespace quillon
