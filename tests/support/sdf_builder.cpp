// SPDX-License-Identifier: MIT
// SdfBuilder: a whole scan data file, encoded part by part by the core's file writer.
#include "sdf_builder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "scanfile/sdf_writer.h"

namespace quillon::testing {

void SetField(char* field, std::size_t size, std::string_view text) {
    StoreFieldText(std::span<char>(field, size), text);
}

void AppendScanBytes(std::vector<unsigned char>& out, const ScanContent& scan) {
    AppendScanRecord(out,
                     {scan.title, scan.subtitle, scan.dateTime, scan.values, scan.opticalBlank});
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

SdfBuilder& SdfBuilder::AddScan(ScanContent scan) {
    scans.push_back(std::move(scan));
    return *this;
}

SdfBuilder& SdfBuilder::AddScans(int count) {
    for (int i = 0; i < count; ++i) {
        const int number = static_cast<int>(scans.size()) + 1;
        ScanContent scan;
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
    AppendRecords(out, *this);
    AppendSpectrum(out, dark, darkOpticalBlank);
    AppendSpectrum(out, ref, refOpticalBlank);
    for (const ScanContent& scan : scans) {
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
