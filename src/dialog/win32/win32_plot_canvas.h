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

// The system's save dialog, opened in the folder of the suggested full name with its name
// filled in; `filters` lists the types (the first chosen), `extension` is added to a name typed
// without one. Nothing when the user cancels.
std::optional<std::string> AskSaveName(HWND owner, const std::string& suggested,
                                       const wchar_t* filters, const wchar_t* extension,
                                       const wchar_t* title);

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
// The focus rectangle, where the window has the focus.
void DrawFocus(HWND window, HDC target);

// The zoom key of a WM_KEYDOWN's virtual key (+ or = and the keypad's +, - and the keypad's -,
// the arrows); nothing for any other key.
std::optional<PlotKey> PlotKeyOf(WPARAM virtualKey);
// Where the pointer of a WM_MOUSEWHEEL (given in screen coordinates) stands in `window`'s
// picture, and how many notches the wheel turned (positive away from the user).
PlotPoint WheelPoint(HWND window, LPARAM position);
double WheelSteps(WPARAM wParam);

// The pointer over a plot window: the rectangle dragged with the left button (the window holds
// the capture meanwhile) and the request to hear when the pointer leaves, so that the readout
// can go back to its hint.
class PlotPointer {
  public:
    // WM_LBUTTONDOWN in the plot's area: a drag starts at `at`.
    void StartDrag(HWND window, PlotPoint at);
    // WM_MOUSEMOVE: asks once per stay over `window` for WM_MOUSELEAVE, and moves the dragged
    // corner to `at`.
    void Move(HWND window, PlotPoint at);
    // WM_MOUSELEAVE: the next move asks again.
    void Left() { m_bTrackingLeave = false; }
    bool IsDragging() const { return m_DragStart.has_value(); }
    // WM_LBUTTONUP during a drag: ends it and gives the rectangle dragged, or nothing where it
    // is too short either way to be more than a click (`scale` is the window's pixels per
    // pixel at 96 dpi).
    std::optional<PlotArea> EndDrag(PlotPoint at, double scale);
    // WM_CAPTURECHANGED: a drag that lost the capture ends without zooming.
    void CancelDrag(HWND window);
    // The rectangle being dragged, drawn over the picture.
    void DrawDrag(HDC target, double scale) const;

  private:
    std::optional<PlotPoint> m_DragStart;
    PlotPoint m_DragNow;
    bool m_bTrackingLeave = false;
};

// Registers, once per process, the window classes of a panel of controls (dialog background,
// arrow) and of the plot window in it (redrawn whole when resized, cross-hair).
void RegisterPanelClasses(HINSTANCE instance, const wchar_t* panelClass, WNDPROC panelProc,
                          const wchar_t* plotClass, WNDPROC plotProc);

// The object a window belongs to: given with its creation parameters at WM_NCCREATE, then kept
// in the window's user data.
template <typename Owner>
Owner* OwnerOfWindow(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// A control's text, and a new one set only where it differs (setting the same text again would
// move a caret and make screen readers read it again).
std::wstring ControlText(HWND window);
void SetControlText(HWND window, const std::string& text);

}  // namespace quillon
