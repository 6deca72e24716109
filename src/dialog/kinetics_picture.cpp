// SPDX-License-Identifier: MIT
// The layout and drawing of the trace and map pictures onto a PlotCanvas.
#include "dialog/kinetics_picture.h"

#include <algorithm>
#include <cmath>

#include "dialog/plot_drawing.h"

namespace quillon {

namespace {

constexpr double kLineWidth = 1.4;
constexpr double kColorBarWidth = 14.0;
// The largest picture of the map drawn at once, per side, in canvas pixels.
constexpr double kMaxImageSide = 4096.0;

// The title line, the x axis along the bottom of `area` and a value axis at its left, with
// grid lines across the area where `gridLines` asks for them.
template <typename ToX, typename ToY>
void DrawAxes(const std::string& title, const Axis& xAxis, const Axis& yAxis, ToX toX, ToY toY,
              const PlotArea& area, double width, double scale, PlotCanvas& canvas,
              PlotColors colors, bool gridLines) {
    DrawTitleAndXAxis(title, xAxis, toX, area, width, scale, canvas, colors, gridLines);
    const double tick = kTick * scale;
    const double gap = kGap * scale;
    const double line = canvas.LineHeight();
    const double descent = line * kDescent;
    const double axisWidth = kAxisWidth * scale;
    const Rgb grid = Mix(colors.background, colors.text, 0.12);
    double widest = 0.0;
    for (const AxisTick& mark : yAxis.ticks) {
        const double y = toY(mark.value);
        if (gridLines) {
            const PlotPoint gridLine[] = {{area.left, y}, {area.Right(), y}};
            canvas.Polyline(gridLine, grid, axisWidth);
        }
        const PlotPoint tickLine[] = {{area.left, y}, {area.left - tick, y}};
        canvas.Polyline(tickLine, colors.text, axisWidth);
        canvas.Text(mark.label, {area.left - tick - gap, y + (line / 2.0) - descent},
                    TextAnchor::kEnd, colors.text);
        widest = std::max(widest, canvas.TextWidth(mark.label));
    }
    canvas.Text(yAxis.title,
                {area.left - tick - gap - widest - gap - descent, area.top + (area.height / 2.0)},
                TextAnchor::kMiddle, colors.text, true);
}

}  // namespace

// ---- Trace ----

TraceLayout LayOutTrace(const TracePlot& plot, double width, double height, double scale,
                        PlotCanvas& canvas) {
    TraceLayout layout;
    layout.width = width;
    layout.height = height;
    layout.scale = scale;
    const Axis& xAxis = plot.Frame().X();
    const double top = TopMargin(plot.HasFile(), scale, canvas);
    const double left = AxisMargin(plot.Frame().Value(0), scale, canvas);
    const double right =
        (kPad * scale) +
        (xAxis.ticks.empty() ? 0.0 : canvas.TextWidth(xAxis.ticks.back().label) / 2.0);
    const double bottom = BottomMarginWithLegend(height, scale, canvas);
    layout.area = {left, top, std::max(1.0, width - left - right),
                   std::max(1.0, height - top - bottom)};
    std::vector<std::string> labels;
    for (std::size_t w = 0; w < plot.Wavelengths().size(); ++w) {
        labels.push_back(plot.WavelengthLabel(w));
    }
    layout.legend = LegendRow(labels, width, height, scale, canvas);
    return layout;
}

void DrawTrace(const TracePlot& plot, const TraceLayout& layout, PlotCanvas& canvas,
               PlotColors colors) {
    const double scale = layout.scale;
    const PlotArea& area = layout.area;
    const PlotFrame& frame = plot.Frame();
    canvas.FillRect({0.0, 0.0, layout.width, layout.height}, colors.background);
    DrawAxes(
        FileName(plot.File()), frame.X(), frame.Value(0),
        [&](double x) { return frame.XToPixel(area, x); },
        [&](double value) { return frame.ValueToPixel(0, area, value); }, area, layout.width, scale,
        canvas, colors, true);

    canvas.BeginClip(area);
    std::vector<PlotPoint> column;
    std::vector<PlotPoint> points;
    const double width = kLineWidth * scale;
    for (std::size_t w = 0; w < plot.Wavelengths().size(); ++w) {
        const Rgb color = TraceColor(w);
        for (std::size_t k = 0; k < plot.ScansShown(); ++k) {
            const double x = plot.XOf(k);
            const double value = plot.ValueOf(w, k);
            if (!std::isfinite(x) || !std::isfinite(value)) {
                // A scan without a time or a value breaks the line.
                FlushColumn(column, points);
                DrawRun(points, color, width, canvas);
                continue;
            }
            AddPoint({frame.XToPixel(area, x), frame.ValueToPixel(0, area, value)}, column, points);
        }
        FlushColumn(column, points);
        DrawRun(points, color, width, canvas);
    }
    canvas.EndClip();
    canvas.StrokeRect(area, colors.text, kAxisWidth * scale);

    if (plot.Wavelengths().empty()) {
        canvas.Text(kTraceHint, {area.left + area.width / 2.0, area.top + area.height / 2.0},
                    TextAnchor::kMiddle, Mix(colors.background, colors.text, 0.6));
    }
    for (std::size_t w = 0; w < layout.legend.size(); ++w) {
        DrawLegendEntry(layout.legend[w], plot.WavelengthLabel(w), TraceColor(w), colors.text,
                        scale, canvas);
    }
}

std::optional<std::size_t> TraceLegendEntryAt(const TraceLayout& layout, PlotPoint point) {
    for (std::size_t w = 0; w < layout.legend.size(); ++w) {
        if (layout.legend[w].Contains(point.x, point.y)) {
            return w;
        }
    }
    return std::nullopt;
}

// ---- Map ----

MapLayout LayOutMap(const ScanMap& map, double width, double height, double scale,
                    PlotCanvas& canvas) {
    MapLayout layout;
    layout.width = width;
    layout.height = height;
    layout.scale = scale;
    const double pad = kPad * scale;
    const double tick = kTick * scale;
    const double gap = kGap * scale;
    const double line = canvas.LineHeight();
    const double top = TopMargin(map.HasFile(), scale, canvas);
    const double left = AxisMargin(map.ScanAxis(), scale, canvas);
    const double bar = kColorBarWidth * scale;
    const double right =
        3.0 * gap + bar + tick + gap + WidestLabel(map.ColorAxis(), canvas) + gap + line + pad;
    const double bottom = tick + gap + line + gap + line + gap + line + pad;
    layout.area = {left, top, std::max(1.0, width - left - right),
                   std::max(1.0, height - top - bottom)};
    layout.colorBar = {layout.area.Right() + 3.0 * gap, top, bar, layout.area.height};
    return layout;
}

void DrawMap(const ScanMap& map, const MapLayout& layout, PlotCanvas& canvas, PlotColors colors,
             std::optional<MapPick> marker) {
    const double scale = layout.scale;
    const double tick = kTick * scale;
    const double gap = kGap * scale;
    const double line = canvas.LineHeight();
    const double descent = line * kDescent;
    const double axisWidth = kAxisWidth * scale;
    const PlotArea& area = layout.area;
    const PlotFrame& frame = map.Frame();
    canvas.FillRect({0.0, 0.0, layout.width, layout.height}, colors.background);

    // The map at the canvas's own pixels, under the grid lines of the axes.
    const auto columns =
        static_cast<std::size_t>(std::clamp(std::round(area.width), 1.0, kMaxImageSide));
    const auto rows =
        static_cast<std::size_t>(std::clamp(std::round(area.height), 1.0, kMaxImageSide));
    std::vector<Rgb> pixels;
    map.RenderImage(area, columns, rows, pixels);
    canvas.Image(area, columns, rows, pixels);
    DrawAxes(
        FileName(map.File()), map.XAxis(), map.ScanAxis(),
        [&](double x) { return frame.XToPixel(area, x); },
        [&](double scan) { return map.ScanToPixel(area, scan); }, area, layout.width, scale, canvas,
        colors, false);
    canvas.StrokeRect(area, colors.text, axisWidth);

    if (marker) {
        const double x = frame.XToPixel(area, marker->x);
        const double y = map.ScanToPixel(area, static_cast<double>(marker->scan + 1));
        const double arm = 6.0 * scale;
        canvas.BeginClip(area);
        for (const auto& [color, width] : {std::pair{Rgb{0xFF, 0xFF, 0xFF}, 3.0 * scale},
                                           std::pair{Rgb{0x00, 0x00, 0x00}, 1.2 * scale}}) {
            const PlotPoint across[] = {{x - arm, y}, {x + arm, y}};
            const PlotPoint down[] = {{x, y - arm}, {x, y + arm}};
            canvas.Polyline(across, color, width);
            canvas.Polyline(down, color, width);
        }
        canvas.EndClip();
    }

    // The colour bar: the colour map from the lowest value at the bottom to the highest at
    // the top, with the ticks of its range at its right.
    const PlotArea& bar = layout.colorBar;
    const std::array<Rgb, 256>& colorMap = ViridisColors();
    std::vector<Rgb> steps(colorMap.rbegin(), colorMap.rend());
    canvas.Image(bar, 1, steps.size(), steps);
    canvas.StrokeRect(bar, colors.text, axisWidth);
    const Axis& colorAxis = map.ColorAxis();
    double widest = 0.0;
    for (const AxisTick& mark : colorAxis.ticks) {
        const double y = ValueToPixel(colorAxis.range, bar, mark.value);
        const PlotPoint tickLine[] = {{bar.Right(), y}, {bar.Right() + tick, y}};
        canvas.Polyline(tickLine, colors.text, axisWidth);
        canvas.Text(mark.label, {bar.Right() + tick + gap, y + (line / 2.0) - descent},
                    TextAnchor::kStart, colors.text);
        widest = std::max(widest, canvas.TextWidth(mark.label));
    }
    canvas.Text(
        colorAxis.title,
        {bar.Right() + tick + gap + widest + gap + line - descent, bar.top + (bar.height / 2.0)},
        TextAnchor::kMiddle, colors.text, true);

    // What a row stands for, under the x axis's title.
    canvas.Text(map.Legend(), {layout.width / 2.0, layout.height - (kPad * scale) - descent},
                TextAnchor::kMiddle, colors.text);
}

}  // namespace quillon
