// SPDX-License-Identifier: MIT
// What the spectrum plot shows: curves, runs, ranges, titles and the readout.
#include "dialog/spectrum_plot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <exception>
#include <limits>

#include "export/grid.h"
#include "export/text_decoding.h"
#include "platform/failure.h"
#include "render/spectrum_tables.h"
#include "scanfile/scan_reader.h"

namespace quillon {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<double> Widened(std::span<const float> values, std::size_t count) {
    std::vector<double> out(count, kNaN);
    const std::size_t available = std::min(count, values.size());
    for (std::size_t i = 0; i < available; ++i) {
        out[i] = values[i];
    }
    return out;
}

std::string FixedNumber(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    return std::string(buffer.data(), result.ptr);
}

}  // namespace

void SetFileCurves(const ScanFile& file, SpectrumCurves& curves) {
    const auto count = static_cast<std::size_t>(std::max(file.m_nPixelCount, 0));
    const std::vector<float> wavelengths = WavelengthAxis(file);
    curves.axis = PlotAxis::kWavelength;
    try {
        CheckRisingCalibration(wavelengths);
    } catch (const CalibrationError&) {
        curves.axis = PlotAxis::kPixel;
    }
    curves.x.assign(count, 0.0);
    for (std::size_t i = 0; i < count; ++i) {
        curves.x[i] = curves.axis == PlotAxis::kWavelength && i < wavelengths.size()
                          ? static_cast<double>(wavelengths[i])
                          : static_cast<double>(i + 1);
    }
    curves.dark = Widened(file.m_pDarkData, count);
    curves.reference = Widened(file.m_pRefData, count);
    curves.scan.clear();
    curves.scanNumber = 0;
    curves.undefined = 0;
}

void SetScanCurve(const ScanFile& file, std::size_t scanNumber, Quantity quantity,
                  SpectrumCurves& curves) {
    curves.quantity = quantity;
    curves.scan.clear();
    curves.scanNumber = 0;
    curves.undefined = 0;
    curves.description.clear();
    curves.problem.clear();
    if (scanNumber < 1 || scanNumber > file.ScanCount()) {
        return;
    }
    curves.scanNumber = scanNumber;
    try {
        ScanReader reader(file);
        const ScanView scan = reader.Scan(scanNumber - 1);
        const std::size_t count = curves.x.size();
        if (scan.values.size() < count) {
            return;
        }
        curves.scan.resize(count);
        curves.undefined =
            ComputeQuantity(quantity, scan.values, file.m_pDarkData, file.m_pRefData, curves.scan);
        curves.description = ScanDescription(scan);
    } catch (...) {
        curves.scan.clear();
        curves.undefined = 0;
        const Failure failure = DescribeFailure(std::current_exception(), file.m_strPath);
        curves.problem = failure.path + ": " + failure.reason;
    }
}

void DefinedRuns(std::span<const double> values, std::vector<PixelRun>& runs) {
    runs.clear();
    std::size_t i = 0;
    while (i < values.size()) {
        while (i < values.size() && !std::isfinite(values[i])) {
            ++i;
        }
        const std::size_t begin = i;
        while (i < values.size() && std::isfinite(values[i])) {
            ++i;
        }
        if (i > begin) {
            runs.push_back({begin, i});
        }
    }
}

std::optional<ValueRange> FiniteRange(std::span<const double> x, std::span<const double> values,
                                      double xLow, double xHigh) {
    std::optional<ValueRange> range;
    const std::size_t count = std::min(x.size(), values.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (!(x[i] >= xLow && x[i] <= xHigh) || !std::isfinite(values[i])) {
            continue;
        }
        if (!range) {
            range = ValueRange{values[i], values[i]};
        } else {
            range->low = std::min(range->low, values[i]);
            range->high = std::max(range->high, values[i]);
        }
    }
    return range;
}

ValueRange PaddedRange(std::optional<ValueRange> range) {
    if (!range) {
        return {0.0, 1.0};
    }
    const double span = range->high - range->low;
    if (!(span > 0.0) || !std::isfinite(span)) {
        return {range->low - 0.5, range->high + 0.5};
    }
    return {range->low - 0.05 * span, range->high + 0.05 * span};
}

std::optional<std::size_t> NearestPixel(const SpectrumCurves& curves, double x) {
    if (curves.x.empty() || !std::isfinite(x)) {
        return std::nullopt;
    }
    // Both kinds of axis rise across the pixels.
    const auto above = std::lower_bound(curves.x.begin(), curves.x.end(), x);
    if (above == curves.x.begin()) {
        return 0;
    }
    if (above == curves.x.end()) {
        return curves.x.size() - 1;
    }
    const auto below = above - 1;
    const auto nearer = (x - *below) <= (*above - x) ? below : above;
    return static_cast<std::size_t>(nearer - curves.x.begin());
}

std::string XAxisTitle(PlotAxis axis) {
    return axis == PlotAxis::kWavelength ? "Wavelength (nm)" : "Pixel";
}

std::string QuantityTitle(Quantity quantity) {
    switch (quantity) {
        case Quantity::kCounts:
            return "Intensity (counts)";
        case Quantity::kDarkSubtracted:
            return "Dark-subtracted intensity (counts)";
        case Quantity::kTransmittance:
            return "Transmittance";
        case Quantity::kAbsorbance:
            return "Absorbance";
    }
    return {};
}

std::string QuantityLabel(Quantity quantity) {
    switch (quantity) {
        case Quantity::kCounts:
            return "Counts";
        case Quantity::kDarkSubtracted:
            return "Dark-subtracted";
        case Quantity::kTransmittance:
            return "Transmittance";
        case Quantity::kAbsorbance:
            return "Absorbance";
    }
    return {};
}

bool InCounts(Quantity quantity) {
    return quantity == Quantity::kCounts || quantity == Quantity::kDarkSubtracted;
}

std::string ScanDescription(const ScanView& scan) {
    std::string description;
    for (const char* field : {scan.title, scan.subtitle, scan.dateTime}) {
        const std::string text = FieldToUtf8(field, kScanTextSize);
        if (text.empty()) {
            continue;
        }
        if (!description.empty()) {
            description += " \u2014 ";
        }
        description += text;
    }
    return description;
}

std::string ReadoutNumber(double value) {
    if (!std::isfinite(value)) {
        return "not defined";
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 6);
    return std::string(buffer.data(), result.ptr);
}

std::string ReadoutText(const SpectrumCurves& curves, std::size_t pixel, CurveVisibility visible) {
    if (pixel >= curves.x.size()) {
        return {};
    }
    std::string text;
    if (curves.axis == PlotAxis::kWavelength) {
        text = FixedNumber(curves.x[pixel], 2) + " nm, ";
    }
    text += "pixel " + std::to_string(pixel + 1);
    auto add = [&text](const char* name, double value) {
        text += "; ";
        text += name;
        text += ' ';
        text += ReadoutNumber(value);
    };
    if (visible.scan && pixel < curves.scan.size()) {
        const std::string name = "scan " + std::to_string(curves.scanNumber);
        add(name.c_str(), curves.scan[pixel]);
    }
    if (visible.dark && pixel < curves.dark.size()) {
        add("dark", curves.dark[pixel]);
    }
    if (visible.reference && pixel < curves.reference.size()) {
        add("reference", curves.reference[pixel]);
    }
    return text;
}

}  // namespace quillon
