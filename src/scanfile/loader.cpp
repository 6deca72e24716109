// SPDX-License-Identifier: MIT
// LoadScanFile: the records in file order, then the spectra, then the scan records.
//
// The fixed part (records and spectra) is read and decoded. The whole scan records stay where
// they lie in the file, which is mapped: loading costs the same for a file of five scans and
// for one of millions. Only a last record that the file cuts short is copied, so that what
// the file lacks of it reads as it always has.
#include "scanfile/loader.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "platform/mapped_file.h"
#include "scanfile/byte_order.h"

namespace quillon {

namespace {

// Decodes the record at `at` and moves past it.
template <typename Record>
Record TakeRecord(const unsigned char*& at) {
    const Record record =
        DecodeRecord<Record>(std::span<const unsigned char, Record::kSize>(at, Record::kSize));
    at += Record::kSize;
    return record;
}

// Decodes count 4-byte little-endian floats from `at` and moves past them.
void TakeFloats(const unsigned char*& at, std::span<float> values) {
    if (!values.empty()) {
        std::memcpy(values.data(), at, values.size_bytes());
    }
    FixArrayOrder(values.data(), values.size());
    at += values.size_bytes();
}

float TakeFloat(const unsigned char*& at) {
    const auto value = LoadLE<float>(at);
    at += 4;
    return value;
}

// A cut scan record is copied straight into a CSaveData: its three texts must have the stored
// size that ScanRecordSize counts.
static_assert(sizeof(CSaveData::m_szTitle) == kScanTextSize &&
              sizeof(CSaveData::m_szSubtitle) == kScanTextSize &&
              sizeof(CSaveData::m_szDateTime) == kScanTextSize);

// The last scan record of a file that ends `got` bytes into it (0 < got < its size): the bytes
// there are the record's; text bytes beyond them keep the defaults "Project Title" and
// "Subtitle", counts and the optical blank beyond them are 0.
std::unique_ptr<CSaveData> ReadCutRecord(const MappedFile& file, std::uint64_t offset,
                                         std::size_t got, std::int32_t n) {
    const auto count = static_cast<std::size_t>(n);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(ScanRecordSize(n)), 0);
    file.ReadWithinSize(offset, bytes.data(), got);

    auto record = std::make_unique<CSaveData>(static_cast<std::uint16_t>(n));
    char* const texts[] = {record->m_szTitle, record->m_szSubtitle, record->m_szDateTime};
    for (std::size_t t = 0; t < 3; ++t) {
        const std::size_t from = t * kScanTextSize;
        if (got > from) {
            std::memcpy(texts[t], bytes.data() + from, std::min(got - from, kScanTextSize));
        }
    }
    const unsigned char* const values = bytes.data() + 3 * kScanTextSize;
    const std::span<std::int32_t> target = record->Values();
    if (count > 0) {
        std::memcpy(target.data(), values, 4 * count);
    }
    FixArrayOrder(target.data(), count);
    record->m_fOpticalBlank = LoadLE<float>(values + 4 * count);
    return record;
}

}  // namespace

ScanFile LoadScanFile(const std::string& path, LogSink& log) {
    MappedFile file = MappedFile::Open(path);

    ScanFile loaded;
    loaded.m_strPath = path;
    loaded.m_nFileSize = file.Size();
    log.Append("File" + path + " is opened properly.\r\n");

    // The six records; bytes the file does not supply read as 0.
    unsigned char records[kRecordsSize] = {};
    file.ReadWithinSize(0, records, sizeof records);
    const unsigned char* at = records;
    loaded.m_Header = TakeRecord<HeaderData>(at);
    log.Append("HEADER data set was loaded properly.\r\n");
    loaded.m_Ccd = TakeRecord<CcdData>(at);
    log.Append("Detector configuration data set was loaded properly.\r\n");

    const std::int32_t n = loaded.m_Ccd.usTotalEffectivePixels;
    log.Append("Total pixel number = " + std::to_string(n) + "\r\n");
    loaded.m_nPixelCount = n;
    const auto count = static_cast<std::size_t>(n);
    loaded.m_pDarkData.resize(count);
    loaded.m_pRefData.resize(count);

    loaded.m_Acquire = TakeRecord<AcquireData>(at);
    log.Append("Display configuration data set was loaded properly.\r\n");
    loaded.m_Scale = TakeRecord<DisplayScaleData>(at);
    log.Append("Scale data set was loaded properly.\r\n");
    loaded.m_IntTime = TakeRecord<IntegrationTimeData>(at);
    log.Append("Integration time data set was loaded properly.\r\n");
    loaded.m_Status = TakeRecord<StatusData>(at);
    log.Append("Data Status configuration data set was loaded properly.\r\n");

    // The dark and reference spectra, each followed by its optical blank value.
    const auto fixedSize = static_cast<std::uint64_t>(FixedPartSize(n));
    std::vector<unsigned char> spectra(static_cast<std::size_t>(fixedSize) - kRecordsSize, 0);
    file.ReadWithinSize(kRecordsSize, spectra.data(), spectra.size());
    at = spectra.data();
    TakeFloats(at, std::span<float>(loaded.m_pDarkData));
    log.Append("Dark scan data was loaded properly.\r\n");
    loaded.m_fDarkOpticalBlank = TakeFloat(at);
    log.Append("Dark data of Optical Blank pixels was loaded properly.\r\n");
    TakeFloats(at, std::span<float>(loaded.m_pRefData));
    log.Append("Reference scan data was loaded properly.\r\n");
    loaded.m_fRefOpticalBlank = TakeFloat(at);
    log.Append("Reference data of Optical Blank pixels was loaded properly.\r\n");

    // Scan records until the end of the file as it was at open; a record cut short is kept.
    const std::uint64_t size = file.Size();
    const auto recordSize = static_cast<std::uint64_t>(ScanRecordSize(n));
    const std::uint64_t scanBytes = size > fixedSize ? size - fixedSize : 0;
    const auto whole = static_cast<std::size_t>(scanBytes / recordSize);
    const auto cut = static_cast<std::size_t>(scanBytes % recordSize);
    std::unique_ptr<CSaveData> cutRecord;
    if (cut > 0) {
        cutRecord = ReadCutRecord(file, fixedSize + whole * recordSize, cut, n);
    }
    if (whole > 0) {
        loaded.KeepStoredScans(std::move(file), fixedSize, whole, n);
    }
    if (cutRecord) {
        loaded.AddScan(std::move(cutRecord));
    }

    const std::int64_t expected =
        FixedPartSize(n) + static_cast<std::int64_t>(loaded.ScanCount()) * ScanRecordSize(n);
    loaded.m_nMissingBytes = expected - static_cast<std::int64_t>(size);
    std::string tail;
    if (loaded.m_nMissingBytes > 0) {
        tail = "Warning: the file ends " + std::to_string(loaded.m_nMissingBytes) +
               " bytes early; the missing values were read as 0.\r\n";
    }
    tail += "Total loaded data number = " + std::to_string(loaded.ScanCount()) + "\r\n";
    tail += "SDF file loading was done.\r\n";
    log.Append(tail);
    return loaded;
}

}  // namespace quillon
