// ConverterState: the conversion options and the contents of one loaded scan data file, as the
// main dialog and the command-line converter hold them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scanfile/records.h"
#include "scanfile/save_data.h"

namespace quillon {

class DialogServices;

struct ConverterState {
    // Options, as the controls set them (any non-zero value counts as set).
    std::string m_strFilePath;
    std::int32_t m_bOneFile = 0;
    std::int32_t m_bWithWavelength = 0;
    std::int32_t m_bWithPixel = 0;
    bool m_bConvertAll = true;
    std::string m_strSelection;

    // The loaded file.
    std::int32_t m_nPixelCount = 256;  // N
    std::vector<float> m_pDarkData;    // N values once loaded
    std::vector<float> m_pRefData;     // N values once loaded
    std::vector<float> m_pWavelength;  // N values once a conversion has built the axis
    float m_fDarkOpticalBlank = 0.0f;
    float m_fRefOpticalBlank = 0.0f;
    std::int32_t m_nSelectedCount = 0;
    std::int32_t m_nScanCount = 0;
    StatusData m_Status{};
    CcdData m_Ccd{};
    AcquireData m_Acquire{};
    DisplayScaleData m_Scale{};
    HeaderData m_Header{};
    IntegrationTimeData m_IntTime{};
    std::vector<std::unique_ptr<CSaveData>> m_ScanList;  // file order; owns the records
    // Bytes the loaded file lacks for its last record (0 for a complete file); what is missing
    // was read as 0.
    std::int64_t m_nMissingBytes = 0;

    // Text of the log area. Lines end with "\r\n".
    std::string m_strLog;
    // Counts the times the log was replaced or emptied rather than appended to, so that a
    // view can tell new lines from a new log.
    std::uint64_t m_nLogResets = 0;

    // The Convert command is offered once a file has been loaded.
    bool m_bConvertEnabled = false;

    // Replaces the whole log with text (the start of a load or of a conversion).
    void ResetLog(std::string_view text) {
        m_strLog.assign(text);
        ++m_nLogResets;
    }
};

// Appends a line to the log, then refreshes the view so that it shows at once.
void AppendLog(ConverterState& state, DialogServices& services, std::string_view text);

}  // namespace quillon
