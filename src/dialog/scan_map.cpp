// SPDX-License-Identifier: MIT
// ScanMap: the rows' values, the colour map, the picture of the part shown and the readout.
#include "dialog/scan_map.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dialog/trace_plot.h"

namespace quillon {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The colour of the part of the map whose scans have not been read yet.
constexpr Rgb kUnfilledColor{0xD9, 0xD9, 0xD9};

// viridis, sampled at 256 steps and rounded to 8 bits per channel.
constexpr std::array<Rgb, 256> kViridis = {{
    {0x44, 0x01, 0x54}, {0x44, 0x02, 0x56}, {0x45, 0x04, 0x57}, {0x45, 0x05, 0x59},
    {0x46, 0x07, 0x5A}, {0x46, 0x08, 0x5C}, {0x46, 0x0A, 0x5D}, {0x46, 0x0B, 0x5E},
    {0x47, 0x0D, 0x60}, {0x47, 0x0E, 0x61}, {0x47, 0x10, 0x63}, {0x47, 0x11, 0x64},
    {0x47, 0x13, 0x65}, {0x48, 0x14, 0x67}, {0x48, 0x16, 0x68}, {0x48, 0x17, 0x69},
    {0x48, 0x18, 0x6A}, {0x48, 0x1A, 0x6C}, {0x48, 0x1B, 0x6D}, {0x48, 0x1C, 0x6E},
    {0x48, 0x1D, 0x6F}, {0x48, 0x1F, 0x70}, {0x48, 0x20, 0x71}, {0x48, 0x21, 0x73},
    {0x48, 0x23, 0x74}, {0x48, 0x24, 0x75}, {0x48, 0x25, 0x76}, {0x48, 0x26, 0x77},
    {0x48, 0x28, 0x78}, {0x48, 0x29, 0x79}, {0x47, 0x2A, 0x7A}, {0x47, 0x2C, 0x7A},
    {0x47, 0x2D, 0x7B}, {0x47, 0x2E, 0x7C}, {0x47, 0x2F, 0x7D}, {0x46, 0x30, 0x7E},
    {0x46, 0x32, 0x7E}, {0x46, 0x33, 0x7F}, {0x46, 0x34, 0x80}, {0x45, 0x35, 0x81},
    {0x45, 0x37, 0x81}, {0x45, 0x38, 0x82}, {0x44, 0x39, 0x83}, {0x44, 0x3A, 0x83},
    {0x44, 0x3B, 0x84}, {0x43, 0x3D, 0x84}, {0x43, 0x3E, 0x85}, {0x42, 0x3F, 0x85},
    {0x42, 0x40, 0x86}, {0x42, 0x41, 0x86}, {0x41, 0x42, 0x87}, {0x41, 0x44, 0x87},
    {0x40, 0x45, 0x88}, {0x40, 0x46, 0x88}, {0x3F, 0x47, 0x88}, {0x3F, 0x48, 0x89},
    {0x3E, 0x49, 0x89}, {0x3E, 0x4A, 0x89}, {0x3E, 0x4C, 0x8A}, {0x3D, 0x4D, 0x8A},
    {0x3D, 0x4E, 0x8A}, {0x3C, 0x4F, 0x8A}, {0x3C, 0x50, 0x8B}, {0x3B, 0x51, 0x8B},
    {0x3B, 0x52, 0x8B}, {0x3A, 0x53, 0x8B}, {0x3A, 0x54, 0x8C}, {0x39, 0x55, 0x8C},
    {0x39, 0x56, 0x8C}, {0x38, 0x58, 0x8C}, {0x38, 0x59, 0x8C}, {0x37, 0x5A, 0x8C},
    {0x37, 0x5B, 0x8D}, {0x36, 0x5C, 0x8D}, {0x36, 0x5D, 0x8D}, {0x35, 0x5E, 0x8D},
    {0x35, 0x5F, 0x8D}, {0x34, 0x60, 0x8D}, {0x34, 0x61, 0x8D}, {0x33, 0x62, 0x8D},
    {0x33, 0x63, 0x8D}, {0x32, 0x64, 0x8E}, {0x32, 0x65, 0x8E}, {0x31, 0x66, 0x8E},
    {0x31, 0x67, 0x8E}, {0x31, 0x68, 0x8E}, {0x30, 0x69, 0x8E}, {0x30, 0x6A, 0x8E},
    {0x2F, 0x6B, 0x8E}, {0x2F, 0x6C, 0x8E}, {0x2E, 0x6D, 0x8E}, {0x2E, 0x6E, 0x8E},
    {0x2E, 0x6F, 0x8E}, {0x2D, 0x70, 0x8E}, {0x2D, 0x71, 0x8E}, {0x2C, 0x71, 0x8E},
    {0x2C, 0x72, 0x8E}, {0x2C, 0x73, 0x8E}, {0x2B, 0x74, 0x8E}, {0x2B, 0x75, 0x8E},
    {0x2A, 0x76, 0x8E}, {0x2A, 0x77, 0x8E}, {0x2A, 0x78, 0x8E}, {0x29, 0x79, 0x8E},
    {0x29, 0x7A, 0x8E}, {0x29, 0x7B, 0x8E}, {0x28, 0x7C, 0x8E}, {0x28, 0x7D, 0x8E},
    {0x27, 0x7E, 0x8E}, {0x27, 0x7F, 0x8E}, {0x27, 0x80, 0x8E}, {0x26, 0x81, 0x8E},
    {0x26, 0x82, 0x8E}, {0x26, 0x82, 0x8E}, {0x25, 0x83, 0x8E}, {0x25, 0x84, 0x8E},
    {0x25, 0x85, 0x8E}, {0x24, 0x86, 0x8E}, {0x24, 0x87, 0x8E}, {0x23, 0x88, 0x8E},
    {0x23, 0x89, 0x8E}, {0x23, 0x8A, 0x8D}, {0x22, 0x8B, 0x8D}, {0x22, 0x8C, 0x8D},
    {0x22, 0x8D, 0x8D}, {0x21, 0x8E, 0x8D}, {0x21, 0x8F, 0x8D}, {0x21, 0x90, 0x8D},
    {0x21, 0x91, 0x8C}, {0x20, 0x92, 0x8C}, {0x20, 0x92, 0x8C}, {0x20, 0x93, 0x8C},
    {0x1F, 0x94, 0x8C}, {0x1F, 0x95, 0x8B}, {0x1F, 0x96, 0x8B}, {0x1F, 0x97, 0x8B},
    {0x1F, 0x98, 0x8B}, {0x1F, 0x99, 0x8A}, {0x1F, 0x9A, 0x8A}, {0x1E, 0x9B, 0x8A},
    {0x1E, 0x9C, 0x89}, {0x1E, 0x9D, 0x89}, {0x1F, 0x9E, 0x89}, {0x1F, 0x9F, 0x88},
    {0x1F, 0xA0, 0x88}, {0x1F, 0xA1, 0x88}, {0x1F, 0xA1, 0x87}, {0x1F, 0xA2, 0x87},
    {0x20, 0xA3, 0x86}, {0x20, 0xA4, 0x86}, {0x21, 0xA5, 0x85}, {0x21, 0xA6, 0x85},
    {0x22, 0xA7, 0x85}, {0x22, 0xA8, 0x84}, {0x23, 0xA9, 0x83}, {0x24, 0xAA, 0x83},
    {0x25, 0xAB, 0x82}, {0x25, 0xAC, 0x82}, {0x26, 0xAD, 0x81}, {0x27, 0xAD, 0x81},
    {0x28, 0xAE, 0x80}, {0x29, 0xAF, 0x7F}, {0x2A, 0xB0, 0x7F}, {0x2C, 0xB1, 0x7E},
    {0x2D, 0xB2, 0x7D}, {0x2E, 0xB3, 0x7C}, {0x2F, 0xB4, 0x7C}, {0x31, 0xB5, 0x7B},
    {0x32, 0xB6, 0x7A}, {0x34, 0xB6, 0x79}, {0x35, 0xB7, 0x79}, {0x37, 0xB8, 0x78},
    {0x38, 0xB9, 0x77}, {0x3A, 0xBA, 0x76}, {0x3B, 0xBB, 0x75}, {0x3D, 0xBC, 0x74},
    {0x3F, 0xBC, 0x73}, {0x40, 0xBD, 0x72}, {0x42, 0xBE, 0x71}, {0x44, 0xBF, 0x70},
    {0x46, 0xC0, 0x6F}, {0x48, 0xC1, 0x6E}, {0x4A, 0xC1, 0x6D}, {0x4C, 0xC2, 0x6C},
    {0x4E, 0xC3, 0x6B}, {0x50, 0xC4, 0x6A}, {0x52, 0xC5, 0x69}, {0x54, 0xC5, 0x68},
    {0x56, 0xC6, 0x67}, {0x58, 0xC7, 0x65}, {0x5A, 0xC8, 0x64}, {0x5C, 0xC8, 0x63},
    {0x5E, 0xC9, 0x62}, {0x60, 0xCA, 0x60}, {0x63, 0xCB, 0x5F}, {0x65, 0xCB, 0x5E},
    {0x67, 0xCC, 0x5C}, {0x69, 0xCD, 0x5B}, {0x6C, 0xCD, 0x5A}, {0x6E, 0xCE, 0x58},
    {0x70, 0xCF, 0x57}, {0x73, 0xD0, 0x56}, {0x75, 0xD0, 0x54}, {0x77, 0xD1, 0x53},
    {0x7A, 0xD1, 0x51}, {0x7C, 0xD2, 0x50}, {0x7F, 0xD3, 0x4E}, {0x81, 0xD3, 0x4D},
    {0x84, 0xD4, 0x4B}, {0x86, 0xD5, 0x49}, {0x89, 0xD5, 0x48}, {0x8B, 0xD6, 0x46},
    {0x8E, 0xD6, 0x45}, {0x90, 0xD7, 0x43}, {0x93, 0xD7, 0x41}, {0x95, 0xD8, 0x40},
    {0x98, 0xD8, 0x3E}, {0x9B, 0xD9, 0x3C}, {0x9D, 0xD9, 0x3B}, {0xA0, 0xDA, 0x39},
    {0xA2, 0xDA, 0x37}, {0xA5, 0xDB, 0x36}, {0xA8, 0xDB, 0x34}, {0xAA, 0xDC, 0x32},
    {0xAD, 0xDC, 0x30}, {0xB0, 0xDD, 0x2F}, {0xB2, 0xDD, 0x2D}, {0xB5, 0xDE, 0x2B},
    {0xB8, 0xDE, 0x29}, {0xBA, 0xDE, 0x28}, {0xBD, 0xDF, 0x26}, {0xC0, 0xDF, 0x25},
    {0xC2, 0xDF, 0x23}, {0xC5, 0xE0, 0x21}, {0xC8, 0xE0, 0x20}, {0xCA, 0xE1, 0x1F},
    {0xCD, 0xE1, 0x1D}, {0xD0, 0xE1, 0x1C}, {0xD2, 0xE2, 0x1B}, {0xD5, 0xE2, 0x1A},
    {0xD8, 0xE2, 0x19}, {0xDA, 0xE3, 0x19}, {0xDD, 0xE3, 0x18}, {0xDF, 0xE3, 0x18},
    {0xE2, 0xE4, 0x18}, {0xE5, 0xE4, 0x19}, {0xE7, 0xE4, 0x19}, {0xEA, 0xE5, 0x1A},
    {0xEC, 0xE5, 0x1B}, {0xEF, 0xE5, 0x1C}, {0xF1, 0xE5, 0x1D}, {0xF4, 0xE6, 0x1E},
    {0xF6, 0xE6, 0x20}, {0xF8, 0xE6, 0x21}, {0xFB, 0xE7, 0x23}, {0xFD, 0xE7, 0x25},
}};

// True for a quantity that falls as the count rises (where it is defined).
bool Falls(Quantity quantity) {
    return quantity == Quantity::kAbsorbance;
}

// The index of the value of `x` (rising) nearest to `value`: each covers the x from halfway to
// its neighbours. x must not be empty.
std::size_t NearestIndex(const std::vector<double>& x, double value) {
    const auto above = std::lower_bound(x.begin(), x.end(), value);
    if (above == x.begin()) {
        return 0;
    }
    if (above == x.end()) {
        return x.size() - 1;
    }
    const auto below = above - 1;
    return static_cast<std::size_t>(((value - *below) <= (*above - value) ? below : above) -
                                    x.begin());
}

}  // namespace

