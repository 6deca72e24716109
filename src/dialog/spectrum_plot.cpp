// SPDX-License-Identifier: MIT
// What the spectrum plot shows: curves, runs, titles and the readout; and the plot's state.
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
        text = TickLabel(curves.x[pixel], 2) + " nm, ";
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

// ---- SpectrumPlot ----

namespace {

constexpr std::array<CurveStyle, kCurveCount> kCurveStyles = {{
    {"Dark", {0x59, 0x59, 0x59}, 1.2},
    {"Reference", {0xE0, 0x7B, 0x00}, 1.2},
    {"Scan", {0x1F, 0x5F, 0xBF}, 1.6},
}};

std::size_t IndexOf(Curve curve) {
    return static_cast<std::size_t>(curve);
}

}  // namespace

const CurveStyle& StyleOf(Curve curve) {
    return kCurveStyles.at(IndexOf(curve));
}

SpectrumPlot::SpectrumPlot() {
    UpdateTitles();
}

std::size_t SpectrumPlot::ScanCount() const {
    return m_pFile == nullptr ? 0 : m_pFile->ScanCount();
}

void SpectrumPlot::ShowFile(const ScanFile& file) {
    m_pFile = &file;
    SetFileCurves(file, m_Curves);
    SetScanCurve(file, file.ScanCount() == 0 ? 0 : 1, m_Curves.quantity, m_Curves);
    for (Curve curve : kCurveDrawingOrder) {
        UpdateRuns(curve);
    }
    UpdateTitles();
    ResetZoom();
}

void SpectrumPlot::ShowScan(std::size_t number) {
    if (m_pFile == nullptr) {
        return;
    }
    SetScanCurve(*m_pFile, number, m_Curves.quantity, m_Curves);
    UpdateRuns(Curve::kScan);
    if (!IsZoomed()) {
        FitValues(FullXRange());
    }
}

void SpectrumPlot::ShowQuantity(Quantity quantity) {
    m_Curves.quantity = quantity;
    UpdateTitles();
    if (m_pFile == nullptr) {
        return;
    }
    SetScanCurve(*m_pFile, m_Curves.scanNumber, quantity, m_Curves);
    UpdateRuns(Curve::kScan);
    // The values change their meaning: fit them again over the x range shown.
    FitValues(XAxis().range);
}

void SpectrumPlot::SetCurveVisible(Curve curve, bool visible) {
    switch (curve) {
        case Curve::kDark:
            m_Visible.dark = visible;
            break;
        case Curve::kReference:
            m_Visible.reference = visible;
            break;
        case Curve::kScan:
            m_Visible.scan = visible;
            break;
    }
    if (!IsZoomed()) {
        FitValues(XAxis().range);
    }
}

bool SpectrumPlot::IsCurveVisible(Curve curve) const {
    switch (curve) {
        case Curve::kDark:
            return m_Visible.dark;
        case Curve::kReference:
            return m_Visible.reference;
        case Curve::kScan:
            return m_Visible.scan;
    }
    return false;
}

void SpectrumPlot::ResetZoom() {
    const ValueRange x = FullXRange();
    m_Frame.SetXRange(x);
    FitValues(x);
    m_Frame.Unzoom();
}

void SpectrumPlot::ZoomToRect(const PlotArea& area, const PlotArea& dragged) {
    m_Frame.ZoomToRect(area, dragged);
}

void SpectrumPlot::Wheel(const PlotArea& area, double px, double py, double steps) {
    m_Frame.Wheel(area, px, py, steps);
}

void SpectrumPlot::ZoomOut() {
    m_Frame.ZoomOut();
}

void SpectrumPlot::Key(PlotKey key) {
    m_Frame.Key(key);
}

const std::vector<double>& SpectrumPlot::Values(Curve curve) const {
    switch (curve) {
        case Curve::kDark:
            return m_Curves.dark;
        case Curve::kReference:
            return m_Curves.reference;
        case Curve::kScan:
            break;
    }
    return m_Curves.scan;
}

const std::vector<PixelRun>& SpectrumPlot::Runs(Curve curve) const {
    return m_Runs.at(IndexOf(curve));
}

std::size_t SpectrumPlot::AxisOf(Curve curve) {
    return curve == Curve::kScan ? kQuantityAxis : kCountsAxis;
}

