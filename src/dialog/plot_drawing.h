// SPDX-License-Identifier: MIT
// What the spectrum, trace and map pictures draw alike: their sizes, the title and x axis, the
// legend's entries and the reduction of many points per pixel column to the few that draw it.
// Shared by plot_picture.cpp and kinetics_picture.cpp alone.
#pragma once

#include <string>
#include <vector>

#include "dialog/plot_picture.h"

namespace quillon {

// Sizes at 96 dpi, multiplied by the layout's scale.
inline constexpr double kPad = 6.0;
inline constexpr double kTick = 4.0;
inline constexpr double kGap = 4.0;
inline constexpr double kSwatch = 18.0;
inline constexpr double kLegendSpacing = 16.0;
inline constexpr double kAxisWidth = 1.0;
// Baselines stand this share of a line above the line's bottom.
inline constexpr double kDescent = 0.22;

// The colour `share` of the way from `a` to `b`.
Rgb Mix(Rgb a, Rgb b, double share);
// The widest of an axis's tick labels on the canvas.
double WidestLabel(const Axis& axis, PlotCanvas& canvas);
// The name of a file without its folder: the picture's title; empty without a file.
std::string FileName(const ScanFile* file);

// The room above a picture's area: the title's line where there is a title, and half a line
// for the top tick label.
double TopMargin(bool titled, double scale, PlotCanvas& canvas);
// The room beside the area for a value axis: its upright title, its widest label, its ticks.
double AxisMargin(const Axis& axis, double scale, PlotCanvas& canvas);
// The room under the area for the x axis (ticks, labels, title) and a row of legend entries.
double BottomMarginWithLegend(double height, double scale, PlotCanvas& canvas);

// The title line, and the x axis along the bottom of `area` (grid lines across the area where
// `gridLines` asks for them, ticks, labels and its title); `toX` places a value.
template <typename ToX>
void DrawTitleAndXAxis(const std::string& title, const Axis& xAxis, ToX toX, const PlotArea& area,
                       double width, double scale, PlotCanvas& canvas, PlotColors colors,
                       bool gridLines) {
    const double tick = kTick * scale;
    const double gap = kGap * scale;
    const double line = canvas.LineHeight();
    const double descent = line * kDescent;
    const double axisWidth = kAxisWidth * scale;
    const Rgb grid = Mix(colors.background, colors.text, 0.12);
    if (!title.empty()) {
        canvas.Text(title, {width / 2.0, (kPad * scale) + line - descent}, TextAnchor::kMiddle,
                    colors.text);
    }
    for (const AxisTick& mark : xAxis.ticks) {
        const double x = toX(mark.value);
        if (gridLines) {
            const PlotPoint gridLine[] = {{x, area.top}, {x, area.Bottom()}};
            canvas.Polyline(gridLine, grid, axisWidth);
        }
        const PlotPoint tickLine[] = {{x, area.Bottom()}, {x, area.Bottom() + tick}};
        canvas.Polyline(tickLine, colors.text, axisWidth);
        canvas.Text(mark.label, {x, area.Bottom() + tick + gap + line - descent},
                    TextAnchor::kMiddle, colors.text);
    }
    canvas.Text(
        xAxis.title,
        {area.left + (area.width / 2.0), area.Bottom() + tick + 2.0 * (gap + line) - descent},
        TextAnchor::kMiddle, colors.text);
}

// A row of legend entries under the x axis's title, one per label, centred in `width`.
std::vector<PlotArea> LegendRow(const std::vector<std::string>& labels, double width, double height,
                                double scale, PlotCanvas& canvas);
// One legend entry: a short thick line of the curve's colour, then its label.
void DrawLegendEntry(const PlotArea& entry, const std::string& label, Rgb swatch, Rgb text,
                     double scale, PlotCanvas& canvas);

// Adds the points of one device pixel column: all of them where they are few, else the first,
// the highest, the lowest and the last, in their order, which draws the same column.
void FlushColumn(std::vector<PlotPoint>& column, std::vector<PlotPoint>& points);
// Adds a point of a line to the device pixel column being gathered in `column`, first adding
// that column to `points` where the point stands in another.
void AddPoint(PlotPoint point, std::vector<PlotPoint>& column, std::vector<PlotPoint>& points);
// Draws one run of defined values as a line `width` wide, a single one as a dot as wide as the
// line, and empties `points`.
void DrawRun(std::vector<PlotPoint>& points, Rgb color, double width, PlotCanvas& canvas);

}  // namespace quillon
