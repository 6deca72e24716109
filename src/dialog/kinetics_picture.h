// SPDX-License-Identifier: MIT
// The pictures of the Trace and Map views without a toolkit: where their parts stand in a
// given size (axes with ticks and titles, the legend, the map's colour bar) and their drawing
// onto a PlotCanvas, as DrawPlot draws the spectrum. Both windows draw them on the screen and
// into saved PNG and SVG pictures through their canvases.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "dialog/plot_picture.h"
#include "dialog/scan_map.h"
#include "dialog/trace_plot.h"

namespace quillon {

// Where the parts of a trace picture stand.
struct TraceLayout {
    double width = 0.0;
    double height = 0.0;
    double scale = 1.0;  // device pixels per pixel at 96 dpi
    PlotArea area;       // inside the axes
    // One legend entry per wavelength traced, in their order.
    std::vector<PlotArea> legend;
};

TraceLayout LayOutTrace(const TracePlot& plot, double width, double height, double scale,
                        PlotCanvas& canvas);
// Background, title, axes, one line per wavelength (a gap where a value or a time is missing;
// lines reduced to what each device pixel column shows), the legend; the note
// `emptyText` in the middle while nothing is traced.
void DrawTrace(const TracePlot& plot, const TraceLayout& layout, PlotCanvas& canvas,
               PlotColors colors = {});
// The wavelength whose legend entry is under a point of the picture.
std::optional<std::size_t> TraceLegendEntryAt(const TraceLayout& layout, PlotPoint point);

// Where the parts of a map picture stand.
struct MapLayout {
    double width = 0.0;
    double height = 0.0;
    double scale = 1.0;
    PlotArea area;      // the map inside its axes
    PlotArea colorBar;  // the colour bar at the right
};

MapLayout LayOutMap(const ScanMap& map, double width, double height, double scale,
                    PlotCanvas& canvas);
// Background, title, the map as an image (PlotCanvas::Image) at the canvas's pixels, the
// axes, the colour bar with its ticks and title, the legend line; `marker` (a picked point)
// is drawn as a cross.
void DrawMap(const ScanMap& map, const MapLayout& layout, PlotCanvas& canvas,
             PlotColors colors = {}, std::optional<MapPick> marker = std::nullopt);

}  // namespace quillon
