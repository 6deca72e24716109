// SPDX-License-Identifier: MIT
// WriteSparseSdf: a scan data file of any size in which only the fixed part and a few chosen
// scan records are written; everything else is a hole, which reads as zeros and takes no disk
// space. Files beyond 4 GiB cost a test next to nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "sdf_builder.h"

namespace quillon::testing {

// Writes the fixed part of `fixedPart` (its scans are ignored), the records of `written` at
// their 0-based indexes, and sizes the file to `scanCount` records less `cutBytes`.
inline std::string WriteSparseSdf(const std::string& path, SdfBuilder fixedPart,
                                  std::uint64_t scanCount,
                                  const std::map<std::uint64_t, ScanContent>& written,
                                  std::uint64_t cutBytes = 0) {
    fixedPart.scans.clear();
    const std::vector<unsigned char> fixed = fixedPart.Bytes();
    const std::uint64_t recordSize = 196 + 4 * std::uint64_t{fixedPart.ccd.usTotalEffectivePixels};
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(fixed.data()),
                  static_cast<std::streamsize>(fixed.size()));
        for (const auto& [index, scan] : written) {
            std::vector<unsigned char> record;
            AppendScanBytes(record, scan);
            out.seekp(static_cast<std::streamoff>(fixed.size() + index * recordSize));
            out.write(reinterpret_cast<const char*>(record.data()),
                      static_cast<std::streamsize>(record.size()));
        }
        out.close();
        if (!out) {
            throw std::runtime_error("cannot write " + path);
        }
    }
    std::filesystem::resize_file(path, fixed.size() + scanCount * recordSize - cutBytes);
    return path;
}

}  // namespace quillon::testing
