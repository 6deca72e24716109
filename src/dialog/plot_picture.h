// SPDX-License-Identifier: MIT
// The picture of the spectrum plot without a toolkit: where each part of what the plot model
// shows (axes with their ticks and titles, the curves, the legend) stands in a given size, and
// the drawing of it onto a PlotCanvas. The Windows window draws it on the screen and into
// PNG pictures through its canvas, and the SVG writer (plot_svg.h) writes it as text, so that
// the window and its saved pictures cannot differ.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "dialog/spectrum_plot.h"

namespace quillon {

struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
};

enum class TextAnchor { kStart, kMiddle, kEnd };

// Where a picture is drawn. Sizes are in the canvas's pixels; texts are UTF-8 in the
// window's font at the canvas's scale.
class PlotCanvas {
  public:
    virtual ~PlotCanvas() = default;
    // The advance of a text and the height of a line of text.
    virtual double TextWidth(const std::string& text) = 0;
    virtual double LineHeight() = 0;

    virtual void FillRect(const PlotArea& rect, Rgb color) = 0;
    virtual void StrokeRect(const PlotArea& rect, Rgb color, double width) = 0;
    // An open line through the points, antialiased.
    virtual void Polyline(std::span<const PlotPoint> points, Rgb color, double width) = 0;
    // A text whose baseline starts, centres or ends at `at`; `upright` turns it a quarter to
    // the left (read from the bottom up), about `at`.
    virtual void Text(const std::string& text, PlotPoint at, TextAnchor anchor, Rgb color,
                      bool upright = false) = 0;
    // An image of `columns` x `rows` pixels (row by row, the top row first) stretched over
    // `rect`, each pixel a rectangle of one colour (no smoothing between them). This default
    // fills runs of equal colours; canvases with a bitmap primitive draw it at once.
    virtual void Image(const PlotArea& rect, std::size_t columns, std::size_t rows,
                       std::span<const Rgb> pixels);
    // Later drawing stays inside `rect` until EndClip.
    virtual void BeginClip(const PlotArea& rect) = 0;
    virtual void EndClip() = 0;
};

// Where the parts of a picture stand.
struct PlotLayout {
    double width = 0.0;
    double height = 0.0;
    double scale = 1.0;  // device pixels per pixel at 96 dpi
    PlotArea area;       // inside the axes
    // The legend's entries, in kCurveDrawingOrder.
    std::array<PlotArea, kCurveCount> legend{};
};

// Lays a picture of `width` x `height` out, leaving room for the tick labels and titles as the
// canvas measures them; `scale` is the canvas's pixels per 1/96 inch.
PlotLayout LayOutPlot(const SpectrumPlot& plot, double width, double height, double scale,
                      PlotCanvas& canvas);

// The colours of the picture around the curves: the window's on the screen, black on white in
// saved pictures.
struct PlotColors {
    Rgb background{0xFF, 0xFF, 0xFF};
    Rgb text{0x00, 0x00, 0x00};
};

// Draws the picture: background, title, axes with ticks and titles, the visible curves (a gap
// where a value is not defined), the legend (a hidden curve's entry dimmed).
void DrawPlot(const SpectrumPlot& plot, const PlotLayout& layout, PlotCanvas& canvas,
              PlotColors colors = {});

// A name for a picture of what the plot shows, in the input's folder:
// "<base>_scan<k>_<quantity>.png".
std::string PlotPictureName(const SpectrumPlot& plot);

// The curve whose legend entry is under a point of the picture; nothing elsewhere.
std::optional<Curve> LegendEntryAt(const PlotLayout& layout, PlotPoint point);

}  // namespace quillon
