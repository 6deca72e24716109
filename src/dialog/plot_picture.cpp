// SPDX-License-Identifier: MIT
// The layout and drawing of the spectrum plot's picture onto a PlotCanvas.
#include "dialog/plot_picture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "dialog/plot_drawing.h"
#include "dialog/trace_plot.h"

namespace quillon {

namespace {

// The points of one run of defined values inside the x range shown (and one each side, so
// that the line leaves the area). Where many values share a device pixel column, they are
// reduced to the four that draw it: the line looks the same, and a scan of thousands of pixels
// in a narrow plot draws as fast as a short one.
void RunPoints(const SpectrumPlot& plot, const PlotArea& area, Curve curve, const PixelRun& run,
               std::vector<PlotPoint>& column, std::vector<PlotPoint>& points) {
    const std::vector<double>& x = plot.Curves().x;
    const std::vector<double>& values = plot.Values(curve);
    const ValueRange shown = plot.XAxis().range;
    const std::size_t axis = SpectrumPlot::AxisOf(curve);
    std::size_t begin = run.begin;
    std::size_t end = run.end;
    while (begin + 1 < end && x[begin + 1] < shown.low) {
        ++begin;
    }
    while (end > begin + 1 && x[end - 2] > shown.high) {
        --end;
    }
    points.clear();
    column.clear();
    for (std::size_t p = begin; p < end; ++p) {
        AddPoint(
            {plot.Frame().XToPixel(area, x[p]), plot.Frame().ValueToPixel(axis, area, values[p])},
            column, points);
    }
    FlushColumn(column, points);
}

}  // namespace

void PlotCanvas::Image(const PlotArea& rect, std::size_t columns, std::size_t rows,
                       std::span<const Rgb> pixels) {
    if (columns == 0 || rows == 0 || pixels.size() < columns * rows) {
        return;
    }
    const double width = rect.width / static_cast<double>(columns);
    const double height = rect.height / static_cast<double>(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const Rgb* const row = pixels.data() + r * columns;
        std::size_t c = 0;
        while (c < columns) {
            std::size_t end = c + 1;
            while (end < columns && row[end] == row[c]) {
                ++end;
            }
            FillRect({rect.left + static_cast<double>(c) * width,
                      rect.top + static_cast<double>(r) * height,
                      static_cast<double>(end - c) * width, height},
                     row[c]);
            c = end;
        }
    }
}

PlotLayout LayOutPlot(const SpectrumPlot& plot, double width, double height, double scale,
                      PlotCanvas& canvas) {
    PlotLayout layout;
    layout.width = width;
    layout.height = height;
    layout.scale = scale;
    const Axis& xAxis = plot.XAxis();

    const double top = TopMargin(plot.HasFile(), scale, canvas);
    const double left = AxisMargin(plot.QuantityAxis(), scale, canvas);
    const double lastLabel =
        xAxis.ticks.empty() ? 0.0 : canvas.TextWidth(xAxis.ticks.back().label) / 2.0;
    const double right = plot.CountsAxis().visible ? AxisMargin(plot.CountsAxis(), scale, canvas)
                                                   : (kPad * scale) + lastLabel;
    const double bottom = BottomMarginWithLegend(height, scale, canvas);
    layout.area = {left, top, std::max(1.0, width - left - right),
                   std::max(1.0, height - top - bottom)};

    // The legend: one row of entries under the x axis's title, centred.
    std::vector<std::string> names;
    for (Curve curve : kCurveDrawingOrder) {
        names.emplace_back(StyleOf(curve).name);
    }
    const std::vector<PlotArea> row = LegendRow(names, width, height, scale, canvas);
    std::copy(row.begin(), row.end(), layout.legend.begin());
    return layout;
}

void DrawPlot(const SpectrumPlot& plot, const PlotLayout& layout, PlotCanvas& canvas,
              PlotColors colors) {
    const double scale = layout.scale;
    const double tick = kTick * scale;
    const double gap = kGap * scale;
    const double line = canvas.LineHeight();
    const double descent = line * kDescent;
    const double axisWidth = kAxisWidth * scale;
    const PlotArea& area = layout.area;
    const PlotFrame& frame = plot.Frame();
    const Rgb grid = Mix(colors.background, colors.text, 0.12);

    canvas.FillRect({0.0, 0.0, layout.width, layout.height}, colors.background);
    DrawTitleAndXAxis(
        FileName(plot.File()), plot.XAxis(), [&](double x) { return frame.XToPixel(area, x); },
        area, layout.width, scale, canvas, colors, true);

    // The value axes: the quantity at the left (its grid lines across), the dark and
    // reference in counts at the right where the quantity is not in counts.
    for (std::size_t index : {SpectrumPlot::kQuantityAxis, SpectrumPlot::kCountsAxis}) {
        const Axis& axis = frame.Value(index);
        if (!axis.visible) {
            continue;
        }
        const bool atRight = index == SpectrumPlot::kCountsAxis;
        const double edge = atRight ? area.Right() : area.left;
        const double outward = atRight ? 1.0 : -1.0;
        double widest = 0.0;
        for (const AxisTick& mark : axis.ticks) {
            const double y = frame.ValueToPixel(index, area, mark.value);
            if (!atRight) {
                const PlotPoint gridLine[] = {{area.left, y}, {area.Right(), y}};
                canvas.Polyline(gridLine, grid, axisWidth);
            }
            const PlotPoint tickLine[] = {{edge, y}, {edge + (outward * tick), y}};
            canvas.Polyline(tickLine, colors.text, axisWidth);
            canvas.Text(mark.label, {edge + (outward * (tick + gap)), y + (line / 2.0) - descent},
                        atRight ? TextAnchor::kStart : TextAnchor::kEnd, colors.text);
            widest = std::max(widest, canvas.TextWidth(mark.label));
        }
        const double titleX = atRight ? edge + tick + gap + widest + gap + line - descent
                                      : edge - tick - gap - widest - gap - descent;
        canvas.Text(axis.title, {titleX, area.top + (area.height / 2.0)}, TextAnchor::kMiddle,
                    colors.text, true);
    }

    // The curves shown, inside the axes, one line per run of defined values.
    canvas.BeginClip(area);
    std::vector<PlotPoint> column;
    std::vector<PlotPoint> points;
    for (Curve curve : kCurveDrawingOrder) {
        if (!plot.IsCurveVisible(curve)) {
            continue;
        }
        const CurveStyle& style = StyleOf(curve);
        for (const PixelRun& run : plot.Runs(curve)) {
            RunPoints(plot, area, curve, run, column, points);
            // A single defined value between gaps draws as a dot as wide as the line.
            DrawRun(points, style.color, style.width * scale, canvas);
        }
    }
    canvas.EndClip();
    canvas.StrokeRect(area, colors.text, axisWidth);

    // The legend; a hidden curve keeps its entry, dimmed.
    const auto legend = plot.Legend();
    for (std::size_t i = 0; i < kCurveCount; ++i) {
        const PlotArea& entry = layout.legend[i];
        const Rgb color = StyleOf(legend[i].curve).color;
        const Rgb swatch = legend[i].dimmed ? Mix(colors.background, color, 0.35) : color;
        const Rgb label =
            legend[i].dimmed ? Mix(colors.background, colors.text, 0.35) : colors.text;
        DrawLegendEntry(entry, legend[i].name, swatch, label, scale, canvas);
    }
}

std::string PlotPictureName(const SpectrumPlot& plot) {
    if (plot.File() == nullptr) {
        return "spectrum.png";
    }
    const std::string suffix = "_scan" + std::to_string(plot.ScanNumber()) + "_" +
                               QuantitySlug(plot.ShownQuantity()) + ".png";
    return NameBeside(plot.File(), suffix, suffix);
}

std::optional<Curve> LegendEntryAt(const PlotLayout& layout, PlotPoint point) {
    for (std::size_t i = 0; i < kCurveCount; ++i) {
        if (layout.legend[i].Contains(point.x, point.y)) {
            return kCurveDrawingOrder[i];
        }
    }
    return std::nullopt;
}

}  // namespace quillon
