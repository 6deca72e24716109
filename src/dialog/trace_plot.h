// SPDX-License-Identifier: MIT
// TracePlot: what the Trace view of a window shows, without a toolkit: the wavelengths traced
// (added by value, removed), the quantity, each wavelength's value against the seconds since
// the first scan (or against the scan number when the file holds no readable times, as the
// axis says), the axes and zoom (PlotFrame), the scan under the pointer, the readout, a name
// for its picture and the table of its rows. The values come from a KineticsBuilder pass.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialog/kinetics_builder.h"
#include "dialog/plot_frame.h"
#include "dialog/spectrum_plot.h"

namespace quillon {

// How many wavelengths one trace follows at most (each has a colour of its own).
inline constexpr std::size_t kMaxTraceWavelengths = 8;

// The colour of the trace of the index-th wavelength: colours told apart also by people who
// do not see red and green apart.
Rgb TraceColor(std::size_t index);

// A quantity as part of a file name: "counts", "dark_subtracted", "transmittance",
// "absorbance".
std::string QuantitySlug(Quantity quantity);
// A file name beside the input: its folder and name without the extension, then `suffix`
// ("/data/run.sdf" and "_trace.csv" give "/data/run_trace.csv"); `fallback` without input.
std::string NameBeside(const ScanFile* input, const std::string& suffix,
                       const std::string& fallback);

// What the trace readout says while the pointer is not over the plot.
inline constexpr const char* kTraceHint =
    "Ctrl+click the spectrum or type a wavelength to trace it across the scans.";

class TracePlot {
  public:
    TracePlot();

    // Shows a newly loaded file: its x axis (wavelength or pixel number) and scan count; no
    // values and no times until they are set. The wavelengths traced stay where the file's
    // axis holds them. The file must outlive the plot or the next ShowFile.
    void ShowFile(const ScanFile& file);
    bool HasFile() const { return m_pFile != nullptr; }
    const ScanFile* File() const { return m_pFile; }
    // What the wavelengths are given in: nanometres, or pixel numbers for a file whose
    // calibration does not rise.
    PlotAxis AxisKind() const { return m_Axis; }
    // The x value of each pixel, as TracePlan takes it.
    const std::vector<float>& PixelAxis() const { return m_PixelAxis; }

    // Adds a wavelength (nm, or a pixel number on a pixel axis). Empty when it was added,
    // else why not (outside the file's axis, already traced, or too many), for the user.
    std::string AddWavelength(double wavelength);
    // Removes the index-th wavelength; nothing for an index beyond them.
    void RemoveWavelength(std::size_t index);
    const std::vector<double>& Wavelengths() const { return m_Wavelengths; }
    // A wavelength as the views list it: "546.07 nm" or "pixel 812".
    std::string WavelengthLabel(std::size_t index) const;

    void SetQuantity(Quantity quantity);
    Quantity ShownQuantity() const { return m_Quantity; }
    // The wavelengths and quantity as a pass computes them.
    TraceSpec Spec() const;

    // The values of a pass for Spec() (or null), of which the first `scans` are final. Values
    // of another spec are not shown. Fits the ranges again unless zoomed.
    void SetValues(std::shared_ptr<const TraceValues> values, std::size_t scans);
    // The scans' times; without them the x axis counts scans.
    void SetTimes(const ScanTimes& times);
    bool HasTimes() const { return !m_Seconds.empty(); }
    // The scans whose values are shown (those read so far).
    std::size_t ScansShown() const { return m_nScans; }
    // The x of a scan (0-based): its seconds (NaN when its time cannot be read), or its number.
    double XOf(std::size_t scan) const;
    // The index-th wavelength's value of a scan; NaN when there is none.
    double ValueOf(std::size_t index, std::size_t scan) const;

    // ---- Zoom, as the spectrum plot zooms ----
    const PlotFrame& Frame() const { return m_Frame; }
    bool IsZoomed() const { return m_Frame.IsZoomed(); }
    void ResetZoom();
    void ZoomToRect(const PlotArea& area, const PlotArea& dragged);
    void Wheel(const PlotArea& area, double px, double py, double steps);
    void ZoomOut();
    void Key(PlotKey key);

    // The scan (0-based) whose point of any trace lies nearest the pointer at (px, py) of a
    // plot drawn in `area`; nothing outside the area or without points.
    std::optional<std::size_t> ScanAt(const PlotArea& area, double px, double py) const;
    // The readout for that scan: its number, its time and each wavelength's value there;
    // kTraceHint away from the points.
    std::string ReadoutAt(const PlotArea& area, double px, double py) const;
    // What a screen reader says about the plot.
    std::string Description() const;

    // A name for a picture of the trace, in the input's folder: "<base>_trace_<quantity>.png".
    std::string PictureName() const;
    // A name for the table: "<base>_trace.csv".
    std::string TableName() const;
    // The table of what is shown: a header line, then one line per scan with its number, its
    // date-time text, its seconds and each wavelength's value (CRLF lines, '.' decimals).
    std::string TableCsv() const;
    // Writes the trace's table to `path` under a temporary name, renamed once complete. On a
    // wavelength axis it is the trace export of quillon-convert --trace, byte for byte: CSV, or
    // HDF5 for a name ending in ".h5", an Excel workbook for ".xlsx"; on a pixel axis (which
    // that export does not take) TableCsv. Raises FileError or TraceError naming the file or
    // wavelength and the reason.
    void WriteTable(const std::string& path) const;

  private:
    void UpdateTitles();
    void FitRanges();

    const ScanFile* m_pFile = nullptr;
    PlotAxis m_Axis = PlotAxis::kPixel;
    std::vector<float> m_PixelAxis;
    std::vector<double> m_Wavelengths;
    Quantity m_Quantity = Quantity::kCounts;
    std::shared_ptr<const TraceValues> m_pValues;
    std::size_t m_nScans = 0;
    std::vector<double> m_Seconds;
    std::string m_strTimesNotice;
    PlotFrame m_Frame{1};
};

}  // namespace quillon
