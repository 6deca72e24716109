// SPDX-License-Identifier: MIT
// The generic walk of a record's field list: little-endian decoding and encoding, one field
// after the other, for each of the six parameter records.
#include "scanfile/records.h"

#include <algorithm>
#include <cstring>

#include "scanfile/byte_order.h"

namespace quillon {

namespace {

// Reads fields one after the other from stored bytes.
class FieldReader {
  public:
    explicit FieldReader(const unsigned char* bytes) : m_p(bytes) {}

    template <typename T>
    void operator()(T& value) {
        if constexpr (std::is_array_v<T>) {
            for (auto& element : value) {
                (*this)(element);
            }
        } else {
            value = LoadLE<T>(m_p);
            m_p += sizeof(T);
        }
    }

  private:
    const unsigned char* m_p;
};

// Writes fields one after the other as stored bytes.
class FieldWriter {
  public:
    explicit FieldWriter(unsigned char* bytes) : m_p(bytes) {}

    template <typename T>
    void operator()(const T& value) {
        if constexpr (std::is_array_v<T>) {
            for (const auto& element : value) {
                (*this)(element);
            }
        } else {
            StoreLE<T>(m_p, value);
            m_p += sizeof(T);
        }
    }

  private:
    unsigned char* m_p;
};

}  // namespace

template <ParameterRecord Record>
Record DecodeRecord(std::span<const unsigned char, Record::kSize> bytes) {
    Record record{};
    FieldReader read(bytes.data());
    std::apply([&read](auto&... field) { (read(field), ...); }, Fields(record));
    return record;
}

template <ParameterRecord Record>
void EncodeRecord(const Record& record, std::span<unsigned char, Record::kSize> bytes) {
    FieldWriter write(bytes.data());
    std::apply([&write](const auto&... field) { (write(field), ...); }, Fields(record));
}

template HeaderData DecodeRecord<HeaderData>(std::span<const unsigned char, HeaderData::kSize>);
template CcdData DecodeRecord<CcdData>(std::span<const unsigned char, CcdData::kSize>);
template AcquireData DecodeRecord<AcquireData>(std::span<const unsigned char, AcquireData::kSize>);
template DisplayScaleData DecodeRecord<DisplayScaleData>(
    std::span<const unsigned char, DisplayScaleData::kSize>);
template IntegrationTimeData DecodeRecord<IntegrationTimeData>(
    std::span<const unsigned char, IntegrationTimeData::kSize>);
template StatusData DecodeRecord<StatusData>(std::span<const unsigned char, StatusData::kSize>);

template void EncodeRecord<HeaderData>(const HeaderData&,
                                       std::span<unsigned char, HeaderData::kSize>);
template void EncodeRecord<CcdData>(const CcdData&, std::span<unsigned char, CcdData::kSize>);
template void EncodeRecord<AcquireData>(const AcquireData&,
                                        std::span<unsigned char, AcquireData::kSize>);
template void EncodeRecord<DisplayScaleData>(const DisplayScaleData&,
                                             std::span<unsigned char, DisplayScaleData::kSize>);
template void EncodeRecord<IntegrationTimeData>(
    const IntegrationTimeData&, std::span<unsigned char, IntegrationTimeData::kSize>);
template void EncodeRecord<StatusData>(const StatusData&,
                                       std::span<unsigned char, StatusData::kSize>);

void StoreFieldText(std::span<char> field, std::string_view text) {
    const std::size_t length = std::min(field.size(), text.size());
    std::copy_n(text.data(), length, field.data());
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(length), field.end(), '\0');
}

}  // namespace quillon
