// SPDX-License-Identifier: MIT
// The columns an export writes, row range by row range: the wavelength, the dark and reference
// spectra and the selected scans as the chosen quantity, either per pixel or interpolated onto
// a wavelength grid. The CSV and HDF5 writers share it, so that both write the same values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "export/export_options.h"
#include "export/grid.h"
#include "scanfile/scan_file.h"

namespace quillon {

class ScanColumns {
  public:
    // Raises CalibrationError when a grid is asked for over a calibration that does not rise
    // strictly, and std::out_of_range for a scan number the file does not have.
    ScanColumns(const ScanFile& file, const ExportRequest& request);

    bool HasGrid() const noexcept { return m_Resampler.has_value(); }
    // Rows: the file's pixel count, or the grid's point count.
    std::size_t RowCount() const noexcept { return m_nRows; }
    std::size_t PixelCount() const noexcept { return m_Axis.size(); }
    std::size_t ScanCount() const noexcept { return m_Scans.size(); }
    std::int32_t ScanNumber(std::size_t k) const noexcept { return m_Scans[k]; }
    Quantity ScanQuantity() const noexcept { return m_Quantity; }
    // True when the scan columns hold whole counts (the counts quantity without a grid).
    bool IntegerScans() const noexcept { return m_Quantity == Quantity::kCounts && !HasGrid(); }

    // The per-pixel columns as the file holds them (and the text outputs print the axis).
    std::span<const float> Wavelengths() const noexcept { return m_Axis; }
    std::span<const float> Dark() const noexcept { return m_File.m_pDarkData; }
    std::span<const float> Reference() const noexcept { return m_File.m_pRefData; }

    // With a grid: rows [first, first + out.size()) of the grid points and of the dark and
    // reference spectra interpolated onto them.
    void GridPoints(std::size_t first, std::span<double> out) const;
    void GridDark(std::size_t first, std::span<double> out) const;
    void GridReference(std::size_t first, std::span<double> out) const;

    // Rows [first, first + out.size()) of selected scan k's column: its counts, per pixel; its
    // quantity per pixel (ScanPixelValues, with or without a grid); its quantity on the rows of
    // the table (ScanValues: on the grid when there is one). The last two return how many
    // values are not defined. A range beyond the column raises std::out_of_range. Safe to call
    // from several threads at once.
    void ScanCounts(std::size_t k, std::size_t first, std::span<std::int32_t> out) const;
    std::size_t ScanPixelValues(std::size_t k, std::size_t first, std::span<double> out) const;
    std::size_t ScanValues(std::size_t k, std::size_t first, std::span<double> out) const;

  private:
    const ScanFile& m_File;
    Quantity m_Quantity;
    std::vector<std::int32_t> m_Scans;
    std::vector<float> m_Axis;
    std::optional<Resampler> m_Resampler;
    std::size_t m_nRows = 0;
};

}  // namespace quillon
