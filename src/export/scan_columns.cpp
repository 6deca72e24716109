// SPDX-License-Identifier: MIT
// The columns of an export, per pixel or on a wavelength grid.
#include "export/scan_columns.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "export/quantities.h"
#include "render/spectrum_tables.h"

namespace quillon {

namespace {

// A scan record always holds the file's N counts; one that does not cannot be exported.
ScanView CheckedScan(const ScanFile& file, std::int32_t number, std::size_t pixels) {
    const ScanView scan = file.Scan(static_cast<std::size_t>(number) - 1);
    if (scan.values.size() != pixels) {
        throw std::length_error("scan " + std::to_string(number) + " holds " +
                                std::to_string(scan.values.size()) + " counts instead of " +
                                std::to_string(pixels));
    }
    return scan;
}

// Rows [first, first + count) must lie within the column.
void CheckRange(std::size_t first, std::size_t count, std::size_t rows) {
    if (first > rows || count > rows - first) {
        throw std::out_of_range("rows beyond the end of an export's column");
    }
}

// The values of a spectrum from `begin` on; empty when it ends before (a spectrum shorter
// than N has no value for the pixels beyond it).
std::span<const float> From(std::span<const float> values, std::size_t begin) {
    return values.subspan(std::min(begin, values.size()));
}

}  // namespace

ScanColumns::ScanColumns(const ScanFile& file, const ExportRequest& request)
    : m_File(file),
      m_Quantity(request.quantity),
      m_Scans(request.scanNumbers),
      m_Axis(WavelengthAxis(file)) {
    for (const std::int32_t number : m_Scans) {
        if (number < 1 || static_cast<std::size_t>(number) > file.ScanCount()) {
            throw std::out_of_range("the file has no scan " + std::to_string(number));
        }
    }
    if (request.grid) {
        m_Resampler.emplace(m_Axis, *request.grid);
        m_nRows = m_Resampler->PointCount();
    } else {
        m_nRows = m_Axis.size();
    }
}

void ScanColumns::GridPoints(std::size_t first, std::span<double> out) const {
    for (std::size_t j = 0; j < out.size(); ++j) {
        out[j] = m_Resampler->Point(first + j);
    }
}

void ScanColumns::GridDark(std::size_t first, std::span<double> out) const {
    m_Resampler->Resample(Dark(), 0, first, out);
}

void ScanColumns::GridReference(std::size_t first, std::span<double> out) const {
    m_Resampler->Resample(Reference(), 0, first, out);
}

void ScanColumns::ScanCounts(std::size_t k, std::size_t first, std::span<std::int32_t> out) const {
    CheckRange(first, out.size(), PixelCount());
    const ScanView scan = CheckedScan(m_File, m_Scans[k], m_Axis.size());
    const auto values = scan.values.subspan(first, out.size());
    std::copy(values.begin(), values.end(), out.begin());
}

std::size_t ScanColumns::ScanPixelValues(std::size_t k, std::size_t first,
                                         std::span<double> out) const {
    CheckRange(first, out.size(), PixelCount());
    const ScanView scan = CheckedScan(m_File, m_Scans[k], m_Axis.size());
    return ComputeQuantity(m_Quantity, scan.values.subspan(first, out.size()), From(Dark(), first),
                           From(Reference(), first), out);
}

std::size_t ScanColumns::ScanValues(std::size_t k, std::size_t first, std::span<double> out) const {
    if (!HasGrid()) {
        return ScanPixelValues(k, first, out);
    }
    CheckRange(first, out.size(), RowCount());
    const ScanView scan = CheckedScan(m_File, m_Scans[k], m_Axis.size());
    const std::size_t last = first + out.size();
    const std::size_t begin = m_Resampler->PixelBegin(first, last);
    const std::size_t end = std::max(begin, m_Resampler->PixelEnd(first, last));
    if (m_Quantity == Quantity::kCounts) {
        return m_Resampler->Resample(scan.values.subspan(begin, end - begin), begin, first, out);
    }
    // The quantity of the pixels under the range, before interpolation: one buffer per thread,
    // as the blocks of an export are computed on several at once.
    thread_local std::vector<double> scratch;
    scratch.resize(end - begin);
    ComputeQuantity(m_Quantity, scan.values.subspan(begin, end - begin), From(Dark(), begin),
                    From(Reference(), begin), scratch);
    return m_Resampler->Resample(std::span<const double>(scratch), begin, first, out);
}

}  // namespace quillon
