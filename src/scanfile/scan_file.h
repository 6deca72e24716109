// ScanFile: everything one scan data file holds, as a value: the six parameter records, the
// dark and reference spectra with their optical blank values, and the scan records in file
// order. LoadScanFile makes one; exports, plots and conversions read it.
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

class ScanFile {
  public:
    ScanFile() = default;

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

    // The scan records, in file order.
    std::size_t ScanCount() const noexcept { return m_ScanList.size(); }
    // The record at 0-based position index (< ScanCount()); valid while the file lives.
    ScanView Scan(std::size_t index) const noexcept { return m_ScanList[index]->View(); }

    // Adds a scan record at the end (the loader, and tests that build files in memory).
    void AddScan(std::unique_ptr<CSaveData> record) { m_ScanList.push_back(std::move(record)); }
    void ReserveScans(std::size_t count) { m_ScanList.reserve(count); }

  private:
    std::vector<std::unique_ptr<CSaveData>> m_ScanList;
};

}  // namespace quillon
