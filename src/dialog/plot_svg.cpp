// SPDX-License-Identifier: MIT
// SvgCanvas: the elements of the plot's SVG document.
#include "dialog/plot_svg.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace quillon {

namespace {

// A coordinate with two decimals at most, '.' always.
std::string Number(double value) {
    std::array<char, 32> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                      std::round(value * 100.0) / 100.0 + 0.0, std::chars_format::general, 8);
    return std::string(buffer.data(), result.ptr);
}

std::string Color(Rgb color) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string text = "#";
    for (std::uint8_t channel : {color.red, color.green, color.blue}) {
        text.push_back(kHex[channel >> 4]);
        text.push_back(kHex[channel & 15]);
    }
    return text;
}

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            entries[n] = c;
        }
        return entries;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    }
    return ~crc;
}

void PutBig32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFFu));
    }
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
    PutBig32(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    PutBig32(png, Crc32(reinterpret_cast<const unsigned char*>(typed.data()), typed.size()));
}

std::string Base64(const std::string& bytes) {
    constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                              << 16;
        if (i + 1 < bytes.size()) {
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        if (i + 2 < bytes.size()) {
            group |= static_cast<unsigned char>(bytes[i + 2]);
        }
        text.push_back(kDigits[(group >> 18) & 63u]);
        text.push_back(kDigits[(group >> 12) & 63u]);
        text.push_back(i + 1 < bytes.size() ? kDigits[(group >> 6) & 63u] : '=');
        text.push_back(i + 2 < bytes.size() ? kDigits[group & 63u] : '=');
    }
    return text;
}

}  // namespace

std::string PngOfPixels(std::size_t columns, std::size_t rows, std::span<const Rgb> pixels) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutBig32(header, static_cast<std::uint32_t>(columns));
    PutBig32(header, static_cast<std::uint32_t>(rows));
    header +=
        std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);

    // The scan lines, each after its filter byte 0 (none).
    std::string raw;
    raw.reserve(rows * (1 + 3 * columns));
    for (std::size_t r = 0; r < rows; ++r) {
        raw.push_back('\0');
        for (std::size_t c = 0; c < columns; ++c) {
            const Rgb pixel = r * columns + c < pixels.size() ? pixels[r * columns + c] : Rgb{};
            raw.push_back(static_cast<char>(pixel.red));
            raw.push_back(static_cast<char>(pixel.green));
            raw.push_back(static_cast<char>(pixel.blue));
        }
    }
    // A zlib stream of stored deflate blocks (at most 65,535 bytes each) and its Adler-32.
    std::string zlib = std::string("\x78\x01", 2);
    std::size_t at = 0;
    do {
        const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
        const bool last = at + length == raw.size();
        zlib.push_back(last ? '\x01' : '\x00');
        zlib.push_back(static_cast<char>(length & 0xFFu));
        zlib.push_back(static_cast<char>(length >> 8));
        zlib.push_back(static_cast<char>(~length & 0xFFu));
        zlib.push_back(static_cast<char>((~length >> 8) & 0xFFu));
        zlib.append(raw, at, length);
        at += length;
    } while (at < raw.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (char c : raw) {
        a = (a + static_cast<unsigned char>(c)) % 65521u;
        b = (b + a) % 65521u;
    }
    PutBig32(zlib, (b << 16) | a);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", std::string());
    return png;
}

std::string XmlEscaped(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                escaped.push_back(c);
        }
    }
    return escaped;
}

SvgCanvas::SvgCanvas(double width, double height, std::string fontFamily, double fontSize,
                     PlotCanvas& measure)
    : m_Measure(measure) {
    m_strHead =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
        Number(width) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " + Number(width) +
        " " + Number(height) + "\" font-family=\"" + XmlEscaped(fontFamily) + "\" font-size=\"" +
        Number(fontSize) + "\">\n";
}