const std::array<Rgb, 256>& ViridisColors() {
    return kViridis;
}

Rgb ColorAt(double fraction) {
    if (!(fraction > 0.0)) {
        return kViridis.front();
    }
    if (fraction >= 1.0) {
        return kViridis.back();
    }
    return kViridis[static_cast<std::size_t>(std::lround(fraction * 255.0))];
}

std::string MapRowsLabel(MapRows rows) {
    switch (rows) {
        case MapRows::kMean:
            return "Mean";
        case MapRows::kMaximum:
            return "Maximum";
        case MapRows::kMinimum:
            return "Minimum";
    }
    return {};
}

ScanMap::ScanMap() {
    UpdateTitles();
    SetAxisRange(m_ColorAxis, PaddedRange(std::nullopt));
}

void ScanMap::ShowFile(const ScanFile& file) {
    m_pFile = &file;
    SpectrumCurves curves;
    SetFileCurves(file, curves);
    m_Axis = curves.axis;
    m_X = std::move(curves.x);
    m_nScans = file.ScanCount();
    m_pBins.reset();
    m_nFilledRows = 0;
    m_Values.clear();
    m_ValueRange.reset();
    FitColors();
    UpdateTitles();
    ResetZoom();
}

void ScanMap::SetBins(std::shared_ptr<const MapBins> bins, std::size_t completeRows) {
    if (bins != m_pBins) {
        m_pBins = std::move(bins);
        m_nFilledRows = 0;
        m_ValueRange.reset();
        m_Values.assign(m_pBins ? m_pBins->Rows() * m_pBins->Pixels() : 0,
                        std::numeric_limits<float>::quiet_NaN());
    }
    const std::size_t rows = std::min(completeRows, Rows());
    if (rows > m_nFilledRows) {
        ComputeRows(m_nFilledRows, rows);
        m_nFilledRows = rows;
        FitColors();
    }
}

