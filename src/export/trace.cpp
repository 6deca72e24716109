// SPDX-License-Identifier: MIT
// Trace values of a scan at chosen wavelengths.
#include "export/trace.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "export/number_text.h"

namespace quillon {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

std::string Nm(double value) {
    return ShortestText(value) + " nm";
}

// A calibration wavelength as the file holds it: the shortest text of the float, not of the
// double it widens to (198.42, not 198.4199981689453).
std::string Nm(float value) {
    return ShortestText(value) + " nm";
}

// A trace needs wavelengths that rise from pixel to pixel: raises TraceError naming the first
// pixel where they do not.
void CheckAxis(std::span<const float> axis) {
    if (axis.empty()) {
        throw TraceError("the file's spectra have no pixels, so they have no trace");
    }
    for (std::size_t i = 0; i < axis.size(); ++i) {
        if (!std::isfinite(axis[i])) {
            throw TraceError("the wavelength calibration gives pixel " + std::to_string(i + 1) +
                             " no finite wavelength, so no trace can be taken");
        }
        if (i > 0 && !(axis[i] > axis[i - 1])) {
            throw TraceError(
                "the wavelength calibration does not rise strictly across the "
                "pixels (pixel " +
                std::to_string(i + 1) + " at " + Nm(axis[i]) + " follows pixel " +
                std::to_string(i) + " at " + Nm(axis[i - 1]) + "), so no trace can be taken");
        }
    }
}

// A spectrum as long as the axis: what lies beyond its end is no measurement.
std::vector<float> Padded(std::span<const float> values, std::size_t n) {
    std::vector<float> padded(n, std::numeric_limits<float>::quiet_NaN());
    std::copy_n(values.begin(), std::min(n, values.size()), padded.begin());
    return padded;
}

}  // namespace

TracePlan::TracePlan(std::span<const float> axis, std::span<const float> dark,
                     std::span<const float> reference, const TraceSpec& spec)
    : m_Quantity(spec.quantity),
      m_Dark(Padded(dark, axis.size())),
      m_Reference(Padded(reference, axis.size())) {
    if (spec.wavelengths.empty()) {
        throw TraceError("no wavelength was given to trace");
    }
    if (!std::isfinite(spec.band) || spec.band < 0.0) {
        throw TraceError("the band " + Nm(spec.band) + " is not a width of 0 or more");
    }
    CheckAxis(axis);
    const float low = axis.front();
    const float high = axis.back();
    m_nPixelBegin = axis.size();
    for (const double nm : spec.wavelengths) {
        if (!std::isfinite(nm) || nm < low || nm > high) {
            throw TraceError("the wavelength " + Nm(nm) + " lies outside the calibration (" +
                             Nm(low) + " to " + Nm(high) + ")");
        }
        Point point;
        if (spec.band > 0.0) {
            const auto first = std::lower_bound(axis.begin(), axis.end(), nm - spec.band,
                                                [](float a, double x) { return a < x; });
            const auto last = std::upper_bound(axis.begin(), axis.end(), nm + spec.band,
                                               [](double x, float a) { return x < a; });
            if (first >= last) {
                throw TraceError("no pixel lies within " + ShortestText(nm) + " +- " +
                                 Nm(spec.band) + "; choose a wider band");
            }
            point.pixel = static_cast<std::size_t>(first - axis.begin());
            point.count = static_cast<std::size_t>(last - first);
        } else {
            // The pixel at or below the wavelength; the one above it weighs by the distance.
            const auto above = std::upper_bound(axis.begin(), axis.end(), nm,
                                                [](double x, float a) { return x < a; });
            point.pixel = static_cast<std::size_t>(above - axis.begin()) - 1;
            const double below = axis[point.pixel];
            if (nm > below) {
                point.weight = (nm - below) / (static_cast<double>(axis[point.pixel + 1]) - below);
            }
        }
        const std::size_t end =
            point.pixel + std::max<std::size_t>(point.count, 1) + (point.weight > 0.0 ? 1 : 0);
        m_nPixelBegin = std::min(m_nPixelBegin, point.pixel);
        m_nPixelEnd = std::max(m_nPixelEnd, end);
        m_Points.push_back(point);
    }
}

template <typename T>
double TracePlan::PixelValue(std::span<const T> counts, std::size_t pixel) const {
    return QuantityOfCount(m_Quantity, static_cast<double>(counts[pixel]), m_Dark[pixel],
                           m_Reference[pixel]);
}

template <typename T>
std::size_t TracePlan::ValuesOf(std::span<const T> counts, std::span<double> out) const {
    if (out.size() != m_Points.size() || counts.size() < m_nPixelEnd) {
        throw std::invalid_argument("TracePlan::Values: wrong number of counts or values");
    }
    std::size_t undefined = 0;
    for (std::size_t w = 0; w < m_Points.size(); ++w) {
        const Point& point = m_Points[w];
        double value = 0.0;
        if (point.count > 0) {
            // A pixel whose quantity is not defined leaves the band's mean undefined.
            for (std::size_t i = point.pixel; i < point.pixel + point.count; ++i) {
                value += PixelValue(counts, i);
            }
            value /= static_cast<double>(point.count);
        } else if (point.weight == 0.0) {
            value = PixelValue(counts, point.pixel);
        } else {
            // (1 - t) a + t b, as the wavelength grids interpolate.
            value = (1.0 - point.weight) * PixelValue(counts, point.pixel) +
                    point.weight * PixelValue(counts, point.pixel + 1);
        }
        out[w] = value;
        undefined += std::isnan(value) ? 1u : 0u;
    }
    return undefined;
}

std::size_t TracePlan::Values(std::span<const std::int32_t> counts, std::span<double> out) const {
    return ValuesOf(counts, out);
}

std::size_t TracePlan::Values(std::span<const double> meanCounts, std::span<double> out) const {
    return ValuesOf(meanCounts, out);
}

}  // namespace quillon
