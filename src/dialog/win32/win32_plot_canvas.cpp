// SPDX-License-Identifier: MIT
// The GDI+ canvas of the Windows window's plots, the pictures kept between paints and the
// pictures saved as PNG or SVG.
#include "dialog/win32/win32_plot_canvas.h"

#include <commdlg.h>
#include <objidl.h>
#include <windowsx.h>

// GDI+ wants min and max from windows.h, which NOMINMAX or the standard library may hide.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <vector>

#include "dialog/plot_svg.h"
#include "platform/atomic_file.h"
#include "platform/file_error.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

// A drag shorter than this many pixels (at 96 dpi) either way is a click.
constexpr double kMinimumDrag = 4.0;

// The holders of GdiPlusUse, and the token GDI+ gave when it started.
int g_nGdiPlusUsers = 0;
ULONG_PTR g_nGdiPlusToken = 0;

Gdiplus::Color ToGdiPlus(Rgb color) {
    return Gdiplus::Color(255, color.red, color.green, color.blue);
}

Rgb FromSystem(int index) {
    const COLORREF color = ::GetSysColor(index);
    return {GetRValue(color), GetGValue(color), GetBValue(color)};
}

// Draws on a GDI+ surface: lines antialiased, texts in the window's font.
class GdiPlusCanvas : public PlotCanvas {
  public:
    // `fontScale` enlarges the font (a PNG at twice the screen's pixels). `widths` keeps the
    // widths of texts measured in this font from one picture to the next.
    GdiPlusCanvas(Gdiplus::Graphics& graphics, HDC dc, HFONT font, double fontScale,
                  std::unordered_map<std::string, double>& widths)
        : m_Graphics(graphics), m_Widths(widths) {
        m_Graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        m_Graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        m_Graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
        LOGFONTW logFont{};
        ::GetObjectW(font != nullptr ? font : ::GetStockObject(DEFAULT_GUI_FONT), sizeof logFont,
                     &logFont);
        logFont.lfHeight = static_cast<LONG>(std::lround(logFont.lfHeight * fontScale));
        logFont.lfWidth = 0;
        m_hFont = ::CreateFontIndirectW(&logFont);
        m_pFont = std::make_unique<Gdiplus::Font>(dc, m_hFont);
        m_Format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap |
                                Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
        m_Format.SetTrimming(Gdiplus::StringTrimmingNone);
        // The line height as GDI gives it for the font: ascent, descent and leading.
        HGDIOBJ old = ::SelectObject(dc, m_hFont);
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc, &metrics);
        ::SelectObject(dc, old);
        m_dLineHeight = static_cast<double>(metrics.tmHeight);
        m_dAscent = static_cast<double>(metrics.tmAscent);
        m_dEmSize = static_cast<double>(metrics.tmHeight - metrics.tmInternalLeading);
    }
    ~GdiPlusCanvas() override {
        m_pFont.reset();
        ::DeleteObject(m_hFont);
    }
    GdiPlusCanvas(const GdiPlusCanvas&) = delete;
    GdiPlusCanvas& operator=(const GdiPlusCanvas&) = delete;

    std::wstring FontFamily() const {
        Gdiplus::FontFamily family;
        m_pFont->GetFamily(&family);
        wchar_t name[LF_FACESIZE] = {};
        family.GetFamilyName(name);
        return name;
    }
    // The height of the font's letters (its em) in pixels, as SVG's font-size takes it.
    double FontSize() const { return m_dEmSize; }

    double TextWidth(const std::string& text) override {
        // Each label is measured for the layout and again where it is drawn, and most stay
        // from one scan to the next.
        const auto known = m_Widths.find(text);
        if (known != m_Widths.end()) {
            return known->second;
        }
        const std::wstring wide = ToWide(text);
        Gdiplus::RectF bounds;
        m_Graphics.MeasureString(wide.c_str(), static_cast<INT>(wide.size()), m_pFont.get(),
                                 Gdiplus::PointF(0.0f, 0.0f), &m_Format, &bounds);
        const auto width = static_cast<double>(bounds.Width);
        m_Widths.emplace(text, width);
        return width;
    }
    double LineHeight() override { return m_dLineHeight; }

    void FillRect(const PlotArea& rect, Rgb color) override {
        Gdiplus::SolidBrush brush(ToGdiPlus(color));
        m_Graphics.FillRectangle(&brush, F(rect.left), F(rect.top), F(rect.width), F(rect.height));
    }
    void StrokeRect(const PlotArea& rect, Rgb color, double width) override {
        Gdiplus::Pen pen(ToGdiPlus(color), F(width));
        m_Graphics.DrawRectangle(&pen, F(rect.left), F(rect.top), F(rect.width), F(rect.height));
    }
    void Polyline(std::span<const PlotPoint> points, Rgb color, double width) override {
        m_Points.clear();
        for (const PlotPoint& point : points) {
            m_Points.emplace_back(F(point.x), F(point.y));
        }
        if (!LinesAntialiased()) {
            DrawWithGdi(points, color, width);
            return;
        }
        Gdiplus::Pen pen(ToGdiPlus(color), F(width));
        pen.SetLineJoin(Gdiplus::LineJoinBevel);
        m_Graphics.DrawLines(&pen, m_Points.data(), static_cast<INT>(m_Points.size()));
    }
    void Text(const std::string& text, PlotPoint at, TextAnchor anchor, Rgb color,
              bool upright) override {
        if (text.empty()) {
            return;
        }
        const std::wstring wide = ToWide(text);
        const double width = TextWidth(text);
        const double shift = anchor == TextAnchor::kStart    ? 0.0
                             : anchor == TextAnchor::kMiddle ? width / 2.0
                                                             : width;
        Gdiplus::SolidBrush brush(ToGdiPlus(color));
        const Gdiplus::GraphicsState state = m_Graphics.Save();
        m_Graphics.TranslateTransform(F(at.x), F(at.y));
        if (upright) {
            m_Graphics.RotateTransform(-90.0f);
        }
        // GDI+ places a text by the top of its line: up by the ascent from the baseline.
        m_Graphics.DrawString(wide.c_str(), static_cast<INT>(wide.size()), m_pFont.get(),
                              Gdiplus::PointF(F(-shift), F(-m_dAscent)), &m_Format, &brush);
        m_Graphics.Restore(state);
    }
    // An image of `columns` x `rows` colours (row by row, the top row first) stretched over
    // `rect`, each colour a sharp block: a map's cells are not blurred into each other.
    void Image(const PlotArea& rect, std::size_t columns, std::size_t rows,
               std::span<const Rgb> pixels) override {
        if (columns == 0 || rows == 0 || pixels.size() < columns * rows || rect.IsEmpty()) {
            return;
        }
        m_Image.resize(columns * rows);
        for (std::size_t i = 0; i < columns * rows; ++i) {
            const Rgb& pixel = pixels[i];
            m_Image[i] = 0xFF000000u | (std::uint32_t{pixel.red} << 16) |
                         (std::uint32_t{pixel.green} << 8) | std::uint32_t{pixel.blue};
        }
        Gdiplus::Bitmap bitmap(static_cast<INT>(columns), static_cast<INT>(rows),
                               static_cast<INT>(columns * sizeof(std::uint32_t)),
                               PixelFormat32bppRGB, reinterpret_cast<BYTE*>(m_Image.data()));
        const Gdiplus::InterpolationMode interpolation = m_Graphics.GetInterpolationMode();
        m_Graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
        m_Graphics.DrawImage(
            &bitmap, Gdiplus::RectF(F(rect.left), F(rect.top), F(rect.width), F(rect.height)));
        m_Graphics.SetInterpolationMode(interpolation);
    }
    void BeginClip(const PlotArea& rect) override {
        m_Graphics.SetClip(
            Gdiplus::RectF(F(rect.left), F(rect.top), F(rect.width), F(rect.height)));
        m_Clip = rect;
    }
    void EndClip() override {
        m_Graphics.ResetClip();
        m_Clip.reset();
    }

  private:
    // Whether this system's GDI+ antialiases lines. Windows' does; wine's draws them without
    // antialiasing, and more slowly than GDI draws the same pixels.
    static bool LinesAntialiased() {
        static const bool antialiased = [] {
            Gdiplus::Bitmap probe(16, 16, PixelFormat32bppARGB);
            Gdiplus::Graphics graphics(&probe);
            graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
            graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
            Gdiplus::Pen pen(Gdiplus::Color(255, 0, 0, 0), 1.0f);
            graphics.DrawLine(&pen, 0.0f, 1.0f, 16.0f, 9.0f);
            for (INT y = 0; y < 16; ++y) {
                for (INT x = 0; x < 16; ++x) {
                    Gdiplus::Color pixel;
                    probe.GetPixel(x, y, &pixel);
                    if (pixel.GetR() != 0 && pixel.GetR() != 255) {
                        return true;
                    }
                }
            }
            return false;
        }();
        return antialiased;
    }

    // The line through GDI, in whole pixels: a one-pixel pen where the width is below two.
    void DrawWithGdi(std::span<const PlotPoint> points, Rgb color, double width) {
        std::vector<POINT> corners;
        corners.reserve(points.size());
        for (const PlotPoint& point : points) {
            corners.push_back(
                {static_cast<LONG>(std::floor(point.x)), static_cast<LONG>(std::floor(point.y))});
        }
        HDC dc = m_Graphics.GetHDC();
        const int saved = ::SaveDC(dc);
        if (m_Clip) {
            ::IntersectClipRect(dc, static_cast<int>(std::floor(m_Clip->left)),
                                static_cast<int>(std::floor(m_Clip->top)),
                                static_cast<int>(std::ceil(m_Clip->Right())),
                                static_cast<int>(std::ceil(m_Clip->Bottom())));
        }
        const COLORREF rgb = RGB(color.red, color.green, color.blue);
        const auto whole = static_cast<DWORD>(std::max(1.0, std::floor(width)));
        LOGBRUSH brush{BS_SOLID, rgb, 0};
        HPEN pen = whole == 1
                       ? ::CreatePen(PS_SOLID, 0, rgb)
                       : ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_BEVEL,
                                        whole, &brush, 0, nullptr);
        ::SelectObject(dc, pen);
        ::Polyline(dc, corners.data(), static_cast<int>(corners.size()));
        ::RestoreDC(dc, saved);
        ::DeleteObject(pen);
        m_Graphics.ReleaseHDC(dc);
    }

    static Gdiplus::REAL F(double value) { return static_cast<Gdiplus::REAL>(value); }

    Gdiplus::Graphics& m_Graphics;
    HFONT m_hFont = nullptr;
    std::unique_ptr<Gdiplus::Font> m_pFont;
    Gdiplus::StringFormat m_Format{Gdiplus::StringFormat::GenericTypographic()};
    std::vector<Gdiplus::PointF> m_Points;
    std::vector<std::uint32_t> m_Image;
    std::unordered_map<std::string, double>& m_Widths;
    std::optional<PlotArea> m_Clip;
    double m_dLineHeight = 0.0;
    double m_dAscent = 0.0;
    double m_dEmSize = 0.0;
};

