// SPDX-License-Identifier: MIT
// The columns of an export, per pixel or on a wavelength grid.
#include "export/scan_columns.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

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

std::vector<ScanGroup> ScanGroups(std::size_t count, std::size_t average) {
    const std::size_t size = std::max<std::size_t>(average, 1);
    std::vector<ScanGroup> groups;
    groups.reserve((count + size - 1) / size);
    for (std::size_t begin = 0; begin < count; begin += size) {
        groups.push_back({begin, std::min(size, count - begin)});
    }
    return groups;
}

std::string ShortGroupNotice(std::span<const std::int32_t> numbers, std::size_t average) {
    const std::size_t last = average > 1 ? numbers.size() % average : 0;
    if (last == 0) {
        return "";
    }
    const std::int32_t first = numbers[numbers.size() - last];
    return "The last group of scans (" + ScanColumnName(first, numbers.back(), true) + ") holds " +
           std::to_string(last) + " of the " + std::to_string(average) +
           " scans averaged into one; it is averaged over those.";
}

std::string ScanColumnName(std::int32_t first, std::int32_t last, bool averaged) {
    std::string name = averaged ? "scans_" : "scan_";
    name += std::to_string(first);
    if (averaged) {
        name += '-';
        name += std::to_string(last);
    }
    return name;
}

ScanColumns::ScanColumns(const ScanFile& file, const ExportRequest& request)
    : m_File(file),
      m_Quantity(request.quantity),
      m_Scans(request.scanNumbers),
      m_Groups(ScanGroups(m_Scans.size(), request.average)),
      m_bAveraged(request.average > 1),
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

std::string ScanColumns::ScanName(std::size_t k) const {
    return ScanColumnName(ScanNumber(k), LastScanNumber(k), m_bAveraged);
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
    const auto values = ScanCountsInPlace(k).subspan(first, out.size());
    std::copy(values.begin(), values.end(), out.begin());
}

std::span<const std::int32_t> ScanColumns::ScanCountsInPlace(std::size_t k) const {
    if (m_bAveraged) {
        throw std::logic_error("averaged scans have no whole counts");
    }
    const std::int32_t number = ScanNumber(k);
    const auto values = m_File.ScanCounts(static_cast<std::size_t>(number) - 1);
    if (values.size() != m_Axis.size()) {
        CheckedScan(m_File, number, m_Axis.size());  // raises the error naming the scan
    }
    return values;
}

std::vector<const std::int32_t*> ScanColumns::AllCountsInPlace() const {
    std::vector<const std::int32_t*> counts(ScanCount());
    for (std::size_t k = 0; k < counts.size(); ++k) {
        counts[k] = ScanCountsInPlace(k).data();
    }
    return counts;
}

void ScanColumns::CountRows(std::span<const std::int32_t* const> counts, std::size_t first,
                            std::size_t count, std::span<std::int32_t> out) const {
    CheckRange(first, count, PixelCount());
    const std::size_t scans = ScanCount();
    if (counts.size() != scans || out.size() != count * scans) {
        throw std::out_of_range("rows of counts do not fit their room");
    }
    std::int32_t* const rows = out.data();
    // Scans [0, tiledScans) have their rows [0, tiledRows) done by the tiles below.
    std::size_t tiledScans = 0;
    std::size_t tiledRows = 0;
#if defined(__SSE2__)
    // Four scans at a time: four rows of each are read in one piece, turned into four rows of
    // the four scans (a 4 x 4 transpose), and stored in one piece each. Both the records and
    // the rows are then read and written in runs instead of a value at a time. Each scan's
    // piece lies in a page of its own, far from the last: the pieces of the scans kAhead on
    // are asked for before they are needed, so that the reads from memory overlap.
    constexpr std::size_t kAhead = 16;
    const std::size_t pieceBytes = count * sizeof(std::int32_t);
    tiledScans = scans - scans % 4;
    tiledRows = count - count % 4;
    for (std::size_t k = 0; k < tiledScans; k += 4) {
        const std::int32_t* in[4];
        for (std::size_t j = 0; j < 4; ++j) {
            in[j] = counts[k + j] + first;
        }
        for (std::size_t j = k + kAhead; j < std::min(k + kAhead + 4, scans) && count > 0; ++j) {
            const char* const piece = reinterpret_cast<const char*>(counts[j] + first);
            for (std::size_t b = 0; b < pieceBytes; b += 64) {
                _mm_prefetch(piece + b, _MM_HINT_T0);
            }
            _mm_prefetch(piece + pieceBytes - 1, _MM_HINT_T0);
        }
        for (std::size_t r = 0; r < tiledRows; r += 4) {
            const auto load = [&](std::size_t j) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[j] + r));
            };
            // Rows r to r + 3 of scans a, b, c, d; then rows r and r + 1 of a and b side by side,
            // and so on; then each row of the four.
            const __m128i a = load(0);
            const __m128i b = load(1);
            const __m128i c = load(2);
            const __m128i d = load(3);
            const __m128i ab01 = _mm_unpacklo_epi32(a, b);
            const __m128i cd01 = _mm_unpacklo_epi32(c, d);
            const __m128i ab23 = _mm_unpackhi_epi32(a, b);
            const __m128i cd23 = _mm_unpackhi_epi32(c, d);
            std::int32_t* const at = rows + r * scans + k;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_unpacklo_epi64(ab01, cd01));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at + scans),
                             _mm_unpackhi_epi64(ab01, cd01));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 2 * scans),
                             _mm_unpacklo_epi64(ab23, cd23));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 3 * scans),
                             _mm_unpackhi_epi64(ab23, cd23));
        }
    }
