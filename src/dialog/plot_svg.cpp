// SPDX-License-Identifier: MIT
// SvgCanvas: the elements of the plot's SVG document.
#include "dialog/plot_svg.h"

#include <array>
#include <charconv>
#include <cmath>

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

}  // namespace

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
