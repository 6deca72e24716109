// SPDX-License-Identifier: MIT
// Writing scan data files: every part encoded little-endian, whatever the host.
#include "scanfile/sdf_writer.h"

#include "scanfile/byte_order.h"

namespace quillon {

namespace {

template <ParameterRecord Record>
void AppendRecord(std::vector<unsigned char>& out, const Record& record) {
    const std::size_t start = out.size();
    out.resize(start + Record::kSize);
    EncodeRecord(record,
                 std::span<unsigned char, Record::kSize>(out.data() + start, Record::kSize));
}

template <typename T>
void AppendValues(std::vector<unsigned char>& out, std::span<const T> values) {
    std::size_t at = out.size();
    out.resize(at + values.size_bytes());
    for (const T value : values) {
        StoreLE(out.data() + at, value);
        at += sizeof(T);
    }
}

void AppendText(std::vector<unsigned char>& out, std::string_view text) {
    char field[kScanTextSize];
    StoreFieldText(field, text);
    out.insert(out.end(), field, field + sizeof field);
}

}  // namespace

void AppendRecords(std::vector<unsigned char>& out, const ParameterRecords& records) {
    AppendRecord(out, records.header);
    AppendRecord(out, records.ccd);
    AppendRecord(out, records.acquire);
    AppendRecord(out, records.scale);
    AppendRecord(out, records.intTime);
    AppendRecord(out, records.status);
}

void AppendSpectrum(std::vector<unsigned char>& out, std::span<const float> values,
                    float opticalBlank) {
    AppendValues(out, values);
    AppendValues(out, std::span<const float>(&opticalBlank, 1));
}

void AppendScanRecord(std::vector<unsigned char>& out, const ScanRecordParts& scan) {
    AppendText(out, scan.title);
    AppendText(out, scan.subtitle);
    AppendText(out, scan.dateTime);
    AppendValues(out, scan.counts);
    AppendValues(out, std::span<const float>(&scan.opticalBlank, 1));
}

}  // namespace quillon