#endif
    // What the tiles leave: the last rows of the tiled scans, and every row of the others.
    for (std::size_t k = 0; k < scans; ++k) {
        const std::int32_t* const in = counts[k] + first;
        for (std::size_t r = k < tiledScans ? tiledRows : 0; r < count; ++r) {
            rows[r * scans + k] = in[r];
        }
    }
}

void ScanColumns::MeanCounts(std::size_t k, std::size_t first, std::span<double> out) const {
    CheckRange(first, out.size(), PixelCount());
    std::fill(out.begin(), out.end(), 0.0);
    const ScanGroup group = m_Groups[k];
    // Sums of 32-bit counts are exact in a double for any number of scans a file holds.
    for (std::size_t j = group.begin; j < group.begin + group.size; ++j) {
        const ScanView scan = CheckedScan(m_File, m_Scans[j], m_Axis.size());
        const auto values = scan.values.subspan(first, out.size());
        for (std::size_t i = 0; i < out.size(); ++i) {
            out[i] += static_cast<double>(values[i]);
        }
    }
    for (double& value : out) {
        value /= static_cast<double>(group.size);
    }
}

std::size_t ScanColumns::ScanPixelValues(std::size_t k, std::size_t first,
                                         std::span<double> out) const {
    CheckRange(first, out.size(), PixelCount());
    if (m_bAveraged) {
        thread_local std::vector<double> mean;
        mean.resize(out.size());
        MeanCounts(k, first, mean);
        return ComputeQuantity(m_Quantity, std::span<const double>(mean), From(Dark(), first),
                               From(Reference(), first), out);
    }
    const ScanView scan = CheckedScan(m_File, ScanNumber(k), m_Axis.size());
    return ComputeQuantity(m_Quantity, scan.values.subspan(first, out.size()), From(Dark(), first),
                           From(Reference(), first), out);
}

std::size_t ScanColumns::ScanValues(std::size_t k, std::size_t first, std::span<double> out) const {
    if (!HasGrid()) {
        return ScanPixelValues(k, first, out);
    }
    CheckRange(first, out.size(), RowCount());
    const std::size_t last = first + out.size();
    const std::size_t begin = m_Resampler->PixelBegin(first, last);
    const std::size_t end = std::max(begin, m_Resampler->PixelEnd(first, last));
    thread_local std::vector<double> scratch;
    scratch.resize(end - begin);
    if (m_bAveraged) {
        // The quantity of the mean counts of the pixels under the range, then interpolated.
        thread_local std::vector<double> mean;
        mean.resize(end - begin);
        MeanCounts(k, begin, mean);
        ComputeQuantity(m_Quantity, std::span<const double>(mean), From(Dark(), begin),
                        From(Reference(), begin), scratch);
        return m_Resampler->Resample(std::span<const double>(scratch), begin, first, out);
    }
    const ScanView scan = CheckedScan(m_File, ScanNumber(k), m_Axis.size());
    if (m_Quantity == Quantity::kCounts) {
        return m_Resampler->Resample(scan.values.subspan(begin, end - begin), begin, first, out);
    }
    // The quantity of the pixels under the range, before interpolation: one buffer per thread,
    // as the blocks of an export are computed on several at once.
    ComputeQuantity(m_Quantity, scan.values.subspan(begin, end - begin), From(Dark(), begin),
                    From(Reference(), begin), scratch);
    return m_Resampler->Resample(std::span<const double>(scratch), begin, first, out);
}

}  // namespace quillon