// The PNG encoder of GDI+.
std::optional<CLSID> PngEncoder() {
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) {
        return std::nullopt;
    }
    std::vector<std::byte> buffer(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) {
        return std::nullopt;
    }
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) == L"image/png") {
            return encoders[i].Clsid;
        }
    }
    return std::nullopt;
}

// The bytes of a PNG picture of `bitmap`, or nothing when GDI+ cannot encode it.
std::optional<std::string> EncodePng(Gdiplus::Bitmap& bitmap) {
    const std::optional<CLSID> encoder = PngEncoder();
    if (!encoder) {
        return std::nullopt;
    }
    IStream* stream = nullptr;
    if (::CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) {
        return std::nullopt;
    }
    std::optional<std::string> bytes;
    if (bitmap.Save(stream, &*encoder, nullptr) == Gdiplus::Ok) {
        HGLOBAL memory = nullptr;
        STATSTG stat{};
        if (::GetHGlobalFromStream(stream, &memory) == S_OK &&
            stream->Stat(&stat, STATFLAG_NONAME) == S_OK) {
            const void* data = ::GlobalLock(memory);
            if (data != nullptr) {
                bytes.emplace(static_cast<const char*>(data),
                              static_cast<std::size_t>(stat.cbSize.QuadPart));
                ::GlobalUnlock(memory);
            }
        }
    }
    stream->Release();
    return bytes;
}

