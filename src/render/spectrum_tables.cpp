// SPDX-License-Identifier: MIT
// The dark, reference and scan blocks and the wavelength axis.
//
// A table row is "<pixel and wavelength columns><count>\n". The columns before the count are
// the same in every table of a conversion, so SpectrumTableFormatter formats them once, as one
// run of row prefixes, and a row then costs a copy of its prefix and one integer conversion.
// Scan blocks can also be built directly in the stored text mode of the outputs (CR LF line
// ends), so that the bulk of a conversion never goes through a second, converting pass.
#include "render/spectrum_tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
#include <string_view>

#include "platform/text_file_writer.h"
#include "render/number_format.h"

namespace quillon {

namespace {

// Longest count, "-2147483648", and the row's line end (CR LF at most).
constexpr std::size_t kRowTail = kMaxIntChars + 2;
// Row prefixes up to this length are copied with one fixed-size copy, which may read and
// write past the prefix; the prefix run and the output keep this much room beyond their end.
constexpr std::size_t kPrefixCopy = 32;

std::string_view HeaderLine(bool withPixel, bool withWavelength) {
    if (withPixel && withWavelength) {
        return "Pixel\t Wavelength(nm)\t Intensity(Counts)\n";
    }
    if (withPixel) {
        return "Pixel\t Intensity(Counts)\n";
    }
    if (withWavelength) {
        return "Wavelength(nm)\t Intensity(Counts)\n";
    }
    return "Intensity(Counts)\n";
}

// Appends text whose lines end with "\n", in the plain form of a text block or, with kCrLf, in
// the stored form with CR LF line ends.
template <bool kCrLf>
void AppendText(std::string& out, std::string_view text) {
    if constexpr (kCrLf) {
        AppendCrLf(out, text);
    } else {
        out.append(text);
    }
}

template <bool kCrLf>
void AppendTextLine(std::string& out, std::string_view label, std::string_view bytes) {
    out.append(label);
    AppendText<kCrLf>(out, bytes);  // 8-bit text goes out byte for byte
    AppendText<kCrLf>(out, "\n");
}

// A scan record's 64-byte text field: its bytes up to the first zero byte, or all of them.
std::string_view ScanText(const char* field) {
    const void* const end = std::memchr(field, '\0', kScanTextSize);
    return {field, end == nullptr
                       ? kScanTextSize
                       : static_cast<std::size_t>(static_cast<const char*>(end) - field)};
}

}  // namespace

std::vector<float> WavelengthAxis(const ScanFile& file) {
    const std::size_t n = static_cast<std::size_t>(std::max(file.m_nPixelCount, 0));
    std::vector<float> axis(n);
    const float* const cal = file.m_Ccd.fCal;
    for (std::size_t p = 0; p < n; ++p) {
        const double x = static_cast<double>(p);
        double sum = 0.0;
        for (int j = 0; j < 4; ++j) {
            // Product and sum rounded separately (-ffp-contract=off): no fused multiply-add.
            sum += static_cast<double>(cal[j]) * std::pow(x, static_cast<double>(j));
        }
        axis[p] = static_cast<float>(sum);  // nearest float (IEEE: beyond its range, infinity)
    }
    return axis;
}

struct SpectrumTableFormatter::Impl {
    bool withPixel = false;
    bool withWavelength = false;
    std::size_t n = 0;
    std::string_view header;
    // The row prefixes one after the other, then kPrefixCopy bytes of room.
    std::string prefixes;
    // Row i's prefix is prefixes[offsets[i], offsets[i + 1]).
    std::vector<std::uint32_t> offsets;

    // Appends the n rows, each ending with "\n" or, with kCrLf, with CR LF; count(i) gives row
    // i's count for i < available, 0 beyond (a spectrum shorter than N is never read past its
    // end).
    template <bool kCrLf, typename CountAt>
    void AppendRows(std::string& out, std::size_t available, CountAt count) const {
        const std::size_t start = out.size();
        out.resize(start + (prefixes.size() - kPrefixCopy) + n * kRowTail + kPrefixCopy);
        char* p = out.data() + start;
        const char* const run = prefixes.data();
        const std::uint32_t* const off = offsets.data();
        const std::size_t rows = std::min(available, n);
        auto row = [&](std::size_t i, std::int32_t value) {
            const std::size_t length = off[i + 1] - off[i];
            if (length <= kPrefixCopy) {
                std::memcpy(p, run + off[i], kPrefixCopy);
            } else {
                std::memcpy(p, run + off[i], length);
            }
            p += length;
            p = WriteIntLeft8(p, value);
            if constexpr (kCrLf) {
                *p++ = '\r';
            }
            *p++ = '\n';
        };
        for (std::size_t i = 0; i < rows; ++i) {
            row(i, count(i));
        }
        for (std::size_t i = rows; i < n; ++i) {
            row(i, 0);
        }
        out.resize(static_cast<std::size_t>(p - out.data()));
    }

