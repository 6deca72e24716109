// SPDX-License-Identifier: MIT
// The columns an export writes, row range by row range: the wavelength, the dark and reference
// spectra and the selected scans as the chosen quantity, either per pixel or interpolated onto
// a wavelength grid. The CSV and HDF5 writers share it, so that both write the same values.
// With --average, each scan column is a group of consecutive selected scans, averaged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "export/export_options.h"
#include "export/grid.h"
#include "scanfile/scan_file.h"

namespace quillon {

// Entries [begin, begin + size) of the selected scans, averaged as one.
struct ScanGroup {
    std::size_t begin = 0;
    std::size_t size = 0;
};

// `count` selected scans in groups of `average` consecutive ones (every scan alone for 0 or
// 1); the last group holds what is left.
std::vector<ScanGroup> ScanGroups(std::size_t count, std::size_t average);

// What the log tells of a last group shorter than `average` scans; empty when there is none.
std::string ShortGroupNotice(std::span<const std::int32_t> numbers, std::size_t average);

// The name of a column of scans: "scan_7", or for scans 5 to 8 averaged "scans_5-8".
std::string ScanColumnName(std::int32_t first, std::int32_t last, bool averaged);

class ScanColumns {
  public:
    // Raises CalibrationError when a grid is asked for over a calibration that does not rise
    // strictly, and std::out_of_range for a scan number the file does not have.
    ScanColumns(const ScanFile& file, const ExportRequest& request);

    bool HasGrid() const noexcept { return m_Resampler.has_value(); }
    // Rows: the file's pixel count, or the grid's point count.
    std::size_t RowCount() const noexcept { return m_nRows; }
    std::size_t PixelCount() const noexcept { return m_Axis.size(); }
    // Scan columns: the selected scans, or with --average their groups.
    std::size_t ScanCount() const noexcept { return m_Groups.size(); }
    // The number of column k's scan (of its first scan when averaged), its last one and how
    // many it averages.
    std::int32_t ScanNumber(std::size_t k) const noexcept { return m_Scans[m_Groups[k].begin]; }
    std::int32_t LastScanNumber(std::size_t k) const noexcept {
        return m_Scans[m_Groups[k].begin + m_Groups[k].size - 1];
    }
    std::size_t GroupSize(std::size_t k) const noexcept { return m_Groups[k].size; }
    bool Averaged() const noexcept { return m_bAveraged; }
    std::string ScanName(std::size_t k) const;
    Quantity ScanQuantity() const noexcept { return m_Quantity; }
    // True when the scan columns hold whole counts (the counts quantity of single scans
    // without a grid).
    bool IntegerScans() const noexcept {
        return m_Quantity == Quantity::kCounts && !HasGrid() && !m_bAveraged;
    }

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
    // ScanCounts only for single scans; MeanCounts for either (the counts of a single scan).
    void ScanCounts(std::size_t k, std::size_t first, std::span<std::int32_t> out) const;
    // All of single scan k's counts where the loaded file holds them (in place in a mapped
    // file): valid while the file is.
    std::span<const std::int32_t> ScanCountsInPlace(std::size_t k) const;
    // Where every selected single scan's counts lie (ScanCountsInPlace(k).data() for each k),
    // found once for CountRows.
    std::vector<const std::int32_t*> AllCountsInPlace() const;
    // Rows [first, first + count) of every selected single scan, row by row: row first + r of
    // scan k at out[r * ScanCount() + k] (a line of the columns layout), from the counts at
    // `counts` (AllCountsInPlace()). out holds count * ScanCount() values.
    void CountRows(std::span<const std::int32_t* const> counts, std::size_t first,
                   std::size_t count, std::span<std::int32_t> out) const;
    void MeanCounts(std::size_t k, std::size_t first, std::span<double> out) const;
    std::size_t ScanPixelValues(std::size_t k, std::size_t first, std::span<double> out) const;
    std::size_t ScanValues(std::size_t k, std::size_t first, std::span<double> out) const;

  private:
    const ScanFile& m_File;
    Quantity m_Quantity;
    std::vector<std::int32_t> m_Scans;
    std::vector<ScanGroup> m_Groups;
    bool m_bAveraged = false;
    std::vector<float> m_Axis;
    std::optional<Resampler> m_Resampler;
    std::size_t m_nRows = 0;
};

}  // namespace quillon