// Writes a whole file under its name, or nothing of it; raises FileError.
void WriteWhole(const std::string& path, std::string_view bytes) {
    AtomicDiskOutputFiles files;
    try {
        files.Open(path, TextFileWriter::OpenMode::kReplace);
        files.WriteBytes(bytes);
        files.Close();
    } catch (...) {
        files.Discard();
        throw;
    }
}

}  // namespace

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    if (text.size() < end.size()) {
        return false;
    }
    return std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

GdiPlusUse::GdiPlusUse() {
    if (g_nGdiPlusUsers++ == 0) {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&g_nGdiPlusToken, &input, nullptr);
    }
}

GdiPlusUse::~GdiPlusUse() {
    if (--g_nGdiPlusUsers == 0) {
        Gdiplus::GdiplusShutdown(g_nGdiPlusToken);
    }
}

PlotColors ScreenColors() {
    return {FromSystem(COLOR_WINDOW), FromSystem(COLOR_WINDOWTEXT)};
}

double WindowScale(HWND window) {
    const UINT dpi = window != nullptr ? ::GetDpiForWindow(window) : 96;
    return (dpi == 0 ? 96.0 : static_cast<double>(dpi)) / 96.0;
}

PlotPoint PicturePoint(LPARAM position) {
    return {static_cast<double>(GET_X_LPARAM(position)) + 0.5,
            static_cast<double>(GET_Y_LPARAM(position)) + 0.5};
}

