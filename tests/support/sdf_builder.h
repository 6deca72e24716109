// SPDX-License-Identifier: MIT
// SdfBuilder: writes scan data files as bytes in memory, with any record values, spectra and
// scan records, so that tests and sample generators need no committed binary files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scanfile/records.h"
#include "scanfile/sdf_writer.h"

namespace quillon::testing {

// One scan record as stored: three 64-byte texts, the counts and the optical blank value.
struct ScanContent {
    std::string title;  // at most 64 bytes are stored; shorter texts are zero-filled
    std::string subtitle;
    std::string dateTime;
    std::vector<std::int32_t> values;  // stored as given, whatever the pixel count says
    float opticalBlank = 0.0f;
};

// The six parameter records (header, ccd, acquire, scale, intTime, status) are its public
// members, set freely by a test.
class SdfBuilder : public ParameterRecords {
  public:
    // A file with pixel count n: the detector record says n, the dark and reference spectra
    // hold n zeros.
    explicit SdfBuilder(std::uint16_t n = 0);

    // Sets the pixel count in the detector record and resizes both spectra to it.
    SdfBuilder& Pixels(std::uint16_t n);
    // Appends a scan with n counts (by default: all equal to its 1-based number) and texts.
    SdfBuilder& AddScan(ScanContent scan);
    SdfBuilder& AddScans(int count);

    // The whole file.
    std::vector<unsigned char> Bytes() const;
    // The first `length` bytes of the file (all of it when length is larger).
    std::vector<unsigned char> BytesCutAt(std::size_t length) const;
    // Writes the file; returns the path.
    std::string WriteTo(const std::string& path) const;

    std::vector<float> dark;
    float darkOpticalBlank = 0.0f;
    std::vector<float> ref;
    float refOpticalBlank = 0.0f;
    std::vector<ScanContent> scans;
};

// Appends the stored bytes of one scan record (the core's AppendScanRecord).
void AppendScanBytes(std::vector<unsigned char>& out, const ScanContent& scan);

// Stores text in a fixed-width field: the bytes of text, at most the field, zero-filled
// (the core's StoreFieldText).
void SetField(char* field, std::size_t size, std::string_view text);

// Writes bytes to a file; returns the path.
std::string WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace quillon::testing