std::string SvgCanvas::Document() const {
    std::string document = m_strHead + m_strBody;
    for (int i = 0; i < m_nOpenClips; ++i) {
        document += "</g>\n";
    }
    return document + "</svg>\n";
}

double SvgCanvas::TextWidth(const std::string& text) {
    return m_Measure.TextWidth(text);
}

double SvgCanvas::LineHeight() {
    return m_Measure.LineHeight();
}

void SvgCanvas::FillRect(const PlotArea& rect, Rgb color) {
    m_strBody += "<rect x=\"" + Number(rect.left) + "\" y=\"" + Number(rect.top) + "\" width=\"" +
                 Number(rect.width) + "\" height=\"" + Number(rect.height) + "\" fill=\"" +
                 Color(color) + "\"/>\n";
}

void SvgCanvas::StrokeRect(const PlotArea& rect, Rgb color, double width) {
    m_strBody += "<rect x=\"" + Number(rect.left) + "\" y=\"" + Number(rect.top) + "\" width=\"" +
                 Number(rect.width) + "\" height=\"" + Number(rect.height) +
                 "\" fill=\"none\" stroke=\"" + Color(color) + "\" stroke-width=\"" +
                 Number(width) + "\"/>\n";
}

void SvgCanvas::Polyline(std::span<const PlotPoint> points, Rgb color, double width) {
    m_strBody += "<polyline fill=\"none\" stroke=\"" + Color(color) + "\" stroke-width=\"" +
                 Number(width) + "\" stroke-linejoin=\"round\" points=\"";
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) {
            m_strBody.push_back(' ');
        }
        m_strBody += Number(points[i].x) + "," + Number(points[i].y);
    }
    m_strBody += "\"/>\n";
}

void SvgCanvas::Text(const std::string& text, PlotPoint at, TextAnchor anchor, Rgb color,
                     bool upright) {
    if (text.empty()) {
        return;
    }
    const char* anchorName = anchor == TextAnchor::kStart    ? "start"
                             : anchor == TextAnchor::kMiddle ? "middle"
                                                             : "end";
    m_strBody += "<text x=\"" + Number(at.x) + "\" y=\"" + Number(at.y) + "\" fill=\"" +
                 Color(color) + "\" text-anchor=\"" + anchorName + "\"";
    if (upright) {
        m_strBody += " transform=\"rotate(-90 ";
        m_strBody += Number(at.x);
        m_strBody += ' ';
        m_strBody += Number(at.y);
        m_strBody += ")\"";
    }
    m_strBody += '>';
    m_strBody += XmlEscaped(text);
    m_strBody += "</text>\n";
}

void SvgCanvas::Image(const PlotArea& rect, std::size_t columns, std::size_t rows,
                      std::span<const Rgb> pixels) {
    if (columns == 0 || rows == 0 || pixels.size() < columns * rows) {
        return;
    }
    m_strBody += "<image x=\"" + Number(rect.left) + "\" y=\"" + Number(rect.top) + "\" width=\"" +
                 Number(rect.width) + "\" height=\"" + Number(rect.height) +
                 "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\" "
                 "href=\"data:image/png;base64," +
                 Base64(PngOfPixels(columns, rows, pixels)) + "\"/>\n";
}

void SvgCanvas::BeginClip(const PlotArea& rect) {
    ++m_nOpenClips;
    const std::string id = "clip" + std::to_string(++m_nClipIds);
    m_strBody += "<clipPath id=\"" + id + "\"><rect x=\"" + Number(rect.left) + "\" y=\"" +
                 Number(rect.top) + "\" width=\"" + Number(rect.width) + "\" height=\"" +
                 Number(rect.height) + "\"/></clipPath>\n<g clip-path=\"url(#" + id + ")\">\n";
}

void SvgCanvas::EndClip() {
    if (m_nOpenClips > 0) {
        --m_nOpenClips;
        m_strBody += "</g>\n";
    }
}

}  // namespace quillon
