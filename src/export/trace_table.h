// SPDX-License-Identifier: MIT
// The trace of a file as an export writes it: one row per selected scan (or group of scans
// averaged) with the scan's number, its date-time text, its seconds and its values at the
// trace's wavelengths, made in one pass over the file that reads each scan once and keeps only
// the rows; and its CSV form.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_options.h"
#include "scanfile/scan_file.h"

namespace quillon {

class OutputFiles;

class TraceTable {
  public:
    std::size_t Rows() const noexcept { return m_Numbers.size(); }
    std::size_t Columns() const noexcept { return m_Wavelengths.size(); }
    std::span<const double> Wavelengths() const noexcept { return m_Wavelengths; }
    Quantity TraceQuantity() const noexcept { return m_Quantity; }
    // True when rows average several scans (--average above 1).
    bool Averaged() const noexcept { return m_bAveraged; }
    // Row r: the number of its (first) scan, how many scans it averages, that scan's
    // date-time text (8-bit, as the file holds it), its seconds since the first selected scan
    // with a time (the mean of its scans' seconds; NaN without a time), and its values.
    std::int32_t Number(std::size_t r) const noexcept { return m_Numbers[r]; }
    std::int32_t GroupSize(std::size_t r) const noexcept { return m_Sizes[r]; }
    std::string_view DateTime(std::size_t r) const noexcept;
    double Seconds(std::size_t r) const noexcept { return m_Seconds[r]; }
    std::span<const double> Values(std::size_t r) const noexcept {
        return std::span(m_Values).subspan(r * Columns(), Columns());
    }
    std::span<const double> AllValues() const noexcept { return m_Values; }
    std::span<const double> AllSeconds() const noexcept { return m_Seconds; }
    std::span<const std::int32_t> AllNumbers() const noexcept { return m_Numbers; }
    std::span<const std::int32_t> AllSizes() const noexcept { return m_Sizes; }
    // Values that are not defined; what the user is told of the times (ScanTimes::notice),
    // empty when there is nothing to tell.
    std::size_t Undefined() const noexcept { return m_nUndefined; }
    const std::string& TimeNotice() const noexcept { return m_strTimeNotice; }

    // The column of a wavelength: "<quantity>_<nm>nm", e.g. "absorbance_450.5nm".
    std::string ColumnName(std::size_t w) const;

  private:
    friend TraceTable BuildTraceTable(const ScanFile&, const ExportRequest&,
                                      const std::atomic<bool>*);
    std::vector<double> m_Wavelengths;
    Quantity m_Quantity = Quantity::kCounts;
    bool m_bAveraged = false;
    std::vector<std::int32_t> m_Numbers;
    std::vector<std::int32_t> m_Sizes;
    std::string m_Texts;                  // the rows' texts back to back
    std::vector<std::size_t> m_TextEnds;  // where each ends in m_Texts
    std::vector<double> m_Seconds;
    std::vector<double> m_Values;  // row by row
    std::size_t m_nUndefined = 0;
    std::string m_strTimeNotice;
};

// Makes the trace that request.trace asks for of the scans request.scanNumbers names (in
// groups of request.average), reading the file once through a ScanReader. Raises TraceError
// for wavelengths the calibration cannot give (before anything is read), FileError when the
// file no longer holds a scan, std::out_of_range for a scan number the file does not have.
// `stop` (may be null) is polled between scans; once true the table holds the rows made.
TraceTable BuildTraceTable(const ScanFile& file, const ExportRequest& request,
                           const std::atomic<bool>* stop = nullptr);

// Raises TraceError when request.trace cannot be taken of `file`: checked before anything is
// written.
void CheckTrace(const ScanFile& file, const ExportRequest& request);

// Writes the trace as CSV in the request's style to `path` through `files` (one header line,
// then a line per row: scan[,scans],date_time,seconds,<one column per wavelength>). A value
// or seconds that are not defined are an empty cell.
ExportReport WriteTraceCsv(const ScanFile& file, const TraceTable& table, const CsvStyle& style,
                           const std::string& path, OutputFiles& files);

}  // namespace quillon