std::size_t ScanMap::Rows() const {
    return m_pBins ? m_pBins->Rows() : 0;
}

std::size_t ScanMap::ScansFilled() const {
    return m_pBins && m_nFilledRows > 0 ? m_pBins->FirstScan(m_nFilledRows) : 0;
}

void ScanMap::SetQuantity(Quantity quantity) {
    m_Quantity = quantity;
    UpdateTitles();
    m_ValueRange.reset();
    ComputeRows(0, m_nFilledRows);
    FitColors();
}

void ScanMap::SetRowReduction(MapRows rows) {
    m_Rows = rows;
    m_ValueRange.reset();
    ComputeRows(0, m_nFilledRows);
    FitColors();
}

void ScanMap::ComputeRows(std::size_t from, std::size_t to) {
    if (!m_pBins || m_pFile == nullptr) {
        return;
    }
    const std::size_t pixels = m_pBins->Pixels();
    const std::vector<float>& dark = m_pFile->m_pDarkData;
    const std::vector<float>& reference = m_pFile->m_pRefData;
    constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
    // The greatest value comes from the greatest count where the quantity rises with the
    // count, and from the least where it falls.
    const bool greatest = (m_Rows == MapRows::kMaximum) != Falls(m_Quantity);
    for (std::size_t row = from; row < to; ++row) {
        float* const out = m_Values.data() + row * pixels;
        const std::size_t scans = m_pBins->ScanCount(row);
        const std::span<const std::int64_t> sum = m_pBins->Sum(row);
        const std::span<const std::int32_t> extreme =
            greatest ? m_pBins->Max(row) : m_pBins->Min(row);
        const bool mean = m_Rows == MapRows::kMean || scans == 1;
        for (std::size_t p = 0; p < pixels; ++p) {
            const double count = scans == 0 ? kNaN
                                 : mean ? static_cast<double>(sum[p]) / static_cast<double>(scans)
                                        : static_cast<double>(extreme[p]);
            const double value =
                QuantityOfCount(m_Quantity, count, p < dark.size() ? dark[p] : kNoValue,
                                p < reference.size() ? reference[p] : kNoValue);
            out[p] = static_cast<float>(value);
            if (std::isfinite(value)) {
                if (!m_ValueRange) {
                    m_ValueRange = ValueRange{value, value};
                } else {
                    m_ValueRange->low = std::min(m_ValueRange->low, value);
                    m_ValueRange->high = std::max(m_ValueRange->high, value);
                }
            }
        }
    }
}

