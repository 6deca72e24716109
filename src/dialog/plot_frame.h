// SPDX-License-Identifier: MIT
// The arithmetic of a plot of values against x, without a toolkit and without knowing what
// the values are: the ranges the axes show, their ticks at 1, 2 or 5 times a power of ten with
// the labels printed beside them, the zoom (a dragged rectangle, the wheel about the pointer,
// the keys, back to the fitted ranges) and the mapping between data and the pixels of the
// rectangle a window draws the plot in, so that every window turns a pointer position into
// data the same way. The spectrum plot uses it; so can any other plot of the program.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillon {

struct ValueRange {
    double low = 0.0;
    double high = 0.0;
    double Span() const { return high - low; }
    bool operator==(const ValueRange&) const = default;
};

// The smallest range holding both; either alone when the other is missing.
std::optional<ValueRange> United(std::optional<ValueRange> a, std::optional<ValueRange> b);

// The range an axis shows for the values in `range`: a margin of 5 % each side, and a span of
// 1 around a single value, so that a flat line stays inside the plot. [0, 1] without values.
ValueRange PaddedRange(std::optional<ValueRange> range);

// The distance between ticks: 1, 2 or 5 times a power of ten, giving about five ticks over
// `span`; 1 for a span that is not a positive number.
double NiceStep(double span);
// The decimals a tick label needs to tell ticks `step` apart: 0 for steps of 1 and more.
int TickDecimals(double step);
// A tick label: `value` with `decimals` decimals and '.' for the decimal point, whatever the
// locale ("%.*f").
std::string TickLabel(double value, int decimals);

struct AxisTick {
    double value = 0.0;
    std::string label;
    bool operator==(const AxisTick&) const = default;
};

// One axis as it is drawn: the range shown, the ticks (every multiple of `step` inside the
// range, lowest first), the title and whether the axis is shown at all.
struct Axis {
    ValueRange range{0.0, 1.0};
    double step = 0.2;
    int decimals = 1;
    std::vector<AxisTick> ticks;
    std::string title;
    bool visible = true;
};

// Shows `range` on `axis` and derives its step, decimals and ticks.
void SetAxisRange(Axis& axis, ValueRange range);

// A rectangle of a window, in pixels (device-independent or not, as the window draws), y
// growing downwards.
struct PlotArea {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    double Right() const { return left + width; }
    double Bottom() const { return top + height; }
    bool IsEmpty() const { return !(width > 0.0 && height > 0.0); }
    // Edges included.
    bool Contains(double px, double py) const;
    bool operator==(const PlotArea&) const = default;
};

// Between data and pixels of `area`: x runs from range.low at the left edge to range.high at
// the right one, values from range.low at the bottom to range.high at the top.
double XToPixel(ValueRange range, const PlotArea& area, double x);
double PixelToX(ValueRange range, const PlotArea& area, double px);
double ValueToPixel(ValueRange range, const PlotArea& area, double value);
double PixelToValue(ValueRange range, const PlotArea& area, double py);

// The keys that move a plot: + and - (also =), and the four arrows.
enum class PlotKey { kZoomIn, kZoomOut, kLeft, kRight, kUp, kDown };

// The axes of one plot: an x axis along the bottom and one or more value axes, which zoom
// together. The owner fits the ranges (SetXRange, SetValueRange: not a zoom, the frame is
// then not zoomed) and the user zooms (every other change: the frame is zoomed until
// Unzoom). A zoom that would leave a range of no width, or not a number, is not made.
class PlotFrame {
  public:
    explicit PlotFrame(std::size_t valueAxes);

    const Axis& X() const { return m_X; }
    const Axis& Value(std::size_t index) const { return m_Values.at(index); }
    std::size_t ValueAxisCount() const { return m_Values.size(); }
    bool IsZoomed() const { return m_bZoomed; }

    void SetXTitle(std::string title);
    void SetValueTitle(std::size_t index, std::string title);
    void SetValueVisible(std::size_t index, bool visible);

    // Fitted ranges; they leave IsZoomed as it is.
    void SetXRange(ValueRange range);
    void SetValueRange(std::size_t index, ValueRange range);
    // Marks the frame not zoomed (after the owner has fitted every range again).
    void Unzoom() { m_bZoomed = false; }

    // Shows the part inside `rect` (pixels of `area`, cut to it; any corner first); a
    // rectangle of no width or height changes nothing.
    void ZoomToRect(const PlotArea& area, const PlotArea& rect);
    // Scales every range by `factor` (below 1 magnifies) about the point (px, py) of `area`,
    // which stays where it is; about the middle for a point outside the area.
    void ZoomAbout(const PlotArea& area, double px, double py, double factor);
    // Moves every range by a fraction of its span: x by `xFraction` (positive shows greater
    // x), the values by `valueFraction` (positive shows greater values).
    void Scroll(double xFraction, double valueFraction);
    // + and - scale by 0.8 and 1.25 about the middle; the arrows scroll by a tenth.
    void Key(PlotKey key);
    // The wheel turned by `steps` notches (forward > 0) at the point (px, py) of `area`: each
    // notch scales by 0.8 about it.
    void Wheel(const PlotArea& area, double px, double py, double steps);
    // A right click: every range twice as wide, about its middle.
    void ZoomOut();

    // Between the data of these axes and the pixels of `area`.
    double XToPixel(const PlotArea& area, double x) const;
    double PixelToX(const PlotArea& area, double px) const;
    double ValueToPixel(std::size_t index, const PlotArea& area, double value) const;
    double PixelToValue(std::size_t index, const PlotArea& area, double py) const;

  private:
    // Shows the fractions [from, to] of every x range and [valueFrom, valueTo] (from the
    // bottom) of every value range.
    void ShowFractions(double from, double to, double valueFrom, double valueTo);

    Axis m_X;
    std::vector<Axis> m_Values;
    bool m_bZoomed = false;
};

}  // namespace quillon
