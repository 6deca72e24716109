// The six fixed-size parameter records at the start of a scan data file, with the field names
// the parameter report prints. Each record has exactly its stored size and is decoded from
// (and encoded to) its little-endian bytes field by field.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillon {

// Text of a fixed-width 8-bit field: the bytes up to the first zero byte, or all of them.
template <std::size_t Size>
std::string_view FieldText(const char (&field)[Size]) {
    std::size_t n = 0;
    while (n < Size && field[n] != '\0') {
        ++n;
    }
    return std::string_view(field, n);
}

struct HeaderData {
    static constexpr std::size_t kSize = 76;
    char filename[64];
    std::int32_t no;
    std::int32_t time;
    float fOticalBlank;

    static HeaderData Decode(const unsigned char* bytes);
    void Encode(unsigned char* bytes) const;
};

// Detector configuration.
struct CcdData {
    static constexpr std::size_t kSize = 76;
    std::uint16_t usTotalColPixels;
    std::uint16_t usTotalRowPixels;
    std::uint16_t usStartBlankPixel;
    std::uint16_t usTotalBlankPixels;
    std::uint16_t usStartEffectivePixel;
    std::uint16_t usTotalEffectivePixels;  // N, the pixel count of every spectrum
    std::uint16_t usConversionBit;
    std::uint16_t usUnitType;
    std::uint16_t usDeviceNo;
    std::uint16_t usChannelNo;
    std::uint16_t usBoardType;
    std::uint16_t usGain;
    std::uint16_t usAddress;
    unsigned char padding[2];  // stored, never interpreted
    std::int32_t nFFT;
    float fCal[5];  // fCal[0..3]: cubic wavelength polynomial of the 0-based pixel index
    float fRCal[5];
    float fTemp;

    static CcdData Decode(const unsigned char* bytes);
    void Encode(unsigned char* bytes) const;
};

// Acquire record, which the load log calls the display configuration.
struct AcquireData {
    static constexpr std::size_t kSize = 16;
    std::uint16_t usStartWavelength;
    std::uint16_t usEndWavelength;
    std::uint16_t usTimeAverage;
    std::uint16_t usBinningAverage;
    std::int16_t usFFTMax;  // signed despite its prefix
    unsigned char padding[2];
    std::int32_t unTemp;  // shown signed

    static AcquireData Decode(const unsigned char* bytes);
    void Encode(unsigned char* bytes) const;
};

// Graphic display scale.
struct DisplayScaleData {
    static constexpr std::size_t kSize = 56;
    std::int32_t usMinXP;  // the four "us" fields are signed 32-bit
    std::int32_t usMaxXP;
    std::int32_t usMinYP;
    std::int32_t usMaxYP;
    float fMinWL;
    float fMaxWL;
    float fWavelengthInterval;
    float fMinT;
    float fMaxT;
    float fMinA;
    float fMaxA;
    float fMinI;
    float fMaxI;
    float fRes;

    static DisplayScaleData Decode(const unsigned char* bytes);
    void Encode(unsigned char* bytes) const;
};

struct IntegrationTimeData {
    static constexpr std::size_t kSize = 24;
    double m_nIntTime;  // doubles despite their prefix
    double m_nIntTimeMin;
    double m_nIntTimeMax;

    static IntegrationTimeData Decode(const unsigned char* bytes);
    void Encode(unsigned char* bytes) const;
};

// Data status: three little-endian status words of flags and six uninterpreted bytes.
struct StatusData {
    static constexpr std::size_t kSize = 12;
    std::uint16_t word0;
    std::uint16_t word1;
    std::uint16_t word2;  // bits 0 and 1 only
    unsigned char reserved[6];

    static StatusData Decode(const unsigned char* bytes);
    void Encode(unsigned char* bytes) const;

    // Status words 0 and 1 as one signed 32-bit integer (word 1 in the high half).
    std::int32_t WholeStatus() const {
        return static_cast<std::int32_t>((std::uint32_t{word1} << 16) | word0);
    }

    unsigned DataStart() const { return Bits(word0, 0, 1); }
    unsigned DataOneStep() const { return Bits(word0, 1, 1); }
    unsigned DataPending() const { return Bits(word0, 2, 1); }
    unsigned DrawStart() const { return Bits(word0, 3, 1); }
    unsigned DrawPending() const { return Bits(word0, 4, 1); }
    unsigned DarkScan() const { return Bits(word0, 5, 2); }
    unsigned DarkApply() const { return Bits(word0, 7, 1); }
    unsigned DarkOpticalBlank() const { return Bits(word0, 8, 1); }
    unsigned FFTApply() const { return Bits(word0, 9, 1); }
    unsigned RefScan() const { return Bits(word0, 10, 2); }
    unsigned RefApply() const { return Bits(word0, 12, 1); }
    unsigned ScanMode() const { return Bits(word0, 13, 3); }
    unsigned GraphUnit() const { return Bits(word1, 0, 2); }
    unsigned ScanOrFile() const { return Bits(word1, 2, 1); }
    unsigned PixelOrWL() const { return Bits(word1, 3, 1); }
    unsigned Direction() const { return Bits(word1, 4, 1); }
    unsigned Irradiance() const { return Bits(word1, 5, 1); }
    unsigned BaseLine() const { return Bits(word1, 6, 1); }
    unsigned TimeLine() const { return Bits(word1, 7, 1); }
    unsigned OnlyFileMode() const { return Bits(word1, 8, 1); }
    unsigned Trigger() const { return Bits(word1, 9, 1); }
    unsigned DarkDisplay() const { return Bits(word1, 10, 1); }
    unsigned RefDisplay() const { return Bits(word1, 11, 1); }
    unsigned PixelFlip() const { return Bits(word1, 12, 1); }
    unsigned IsDarkSubtract() const { return Bits(word1, 13, 1); }
    unsigned StrongStop() const { return Bits(word1, 14, 1); }
    unsigned SubstractDark() const { return Bits(word1, 15, 1); }
    unsigned TRIGGERCHANGE() const { return Bits(word2, 0, 1); }
    unsigned TriggerMode() const { return Bits(word2, 1, 1); }

  private:
    static unsigned Bits(std::uint16_t word, unsigned lowest, unsigned width) {
        return (unsigned{word} >> lowest) & ((1u << width) - 1u);
    }
};

static_assert(sizeof(HeaderData) == HeaderData::kSize);
static_assert(sizeof(CcdData) == CcdData::kSize);
static_assert(sizeof(AcquireData) == AcquireData::kSize);
static_assert(sizeof(DisplayScaleData) == DisplayScaleData::kSize);
static_assert(sizeof(IntegrationTimeData) == IntegrationTimeData::kSize);
static_assert(sizeof(StatusData) == StatusData::kSize);

// Byte layout of the file around the records: the six records, then the dark spectrum and
// its optical blank value, the reference spectrum and its value, then the scan records.
constexpr std::size_t kRecordsSize = 260;
constexpr std::size_t kScanTextSize = 64;
constexpr std::size_t kScanFixedSize = 3 * kScanTextSize + 4;  // texts and optical blank

// Length of the fixed part of a file with N pixels, and of one scan record.
constexpr std::int64_t FixedPartSize(std::int64_t n) {
    return 268 + 8 * n;
}
constexpr std::int64_t ScanRecordSize(std::int64_t n) {
    return 196 + 4 * n;
}

}  // namespace quillon
