// SPDX-License-Identifier: MIT
// InMemoryFile: a ScanFile made straight from an SdfBuilder's values, as LoadScanFile would
// make it from the builder's bytes, for export tests that need no file on disk.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "scanfile/save_data.h"
#include "scanfile/scan_file.h"
#include "sdf_builder.h"

namespace quillon::testing {

inline ScanFile InMemoryFile(const SdfBuilder& b, const std::string& path = "run.sdf") {
    ScanFile file;
    file.m_strPath = path;
    file.m_nFileSize = b.Bytes().size();
    file.m_Header = b.header;
    file.m_Ccd = b.ccd;
    file.m_Acquire = b.acquire;
    file.m_Scale = b.scale;
    file.m_IntTime = b.intTime;
    file.m_Status = b.status;
    const std::uint16_t n = b.ccd.usTotalEffectivePixels;
    file.m_nPixelCount = n;
    file.m_pDarkData = b.dark;
    file.m_pRefData = b.ref;
    file.m_pDarkData.resize(n);
    file.m_pRefData.resize(n);
    file.m_fDarkOpticalBlank = b.darkOpticalBlank;
    file.m_fRefOpticalBlank = b.refOpticalBlank;
    for (const ScanContent& content : b.scans) {
        auto record = std::make_unique<CSaveData>(n);
        SetField(record->m_szTitle, sizeof record->m_szTitle, content.title);
        SetField(record->m_szSubtitle, sizeof record->m_szSubtitle, content.subtitle);
        SetField(record->m_szDateTime, sizeof record->m_szDateTime, content.dateTime);
        const auto values = record->Values();
        std::fill(values.begin(), values.end(), 0);
        std::copy_n(content.values.begin(), std::min<std::size_t>(n, content.values.size()),
                    values.begin());
        record->m_fOpticalBlank = content.opticalBlank;
        file.AddScan(std::move(record));
    }
    return file;
}

}  // namespace quillon::testing
