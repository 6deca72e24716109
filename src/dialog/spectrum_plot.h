// SPDX-License-Identifier: MIT
// What the spectrum plot of the window shows, without a toolkit: the x axis of a loaded file
// (the wavelength in nm where the calibration rises across the pixels, else the pixel number),
// the dark and reference spectra, one scan as a chosen quantity, the runs of defined values
// that are drawn as lines, the axis titles, the scan's description and the readout of the
// values at one pixel; and SpectrumPlot, the state of the plot (scan, quantity, curves shown,
// zoom, axes with their ticks, legend) that the Qt and the Windows window draw and send their
// input to. The ranges, ticks and zoom come from plot_frame.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dialog/plot_frame.h"
#include "export/quantities.h"
#include "scanfile/scan_file.h"

namespace quillon {

// What the x axis counts.
enum class PlotAxis {
    kWavelength,  // nanometres, from the calibration polynomial
    kPixel,       // pixel numbers from 1, when the calibration does not rise across the pixels
};

// The three curves of the plot, one value per pixel; NaN where a value is not defined.
struct SpectrumCurves {
    PlotAxis axis = PlotAxis::kPixel;
    std::vector<double> x;
    std::vector<double> dark;
    std::vector<double> reference;
    // The chosen scan as the chosen quantity; empty while no scan is shown (K = 0).
    std::vector<double> scan;
    Quantity quantity = Quantity::kCounts;
    // The scan shown, from 1; 0 for none.
    std::size_t scanNumber = 0;
    // How many values of the scan curve are not defined.
    std::size_t undefined = 0;
    // The scan's title, subtitle and date-time (see ScanDescription).
    std::string description;
    // Why the scan could not be read (the file named, and the reason); empty when it was.
    std::string problem;
};

// Sets the x axis and the dark and reference curves of `file` and empties the scan curve.
void SetFileCurves(const ScanFile& file, SpectrumCurves& curves);

// Sets the scan curve to scan `scanNumber` (from 1) as `quantity`, computed by the export
// layer's quantities, and its description. A number outside 1..K empties it. The record is
// read through the file, not its memory map, so that a file cut shorter since it was loaded
// (the acquisition software writing it again) leaves an empty curve and the reason in
// `problem` instead of a crash. Reuses the curve's storage.
void SetScanCurve(const ScanFile& file, std::size_t scanNumber, Quantity quantity,
                  SpectrumCurves& curves);

// A run of pixels [begin, end) whose values are all defined: drawn as one line.
struct PixelRun {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const PixelRun&) const = default;
};

// The runs of consecutive finite values; a value that is NaN or infinite breaks the line.
void DefinedRuns(std::span<const double> values, std::vector<PixelRun>& runs);

// The least and greatest finite value of `values` over the pixels whose x lies in
// [xLow, xHigh]; nothing when there is none.
std::optional<ValueRange> FiniteRange(std::span<const double> x, std::span<const double> values,
                                      double xLow, double xHigh);

// The pixel whose x is nearest to `x`; nothing for a file without pixels.
std::optional<std::size_t> NearestPixel(const SpectrumCurves& curves, double x);

// Axis titles, with units.
std::string XAxisTitle(PlotAxis axis);
std::string QuantityTitle(Quantity quantity);
// The name of a quantity in the window's chooser.
std::string QuantityLabel(Quantity quantity);
inline constexpr Quantity kPlotQuantities[] = {Quantity::kCounts, Quantity::kDarkSubtracted,
                                               Quantity::kTransmittance, Quantity::kAbsorbance};
// True for quantities measured in counts, which share an axis with the dark and reference.
bool InCounts(Quantity quantity);

// A scan's title, subtitle and date-time (UTF-8, from the file's Windows-1252 texts, each up
// to its first zero byte) joined by dashes, e.g. "Hg-Ar lamp — fibre 2 — 2024-03-01 10:15:02";
// empty texts are left out.
std::string ScanDescription(const ScanView& scan);

// Which curves the readout names.
struct CurveVisibility {
    bool dark = true;
    bool reference = true;
    bool scan = true;
};

// The readout of one pixel: its x ("546.07 nm, pixel 812" or "pixel 812") and the values of
// the visible curves there, "not defined" where one has none. Locale-independent numbers.
std::string ReadoutText(const SpectrumCurves& curves, std::size_t pixel, CurveVisibility visible);

// A number as the readout shows it: up to 6 significant digits, '.' for the decimal point.
std::string ReadoutNumber(double value);

// ---- The plot as the windows show it ----

// The three curves of the plot.
enum class Curve { kDark = 0, kReference = 1, kScan = 2 };
inline constexpr std::size_t kCurveCount = 3;
// The order the curves are drawn and listed in the legend: the scan first, so that the two
// others are drawn over it only where they meet it, and its entry leads.
inline constexpr Curve kCurveDrawingOrder[] = {Curve::kScan, Curve::kDark, Curve::kReference};

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

// How a curve is drawn: grey for the dark, orange for the reference, blue for the scan, told
// apart also by people who do not see red and green apart. Widths in device-independent
// pixels.
struct CurveStyle {
    const char* name = "";  // "Dark", "Reference", "Scan": the legend entry and check box
    Rgb color;
    double width = 1.0;
};
const CurveStyle& StyleOf(Curve curve);

