// SPDX-License-Identifier: MIT
// Win32SpectrumPanel: the plots beside the main dialog's controls in the Windows window. The
// scan chooser with the scan's texts and the quantity chooser over tabs "Spectrum", "Trace"
// and "Map"; on the first, the Dark, Reference and Scan boxes, the plot (zoom by a dragged
// rectangle, the wheel, the keys + and - and the arrows, a right click zooms out), the readout
// under the pointer, Reset zoom and Save plot. What it shows comes from the toolkit-free plot
// model; it draws the model's picture (plot_picture.h) with GDI+. The other two pages follow chosen
// wavelengths across the scans and map every scan (win32_kinetics_pages.h); a Ctrl+click on the
// spectrum traces the wavelength under the pointer.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dialog/kinetics.h"
#include "dialog/plot_picture.h"
#include "dialog/spectrum_plot.h"
#include "dialog/win32/win32_kinetics_pages.h"
#include "dialog/win32/win32_plot_canvas.h"
#include "scanfile/scan_file.h"

namespace quillon {

// The panel's controls, children of the panel window, by id.
enum class PanelControl : int {
    ScanCaption = 1101,
    ScanNumber = 1102,
    ScanSpin = 1103,
    ScanOf = 1104,
    ScanTexts = 1105,
    QuantityCaption = 1106,
    Quantity = 1107,
    ShowDark = 1108,
    ShowReference = 1109,
    ShowScan = 1110,
    Plot = 1111,
    Readout = 1112,
    ResetZoom = 1113,
    SavePlot = 1114,
    // The tabs "Spectrum", "Trace" and "Map" that choose what the plot area shows.
    Views = 1115,
};

// The pages of the plot area, in the order of their tabs.
enum class PanelPage : int { kSpectrum = 0, kTrace = 1, kMap = 2 };

// The id of the panel window among the dialog's children.
inline constexpr int kSpectrumPanelId = 1100;

class Win32SpectrumPanel {
  public:
    // Asks where to save the plot, starting from a suggested full name; nothing when the user
    // cancels.
    using ChoosePlotFile =
        std::function<std::optional<std::string>(HWND owner, const std::string& suggested)>;
    // Tells the user a failure.
    using ShowMessage = std::function<void(const std::string& text)>;

    Win32SpectrumPanel(ChoosePlotFile choosePlotFile, ChoosePlotFile chooseTableFile,
                       ShowMessage showMessage);
    ~Win32SpectrumPanel();
    Win32SpectrumPanel(const Win32SpectrumPanel&) = delete;
    Win32SpectrumPanel& operator=(const Win32SpectrumPanel&) = delete;

    // Creates the panel as the last child of `dialog` (after its controls in the tab order)
    // and grows the dialog to the right to make room for it.
    void Create(HWND dialog);
    // Shows a newly loaded file from its first scan, in the quantity chosen, zoom reset. The
    // file must outlive the panel or the next ShowFile.
    void ShowFile(const ScanFile& file);
    // Shows the file's last scan, keeping the zoom.
    void ShowLastScan();
    // Stops reading the file off the window's thread, before it is replaced or unloaded.
    void ReleaseFile();
    // Brings a page of the plot area forward, as its tab does.
    void ShowPage(PanelPage page);

  private:
    HWND ControlHandle(PanelControl control) const;
    // Places the panel beside the controls, from the top of the "SDF File" box to the bottom
    // margin, over the rest of the dialog's width; after the dialog changed its size or scale.
    void Place();
    // Writes the plot as it is shown: SVG for a name ending in ".svg", PNG (at twice the
    // screen's pixels) otherwise; the reason of a failure, leaving no file behind.
    std::optional<std::string> SavePlot(const std::string& path);

    static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PlotProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Follows the dialog's size, scale and colours.
    static LRESULT CALLBACK FollowDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+Page Down and Ctrl+Page Up turn the pages.
    static LRESULT CALLBACK PageKeys(int code, WPARAM wParam, LPARAM lParam);
    // Keeps Enter in the scan number and the quantity from ending the dialog.
    static LRESULT CALLBACK TakeEnter(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR data);
    LRESULT OnPanelMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPlotMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnPlotKey(WPARAM key);
    void CreateControls();
    // The dialog's font on every control, after it was made or scaled.
    void ApplyFont();
    void LayOut();
    void OnCommand(int id, int notification);
    // The tab chosen: its page shows, the others hide.
    void OnPageChosen();
    // Polls the kinetics' passes with a timer while any runs, and shows what they did.
    void StartPolling();
    void OnKineticsTick();
    void RefreshPages();
    // A Ctrl+click on the spectrum: traces the wavelength under the pointer.
    void TraceAt(PlotPoint at);
    void OnScanTyped();
    void OnSavePlot();
    // Runs a handler; a failure that escapes it is shown instead of crossing the system's
    // message dispatch.
    void Run(const std::function<void()>& handler);

    // After the model changed: the choosers, boxes and texts follow it, and the plot is drawn
    // again.
    void Refresh();
    // Lays the picture out for what the model shows, unless the picture shown already is.
    void UpdateLayout();
    void ShowReadoutAt(PlotPoint at);
    void Redraw();
    void Paint();
    void RenderPicture(PlotCanvas& canvas, double width, double height, double scale);
    double Scale() const;

    ChoosePlotFile m_ChoosePlotFile;
    ShowMessage m_ShowMessage;
    // The Trace and Map pages and what they show.
    Kinetics m_Kinetics;
    KineticsPageHost m_PageHost;
    Win32TracePage m_TracePage;
    Win32MapPage m_MapPage;
    PanelPage m_Page = PanelPage::kSpectrum;
    std::unique_ptr<GdiPlusUse> m_pGdiPlus;
    HWND m_hDialog = nullptr;
    HWND m_hPanel = nullptr;
    HWND m_hPlot = nullptr;
    HFONT m_hFont = nullptr;  // the dialog's, not ours
    // The widths of the texts drawn in it.
    TextWidths m_TextWidths;

    SpectrumPlot m_Plot;
    bool m_bSettingControls = false;
    // A rectangle being dragged, and whether the pointer's leaving is heard.
    PlotPointer m_Pointer;

    // The picture last drawn, kept so that the rubber band and the focus are drawn over it
    // without drawing the curves again, and where its parts stand.
    PlotSurface m_Surface;
    PlotLayout m_Layout;
};

// Save plot's file dialog: the system's save dialog with the types PNG and SVG, opened in the
// suggested name's folder.
Win32SpectrumPanel::ChoosePlotFile StandardPlotFileDialog();

}  // namespace quillon
