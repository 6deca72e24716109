// SPDX-License-Identifier: MIT
// ScanFile: everything one scan data file holds, as a value: the six parameter records, the
// dark and reference spectra with their optical blank values, and the scan records in file
// order, which stay where they lie in the file, however large it is. LoadScanFile makes one;
// exports, plots and conversions read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "scanfile/records.h"
#include "scanfile/save_data.h"

namespace quillon {

// One scan record as read: three 64-byte text fields (kScanTextSize bytes each, not
// necessarily zero-terminated), the count of every pixel and the scan's optical blank value.
struct ScanView {
    const char* title;
    const char* subtitle;
    const char* dateTime;
    std::span<const std::int32_t> values;
    float opticalBlank;
};

class ScanReader;
class MappedFile;

class ScanFile {
  public:
    ScanFile();
    ~ScanFile();
    ScanFile(ScanFile&& other) noexcept;
    ScanFile& operator=(ScanFile&& other) noexcept;

    // The path the file was loaded from, its size then, and the bytes it lacked for its last
    // record (0 for a complete file; what was missing reads as 0).
    std::string m_strPath;
    std::uint64_t m_nFileSize = 0;
    std::int64_t m_nMissingBytes = 0;

    HeaderData m_Header{};
    CcdData m_Ccd{};
    AcquireData m_Acquire{};
    DisplayScaleData m_Scale{};
    IntegrationTimeData m_IntTime{};
    StatusData m_Status{};

    // N, usTotalEffectivePixels of the detector record: the length of every spectrum.
    std::int32_t m_nPixelCount = 0;
    std::vector<float> m_pDarkData;  // N values
    std::vector<float> m_pRefData;   // N values
    float m_fDarkOpticalBlank = 0.0f;
    float m_fRefOpticalBlank = 0.0f;

    // The scan records, in file order: first the whole records that stay where they lie in
    // the file, then the records held in memory (a last record that the file cut short, and
    // records added by AddScan).
    std::size_t ScanCount() const noexcept;
    // The record at 0-based position index (< ScanCount()); valid while the file lives, also
    // after the ScanFile has been moved. A record of the file is read in place. A conversion
    // reads through ScanReader instead, whose memory stays bounded and which reports a file
    // cut shorter while it is open; an export, which visits the scans again for each block of
    // rows, reads in place and asks CheckUnchanged() before it keeps its output.
    ScanView Scan(std::size_t index) const;
    // The counts of that record, as Scan(index).values, found without reading the rest of the
    // record: an export visits every scan's counts once for each block of rows.
    std::span<const std::int32_t> ScanCounts(std::size_t index) const;
    // True once Scan() met bytes of a record that the file no longer holds: someone cut it
    // shorter after it was loaded. Those bytes read as 0.
    bool Changed() const noexcept;
    // Raises FileError "the file changed while it was read", naming the file, once Changed()
    // or when the file now holds fewer bytes than at load: an output made from scans read in
    // place checks this before it is kept.
    void CheckUnchanged() const;

    // Adds a scan record held in memory at the end (the loader, and tests that build files in
    // memory).
    void AddScan(std::unique_ptr<CSaveData> record);

    // Makes `count` records of n pixels, stored back to back from byte `offset` of `file`, the
    // first scan records (the loader). The records are read where they lie.
    void KeepStoredScans(MappedFile file, std::uint64_t offset, std::size_t count, std::int32_t n);

  private:
    friend class ScanReader;
    struct StoredScans;

    // The records that stay in the file: how many, their length and pixel count, and a read of
    // `count` of them from `first` through the file into dst (raises FileError when the file
    // no longer holds them).
    std::size_t StoredScanCount() const noexcept;
    std::size_t StoredRecordSize() const noexcept;
    std::int32_t StoredPixelCount() const noexcept;
    void ReadStoredRecords(std::size_t first, std::size_t count, void* dst) const;

    std::unique_ptr<StoredScans> m_pStored;  // none for a file built in memory
    std::vector<std::unique_ptr<CSaveData>> m_ScanList;
};

// A view of the scan record stored at `bytes`, n counts: texts and counts point into the bytes,
// which must be aligned to 4 and hold the counts in host order.
ScanView StoredScanView(const unsigned char* bytes, std::int32_t n) noexcept;

}  // namespace quillon
