// SPDX-License-Identifier: MIT
// The Trace and Map pages of the Windows window's plot panel: the wavelengths traced across the
// scans (added by Ctrl+click on the spectrum or typed, removed) against time or scan number,
// and the map of every scan, filled off the window's thread while it shows what is done. Both
// draw the toolkit-free pictures (kinetics_picture.h) of the window's Kinetics with GDI+, zoom
// as the spectrum does (a dragged rectangle, the wheel, + - and the arrows, a right click) and
// read out the point under the pointer.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

#include "dialog/kinetics.h"
#include "dialog/kinetics_picture.h"
#include "dialog/win32/win32_plot_canvas.h"

namespace quillon {

// The pages' controls, children of their page windows, by id.
enum class KineticsControl : int {
    // The Trace page
    WavelengthCaption = 1201,
    Wavelength = 1202,
    AddWavelength = 1203,
    TracedCaption = 1204,
    Traced = 1205,
    RemoveWavelength = 1206,
    TracePlot = 1207,
    TraceStatus = 1208,
    TraceReadout = 1209,
    TraceResetZoom = 1210,
    SaveTracePlot = 1211,
    ExportTrace = 1212,
    // The Map page
    RowsCaption = 1221,
    Rows = 1222,
    MapProgress = 1223,
    CancelMap = 1224,
    MapStatus = 1225,
    MapPlot = 1226,
    MapReadout = 1227,
    MapResetZoom = 1228,
    SaveMapPlot = 1229,
};

// The ids of the page windows among the panel's children.
inline constexpr int kTracePageId = 1200;
inline constexpr int kMapPageId = 1220;

// What the pages ask of the panel around them.
struct KineticsPageHost {
    // Shows a scan (0-based) in the spectrum; `switchTo` brings the Spectrum page forward.
    std::function<void(std::size_t scan, bool switchTo)> showScan;
    // Asks where to save a picture or the trace's table, from a suggested full name.
    std::function<std::optional<std::string>(HWND owner, const std::string& suggested)>
        choosePlotFile;
    std::function<std::optional<std::string>(HWND owner, const std::string& suggested)>
        chooseTableFile;
    // Tells the user a failure.
    std::function<void(const std::string& text)> showMessage;
    // Traces a wavelength as the Trace page's Add does: empty when added, else why not.
    std::function<std::string(double wavelength)> trace;
    // The kinetics changed on a page (a wavelength, the rows): the panel polls its passes.
    std::function<void()> passStarted;
};

// One page: a control parent holding its controls and a plot window.
class Win32KineticsPage {
  public:
    Win32KineticsPage(Kinetics& kinetics, KineticsPageHost& host);
    virtual ~Win32KineticsPage();
    Win32KineticsPage(const Win32KineticsPage&) = delete;
    Win32KineticsPage& operator=(const Win32KineticsPage&) = delete;

    // Creates the page, hidden, as a child of `panel`.
    void Create(HWND panel, int id, HFONT font);
    HWND Window() const { return m_hPage; }
    HWND Item(KineticsControl control) const;
    void SetFont(HFONT font);
    // Places the page over `rect` of the panel and lays its controls out.
    void Place(const RECT& rect);
    // After the kinetics changed: the controls follow and the plot is drawn again.
    virtual void Refresh() = 0;

  protected:
    struct PageItem {
        KineticsControl id;
        const wchar_t* windowClass;
        const wchar_t* caption;
        DWORD style;
        DWORD exStyle;
    };
    virtual std::span<const PageItem> Items() const = 0;
    virtual KineticsControl PlotId() const = 0;
    virtual KineticsControl ReadoutId() const = 0;
    virtual void LayOut(int width, int height) = 0;
    virtual void OnCommand(KineticsControl control, int notification) = 0;
    // The picture on a canvas; `screen` draws it in the window's colours with its marks.
    virtual void Draw(PlotCanvas& canvas, double width, double height, double scale,
                      bool screen) = 0;
    // Lays the picture out for the plot window's size, where the pointer meets it.
    virtual PlotArea Area(PlotCanvas& canvas, double width, double height, double scale) = 0;
    virtual bool HasPicture() const = 0;
    virtual std::string ReadoutAt(const PlotArea& area, PlotPoint at) const = 0;
    virtual std::string Hint() const = 0;
    // A click (not a drag) at a point of the plot's area, with Ctrl held or not.
    virtual void Click(const PlotArea& area, PlotPoint at, bool control) = 0;
    // The zoom of the page's model.
    virtual void ZoomToRect(const PlotArea& area, const PlotArea& dragged) = 0;
    virtual void Wheel(const PlotArea& area, PlotPoint at, double steps) = 0;
    virtual void ZoomOut() = 0;
    virtual void Key(PlotKey key) = 0;
    virtual void ResetZoom() = 0;

