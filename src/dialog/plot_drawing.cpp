// SPDX-License-Identifier: MIT
// The drawing the spectrum, trace and map pictures share.
#include "dialog/plot_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace quillon {

Rgb Mix(Rgb a, Rgb b, double share) {
    auto channel = [share](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::lround(x + (y - x) * share));
    };
    return {channel(a.red, b.red), channel(a.green, b.green), channel(a.blue, b.blue)};
}

double WidestLabel(const Axis& axis, PlotCanvas& canvas) {
    double widest = 0.0;
    for (const AxisTick& tick : axis.ticks) {
        widest = std::max(widest, canvas.TextWidth(tick.label));
    }
    return widest;
}

std::string FileName(const ScanFile* file) {
    if (file == nullptr) {
        return {};
    }
    const std::string& path = file->m_strPath;
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

double TopMargin(bool titled, double scale, PlotCanvas& canvas) {
    const double line = canvas.LineHeight();
    return (kPad * scale) + (titled ? line + (kGap * scale) : 0.0) + line / 2.0;
}

double AxisMargin(const Axis& axis, double scale, PlotCanvas& canvas) {
    const double gap = kGap * scale;
    return (kPad * scale) + canvas.LineHeight() + gap + WidestLabel(axis, canvas) + gap +
           (kTick * scale);
}

double BottomMarginWithLegend(double height, double scale, PlotCanvas& canvas) {
    const double gap = kGap * scale;
    const double line = canvas.LineHeight();
    const double legendTop = height - (kPad * scale) - line;
    return height - legendTop + gap + 2.0 * (line + gap) + (kTick * scale);
}

std::vector<PlotArea> LegendRow(const std::vector<std::string>& labels, double width, double height,
                                double scale, PlotCanvas& canvas) {
    const double pad = kPad * scale;
    const double gap = kGap * scale;
    const double line = canvas.LineHeight();
    const double top = height - pad - line;
    std::vector<double> widths;
    double total = 0.0;
    for (const std::string& label : labels) {
        widths.push_back((kSwatch * scale) + gap + canvas.TextWidth(label));
        total += widths.back() + (widths.size() > 1 ? kLegendSpacing * scale : 0.0);
    }
    std::vector<PlotArea> row;
    double x = std::max(pad, (width - total) / 2.0);
    for (double entry : widths) {
        row.push_back({x, top, entry, line});
        x += entry + kLegendSpacing * scale;
    }
    return row;
}

void DrawLegendEntry(const PlotArea& entry, const std::string& label, Rgb swatch, Rgb text,
                     double scale, PlotCanvas& canvas) {
    const double gap = kGap * scale;
    const double line = canvas.LineHeight();
    const double descent = line * kDescent;
    const double middle = entry.top + (entry.height / 2.0);
    const PlotPoint sample[] = {{entry.left, middle}, {entry.left + (kSwatch * scale), middle}};
    canvas.Polyline(sample, swatch, 3.0 * scale);
    canvas.Text(label, {entry.left + (kSwatch * scale) + gap, entry.top + line - descent},
                TextAnchor::kStart, text);
}

void FlushColumn(std::vector<PlotPoint>& column, std::vector<PlotPoint>& points) {
    if (column.size() <= 4) {
        points.insert(points.end(), column.begin(), column.end());
    } else {
        const auto [low, high] =
            std::minmax_element(column.begin() + 1, column.end() - 1,
                                [](const PlotPoint& a, const PlotPoint& b) { return a.y < b.y; });
        points.push_back(column.front());
        points.push_back(low < high ? *low : *high);
        points.push_back(low < high ? *high : *low);
        points.push_back(column.back());
    }
    column.clear();
}

void AddPoint(PlotPoint point, std::vector<PlotPoint>& column, std::vector<PlotPoint>& points) {
    if (!column.empty() && std::floor(point.x) != std::floor(column.back().x)) {
        FlushColumn(column, points);
    }
    column.push_back(point);
}

void DrawRun(std::vector<PlotPoint>& points, Rgb color, double width, PlotCanvas& canvas) {
    if (points.size() == 1) {
        const double half = width;
        canvas.FillRect({points[0].x - half, points[0].y - half, 2 * half, 2 * half}, color);
    } else if (points.size() > 1) {
        canvas.Polyline(points, color, width);
    }
    points.clear();
}

}  // namespace quillon
