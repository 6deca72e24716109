// SPDX-License-Identifier: MIT
// ScanReader: batches of whole scan records read through the file, growing along an ascending
// run of scans.
#include "scanfile/scan_reader.h"

#include <algorithm>

#include "scanfile/byte_order.h"

namespace quillon {

ScanView ScanReader::Scan(std::size_t index) {
    const std::size_t stored = m_File.StoredScanCount();
    if (index >= stored) {
        return m_File.Scan(index);  // held in memory
    }
    const std::size_t recordSize = m_File.StoredRecordSize();
    const std::int32_t n = m_File.StoredPixelCount();
    if (index < m_nFirst || index - m_nFirst >= m_nCount) {
        const std::size_t most = std::max<std::size_t>(1, kBatchBytes / recordSize);
        const bool ascending = m_nCount > 0 && index == m_nFirst + m_nCount;
        m_nRun = ascending ? std::min(most, 2 * m_nRun) : 1;
        const std::size_t count = std::min(m_nRun, stored - index);
        const std::size_t bytes = count * recordSize;
        if (bytes > m_nBufferBytes) {
            // Scan records are a multiple of 4 bytes long.
            m_pBuffer = std::make_unique_for_overwrite<std::int32_t[]>(bytes / 4);
            m_nBufferBytes = bytes;
        }
        // Forget the batch first: should the read fail, no half-read batch is handed out.
        m_nCount = 0;
        m_File.ReadStoredRecords(index, count, m_pBuffer.get());
        for (std::size_t r = 0; r < count; ++r) {
            auto* values = m_pBuffer.get() + (r * recordSize + 3 * kScanTextSize) / 4;
            FixArrayOrder(values, static_cast<std::size_t>(n));
        }
        m_nFirst = index;
        m_nCount = count;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_pBuffer.get());
    return StoredScanView(bytes + (index - m_nFirst) * recordSize, n);
}

}  // namespace quillon