std::wstring ControlText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

void SetControlText(HWND window, const std::string& text) {
    const std::wstring wide = ToWide(text);
    if (ControlText(window) != wide) {
        ::SetWindowTextW(window, wide.c_str());
    }
}

void MeasureWith(HWND window, HFONT font, TextWidths& widths,
                 const std::function<void(PlotCanvas&)>& use) {
    HDC dc = ::GetDC(window);
    {
        Gdiplus::Graphics graphics(dc);
        GdiPlusCanvas canvas(graphics, dc, font, 1.0, widths);
        use(canvas);
    }
    ::ReleaseDC(window, dc);
}

std::optional<std::string> SavePicture(const std::string& path, HWND window, HFONT font,
                                       TextWidths& widths, const DrawPicture& draw) {
    RECT client{};
    ::GetClientRect(window, &client);
    const int width = std::max(1, static_cast<int>(client.right));
    const int height = std::max(1, static_cast<int>(client.bottom));
    const double scale = WindowScale(window);
    HDC screen = ::GetDC(window);
    std::optional<std::string> reason;
    try {
        if (EndsWithNoCase(path, ".svg")) {
            // Laid out as the window lays the plot out, with the window's font.
            Gdiplus::Graphics measuring(screen);
            GdiPlusCanvas measure(measuring, screen, font, 1.0, widths);
            SvgCanvas svg(width, height, FromWide(measure.FontFamily()), measure.FontSize(),
                          measure);
            draw(svg, width, height, scale);
            WriteWhole(path, svg.Document());
        } else {
            // Twice the window's pixels: sharp when printed or shown larger.
            constexpr int kFactor = 2;
            Gdiplus::Bitmap bitmap(kFactor * width, kFactor * height, PixelFormat32bppARGB);
            {
                Gdiplus::Graphics graphics(&bitmap);
                TextWidths doubled;
                GdiPlusCanvas canvas(graphics, screen, font, kFactor, doubled);
                draw(canvas, kFactor * width, kFactor * height, kFactor * scale);
            }
            const std::optional<std::string> bytes = EncodePng(bitmap);
            if (!bytes) {
                reason = "the picture could not be encoded as PNG";
            } else {
                WriteWhole(path, *bytes);
            }
        }
    } catch (const FileError& error) {
        reason = error.Reason();
    } catch (const std::exception& error) {
        reason = error.what();
    }
    ::ReleaseDC(window, screen);
    return reason;
}