double ScanMap::Value(std::size_t row, std::size_t pixel) const {
    if (!m_pBins || row >= m_nFilledRows || pixel >= m_pBins->Pixels()) {
        return kNaN;
    }
    return m_Values[row * m_pBins->Pixels() + pixel];
}

void ScanMap::FitColors() {
    // The colour bar spans exactly the values filled (a single value gets a span around it).
    ValueRange range =
        m_ValueRange && m_ValueRange->Span() > 0.0 ? *m_ValueRange : PaddedRange(m_ValueRange);
    SetAxisRange(m_ColorAxis, range);
}

Rgb ScanMap::ColorOf(double value) const {
    if (!std::isfinite(value)) {
        return kUndefinedColor;
    }
    const ValueRange& range = m_ColorAxis.range;
    return ColorAt((value - range.low) / range.Span());
}

void ScanMap::UpdateTitles() {
    m_Frame.SetXTitle(XAxisTitle(m_Axis));
    m_Frame.SetValueTitle(0, "Scan");
    m_ColorAxis.title = QuantityTitle(m_Quantity);
}

ValueRange ScanMap::FullXRange() const {
    if (m_X.size() >= 2 && m_X.front() < m_X.back()) {
        return {m_X.front(), m_X.back()};
    }
    return PaddedRange(m_X.empty()
                           ? std::nullopt
                           : std::optional<ValueRange>(ValueRange{m_X.front(), m_X.front()}));
}

