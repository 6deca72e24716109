// SPDX-License-Identifier: MIT
// PainterCanvas: the PlotCanvas of the Qt window, drawing the toolkit-free pictures (trace,
// map) with a QPainter on the screen or into a picture, and measuring texts in a given font.
#pragma once

#include <QFont>
#include <QFontMetricsF>

#include "dialog/plot_picture.h"

class QPainter;

namespace quillon {

class PainterCanvas : public PlotCanvas {
  public:
    // Draws with `painter` (null: measures only) in `font`.
    PainterCanvas(QPainter* painter, const QFont& font);

    double TextWidth(const std::string& text) override;
    double LineHeight() override;
    void FillRect(const PlotArea& rect, Rgb color) override;
    void StrokeRect(const PlotArea& rect, Rgb color, double width) override;
    void Polyline(std::span<const PlotPoint> points, Rgb color, double width) override;
    void Text(const std::string& text, PlotPoint at, TextAnchor anchor, Rgb color,
              bool upright) override;
    void Image(const PlotArea& rect, std::size_t columns, std::size_t rows,
               std::span<const Rgb> pixels) override;
    void BeginClip(const PlotArea& rect) override;
    void EndClip() override;

  private:
    QPainter* m_pPainter;
    QFont m_Font;
    QFontMetricsF m_Metrics;
};

}  // namespace quillon
