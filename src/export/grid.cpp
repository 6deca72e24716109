// SPDX-License-Identifier: MIT
// Wavelength grids and linear interpolation onto them.
#include "export/grid.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "export/number_text.h"

namespace quillon {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// One number of the grid text, all of `text` or nothing.
bool ParseNumber(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const char* const end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

}  // namespace

GridSpec ParseGrid(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    GridSpec grid;
    if (second == std::string_view::npos || !ParseNumber(text.substr(0, first), grid.start) ||
        !ParseNumber(text.substr(first + 1, second - first - 1), grid.step) ||
        !ParseNumber(text.substr(second + 1), grid.end)) {
        throw GridSyntaxError("the grid '" + std::string(text) +
                              "' is not START:STEP:END in nanometres, e.g. 400:0.5:800");
    }
    if (!(grid.step > 0.0)) {
        throw GridSyntaxError("the grid's STEP must be above 0");
    }
    if (!(grid.start < grid.end)) {
        throw GridSyntaxError("the grid's START must lie below its END");
    }
    const double intervals = (grid.end - grid.start) / grid.step;
    if (!(intervals < static_cast<double>(kMaxGridPoints))) {
        throw GridSyntaxError("the grid has more than " + std::to_string(kMaxGridPoints) +
                              " points; choose a larger STEP");
    }
    return grid;
}

std::size_t GridPointCount(const GridSpec& grid) {
    // A relative allowance of 1e-9 interval keeps END when rounding put it a hair beyond the
    // last whole step (400:0.1:800 has 4001 points, although 400 / 0.1 is 3999.9999...).
    const double intervals = (grid.end - grid.start) / grid.step;
    if (!(intervals >= 0.0)) {
        return 0;
    }
    return static_cast<std::size_t>(std::floor(intervals + 1e-9)) + 1;
}

double GridPoint(const GridSpec& grid, std::size_t j) {
    return grid.start + static_cast<double>(j) * grid.step;
}

void CheckRisingCalibration(std::span<const float> axis) {
    for (std::size_t i = 0; i < axis.size(); ++i) {
        if (!std::isfinite(axis[i])) {
            throw CalibrationError("the wavelength calibration gives pixel " +
                                   std::to_string(i + 1) + " no finite wavelength (" +
                                   ShortestText(axis[i]) +
                                   "), so no wavelength grid can be laid over it");
        }
        if (i > 0 && !(axis[i] > axis[i - 1])) {
            throw CalibrationError(
                "the wavelength calibration does not rise strictly across the pixels (pixel " +
                std::to_string(i + 1) + " at " + ShortestText(axis[i]) + " nm follows pixel " +
                std::to_string(i) + " at " + ShortestText(axis[i - 1]) +
                " nm), so no wavelength grid can be laid over it");
        }
    }
}

Resampler::Resampler(std::span<const float> axis, const GridSpec& grid)
    : m_Grid(grid), m_nPixelCount(axis.size()) {
    CheckRisingCalibration(axis);
    const std::size_t count = GridPointCount(grid);
    m_Points.resize(count);
    // Points rise, so the pixel below each one only moves forward.
    std::size_t pixel = 0;
    for (std::size_t j = 0; j < count; ++j) {
        const double x = GridPoint(grid, j);
        PointPlan& plan = m_Points[j];
        plan.pixel = kOutside;
        plan.weight = 0.0;
        if (axis.empty() || x < static_cast<double>(axis.front()) ||
            x > static_cast<double>(axis.back())) {
            continue;
        }
        while (pixel + 1 < axis.size() && static_cast<double>(axis[pixel + 1]) <= x) {
            ++pixel;
        }
        plan.pixel = static_cast<std::uint32_t>(pixel);
        const double below = static_cast<double>(axis[pixel]);
        if (x > below) {
            // Inside the range and above this pixel, so a pixel above exists.
            const double above = static_cast<double>(axis[pixel + 1]);
            plan.weight = (x - below) / (above - below);
        }
    }
}

std::size_t Resampler::PixelBegin(std::size_t first, std::size_t last) const noexcept {
    for (std::size_t j = first; j < last && j < m_Points.size(); ++j) {
        if (m_Points[j].pixel != kOutside) {
            return m_Points[j].pixel;
        }
    }
    return 0;
}

std::size_t Resampler::PixelEnd(std::size_t first, std::size_t last) const noexcept {
    for (std::size_t j = std::min(last, m_Points.size()); j > first; --j) {
        const PointPlan& plan = m_Points[j - 1];
        if (plan.pixel != kOutside) {
            return std::min<std::size_t>(plan.pixel + 2u, m_nPixelCount);
        }
    }
    return 0;
}

template <typename T>
std::size_t Resampler::Resample(std::span<const T> values, std::size_t pixelBegin,
                                std::size_t first, std::span<double> out) const {
    std::size_t undefined = 0;
    for (std::size_t k = 0; k < out.size(); ++k) {
        const PointPlan& plan = m_Points[first + k];
        double value = kUndefined;
        if (plan.pixel != kOutside) {
            const std::size_t i = plan.pixel - pixelBegin;
            const double below = static_cast<double>(values[i]);
            if (plan.weight == 0.0) {
                value = below;
            } else {
                // (1 - t) a + t b: exact at both ends, NaN when either neighbour is NaN.
                const double above = static_cast<double>(values[i + 1]);
                value = (1.0 - plan.weight) * below + plan.weight * above;
            }
        }
        out[k] = value;
        undefined += std::isnan(value) ? 1u : 0u;
    }
    return undefined;
}

template std::size_t Resampler::Resample(std::span<const float>, std::size_t, std::size_t,
                                         std::span<double>) const;
template std::size_t Resampler::Resample(std::span<const double>, std::size_t, std::size_t,
                                         std::span<double>) const;
template std::size_t Resampler::Resample(std::span<const std::int32_t>, std::size_t, std::size_t,
                                         std::span<double>) const;

}  // namespace quillon
