// SPDX-License-Identifier: MIT
// ScanFile: scan records read where they lie in the mapped file, then those held in memory.
#include "scanfile/scan_file.h"

#include <bit>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/file_error.h"
#include "platform/mapped_file.h"
#include "scanfile/byte_order.h"

namespace quillon {

// The whole scan records of a loaded file: `count` records of n pixels from byte `offset`.
struct ScanFile::StoredScans {
    MappedFile file;
    std::uint64_t offset = 0;
    std::uint64_t recordSize = 0;
    std::size_t count = 0;
    std::int32_t n = 0;

    // On a big-endian host the counts in the file are not in host order: each record viewed is
    // copied once, in host order, and kept as long as the file.
    std::mutex swappedMutex;
    std::map<std::size_t, std::unique_ptr<CSaveData>> swapped;

    const unsigned char* Record(std::size_t index) const {
        return file.Data() + offset + index * recordSize;
    }
};

ScanFile::ScanFile() = default;
ScanFile::~ScanFile() = default;
ScanFile::ScanFile(ScanFile&& other) noexcept = default;
ScanFile& ScanFile::operator=(ScanFile&& other) noexcept = default;

std::size_t ScanFile::StoredScanCount() const noexcept {
    return m_pStored ? m_pStored->count : 0;
}

std::size_t ScanFile::StoredRecordSize() const noexcept {
    return m_pStored ? static_cast<std::size_t>(m_pStored->recordSize) : 0;
}

std::int32_t ScanFile::StoredPixelCount() const noexcept {
    return m_pStored ? m_pStored->n : 0;
}

void ScanFile::ReadStoredRecords(std::size_t first, std::size_t count, void* dst) const {
    m_pStored->file.ReadWithinSize(m_pStored->offset + first * m_pStored->recordSize, dst,
                                   static_cast<std::size_t>(count * m_pStored->recordSize));
}

std::size_t ScanFile::ScanCount() const noexcept {
    return StoredScanCount() + m_ScanList.size();
}

std::span<const std::int32_t> ScanFile::ScanCounts(std::size_t index) const {
    if constexpr (std::endian::native == std::endian::little) {
        if (index < StoredScanCount()) {
            const unsigned char* const values = m_pStored->Record(index) + 3 * kScanTextSize;
            return {reinterpret_cast<const std::int32_t*>(values),
                    static_cast<std::size_t>(m_pStored->n)};
        }
    }
    return Scan(index).values;
}

ScanView ScanFile::Scan(std::size_t index) const {
    const std::size_t stored = StoredScanCount();
    if (index >= stored) {
        return m_ScanList[index - stored]->View();
    }
    const unsigned char* const record = m_pStored->Record(index);
    if constexpr (std::endian::native == std::endian::little) {
        return StoredScanView(record, m_pStored->n);
    } else {
        const std::lock_guard<std::mutex> lock(m_pStored->swappedMutex);
        std::unique_ptr<CSaveData>& copy = m_pStored->swapped[index];
        if (!copy) {
            const auto n = static_cast<std::size_t>(m_pStored->n);
            copy = std::make_unique<CSaveData>(static_cast<std::uint16_t>(n));
            std::memcpy(copy->m_szTitle, record, kScanTextSize);
            std::memcpy(copy->m_szSubtitle, record + kScanTextSize, kScanTextSize);
            std::memcpy(copy->m_szDateTime, record + 2 * kScanTextSize, kScanTextSize);
            const std::span<std::int32_t> values = copy->Values();
            if (n > 0) {
                std::memcpy(values.data(), record + 3 * kScanTextSize, 4 * n);
            }
            FixArrayOrder(values.data(), n);
            copy->m_fOpticalBlank = LoadLE<float>(record + 3 * kScanTextSize + 4 * n);
        }
        return copy->View();
    }
}

bool ScanFile::Changed() const noexcept {
    return m_pStored && m_pStored->file.Changed();
}

void ScanFile::CheckUnchanged() const {
    if (Changed() || (m_pStored && m_pStored->file.Shrunk())) {
        throw FileError(m_strPath, "the file changed while it was read");
    }
}

void ScanFile::AddScan(std::unique_ptr<CSaveData> record) {
    m_ScanList.push_back(std::move(record));
}

void ScanFile::KeepStoredScans(MappedFile file, std::uint64_t offset, std::size_t count,
                               std::int32_t n) {
    m_pStored = std::make_unique<StoredScans>();
    m_pStored->file = std::move(file);
    m_pStored->offset = offset;
    m_pStored->recordSize = static_cast<std::uint64_t>(ScanRecordSize(n));
    m_pStored->count = count;
    m_pStored->n = n;
}

ScanView StoredScanView(const unsigned char* bytes, std::int32_t n) noexcept {
    const auto count = static_cast<std::size_t>(n);
    const unsigned char* const values = bytes + 3 * kScanTextSize;
    return {reinterpret_cast<const char*>(bytes),
            reinterpret_cast<const char*>(bytes + kScanTextSize),
            reinterpret_cast<const char*>(bytes + 2 * kScanTextSize),
            {reinterpret_cast<const std::int32_t*>(values), count},
            LoadLE<float>(values + 4 * count)};
}

}  // namespace quillon
