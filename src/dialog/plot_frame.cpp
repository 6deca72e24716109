// SPDX-License-Identifier: MIT
// The ranges, ticks, zoom and pixel mapping of a plot's axes.
#include "dialog/plot_frame.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace quillon {

namespace {

// More ticks than this on one axis would be a fault in the step, not a plot.
constexpr double kMaxTicks = 1000.0;

// True for a range an axis can show: finite ends, the low below the high, and a span that
// still tells its ends apart in doubles.
bool Showable(ValueRange range) {
    if (!std::isfinite(range.low) || !std::isfinite(range.high) || !(range.low < range.high)) {
        return false;
    }
    const double magnitude = std::max(std::abs(range.low), std::abs(range.high));
    return range.Span() > magnitude * 1e-12 && std::isfinite(range.Span());
}

ValueRange Fraction(ValueRange range, double from, double to) {
    return {range.low + from * range.Span(), range.low + to * range.Span()};
}

}  // namespace

std::optional<ValueRange> United(std::optional<ValueRange> a, std::optional<ValueRange> b) {
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return ValueRange{std::min(a->low, b->low), std::max(a->high, b->high)};
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

double NiceStep(double span) {
    if (!(span > 0.0) || !std::isfinite(span)) {
        return 1.0;
    }
    const double raw = span / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double multiple : {1.0, 2.0, 5.0}) {
        if (raw <= multiple * power) {
            return multiple * power;
        }
    }
    return 10.0 * power;
}

int TickDecimals(double step) {
    return std::max(0, static_cast<int>(-std::floor(std::log10(step))));
}

std::string TickLabel(double value, int decimals) {
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    return std::string(buffer.data(), result.ptr);
}

void SetAxisRange(Axis& axis, ValueRange range) {
    axis.range = range;
    axis.step = NiceStep(range.Span());
    axis.decimals = TickDecimals(axis.step);
    axis.ticks.clear();
    const double first = std::ceil(range.low / axis.step);
    const double last = std::floor(range.high / axis.step);
    if (!std::isfinite(first) || !std::isfinite(last) || last - first >= kMaxTicks) {
        return;
    }
    for (double k = first; k <= last; k += 1.0) {
        // 0 rather than -0 where the range crosses zero.
        const double value = k == 0.0 ? 0.0 : k * axis.step;
        axis.ticks.push_back({value, TickLabel(value, axis.decimals)});
    }
}

bool PlotArea::Contains(double px, double py) const {
    return px >= left && px <= Right() && py >= top && py <= Bottom();
}

double XToPixel(ValueRange range, const PlotArea& area, double x) {
    return area.left + (x - range.low) / range.Span() * area.width;
}

double PixelToX(ValueRange range, const PlotArea& area, double px) {
    return range.low + (px - area.left) / area.width * range.Span();
}

double ValueToPixel(ValueRange range, const PlotArea& area, double value) {
    return area.Bottom() - (value - range.low) / range.Span() * area.height;
}

double PixelToValue(ValueRange range, const PlotArea& area, double py) {
    return range.low + (area.Bottom() - py) / area.height * range.Span();
}

PlotFrame::PlotFrame(std::size_t valueAxes) : m_Values(valueAxes) {
    SetAxisRange(m_X, {0.0, 1.0});
    for (Axis& axis : m_Values) {
        SetAxisRange(axis, {0.0, 1.0});
    }
}

void PlotFrame::SetXTitle(std::string title) {
    m_X.title = std::move(title);
}

void PlotFrame::SetValueTitle(std::size_t index, std::string title) {
    m_Values.at(index).title = std::move(title);
}

void PlotFrame::SetValueVisible(std::size_t index, bool visible) {
    m_Values.at(index).visible = visible;
}

void PlotFrame::SetXRange(ValueRange range) {
    SetAxisRange(m_X, range);
}

void PlotFrame::SetValueRange(std::size_t index, ValueRange range) {
    SetAxisRange(m_Values.at(index), range);
}

