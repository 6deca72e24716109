// LoadScanFile: the records in file order, then the spectra, then scan records until the end.
#include "scanfile/loader.h"

#include <cstring>
#include <span>

#include "platform/dialog_services.h"
#include "platform/file_reader.h"
#include "scanfile/byte_order.h"

namespace quillon {

namespace {

// Reads a parameter record; bytes the file does not supply stay 0.
template <typename Record>
Record ReadRecord(FileReader& file) {
    unsigned char bytes[Record::kSize] = {};
    file.Read(bytes, sizeof bytes);
    return Record::Decode(bytes);
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

// Reads one 64-byte text field over its default: bytes not delivered keep the default.
std::size_t ReadText(FileReader& file, char (&field)[64]) {
    char bytes[64];
    const std::size_t got = file.Read(bytes, sizeof bytes);
    std::memcpy(field, bytes, got);
    return got;
}

// Reads the rest of a scan record after its title. Counts the file does not supply are 0.
void ReadScanBody(FileReader& file, CSaveData& record) {
    ReadText(file, record.m_szSubtitle);
    ReadText(file, record.m_szDateTime);
    const std::span<std::int32_t> values = record.Values();
    const std::size_t got = file.Read(values.data(), values.size_bytes());
    if (got < values.size_bytes()) {
        std::memset(reinterpret_cast<unsigned char*>(values.data()) + got, 0,
                    values.size_bytes() - got);
    }
    FixArrayOrder(values.data(), values.size());
    record.m_fOpticalBlank = ReadFloat(file);
}

}  // namespace

// The path is a copy, so a caller may pass a member of the state it is loading into.
void LoadScanFile(ConverterState& state, DialogServices& services,
                  std::string path) {  // NOLINT(performance-unnecessary-value-param)
    FileReader file;
    file.Open(path);

    state.ResetLog("File" + path + " is opened properly.\r\n");
    services.Refresh();
    file.SeekToStart();

    const HeaderData header = ReadRecord<HeaderData>(file);
    AppendLog(state, services, "HEADER data set was loaded properly.\r\n");
    const CcdData ccd = ReadRecord<CcdData>(file);
    AppendLog(state, services, "Detector configuration data set was loaded properly.\r\n");

    const std::int32_t n = ccd.usTotalEffectivePixels;
    AppendLog(state, services, "Total pixel number = " + std::to_string(n) + "\r\n");
    std::vector<float> dark(static_cast<std::size_t>(n));
    std::vector<float> ref(static_cast<std::size_t>(n));

    const AcquireData acquire = ReadRecord<AcquireData>(file);
    AppendLog(state, services, "Display configuration data set was loaded properly.\r\n");
    const DisplayScaleData scale = ReadRecord<DisplayScaleData>(file);
    AppendLog(state, services, "Scale data set was loaded properly.\r\n");
    const IntegrationTimeData intTime = ReadRecord<IntegrationTimeData>(file);
    AppendLog(state, services, "Integration time data set was loaded properly.\r\n");
    const StatusData status = ReadRecord<StatusData>(file);
    AppendLog(state, services, "Data Status configuration data set was loaded properly.\r\n");

    ReadValues(file, std::span<float>(dark));
    AppendLog(state, services, "Dark scan data was loaded properly.\r\n");
    const float darkBlank = ReadFloat(file);
    AppendLog(state, services, "Dark data of Optical Blank pixels was loaded properly.\r\n");
    ReadValues(file, std::span<float>(ref));
    AppendLog(state, services, "Reference scan data was loaded properly.\r\n");
    const float refBlank = ReadFloat(file);
    AppendLog(state, services, "Reference data of Optical Blank pixels was loaded properly.\r\n");

    // Scan records until a title read delivers nothing. A record cut short is still kept.
    std::vector<std::unique_ptr<CSaveData>> scans;
    for (;;) {
        auto record = std::make_unique<CSaveData>(static_cast<std::uint16_t>(n));
        if (ReadText(file, record->m_szTitle) == 0) {
            break;
        }
        ReadScanBody(file, *record);
        scans.push_back(std::move(record));
    }
    const auto length = static_cast<std::int64_t>(file.Delivered());
    file.Close();

    // The whole file has been read: the new data take over from the old.
    state.m_Header = header;
    state.m_Ccd = ccd;
    state.m_Acquire = acquire;
    state.m_Scale = scale;
    state.m_IntTime = intTime;
    state.m_Status = status;
    state.m_nPixelCount = n;
    state.m_pDarkData = std::move(dark);
    state.m_pRefData = std::move(ref);
    state.m_fDarkOpticalBlank = darkBlank;
    state.m_fRefOpticalBlank = refBlank;
    state.m_ScanList = std::move(scans);
    state.m_nSelectedCount = 0;
    state.m_nScanCount = static_cast<std::int32_t>(state.m_ScanList.size());

    const std::int64_t expected =
        FixedPartSize(n) + static_cast<std::int64_t>(state.m_ScanList.size()) * ScanRecordSize(n);
    state.m_nMissingBytes = expected - length;
    if (state.m_nMissingBytes > 0) {
        state.m_strLog += "Warning: the file ends " + std::to_string(state.m_nMissingBytes) +
                          " bytes early; the missing values were read as 0.\r\n";
    }
    state.m_strLog += "Total loaded data number = " + std::to_string(state.m_nScanCount) + "\r\n";
    state.m_strLog += "SDF file loading was done.\r\n";
    state.m_bConvertEnabled = true;
    services.Refresh();
}

}  // namespace quillon
