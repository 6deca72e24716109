// SPDX-License-Identifier: MIT
// Writing scan data files: the stored bytes of the parameter records, the dark and reference
// spectra and the scan records, appended to a buffer in file order. Sample generators and tests
// make their files with these; a file is written by appending its parts one after the other.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "scanfile/records.h"

namespace quillon {

// The six parameter records, in file order.
struct ParameterRecords {
    HeaderData header{};
    CcdData ccd{};
    AcquireData acquire{};
    DisplayScaleData scale{};
    IntegrationTimeData intTime{};
    StatusData status{};
};

// Appends the six records (kRecordsSize bytes).
void AppendRecords(std::vector<unsigned char>& out, const ParameterRecords& records);

// Appends a dark or reference spectrum: its values, then its optical blank value. A reader
// takes as many values as the detector record's pixel count says; they are stored as given.
void AppendSpectrum(std::vector<unsigned char>& out, std::span<const float> values,
                    float opticalBlank);

// The parts of one scan record.
struct ScanRecordParts {
    // Each text fills its kScanTextSize-byte field: longer texts are cut, shorter ones
    // zero-filled.
    std::string_view title;
    std::string_view subtitle;
    std::string_view dateTime;
    std::span<const std::int32_t> counts;  // stored as given, whatever the pixel count says
    float opticalBlank = 0.0f;
};

// Appends one scan record (ScanRecordSize(counts.size()) bytes).
void AppendScanRecord(std::vector<unsigned char>& out, const ScanRecordParts& scan);

}  // namespace quillon
