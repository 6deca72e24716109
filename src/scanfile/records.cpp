// Field-by-field little-endian decoding and encoding of the parameter records. Each record's
// fields are listed once, in stored order, and walked by a reader or a writer.
#include "scanfile/records.h"

#include <cstring>

#include "scanfile/byte_order.h"

namespace quillon {

namespace {

// Reads fields one after the other from stored bytes.
struct FieldReader {
    const unsigned char* p;
    template <typename T>
    void operator()(T& value) {
        if constexpr (std::is_array_v<T>) {
            for (auto& element : value) {
                (*this)(element);
            }
        } else if constexpr (sizeof(T) == 1) {
            std::memcpy(&value, p, 1);
            ++p;
        } else {
            value = LoadLE<T>(p);
            p += sizeof(T);
        }
    }
};

// Writes fields one after the other as stored bytes.
struct FieldWriter {
    unsigned char* p;
    template <typename T>
    void operator()(const T& value) {
        if constexpr (std::is_array_v<T>) {
            for (const auto& element : value) {
                (*this)(element);
            }
        } else if constexpr (sizeof(T) == 1) {
            std::memcpy(p, &value, 1);
            ++p;
        } else {
            StoreLE<T>(p, value);
            p += sizeof(T);
        }
    }
};

template <typename F>
void Walk(HeaderData& r, F&& f) {
    f(r.filename), f(r.no), f(r.time), f(r.fOticalBlank);
}
template <typename F>
void Walk(CcdData& r, F&& f) {
    f(r.usTotalColPixels), f(r.usTotalRowPixels), f(r.usStartBlankPixel), f(r.usTotalBlankPixels),
        f(r.usStartEffectivePixel), f(r.usTotalEffectivePixels), f(r.usConversionBit),
        f(r.usUnitType), f(r.usDeviceNo), f(r.usChannelNo), f(r.usBoardType), f(r.usGain),
        f(r.usAddress), f(r.padding), f(r.nFFT), f(r.fCal), f(r.fRCal), f(r.fTemp);
}
template <typename F>
void Walk(AcquireData& r, F&& f) {
    f(r.usStartWavelength), f(r.usEndWavelength), f(r.usTimeAverage), f(r.usBinningAverage),
        f(r.usFFTMax), f(r.padding), f(r.unTemp);
}
template <typename F>
void Walk(DisplayScaleData& r, F&& f) {
    f(r.usMinXP), f(r.usMaxXP), f(r.usMinYP), f(r.usMaxYP), f(r.fMinWL), f(r.fMaxWL),
        f(r.fWavelengthInterval), f(r.fMinT), f(r.fMaxT), f(r.fMinA), f(r.fMaxA), f(r.fMinI),
        f(r.fMaxI), f(r.fRes);
}
template <typename F>
void Walk(IntegrationTimeData& r, F&& f) {
    f(r.m_nIntTime), f(r.m_nIntTimeMin), f(r.m_nIntTimeMax);
}
template <typename F>
void Walk(StatusData& r, F&& f) {
    f(r.word0), f(r.word1), f(r.word2), f(r.reserved);
}

template <typename Record>
Record DecodeRecord(const unsigned char* bytes) {
    Record record{};
    Walk(record, FieldReader{bytes});
    return record;
}

template <typename Record>
void EncodeRecord(const Record& record, unsigned char* bytes) {
    // Walk takes a mutable record so one field list serves both directions; the writer
    // only reads through it.
    Walk(const_cast<Record&>(record), FieldWriter{bytes});
}

}  // namespace

HeaderData HeaderData::Decode(const unsigned char* b) {
    return DecodeRecord<HeaderData>(b);
}
void HeaderData::Encode(unsigned char* b) const {
    EncodeRecord(*this, b);
}
CcdData CcdData::Decode(const unsigned char* b) {
    return DecodeRecord<CcdData>(b);
}
void CcdData::Encode(unsigned char* b) const {
    EncodeRecord(*this, b);
}
AcquireData AcquireData::Decode(const unsigned char* b) {
    return DecodeRecord<AcquireData>(b);
}
void AcquireData::Encode(unsigned char* b) const {
    EncodeRecord(*this, b);
}
DisplayScaleData DisplayScaleData::Decode(const unsigned char* b) {
    return DecodeRecord<DisplayScaleData>(b);
}
void DisplayScaleData::Encode(unsigned char* b) const {
    EncodeRecord(*this, b);
}
IntegrationTimeData IntegrationTimeData::Decode(const unsigned char* b) {
    return DecodeRecord<IntegrationTimeData>(b);
}
void IntegrationTimeData::Encode(unsigned char* b) const {
    EncodeRecord(*this, b);
}
StatusData StatusData::Decode(const unsigned char* b) {
    return DecodeRecord<StatusData>(b);
}
void StatusData::Encode(unsigned char* b) const {
    EncodeRecord(*this, b);
}

}  // namespace quillon