    // A rectangle in dialog units as pixels of the dialog's font.
    RECT Units(int x, int y, int cx, int cy) const;
    void Put(KineticsControl control, const RECT& rect) const;
    void Redraw();
    // The plot between the rows of controls at the top (`topRows` of them) and, at the
    // bottom, the readout's line and a row of the status and `buttons` (right to left).
    void LayOutRows(int width, int height, int topRows,
                    std::initializer_list<KineticsControl> buttons, KineticsControl status);
    // Saves the plot as PNG or SVG where the user says.
    void SavePlot(const std::string& suggested);
    void Run(const std::function<void()>& handler);

    Kinetics& m_Kinetics;
    KineticsPageHost& m_Host;
    HWND m_hDialog = nullptr;
    HWND m_hPage = nullptr;
    HWND m_hPlot = nullptr;
    HFONT m_hFont = nullptr;
    TextWidths m_TextWidths;
    PlotSurface m_Surface;

  private:
    static LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PlotProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPlotMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The plot's area at the plot window's size.
    PlotArea CurrentArea();
    void ShowReadout(PlotPoint at);

    PlotPointer m_Pointer;
};

// A page showing one model of the kinetics (its TracePlot or its ScanMap), which zooms and
// reads out what its plot window asks.
template <typename Model>
class Win32ModelPage : public Win32KineticsPage {
  public:
    Win32ModelPage(Kinetics& kinetics, KineticsPageHost& host, Model& model)
        : Win32KineticsPage(kinetics, host), m_Model(model) {}

  protected:
    bool HasPicture() const override { return m_Model.HasFile(); }
    std::string ReadoutAt(const PlotArea& area, PlotPoint at) const override {
        return m_Model.ReadoutAt(area, at.x, at.y);
    }
    void ZoomToRect(const PlotArea& area, const PlotArea& dragged) override {
        m_Model.ZoomToRect(area, dragged);
    }
    void Wheel(const PlotArea& area, PlotPoint at, double steps) override {
        m_Model.Wheel(area, at.x, at.y, steps);
    }
    void ZoomOut() override { m_Model.ZoomOut(); }
    void Key(PlotKey key) override { m_Model.Key(key); }
    void ResetZoom() override { m_Model.ResetZoom(); }

    Model& m_Model;
};

// The Trace page.
class Win32TracePage : public Win32ModelPage<TracePlot> {
  public:
    Win32TracePage(Kinetics& kinetics, KineticsPageHost& host)
        : Win32ModelPage(kinetics, host, kinetics.Trace()) {}
    void Refresh() override;
    // Traces a wavelength (a Ctrl+click on the spectrum or one typed): empty when added, else
    // why not.
    std::string Add(double wavelength);

  protected:
    std::span<const PageItem> Items() const override;
    KineticsControl PlotId() const override { return KineticsControl::TracePlot; }
    KineticsControl ReadoutId() const override { return KineticsControl::TraceReadout; }
    void LayOut(int width, int height) override;
    void OnCommand(KineticsControl control, int notification) override;
    void Draw(PlotCanvas& canvas, double width, double height, double scale, bool screen) override;
    PlotArea Area(PlotCanvas& canvas, double width, double height, double scale) override;
    std::string Hint() const override;
    void Click(const PlotArea& area, PlotPoint at, bool control) override;

  private:
    void AddTyped();
    void ExportTable();
};

// The Map page.
class Win32MapPage : public Win32ModelPage<ScanMap> {
  public:
    Win32MapPage(Kinetics& kinetics, KineticsPageHost& host)
        : Win32ModelPage(kinetics, host, kinetics.Map()) {}
    void Refresh() override;
    // The scan and wavelength last picked by a click, marked on the map.
    const std::optional<MapPick>& Picked() const { return m_Picked; }
    // A new file: nothing picked on it yet.
    void Forget() { m_Picked.reset(); }

  protected:
    std::span<const PageItem> Items() const override;
    KineticsControl PlotId() const override { return KineticsControl::MapPlot; }
    KineticsControl ReadoutId() const override { return KineticsControl::MapReadout; }
    void LayOut(int width, int height) override;
    void OnCommand(KineticsControl control, int notification) override;
    void Draw(PlotCanvas& canvas, double width, double height, double scale, bool screen) override;
    PlotArea Area(PlotCanvas& canvas, double width, double height, double scale) override;
    std::string Hint() const override;
    void Click(const PlotArea& area, PlotPoint at, bool control) override;

  private:
    std::optional<MapPick> m_Picked;
};

// The table file dialog of "Export trace...": the system's save dialog with the types CSV,
// HDF5 and Excel workbook.
std::function<std::optional<std::string>(HWND owner, const std::string& suggested)>
StandardTableFileDialog();

}  // namespace quillon
