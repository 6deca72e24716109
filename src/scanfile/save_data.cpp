// SPDX-License-Identifier: MIT
// CSaveData: construction with the default texts.
#include "scanfile/save_data.h"

#include <cstring>

#include "scanfile/scan_file.h"

namespace quillon {

namespace {
// Copies text into a 64-byte field, at most 63 characters, zero-filled to the end.
void SetDefaultText(char (&field)[64], const char* text) {
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, sizeof field - 1);
}
}  // namespace

// A record costs its texts, its counts and little more: with 64-bit pointers, the three texts,
// the virtual table, the array, the blank and the count in 216 bytes.
static_assert(sizeof(void*) != 8 || sizeof(CSaveData) <= 216);

CSaveData::CSaveData(std::uint16_t count)
    // No allocation for a spectrum of no pixels: files of many scans and N = 0 are common enough
    // for the empty arrays to add up.
    : m_pValues(count > 0 ? std::make_unique_for_overwrite<std::int32_t[]>(count) : nullptr),
      m_nValueCount(count) {
    SetDefaultText(m_szTitle, "Project Title");
    SetDefaultText(m_szSubtitle, "Subtitle");
    std::memset(m_szDateTime, 0, sizeof m_szDateTime);
}

CSaveData::~CSaveData() = default;

ScanView CSaveData::View() const noexcept {
    return {m_szTitle, m_szSubtitle, m_szDateTime, Values(), m_fOpticalBlank};
}

}  // namespace quillon