// One entry of the legend; a hidden curve keeps its entry, dimmed, so that a click on it
// brings the curve back.
struct LegendEntry {
    Curve curve = Curve::kScan;
    std::string name;
    bool dimmed = false;
    bool operator==(const LegendEntry&) const = default;
};

// What the readout says while the pointer is not over the plot.
inline constexpr const char* kReadoutHint = "Point at the plot to read its values.";

// The state of the spectrum plot, whichever window draws it: the file's curves, the scan and
// quantity shown, the curves shown, and a PlotFrame of three axes: x at the bottom, the scan's
// quantity on the left, and on the right the dark and reference in counts. While the quantity
// is in counts all three curves share the left scale: the right axis repeats it and is hidden.
//
// Not zoomed, the x axis shows the whole file and the value axes the values of the curves
// shown; another scan, another quantity or a curve shown or hidden fits them again. Zoomed
// (by a dragged rectangle, the wheel, the keys or a right click), another scan keeps every
// range, another quantity fits the values over the x range shown and stays zoomed, and Reset
// zoom returns to the whole file. Every change is made here and the window then draws what
// the accessors give.
class SpectrumPlot {
  public:
    static constexpr std::size_t kQuantityAxis = 0;  // left
    static constexpr std::size_t kCountsAxis = 1;    // right

    SpectrumPlot();

    // Shows a newly loaded file from its first scan (none for a file without scans), in the
    // quantity chosen, zoom reset. The file must outlive the plot or the next ShowFile.
    void ShowFile(const ScanFile& file);
    bool HasFile() const { return m_pFile != nullptr; }
    const ScanFile* File() const { return m_pFile; }
    std::size_t ScanCount() const;

    // Shows scan `number` (from 1; 0 or beyond the file shows none), keeping the zoom.
    void ShowScan(std::size_t number);
    std::size_t ScanNumber() const { return m_Curves.scanNumber; }
    // Shows the scan as another quantity; before a file is loaded it is kept for the file.
    void ShowQuantity(Quantity quantity);
    Quantity ShownQuantity() const { return m_Curves.quantity; }
    void SetCurveVisible(Curve curve, bool visible);
    bool IsCurveVisible(Curve curve) const;
    CurveVisibility Visibility() const { return m_Visible; }

    // ---- Zoom, from the pointer and the keys of a plot drawn in `area` ----
    bool IsZoomed() const { return m_Frame.IsZoomed(); }
    // Back to the whole file: all pixels and all values of the curves shown.
    void ResetZoom();
    // Shows the part of the plot inside the dragged rectangle (pixels, any corner first).
    void ZoomToRect(const PlotArea& area, const PlotArea& dragged);
    // The wheel turned by `steps` notches (120ths of the wheel's delta; forward > 0) with the
    // pointer at (px, py): each notch forward magnifies by 1.25 about the pointer.
    void Wheel(const PlotArea& area, double px, double py, double steps);
    // A right click: twice the ranges shown, about their middle.
    void ZoomOut();
    // + and - magnify and reduce by 1.25 about the middle; the arrows scroll by a tenth of
    // the range shown (left: shorter wavelengths, up: greater values).
    void Key(PlotKey key);

    // ---- What is drawn ----
    const SpectrumCurves& Curves() const { return m_Curves; }
    // The values of a curve, one per pixel (the scan's is empty while none is shown), and
    // its runs of defined values: one line each, against Curves().x.
    const std::vector<double>& Values(Curve curve) const;
    const std::vector<PixelRun>& Runs(Curve curve) const;
    const PlotFrame& Frame() const { return m_Frame; }
    const Axis& XAxis() const { return m_Frame.X(); }
    const Axis& QuantityAxis() const { return m_Frame.Value(kQuantityAxis); }
    const Axis& CountsAxis() const { return m_Frame.Value(kCountsAxis); }
    // The value axis a curve is drawn against: kQuantityAxis or kCountsAxis.
    static std::size_t AxisOf(Curve curve);
    // In kCurveDrawingOrder.
    std::array<LegendEntry, kCurveCount> Legend() const;

    // The line beside the scan chooser: the scan's texts, "This file holds no scans." or why
    // the scan could not be read; and the same for a screen reader, with the scan's number.
    std::string ScanTexts() const;
    std::string ScanTextsName() const;
    // What a screen reader says about the plot, since it cannot see the lines.
    std::string Description() const;

    // The readout for a pointer at (px, py) of a plot drawn in `area`: the pixel nearest to
    // the x under the pointer and the values there of the curves shown; kReadoutHint when
    // the pointer is outside the plot or no file is loaded.
    std::string ReadoutAt(const PlotArea& area, double px, double py) const;

    // The pixel nearest the x under the pointer at (px, py) of a plot drawn in `area` (a
    // Ctrl+click traces its wavelength); nothing outside the plot or without a file.
    std::optional<std::size_t> PixelAt(const PlotArea& area, double px, double py) const;

  private:
    void UpdateRuns(Curve curve);
    void UpdateTitles();
    // Fits the value axes to the curves shown over the x range `x`.
    void FitValues(ValueRange x);
    ValueRange FullXRange() const;

    const ScanFile* m_pFile = nullptr;
    SpectrumCurves m_Curves;
    CurveVisibility m_Visible;
    std::array<std::vector<PixelRun>, kCurveCount> m_Runs;
    PlotFrame m_Frame{2};
};

}  // namespace quillon