ValueRange ScanMap::FullScanRange() const {
    // Scan n covers [n - 0.5, n + 0.5): the first scan's row starts at the top edge.
    return {0.5, static_cast<double>(std::max<std::size_t>(m_nScans, 1)) + 0.5};
}

double ScanMap::ScanToPixel(const PlotArea& area, double scanNumber) const {
    // The frame counts up from the bottom; the map counts scans down from the top.
    return area.top + area.Bottom() - m_Frame.ValueToPixel(0, area, scanNumber);
}

double ScanMap::PixelToScan(const PlotArea& area, double py) const {
    return m_Frame.PixelToValue(0, area, area.top + area.Bottom() - py);
}

void ScanMap::ResetZoom() {
    m_Frame.SetXRange(FullXRange());
    m_Frame.SetValueRange(0, FullScanRange());
    m_Frame.Unzoom();
}

void ScanMap::ZoomToRect(const PlotArea& area, const PlotArea& dragged) {
    PlotArea mirrored = dragged;
    mirrored.top = area.top + area.Bottom() - dragged.Bottom();
    m_Frame.ZoomToRect(area, mirrored);
}

void ScanMap::Wheel(const PlotArea& area, double px, double py, double steps) {
    m_Frame.Wheel(area, px, area.top + area.Bottom() - py, steps);
}

void ScanMap::ZoomOut() {
    m_Frame.ZoomOut();
}

void ScanMap::Key(PlotKey key) {
    // Up shows earlier scans, which stand higher in the map.
    if (key == PlotKey::kUp) {
        key = PlotKey::kDown;
    } else if (key == PlotKey::kDown) {
        key = PlotKey::kUp;
    }
    m_Frame.Key(key);
}

void ScanMap::RenderImage(const PlotArea& area, std::size_t columns, std::size_t rows,
                          std::vector<Rgb>& out) const {
    out.assign(columns * rows, kUnfilledColor);
    if (!m_pBins || m_nFilledRows == 0 || m_X.empty() || columns == 0 || rows == 0 ||
        area.IsEmpty()) {
        return;
    }
    const std::size_t pixels = m_pBins->Pixels();
    // The file's pixels under each picture column, [first, last]: each file pixel covers the
    // x from halfway to its neighbours, so a narrow line lands in one column.
    std::vector<std::pair<std::size_t, std::size_t>> spans(columns);
    const double columnWidth = area.width / static_cast<double>(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        const double left = area.left + (static_cast<double>(c) * columnWidth);
        const double a = m_Frame.PixelToX(area, left);
        const double b = m_Frame.PixelToX(area, left + (0.999 * columnWidth));
        std::size_t first = std::min(NearestIndex(m_X, a), pixels - 1);
        std::size_t last = std::min(NearestIndex(m_X, b), pixels - 1);
        spans[c] = {std::min(first, last), std::max(first, last)};
    }
    const double rowHeight = area.height / static_cast<double>(rows);
    const auto scans = static_cast<double>(m_nScans);
    for (std::size_t r = 0; r < rows; ++r) {
        const double top = area.top + (static_cast<double>(r) * rowHeight);
        const double a = PixelToScan(area, top);
        const double b = PixelToScan(area, top + (0.999 * rowHeight));
        // Scan n covers [n - 0.5, n + 0.5).
        const double firstScan = std::clamp(std::floor(std::min(a, b) + 0.5), 1.0, scans);
        const double lastScan = std::clamp(std::floor(std::max(a, b) + 0.5), 1.0, scans);
        const std::size_t firstRow = m_pBins->RowOf(static_cast<std::size_t>(firstScan) - 1);
        const std::size_t lastRow =
            std::min(m_pBins->RowOf(static_cast<std::size_t>(lastScan) - 1), m_nFilledRows - 1);
        if (firstRow >= m_nFilledRows) {
            continue;
        }
        Rgb* const line = out.data() + r * columns;
        for (std::size_t c = 0; c < columns; ++c) {
            double reduced = kNaN;
            double sum = 0.0;
            std::size_t count = 0;
            for (std::size_t row = firstRow; row <= lastRow; ++row) {
                const float* const values = m_Values.data() + row * pixels;
                for (std::size_t p = spans[c].first; p <= spans[c].second; ++p) {
                    const double value = values[p];
                    if (!std::isfinite(value)) {
                        continue;
                    }
                    ++count;
                    sum += value;
                    if (count == 1 || (m_Rows == MapRows::kMaximum && value > reduced) ||
                        (m_Rows == MapRows::kMinimum && value < reduced)) {
                        reduced = value;
                    }
                }
            }
            if (m_Rows == MapRows::kMean && count > 0) {
                reduced = sum / static_cast<double>(count);
            }
            line[c] = ColorOf(reduced);
        }
    }
}