    void AppendTable(std::string& out, std::span<const float> counts) const {
        out.append(header);
        AppendRows<false>(out, counts.size(),
                          [counts](std::size_t i) { return TruncateToInt32(counts[i]); });
    }

    void AppendDarkBody(std::string& out, const ScanFile& file) const {
        out.append("Dark Scan Data...\n");
        AppendTable(out, file.m_pDarkData);
        out.append("Dark Scan Data of Optical Blank: ");
        AppendFixedLeft(out, file.m_fDarkOpticalBlank, 4, 14);
        out.push_back('\n');
    }

    void AppendRefBody(std::string& out, const ScanFile& file) const {
        out.append("Reference Scan Data...\n");
        AppendTable(out, file.m_pRefData);
        out.append("Reference Scan Data of Optical Blank: ");
        AppendFixed(out, file.m_fRefOpticalBlank, 6);
        out.push_back('\n');
    }

    template <bool kCrLf>
    void AppendScanBlock(std::string& out, std::int32_t index, const ScanView& record) const {
        AppendText<kCrLf>(out, "Scan #");
        // index + 1 wraps like the 32-bit arithmetic it stands for, without overflow.
        AppendInt(out, static_cast<std::int32_t>(static_cast<std::uint32_t>(index) + 1u));
        AppendText<kCrLf>(out, ":\n");
        AppendTextLine<kCrLf>(out, "Project Title: ", ScanText(record.title));
        AppendTextLine<kCrLf>(out, "Subtitle: ", ScanText(record.subtitle));
        AppendTextLine<kCrLf>(out, "Date and Time: ", ScanText(record.dateTime));
        AppendText<kCrLf>(out, "Scan Data per each pixel...\n");
        AppendText<kCrLf>(out, header);
        const std::span<const std::int32_t> values = record.values;
        AppendRows<kCrLf>(out, values.size(), [values](std::size_t i) { return values[i]; });
        out.append("Optical Blank data: ");
        AppendFixedLeft(out, record.opticalBlank, 4, 14);
        AppendText<kCrLf>(out, "\n\n\n");
    }
};

SpectrumTableFormatter::SpectrumTableFormatter(const ScanFile& file, TableLayout layout,
                                               std::span<const float> axis)
    : m_pImpl(std::make_unique<Impl>()) {
    Impl& m = *m_pImpl;
    m.withPixel = layout.withPixel;
    m.withWavelength = layout.withWavelength;
    m.n = static_cast<std::size_t>(std::max(file.m_nPixelCount, 0));
    m.header = HeaderLine(m.withPixel, m.withWavelength);

    // "%-5d\t " and "%-14.4f\t " of every row, or nothing in the count-only layout.
    const bool hasPrefix = m.withPixel || m.withWavelength;
    std::string& run = m.prefixes;
    m.offsets.resize(m.n + 1);
    run.reserve((hasPrefix ? m.n * 24 : 0) + kPrefixCopy);
    char cell[kMaxIntChars + 2 + kMaxFixedChars + 2];
    for (std::size_t i = 0; i < m.n; ++i) {
        m.offsets[i] = static_cast<std::uint32_t>(run.size());
        if (!hasPrefix) {
            continue;
        }
        char* p = cell;
        if (m.withPixel) {
            p = WriteIntLeft(p, static_cast<std::int32_t>(i + 1), 5);
            *p++ = '\t';
            *p++ = ' ';
        }
        if (m.withWavelength) {
            // An axis shorter than N (never built for this N) shows 0 rather than reading on.
            const double wavelength = i < axis.size() ? axis[i] : 0.0f;
            p = WriteFixedLeft(p, wavelength, 4, 14);
            *p++ = '\t';
            *p++ = ' ';
        }
        run.append(cell, p);
    }
    m.offsets[m.n] = static_cast<std::uint32_t>(run.size());
    run.append(kPrefixCopy, '\0');
}

SpectrumTableFormatter::~SpectrumTableFormatter() = default;

void SpectrumTableFormatter::AppendStoredScanBlock(std::string& out, std::int32_t index,
                                                   const ScanView& record) const {
    m_pImpl->AppendScanBlock<true>(out, index, record);
}

std::string FormatDarkTable(const ScanFile& file, LogSink& log,
                            const SpectrumTableFormatter& formatter) {
    std::string out;
    formatter.m_pImpl->AppendDarkBody(out, file);
    log.Append("Dark Scan Data were converted.\r\n");
    out.append("\n\n");
    return out;
}

std::string FormatRefTable(const ScanFile& file, LogSink& log,
                           const SpectrumTableFormatter& formatter) {
    std::string out;
    formatter.m_pImpl->AppendRefBody(out, file);
    log.Append("Reference Scan Data were converted.\r\n");
    out.append("\n\n");
    return out;
}

}  // namespace quillon