PlotSurface::~PlotSurface() {
    if (m_hPicture != nullptr) {
        ::DeleteObject(m_hPicture);
    }
}

void PlotSurface::Invalidate(HWND window) {
    m_bStale = true;
    if (window != nullptr) {
        ::InvalidateRect(window, nullptr, FALSE);
    }
}

void PlotSurface::Paint(HWND window, HFONT font, TextWidths& widths, const DrawPicture& draw,
                        const std::function<void(HDC)>& overlay) {
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(window, &paint);
    RECT client{};
    ::GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width > 0 && height > 0) {
        HDC picture = ::CreateCompatibleDC(dc);
        if (m_hPicture == nullptr || m_Size.cx != width || m_Size.cy != height) {
            if (m_hPicture != nullptr) {
                ::DeleteObject(m_hPicture);
            }
            m_hPicture = ::CreateCompatibleBitmap(dc, width, height);
            m_Size = {width, height};
            m_bStale = true;
        }
        HGDIOBJ oldPicture = ::SelectObject(picture, m_hPicture);
        if (m_bStale) {
            Gdiplus::Graphics graphics(picture);
            GdiPlusCanvas canvas(graphics, picture, font, 1.0, widths);
            draw(canvas, width, height, WindowScale(window));
            m_bStale = false;
        }
        // The overlay goes onto a copy, so that the picture stays as drawn.
        HDC back = ::CreateCompatibleDC(dc);
        HBITMAP backBitmap = ::CreateCompatibleBitmap(dc, width, height);
        HGDIOBJ oldBack = ::SelectObject(back, backBitmap);
        ::BitBlt(back, 0, 0, width, height, picture, 0, 0, SRCCOPY);
        if (overlay) {
            overlay(back);
        }
        ::BitBlt(dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
        ::SelectObject(back, oldBack);
        ::DeleteObject(backBitmap);
        ::DeleteDC(back);
        ::SelectObject(picture, oldPicture);
        ::DeleteDC(picture);
    }
    ::EndPaint(window, &paint);
}

void DrawFocus(HWND window, HDC target) {
    if (::GetFocus() == window) {
        RECT client{};
        ::GetClientRect(window, &client);
        ::DrawFocusRect(target, &client);
    }
}

namespace {

// A dragged rectangle in the system's selection colour.
void DrawDraggedRect(HDC target, PlotPoint from, PlotPoint to, double scale) {
    Gdiplus::Graphics graphics(target);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const Gdiplus::Color edge(255, GetRValue(highlight), GetGValue(highlight),
                              GetBValue(highlight));
    const Gdiplus::Color fill(48, GetRValue(highlight), GetGValue(highlight), GetBValue(highlight));
    const auto left = static_cast<Gdiplus::REAL>(std::min(from.x, to.x));
    const auto top = static_cast<Gdiplus::REAL>(std::min(from.y, to.y));
    const auto width = static_cast<Gdiplus::REAL>(std::abs(to.x - from.x));
    const auto height = static_cast<Gdiplus::REAL>(std::abs(to.y - from.y));
    Gdiplus::SolidBrush brush(fill);
    graphics.FillRectangle(&brush, left, top, width, height);
    Gdiplus::Pen pen(edge, static_cast<Gdiplus::REAL>(scale));
    graphics.DrawRectangle(&pen, left, top, width, height);
}

}  // namespace

