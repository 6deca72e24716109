// SPDX-License-Identifier: MIT
// The drawing shared by the Windows window's plots (spectrum, trace, map): the toolkit-free
// pictures (plot_picture.h) drawn with GDI+ on the screen, kept between paints, and saved as
// PNG or SVG laid out as the window shows them.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "dialog/plot_picture.h"

namespace quillon {

// GDI+ for the process: started with the first holder, shut down after the last one goes.
class GdiPlusUse {
  public:
    GdiPlusUse();
    ~GdiPlusUse();
    GdiPlusUse(const GdiPlusUse&) = delete;
    GdiPlusUse& operator=(const GdiPlusUse&) = delete;
};

// The widths of texts measured in a window's font, kept from one picture to the next.
using TextWidths = std::unordered_map<std::string, double>;

// Lays out and draws a picture of `width` x `height` pixels on a canvas; `scale` is the
// canvas's pixels per 1/96 inch.
using DrawPicture =
    std::function<void(PlotCanvas& canvas, double width, double height, double scale)>;

// Runs `use` with a canvas measuring texts as `window` draws them in `font`: for laying a
// picture out without drawing it.
void MeasureWith(HWND window, HFONT font, TextWidths& widths,
                 const std::function<void(PlotCanvas&)>& use);

// Writes the picture `draw` makes at the size of `window`'s client area: SVG for a name ending
// in ".svg" (case ignored), PNG at twice the window's pixels otherwise. Nothing, or the reason
// of a failure, leaving no file behind.
std::optional<std::string> SavePicture(const std::string& path, HWND window, HFONT font,
                                       TextWidths& widths, const DrawPicture& draw);

// True when `text` ends in `end`, case ignored (file extensions).
bool EndsWithNoCase(const std::string& text, const std::string& end);

// A plot window's picture, drawn when what it shows changed and kept, so that what moves over
// it (a dragged rectangle, the focus, a marker under the pointer) is drawn on a copy without
// drawing the picture again.
class PlotSurface {
  public:
    PlotSurface() = default;
    ~PlotSurface();
    PlotSurface(const PlotSurface&) = delete;
    PlotSurface& operator=(const PlotSurface&) = delete;

    // What the window shows changed: the picture is drawn again at the next paint.
    void Invalidate(HWND window);
    bool IsStale() const { return m_bStale; }
    // The window's WM_PAINT: draws the picture with `draw` in the window's colours when it is
    // stale, then `overlay` over a copy of it.
    void Paint(HWND window, HFONT font, TextWidths& widths, const DrawPicture& draw,
               const std::function<void(HDC)>& overlay);

  private:
    HBITMAP m_hPicture = nullptr;
    SIZE m_Size{};
    bool m_bStale = true;
};

// The colours of pictures on the screen: the window's background and text.
PlotColors ScreenColors();
// Device pixels per pixel at 96 dpi of a window.
double WindowScale(HWND window);
// A pointer position of a window's message as a point of its picture: the pixel's middle.
PlotPoint PicturePoint(LPARAM position);
// The focus rectangle and a dragged rectangle in the system's selection colour.
void DrawFocus(HWND window, HDC target);
void DrawDraggedRect(HDC target, PlotPoint from, PlotPoint to, double scale);

// A control's text, and a new one set only where it differs (setting the same text again would
// move a caret and make screen readers read it again).
std::wstring ControlText(HWND window);
void SetControlText(HWND window, const std::string& text);

}  // namespace quillon