void PlotFrame::ShowFractions(double from, double to, double valueFrom, double valueTo) {
    const ValueRange x = Fraction(m_X.range, from, to);
    std::vector<ValueRange> values;
    values.reserve(m_Values.size());
    for (const Axis& axis : m_Values) {
        values.push_back(Fraction(axis.range, valueFrom, valueTo));
        if (!Showable(values.back())) {
            return;
        }
    }
    if (!Showable(x)) {
        return;
    }
    SetAxisRange(m_X, x);
    for (std::size_t i = 0; i < m_Values.size(); ++i) {
        SetAxisRange(m_Values[i], values[i]);
    }
    m_bZoomed = true;
}

void PlotFrame::ZoomToRect(const PlotArea& area, const PlotArea& rect) {
    if (area.IsEmpty()) {
        return;
    }
    const double left = std::clamp(std::min(rect.left, rect.Right()), area.left, area.Right());
    const double right = std::clamp(std::max(rect.left, rect.Right()), area.left, area.Right());
    const double top = std::clamp(std::min(rect.top, rect.Bottom()), area.top, area.Bottom());
    const double bottom = std::clamp(std::max(rect.top, rect.Bottom()), area.top, area.Bottom());
    if (!(right > left) || !(bottom > top)) {
        return;
    }
    ShowFractions((left - area.left) / area.width, (right - area.left) / area.width,
                  (area.Bottom() - bottom) / area.height, (area.Bottom() - top) / area.height);
}

void PlotFrame::ZoomAbout(const PlotArea& area, double px, double py, double factor) {
    if (area.IsEmpty() || !(factor > 0.0) || !std::isfinite(factor)) {
        return;
    }
    if (!area.Contains(px, py)) {
        px = area.left + area.width / 2.0;
        py = area.top + area.height / 2.0;
    }
    const double fx = (px - area.left) / area.width;
    const double fy = (area.Bottom() - py) / area.height;
    ShowFractions(fx - fx * factor, fx + (1.0 - fx) * factor, fy - fy * factor,
                  fy + (1.0 - fy) * factor);
}

void PlotFrame::Scroll(double xFraction, double valueFraction) {
    ShowFractions(xFraction, 1.0 + xFraction, valueFraction, 1.0 + valueFraction);
}

void PlotFrame::Wheel(const PlotArea& area, double px, double py, double steps) {
    if (steps != 0.0) {
        ZoomAbout(area, px, py, std::pow(0.8, steps));
    }
}

void PlotFrame::ZoomOut() {
    const PlotArea unit{0.0, 0.0, 1.0, 1.0};
    ZoomAbout(unit, 0.5, 0.5, 2.0);
}

void PlotFrame::Key(PlotKey key) {
    const PlotArea unit{0.0, 0.0, 1.0, 1.0};
    switch (key) {
        case PlotKey::kZoomIn:
            ZoomAbout(unit, 0.5, 0.5, 0.8);
            break;
        case PlotKey::kZoomOut:
            ZoomAbout(unit, 0.5, 0.5, 1.25);
            break;
        case PlotKey::kLeft:
            Scroll(-0.1, 0.0);
            break;
        case PlotKey::kRight:
            Scroll(0.1, 0.0);
            break;
        case PlotKey::kUp:
            Scroll(0.0, 0.1);
            break;
        case PlotKey::kDown:
            Scroll(0.0, -0.1);
            break;
    }
}

double PlotFrame::XToPixel(const PlotArea& area, double x) const {
    return quillon::XToPixel(m_X.range, area, x);
}

double PlotFrame::PixelToX(const PlotArea& area, double px) const {
    return quillon::PixelToX(m_X.range, area, px);
}

double PlotFrame::ValueToPixel(std::size_t index, const PlotArea& area, double value) const {
    return quillon::ValueToPixel(m_Values.at(index).range, area, value);
}

double PlotFrame::PixelToValue(std::size_t index, const PlotArea& area, double py) const {
    return quillon::PixelToValue(m_Values.at(index).range, area, py);
}

}  // namespace quillon
