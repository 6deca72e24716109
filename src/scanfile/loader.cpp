// LoadScanFile: the records in file order, then the spectra, then scan records until the end.
//
// Scan records are read in batches: a batch of records is made ahead (no more than the file's
// size promises) and filled by one scattered read that puts every text, every count and every
// optical blank straight into its place, so that the counts are copied once, by the system.
#include "scanfile/loader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "platform/file_reader.h"
#include "scanfile/byte_order.h"

namespace quillon {

namespace {

// Reads a parameter record; bytes the file does not supply stay 0.
template <typename Record>
Record ReadRecord(FileReader& file) {
    unsigned char bytes[Record::kSize] = {};
    file.Read(bytes, sizeof bytes);
    return DecodeRecord<Record>(bytes);
}

// Reads 4-byte values into an array that is already 0, in host order.
template <typename T>
void ReadValues(FileReader& file, std::span<T> values) {
    file.Read(values.data(), values.size_bytes());
    FixArrayOrder(values.data(), values.size());
}

float ReadFloat(FileReader& file) {
    unsigned char bytes[4] = {};
    file.Read(bytes, sizeof bytes);
    return LoadLE<float>(bytes);
}

// Records made and read together: enough to keep the system calls few, few enough that the
// records made ahead of a file's end cost little.
constexpr std::size_t kBatchRecords = 64;

// A scan record is read straight into a CSaveData: its three texts must have the stored size
// that ScanRecordSize counts.
static_assert(sizeof(CSaveData::m_szTitle) == kScanTextSize &&
              sizeof(CSaveData::m_szSubtitle) == kScanTextSize &&
              sizeof(CSaveData::m_szDateTime) == kScanTextSize);

// Reads scan records to the end of the file and appends them to scans. A record of which the
// file delivers at least one byte is kept: text bytes not delivered keep their defaults, and
// counts and optical blank bytes not delivered are 0.
void ReadScanRecords(FileReader& file, std::int32_t n, ScanFile& scans) {
    const auto recordSize = static_cast<std::uint64_t>(ScanRecordSize(n));
    const auto fixedSize = static_cast<std::uint64_t>(FixedPartSize(n));
    const std::uint64_t size = file.SizeAtOpen();
    if (size > fixedSize) {
        scans.ReserveScans(
            static_cast<std::size_t>((size - fixedSize + recordSize - 1) / recordSize));
    }

    std::vector<std::unique_ptr<CSaveData>> batch;
    std::vector<std::array<unsigned char, 4>> blanks;
    std::vector<FileReader::Part> parts;
    for (;;) {
        // As many records as the file's size says are left, at least one: a file that grew
        // since it was opened is still read to its end.
        const std::uint64_t read = file.Delivered();
        const std::uint64_t left = size > read ? (size - read + recordSize - 1) / recordSize : 0;
        const std::size_t count =
            static_cast<std::size_t>(std::clamp<std::uint64_t>(left, 1, kBatchRecords));

        batch.clear();
        parts.clear();
        blanks.assign(count, {});
        for (std::size_t r = 0; r < count; ++r) {
            auto record = std::make_unique<CSaveData>(static_cast<std::uint16_t>(n));
            const std::span<std::int32_t> values = record->Values();
            parts.push_back({record->m_szTitle, sizeof record->m_szTitle});
            parts.push_back({record->m_szSubtitle, sizeof record->m_szSubtitle});
            parts.push_back({record->m_szDateTime, sizeof record->m_szDateTime});
            parts.push_back({values.data(), values.size_bytes()});
            parts.push_back({blanks[r].data(), blanks[r].size()});
            batch.push_back(std::move(record));
        }
        const std::size_t got = file.ReadScattered(parts);

        // Records the read reached, the last of them perhaps only in part.
        const std::size_t reached = static_cast<std::size_t>((got + recordSize - 1) / recordSize);
        for (std::size_t r = 0; r < reached; ++r) {
            CSaveData& record = *batch[r];
            const std::span<std::int32_t> values = record.Values();
            const std::uint64_t start = r * recordSize;
            const std::uint64_t valuesFrom = start + sizeof record.m_szTitle +
                                             sizeof record.m_szSubtitle +
                                             sizeof record.m_szDateTime;
            const std::uint64_t valuesGot =
                got > valuesFrom ? std::min<std::uint64_t>(got - valuesFrom, values.size_bytes())
                                 : 0;
            if (valuesGot < values.size_bytes()) {
                std::memset(reinterpret_cast<unsigned char*>(values.data()) + valuesGot, 0,
                            values.size_bytes() - valuesGot);
            }
            FixArrayOrder(values.data(), values.size());
            record.m_fOpticalBlank = LoadLE<float>(blanks[r].data());
            scans.AddScan(std::move(batch[r]));
        }
        if (got < count * recordSize) {
            return;  // the end of the file
        }
    }
}

}  // namespace

ScanFile LoadScanFile(const std::string& path, LogSink& log) {
    FileReader file;
    file.Open(path);

    ScanFile loaded;
    loaded.m_strPath = path;
    loaded.m_nFileSize = file.SizeAtOpen();
    log.Append("File" + path + " is opened properly.\r\n");
    file.SeekToStart();

    loaded.m_Header = ReadRecord<HeaderData>(file);
    log.Append("HEADER data set was loaded properly.\r\n");
    loaded.m_Ccd = ReadRecord<CcdData>(file);
    log.Append("Detector configuration data set was loaded properly.\r\n");

    const std::int32_t n = loaded.m_Ccd.usTotalEffectivePixels;
    log.Append("Total pixel number = " + std::to_string(n) + "\r\n");
    loaded.m_nPixelCount = n;
    loaded.m_pDarkData.resize(static_cast<std::size_t>(n));
    loaded.m_pRefData.resize(static_cast<std::size_t>(n));

    loaded.m_Acquire = ReadRecord<AcquireData>(file);
    log.Append("Display configuration data set was loaded properly.\r\n");
    loaded.m_Scale = ReadRecord<DisplayScaleData>(file);
    log.Append("Scale data set was loaded properly.\r\n");
    loaded.m_IntTime = ReadRecord<IntegrationTimeData>(file);
    log.Append("Integration time data set was loaded properly.\r\n");
    loaded.m_Status = ReadRecord<StatusData>(file);
    log.Append("Data Status configuration data set was loaded properly.\r\n");

    ReadValues(file, std::span<float>(loaded.m_pDarkData));
    log.Append("Dark scan data was loaded properly.\r\n");
    loaded.m_fDarkOpticalBlank = ReadFloat(file);
    log.Append("Dark data of Optical Blank pixels was loaded properly.\r\n");
    ReadValues(file, std::span<float>(loaded.m_pRefData));
    log.Append("Reference scan data was loaded properly.\r\n");
    loaded.m_fRefOpticalBlank = ReadFloat(file);
    log.Append("Reference data of Optical Blank pixels was loaded properly.\r\n");

    // Scan records until the file ends. A record cut short is still kept.
    ReadScanRecords(file, n, loaded);
    const auto length = static_cast<std::int64_t>(file.Delivered());
    file.Close();

    const std::int64_t expected =
        FixedPartSize(n) + static_cast<std::int64_t>(loaded.ScanCount()) * ScanRecordSize(n);
    loaded.m_nMissingBytes = expected - length;
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