std::optional<MapPick> ScanMap::PickAt(const PlotArea& area, double px, double py) const {
    if (!m_pBins || m_X.empty() || m_nScans == 0 || area.IsEmpty() || !area.Contains(px, py)) {
        return std::nullopt;
    }
    const auto pixel = NearestIndex(m_X, m_Frame.PixelToX(area, px));
    const double scan =
        std::clamp(std::floor(PixelToScan(area, py) + 0.5), 1.0, static_cast<double>(m_nScans));
    MapPick pick;
    pick.scan = static_cast<std::size_t>(scan) - 1;
    pick.row = m_pBins->RowOf(pick.scan);
    if (pick.row >= m_nFilledRows || pixel >= m_pBins->Pixels()) {
        return std::nullopt;
    }
    pick.pixel = pixel;
    pick.x = m_X[pixel];
    pick.value = Value(pick.row, pixel);
    return pick;
}

std::string ScanMap::ReadoutAt(const PlotArea& area, double px, double py) const {
    const std::optional<MapPick> pick = PickAt(area, px, py);
    if (!pick) {
        return kMapHint;
    }
    std::string text = "scan " + std::to_string(pick->scan + 1);
    const std::size_t scans = m_pBins->ScanCount(pick->row);
    if (scans > 1) {
        const std::size_t first = m_pBins->FirstScan(pick->row) + 1;
        text += " (row of scans " + std::to_string(first) + "\u2013" +
                std::to_string(first + scans - 1) + ", " +
                (m_Rows == MapRows::kMean      ? std::string("mean counts")
                 : m_Rows == MapRows::kMaximum ? std::string("maximum")
                                               : std::string("minimum")) +
                ")";
    }
    if (m_Axis == PlotAxis::kWavelength) {
        text += ", " + TickLabel(pick->x, 2) + " nm";
    }
    text += ", pixel " + std::to_string(pick->pixel + 1) + ": " + ReadoutNumber(pick->value);
    return text;
}

std::string ScanMap::Legend() const {
    if (!m_pBins || m_pBins->Rows() == 0) {
        return {};
    }
    // The rows hold K / R scans, rounded down or up.
    const std::size_t fewest = m_pBins->Scans() / m_pBins->Rows();
    const std::size_t most = fewest + (m_pBins->Scans() % m_pBins->Rows() != 0 ? 1 : 0);
    if (most <= 1) {
        return "Each row is one scan.";
    }
    const std::string scans = fewest == most
                                  ? std::to_string(most)
                                  : std::to_string(fewest) + " or " + std::to_string(most);
    switch (m_Rows) {
        case MapRows::kMean:
            return "Each row: the mean counts of " + scans + " scans.";
        case MapRows::kMaximum:
            return "Each row: the greatest value of " + scans + " scans.";
        case MapRows::kMinimum:
            return "Each row: the least value of " + scans + " scans.";
    }
    return {};
}

std::string ScanMap::Description() const {
    if (m_pFile == nullptr) {
        return "No file is loaded.";
    }
    return "Map of the " + QuantityLabel(m_Quantity) + " of " + std::to_string(m_nScans) +
           " scans, scans down and " +
           (m_Axis == PlotAxis::kWavelength ? "wavelength in nm" : "pixel number") + " across; " +
           std::to_string(ScansFilled()) + " scans shown. " + Legend();
}

std::string ScanMap::PictureName() const {
    return NameBeside(m_pFile, "_map_" + QuantitySlug(m_Quantity) + ".png", "map.png");
}

}  // namespace quillon
