// SPDX-License-Identifier: MIT
// The six fixed-size parameter records at the start of a scan data file, with the field names
// the parameter report prints, and the sizes of the file's parts. Each record lists its stored
// fields once, in file order (Fields below); DecodeRecord and EncodeRecord walk that list to
// read and write the record's little-endian bytes.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

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
};

struct IntegrationTimeData {
    static constexpr std::size_t kSize = 24;
    double m_nIntTime;  // doubles despite their prefix
    double m_nIntTimeMin;
    double m_nIntTimeMax;
};

// Data status: three little-endian status words of flags and six uninterpreted bytes.
struct StatusData {
    static constexpr std::size_t kSize = 12;
    std::uint16_t word0;
    std::uint16_t word1;
    std::uint16_t word2;  // bits 0 and 1 only
    unsigned char reserved[6];

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

// Field lists: each record's stored fields, in file order. One list serves reading and
// writing; a const record gives references to const fields.
template <typename R, typename Record>
concept RecordOf = std::same_as<std::remove_const_t<R>, Record>;

template <RecordOf<HeaderData> R>
constexpr auto Fields(R& r) {
    return std::tie(r.filename, r.no, r.time, r.fOticalBlank);
}
template <RecordOf<CcdData> R>
constexpr auto Fields(R& r) {
    return std::tie(r.usTotalColPixels, r.usTotalRowPixels, r.usStartBlankPixel,
                    r.usTotalBlankPixels, r.usStartEffectivePixel, r.usTotalEffectivePixels,
                    r.usConversionBit, r.usUnitType, r.usDeviceNo, r.usChannelNo, r.usBoardType,
                    r.usGain, r.usAddress, r.padding, r.nFFT, r.fCal, r.fRCal, r.fTemp);
}
template <RecordOf<AcquireData> R>
constexpr auto Fields(R& r) {
    return std::tie(r.usStartWavelength, r.usEndWavelength, r.usTimeAverage, r.usBinningAverage,
                    r.usFFTMax, r.padding, r.unTemp);
}
template <RecordOf<DisplayScaleData> R>
constexpr auto Fields(R& r) {
    return std::tie(r.usMinXP, r.usMaxXP, r.usMinYP, r.usMaxYP, r.fMinWL, r.fMaxWL,
                    r.fWavelengthInterval, r.fMinT, r.fMaxT, r.fMinA, r.fMaxA, r.fMinI, r.fMaxI,
                    r.fRes);
}
template <RecordOf<IntegrationTimeData> R>
constexpr auto Fields(R& r) {
    return std::tie(r.m_nIntTime, r.m_nIntTimeMin, r.m_nIntTimeMax);
}
template <RecordOf<StatusData> R>
constexpr auto Fields(R& r) {
    return std::tie(r.word0, r.word1, r.word2, r.reserved);
}

// The record types that have a field list, and so can be decoded and encoded.
template <typename Record>
concept ParameterRecord = requires(Record& r) {
    { Record::kSize } -> std::convertible_to<std::size_t>;
    Fields(r);
};

// The stored size of a record's field list: the sum of its fields' sizes (an array field
// counts all its elements).
template <ParameterRecord Record>
constexpr std::size_t FieldListSize() {
    using List = decltype(Fields(std::declval<Record&>()));
    return []<std::size_t... I>(std::index_sequence<I...>) {
        return (std::size_t{0} + ... +
                sizeof(std::remove_reference_t<std::tuple_element_t<I, List>>));
    }
    (std::make_index_sequence<std::tuple_size_v<List>>{});
}

// True when no member appears twice in a record's field list. With FieldListSize equal to the
// record's size, this means every member is listed exactly once.
template <ParameterRecord Record>
constexpr bool FieldsListedOnce() {
    Record record{};
    return std::apply(
        [](const auto&... field) {
            const void* addresses[] = {static_cast<const void*>(std::addressof(field))...};
            for (std::size_t i = 0; i < std::size(addresses); ++i) {
                for (std::size_t j = 0; j < i; ++j) {
                    if (addresses[i] == addresses[j]) {
                        return false;
                    }
                }
            }
            return true;
        },
        Fields(record));
}

// A record's fields fill exactly its stored size, each listed once, and the record type holds
// nothing else, so a record in memory has the size of its bytes in the file.
template <ParameterRecord Record>
constexpr bool FieldListCoversRecord() {
    return FieldListSize<Record>() == Record::kSize && sizeof(Record) == Record::kSize &&
           FieldsListedOnce<Record>();
}

static_assert(FieldListCoversRecord<HeaderData>());
static_assert(FieldListCoversRecord<CcdData>());
static_assert(FieldListCoversRecord<AcquireData>());
static_assert(FieldListCoversRecord<DisplayScaleData>());
static_assert(FieldListCoversRecord<IntegrationTimeData>());
static_assert(FieldListCoversRecord<StatusData>());

// Reads a record from its stored little-endian bytes, field by field in list order.
template <ParameterRecord Record>
Record DecodeRecord(std::span<const unsigned char, Record::kSize> bytes);

// Writes a record as its stored little-endian bytes, field by field in list order.
template <ParameterRecord Record>
void EncodeRecord(const Record& record, std::span<unsigned char, Record::kSize> bytes);

// Stores text in a fixed-width 8-bit field: its bytes, cut at the field's width, then zeros to
// the end of the field.
void StoreFieldText(std::span<char> field, std::string_view text);

// Byte layout of the file around the records: the six records, then the dark spectrum and
// its optical blank value, the reference spectrum and its value, then the scan records.
constexpr std::size_t kRecordsSize = HeaderData::kSize + CcdData::kSize + AcquireData::kSize +
                                     DisplayScaleData::kSize + IntegrationTimeData::kSize +
                                     StatusData::kSize;

// A scan record: three texts, then the counts of every pixel (signed 32-bit), then its optical
// blank value (float).
constexpr std::size_t kScanTextSize = 64;
constexpr std::size_t kScanTextsSize = 3 * kScanTextSize;
constexpr std::size_t kScanFixedSize = kScanTextsSize + sizeof(float);

// Length of the fixed part of a file with N pixels: the records, then the dark and the
// reference spectrum, each N floats followed by its optical blank value (a float).
constexpr std::int64_t FixedPartSize(std::int64_t n) {
    constexpr auto kFloat = static_cast<std::int64_t>(sizeof(float));
    return static_cast<std::int64_t>(kRecordsSize) + 2 * (n * kFloat + kFloat);
}
// Length of one scan record of a file with N pixels.
constexpr std::int64_t ScanRecordSize(std::int64_t n) {
    return static_cast<std::int64_t>(kScanFixedSize) +
           n * static_cast<std::int64_t>(sizeof(std::int32_t));
}

}  // namespace quillon
