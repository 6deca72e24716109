// SPDX-License-Identifier: MIT
// SvgCanvas: the spectrum plot's picture written as an SVG document, text the program writes
// itself, with numbers independent of the locale.
#pragma once

#include <string>

#include "dialog/plot_picture.h"

namespace quillon {

class SvgCanvas : public PlotCanvas {
  public:
    // A picture of `width` x `height` pixels whose texts are set in `fontFamily` at
    // `fontSize` pixels; `measure` measures them (the canvas of the window, so that the
    // picture is laid out as the window shows it).
    SvgCanvas(double width, double height, std::string fontFamily, double fontSize,
              PlotCanvas& measure);

    // The document so far, closed.
    std::string Document() const;

    double TextWidth(const std::string& text) override;
    double LineHeight() override;
    void FillRect(const PlotArea& rect, Rgb color) override;
    void StrokeRect(const PlotArea& rect, Rgb color, double width) override;
    void Polyline(std::span<const PlotPoint> points, Rgb color, double width) override;
    void Text(const std::string& text, PlotPoint at, TextAnchor anchor, Rgb color,
              bool upright) override;
    // An embedded PNG picture, drawn without smoothing between its pixels.
    void Image(const PlotArea& rect, std::size_t columns, std::size_t rows,
               std::span<const Rgb> pixels) override;
    void BeginClip(const PlotArea& rect) override;
    void EndClip() override;

  private:
    std::string m_strHead;
    std::string m_strBody;
    PlotCanvas& m_Measure;
    int m_nOpenClips = 0;
    int m_nClipIds = 0;
};

// A PNG file of `columns` x `rows` RGB pixels (rows top first), its image data stored without
// compression: what an SVG document embeds.
std::string PngOfPixels(std::size_t columns, std::size_t rows, std::span<const Rgb> pixels);

// Text with &, <, >, " and ' written as XML references.
std::string XmlEscaped(const std::string& text);

}  // namespace quillon
