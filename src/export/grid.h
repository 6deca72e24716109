// SPDX-License-Identifier: MIT
// Wavelength grids: a text START:STEP:END (nanometres) turned into grid points, and the linear
// interpolation of per-pixel values onto them across a strictly rising calibration.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Grid points START + j * STEP for j = 0, 1, ... up to END inclusive.
struct GridSpec {
    double start = 0.0;
    double step = 0.0;
    double end = 0.0;
};

// More points than any spreadsheet has rows would only make files nobody can open.
constexpr std::size_t kMaxGridPoints = 1'048'576;

// A text that is not a grid: not three numbers, STEP not above 0, START not below END, or more
// than kMaxGridPoints points. what() says which.
class GridSyntaxError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// A calibration that does not rise strictly from pixel to pixel: no grid can be laid over it.
class CalibrationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses "START:STEP:END": three decimal numbers (as C reads them, whatever the locale) with
// STEP > 0 and START < END. Raises GridSyntaxError.
GridSpec ParseGrid(std::string_view text);

// How many points the grid has: END counts when it lies within rounding of a point.
std::size_t GridPointCount(const GridSpec& grid);
// Point j: START + j * STEP, computed afresh for every j (no sum of steps drifts).
double GridPoint(const GridSpec& grid, std::size_t j);

// Raises CalibrationError, naming the first pixel where the axis fails to rise, unless every
// wavelength is finite and above the one before.
void CheckRisingCalibration(std::span<const float> axis);

// Linear interpolation from the pixels of a rising wavelength axis onto a grid. For each grid
// point it keeps the pixel at or below the point and the weight of the pixel above it. A point
// outside the measured range is not defined; a point on a pixel's wavelength takes that pixel's
// value; a point between two pixels is not defined when either of their values is not.
class Resampler {
  public:
    // Raises CalibrationError when the axis does not rise strictly.
    Resampler(std::span<const float> axis, const GridSpec& grid);

    std::size_t PointCount() const noexcept { return m_Points.size(); }
    double Point(std::size_t j) const noexcept { return GridPoint(m_Grid, j); }

    // The pixels that points [first, last) interpolate from: [PixelBegin, PixelEnd), empty when
    // none of them lies within the measured range.
    std::size_t PixelBegin(std::size_t first, std::size_t last) const noexcept;
    std::size_t PixelEnd(std::size_t first, std::size_t last) const noexcept;

    // out[j - first] for points first <= j < first + out.size(), from values[i - pixelBegin]
    // for pixel i (values start at pixel pixelBegin). Returns how many are not defined (NaN).
    template <typename T>
    std::size_t Resample(std::span<const T> values, std::size_t pixelBegin, std::size_t first,
                         std::span<double> out) const;

  private:
    static constexpr std::uint32_t kOutside = UINT32_MAX;
    struct PointPlan {
        double weight;        // of pixel + 1; 0 on a pixel's own wavelength
        std::uint32_t pixel;  // kOutside when the point lies outside the measured range
    };
    GridSpec m_Grid;
    std::size_t m_nPixelCount = 0;
    std::vector<PointPlan> m_Points;
};

extern template std::size_t Resampler::Resample(std::span<const float>, std::size_t, std::size_t,
                                                std::span<double>) const;
extern template std::size_t Resampler::Resample(std::span<const double>, std::size_t, std::size_t,
                                                std::span<double>) const;
extern template std::size_t Resampler::Resample(std::span<const std::int32_t>, std::size_t,
                                                std::size_t, std::span<double>) const;

}  // namespace quillon
