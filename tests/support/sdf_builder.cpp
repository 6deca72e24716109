// SdfBuilder: little-endian encoding of a whole scan data file.
#include "sdf_builder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "scanfile/byte_order.h"

namespace quillon::testing {

namespace {

template <typename Record>
void PutRecord(std::vector<unsigned char>& out, const Record& record) {
    unsigned char bytes[Record::kSize];
    record.Encode(bytes);
    out.insert(out.end(), bytes, bytes + sizeof bytes);
}

template <typename T>
void PutValue(std::vector<unsigned char>& out, T value) {
    unsigned char bytes[sizeof(T)];
    StoreLE(bytes, value);
    out.insert(out.end(), bytes, bytes + sizeof bytes);
}

void PutText(std::vector<unsigned char>& out, std::string_view text) {
    char field[64];
    SetField(field, sizeof field, text);
    out.insert(out.end(), field, field + sizeof field);
}

}  // namespace

void SetField(char* field, std::size_t size, std::string_view text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

void AppendScanBytes(std::vector<unsigned char>& out, const ScanSpec& scan) {
    PutText(out, scan.title);
    PutText(out, scan.subtitle);
    PutText(out, scan.dateTime);
    for (std::int32_t v : scan.values) {
        PutValue(out, v);
    }
    PutValue(out, scan.opticalBlank);
}

SdfBuilder::SdfBuilder(std::uint16_t n) {
    Pixels(n);
}

SdfBuilder& SdfBuilder::Pixels(std::uint16_t n) {
    ccd.usTotalEffectivePixels = n;
    dark.resize(n);
    ref.resize(n);
    return *this;
}

SdfBuilder& SdfBuilder::AddScan(ScanSpec scan) {
    scans.push_back(std::move(scan));
    return *this;
}

SdfBuilder& SdfBuilder::AddScans(int count) {
    for (int i = 0; i < count; ++i) {
        const int number = static_cast<int>(scans.size()) + 1;
        ScanSpec scan;
        scan.title = "Scan title " + std::to_string(number);
        scan.subtitle = "Subtitle " + std::to_string(number);
        scan.dateTime = "2026-12-07 08:00:0" + std::to_string(number % 10);
        scan.values.assign(ccd.usTotalEffectivePixels, number);
        scan.opticalBlank = static_cast<float>(number) + 0.25f;
        scans.push_back(std::move(scan));
    }
    return *this;
}

std::vector<unsigned char> SdfBuilder::Bytes() const {
    std::vector<unsigned char> out;
    PutRecord(out, header);
    PutRecord(out, ccd);
    PutRecord(out, acquire);
    PutRecord(out, scale);
    PutRecord(out, intTime);
    PutRecord(out, status);
    for (float v : dark) {
        PutValue(out, v);
    }
    PutValue(out, darkOpticalBlank);
    for (float v : ref) {
        PutValue(out, v);
    }
    PutValue(out, refOpticalBlank);
    for (const ScanSpec& scan : scans) {
        AppendScanBytes(out, scan);
    }
    return out;
}

std::vector<unsigned char> SdfBuilder::BytesCutAt(std::size_t length) const {
    std::vector<unsigned char> out = Bytes();
    out.resize(std::min(length, out.size()));
    return out;
}

std::string SdfBuilder::WriteTo(const std::string& path) const {
    return WriteFile(path, Bytes());
}

std::string WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

}  // namespace quillon::testing