std::array<LegendEntry, kCurveCount> SpectrumPlot::Legend() const {
    std::array<LegendEntry, kCurveCount> entries;
    for (std::size_t i = 0; i < kCurveCount; ++i) {
        const Curve curve = kCurveDrawingOrder[i];
        entries[i] = {curve, StyleOf(curve).name, !IsCurveVisible(curve)};
    }
    return entries;
}

std::string SpectrumPlot::ScanTexts() const {
    if (ScanCount() == 0) {
        return "This file holds no scans.";
    }
    if (!m_Curves.problem.empty()) {
        // The file changed on disk since it was loaded: say so where the texts stand.
        return "Scan " + std::to_string(m_Curves.scanNumber) +
               " could not be read: " + m_Curves.problem;
    }
    return m_Curves.description;
}

std::string SpectrumPlot::ScanTextsName() const {
    if (ScanCount() == 0 || !m_Curves.problem.empty()) {
        return ScanTexts();
    }
    return "Scan " + std::to_string(m_Curves.scanNumber) + " of " + std::to_string(ScanCount()) +
           ": " + (m_Curves.description.empty() ? "no title or date" : m_Curves.description);
}

std::string SpectrumPlot::Description() const {
    if (m_pFile == nullptr) {
        return "No file is loaded.";
    }
    std::string text =
        QuantityLabel(m_Curves.quantity) + " of scan " + std::to_string(m_Curves.scanNumber) +
        " against " +
        (m_Curves.axis == PlotAxis::kWavelength ? "wavelength in nm" : "pixel number") +
        ", with the dark and reference spectra";
    if (m_Curves.undefined > 0) {
        text += "; " + std::to_string(m_Curves.undefined) + " values not defined";
    }
    return text;
}

std::string SpectrumPlot::ReadoutAt(const PlotArea& area, double px, double py) const {
    if (m_pFile == nullptr || area.IsEmpty() || !area.Contains(px, py)) {
        return kReadoutHint;
    }
    const std::optional<std::size_t> pixel = NearestPixel(m_Curves, m_Frame.PixelToX(area, px));
    if (!pixel) {
        return "This file has no pixels.";
    }
    return ReadoutText(m_Curves, *pixel, m_Visible);
}

std::optional<std::size_t> SpectrumPlot::PixelAt(const PlotArea& area, double px, double py) const {
    if (m_pFile == nullptr || area.IsEmpty() || !area.Contains(px, py)) {
        return std::nullopt;
    }
    return NearestPixel(m_Curves, m_Frame.PixelToX(area, px));
}

void SpectrumPlot::UpdateRuns(Curve curve) {
    DefinedRuns(Values(curve), m_Runs.at(IndexOf(curve)));
}

void SpectrumPlot::UpdateTitles() {
    m_Frame.SetXTitle(XAxisTitle(m_Curves.axis));
    m_Frame.SetValueTitle(kQuantityAxis, QuantityTitle(m_Curves.quantity));
    m_Frame.SetValueTitle(kCountsAxis, "Dark and reference (counts)");
    m_Frame.SetValueVisible(kCountsAxis, !InCounts(m_Curves.quantity));
}

ValueRange SpectrumPlot::FullXRange() const {
    const std::vector<double>& x = m_Curves.x;
    if (x.size() >= 2 && x.front() < x.back()) {
        return {x.front(), x.back()};
    }
    return PaddedRange(x.empty() ? std::nullopt
                                 : std::optional<ValueRange>(ValueRange{x.front(), x.front()}));
}

void SpectrumPlot::FitValues(ValueRange x) {
    auto rangeOf = [&](Curve curve) {
        return IsCurveVisible(curve) ? FiniteRange(m_Curves.x, Values(curve), x.low, x.high)
                                     : std::nullopt;
    };
    const auto scan = rangeOf(Curve::kScan);
    const auto spectra = United(rangeOf(Curve::kDark), rangeOf(Curve::kReference));
    if (InCounts(m_Curves.quantity)) {
        // One scale for all three: the hidden right axis repeats the left one.
        const ValueRange all = PaddedRange(United(scan, spectra));
        m_Frame.SetValueRange(kQuantityAxis, all);
        m_Frame.SetValueRange(kCountsAxis, all);
    } else {
        m_Frame.SetValueRange(kQuantityAxis, PaddedRange(scan));
        m_Frame.SetValueRange(kCountsAxis, PaddedRange(spectra));
    }
}

}  // namespace quillon
