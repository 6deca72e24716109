// SPDX-License-Identifier: MIT
// CSaveData: one scan record in memory: three 64-byte texts, the counts of every pixel and the
// scan's optical blank value.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace quillon {

struct ScanView;

class CSaveData {
  public:
    // Allocates the counts of `count` pixels (left for the loader to fill) and sets the
    // default texts "Project Title" and "Subtitle".
    explicit CSaveData(std::uint16_t count);
    virtual ~CSaveData();
    CSaveData(const CSaveData&) = delete;
    CSaveData& operator=(const CSaveData&) = delete;

    std::span<std::int32_t> Values() noexcept { return {m_pValues.get(), m_nValueCount}; }
    std::span<const std::int32_t> Values() const noexcept {
        return {m_pValues.get(), m_nValueCount};
    }

    // The record as a scan file hands it out.
    ScanView View() const noexcept;

    char m_szTitle[64];
    char m_szSubtitle[64];
    char m_szDateTime[64];
    std::unique_ptr<std::int32_t[]> m_pValues;
    float m_fOpticalBlank = 0.0f;

  private:
    // 32 bits keep the record at 216 bytes: files of 100,000 scans and more are common.
    std::uint32_t m_nValueCount;
};

}  // namespace quillon