void RegisterPanelClasses(HINSTANCE instance, const wchar_t* panelClass, WNDPROC panelProc,
                          const wchar_t* plotClass, WNDPROC plotProc) {
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof panel;
    if (!::GetClassInfoExW(instance, panelClass, &panel)) {
        panel.lpfnWndProc = panelProc;
        panel.hInstance = instance;
        panel.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        panel.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        panel.lpszClassName = panelClass;
        ::RegisterClassExW(&panel);
    }
    WNDCLASSEXW plot{};
    plot.cbSize = sizeof plot;
    if (!::GetClassInfoExW(instance, plotClass, &plot)) {
        plot.style = CS_HREDRAW | CS_VREDRAW;
        plot.lpfnWndProc = plotProc;
        plot.hInstance = instance;
        plot.hCursor = ::LoadCursorW(nullptr, IDC_CROSS);
        plot.lpszClassName = plotClass;
        ::RegisterClassExW(&plot);
    }
}

std::optional<std::string> AskSaveName(HWND owner, const std::string& suggested,
                                       const wchar_t* filters, const wchar_t* extension,
                                       const wchar_t* title) {
    std::wstring file = ToWide(suggested);
    const std::size_t slash = file.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : file.substr(0, slash);
    file = slash == std::wstring::npos ? file : file.substr(slash + 1);
    file.resize(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = extension;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_EXPLORER;
    if (!::GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    return FromWide(file.c_str());
}

std::optional<PlotKey> PlotKeyOf(WPARAM virtualKey) {
    switch (virtualKey) {
        case VK_ADD:
        case VK_OEM_PLUS:  // the key of + and =
            return PlotKey::kZoomIn;
        case VK_SUBTRACT:
        case VK_OEM_MINUS:
            return PlotKey::kZoomOut;
        case VK_LEFT:
            return PlotKey::kLeft;
        case VK_RIGHT:
            return PlotKey::kRight;
        case VK_UP:
            return PlotKey::kUp;
        case VK_DOWN:
            return PlotKey::kDown;
        default:
            return std::nullopt;
    }
}

PlotPoint WheelPoint(HWND window, LPARAM position) {
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ::ScreenToClient(window, &point);
    return {point.x + 0.5, point.y + 0.5};
}

double WheelSteps(WPARAM wParam) {
    return GET_WHEEL_DELTA_WPARAM(wParam) / static_cast<double>(WHEEL_DELTA);
}

void PlotPointer::StartDrag(HWND window, PlotPoint at) {
    m_DragStart = at;
    m_DragNow = at;
    ::SetCapture(window);
}

void PlotPointer::Move(HWND window, PlotPoint at) {
    if (!m_bTrackingLeave) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window;
        m_bTrackingLeave = ::TrackMouseEvent(&track) != 0;
    }
    if (m_DragStart) {
        m_DragNow = at;
        ::InvalidateRect(window, nullptr, FALSE);
    }
}

std::optional<PlotArea> PlotPointer::EndDrag(PlotPoint at, double scale) {
    if (!m_DragStart) {
        return std::nullopt;
    }
    const PlotPoint start = *m_DragStart;
    // Reset before the capture goes: WM_CAPTURECHANGED then finds no drag to cancel.
    m_DragStart.reset();
    ::ReleaseCapture();
    const double least = kMinimumDrag * scale;
    if (std::abs(at.x - start.x) >= least && std::abs(at.y - start.y) >= least) {
        return PlotArea{std::min(start.x, at.x), std::min(start.y, at.y), std::abs(at.x - start.x),
                        std::abs(at.y - start.y)};
    }
    return std::nullopt;
}

void PlotPointer::CancelDrag(HWND window) {
    if (m_DragStart) {
        m_DragStart.reset();
        ::InvalidateRect(window, nullptr, FALSE);
    }
}

void PlotPointer::DrawDrag(HDC target, double scale) const {
    if (m_DragStart) {
        DrawDraggedRect(target, *m_DragStart, m_DragNow, scale);
    }
}

}  // namespace quillon
