// SPDX-License-Identifier: MIT
// ScanMap: what the Map view of a window shows, without a toolkit: every scan of the loaded
// file at once, scans down and wavelength (or pixel) across, each value a colour of a
// perceptually uniform colour map (viridis) with a colour bar beside it. Where the file holds
// more scans than the map has rows, each row stands for a run of consecutive scans: their mean
// counts, or the least or greatest value among them, as the legend says. The rows come from a
// KineticsBuilder pass and show as it fills them. Hovering reads scan, wavelength and value;
// a click picks a scan and a wavelength.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialog/kinetics_builder.h"
#include "dialog/plot_frame.h"
#include "dialog/spectrum_plot.h"

namespace quillon {

// The viridis colour map in 256 steps, from dark blue (lowest) to yellow (highest).
const std::array<Rgb, 256>& ViridisColors();
// The colour of `fraction` (0 lowest, 1 highest; clamped) of the colour map.
Rgb ColorAt(double fraction);
// The colour of a value that is not defined.
inline constexpr Rgb kUndefinedColor{0xFF, 0xFF, 0xFF};

// What a row stands for where it holds several scans.
enum class MapRows {
    kMean,     // the quantity of the mean counts of its scans
    kMaximum,  // the greatest value among its scans
    kMinimum,  // the least value among them
};
inline constexpr MapRows kMapRowChoices[] = {MapRows::kMean, MapRows::kMaximum, MapRows::kMinimum};
// The name in the window's chooser: "Mean", "Maximum", "Minimum".
std::string MapRowsLabel(MapRows rows);

// A point of the map the pointer picked.
struct MapPick {
    std::size_t scan = 0;   // 0-based, the scan under the pointer
    std::size_t row = 0;    // the map's row holding it
    std::size_t pixel = 0;  // 0-based
    double x = 0.0;         // the pixel's wavelength, or its number on a pixel axis
    double value = 0.0;     // the row's value there; NaN when not defined
};

// What the map readout says while the pointer is not over the map.
inline constexpr const char* kMapHint =
    "Point at the map to read it; click to show that scan, Ctrl+click to trace the wavelength.";

class ScanMap {
  public:
    ScanMap();

    // Shows a newly loaded file: its x axis, dark and reference, scan count; no rows yet.
    // The file must outlive the map or the next ShowFile.
    void ShowFile(const ScanFile& file);
    bool HasFile() const { return m_pFile != nullptr; }
    const ScanFile* File() const { return m_pFile; }
    PlotAxis AxisKind() const { return m_Axis; }
    const std::vector<double>& X() const { return m_X; }
    std::size_t ScanCount() const { return m_nScans; }

    // The rows of a pass over the file (null: none), of which the first `completeRows` are
    // filled; called again as the pass goes on. Fits the colour range to the rows filled.
    void SetBins(std::shared_ptr<const MapBins> bins, std::size_t completeRows);
    std::size_t Rows() const;
    std::size_t FilledRows() const { return m_nFilledRows; }
    // The scans of the rows filled.
    std::size_t ScansFilled() const;

    void SetQuantity(Quantity quantity);
    Quantity ShownQuantity() const { return m_Quantity; }
    void SetRowReduction(MapRows rows);
    MapRows RowReduction() const { return m_Rows; }

    // A filled row's value at a pixel (NaN when not defined or not filled).
    double Value(std::size_t row, std::size_t pixel) const;
    // The colour bar: the range of the values filled, with its ticks and title.
    const Axis& ColorAxis() const { return m_ColorAxis; }
    // The colour of a value on the colour bar's range.
    Rgb ColorOf(double value) const;

    // ---- Axes and zoom: x across, the scan number down (the first scan at the top) ----
    const PlotFrame& Frame() const { return m_Frame; }
    const Axis& XAxis() const { return m_Frame.X(); }
    const Axis& ScanAxis() const { return m_Frame.Value(0); }
    // Between a scan number (from 1; fractions between scans) and the rows of `area`.
    double ScanToPixel(const PlotArea& area, double scanNumber) const;
    double PixelToScan(const PlotArea& area, double py) const;
    bool IsZoomed() const { return m_Frame.IsZoomed(); }
    void ResetZoom();
    void ZoomToRect(const PlotArea& area, const PlotArea& dragged);
    void Wheel(const PlotArea& area, double px, double py, double steps);
    void ZoomOut();
    void Key(PlotKey key);

    // The picture of what `area` shows, `columns` x `rows` RGB pixels (rows top first): each
    // picture pixel takes the rows and pixels of the map under it, reduced as RowReduction()
    // says, so that no narrow line or short event disappears between picture pixels.
    void RenderImage(const PlotArea& area, std::size_t columns, std::size_t rows,
                     std::vector<Rgb>& out) const;

    // The point of a filled row under the pointer at (px, py) of a map drawn in `area`.
    std::optional<MapPick> PickAt(const PlotArea& area, double px, double py) const;
    // The readout there: "scan 1234 (row of scans 1201–1300, mean), 546.07 nm, pixel 812:
    // 0.1234"; kMapHint away from the map.
    std::string ReadoutAt(const PlotArea& area, double px, double py) const;
    // The line under the map: what a row stands for.
    std::string Legend() const;
    // What a screen reader says about the map.
    std::string Description() const;
    // A name for a picture of the map, in the input's folder: "<base>_map_<quantity>.png".
    std::string PictureName() const;

  private:
    // The values of rows [from, to) from their counts, for the chosen quantity and reduction.
    void ComputeRows(std::size_t from, std::size_t to);
    void FitColors();
    void UpdateTitles();
    ValueRange FullXRange() const;
    ValueRange FullScanRange() const;

    const ScanFile* m_pFile = nullptr;
    PlotAxis m_Axis = PlotAxis::kPixel;
    std::vector<double> m_X;
    std::size_t m_nScans = 0;
    Quantity m_Quantity = Quantity::kCounts;
    MapRows m_Rows = MapRows::kMean;
    std::shared_ptr<const MapBins> m_pBins;
    std::size_t m_nFilledRows = 0;
    // The values of the filled rows, Rows() x pixels.
    std::vector<float> m_Values;
    std::optional<ValueRange> m_ValueRange;
    Axis m_ColorAxis;
    PlotFrame m_Frame{1};
};

}  // namespace quillon
