// SPDX-License-Identifier: MIT
// UTF-8 <-> UTF-16 conversion, lossless for every UTF-16 file name.
#include "platform/utf16.h"

#include <cstdint>

namespace quillon {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

// Decodes the sequence at text[i] and moves i past it. Overlong forms, values above U+10FFFF
// and cut sequences give U+FFFD for their first byte only, so that the bytes after it are read
// again as what they are.
char32_t DecodeOne(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80u) {
        ++i;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if ((lead & 0xE0u) == 0xC0u) {
        length = 2;
        value = lead & 0x1Fu;
        least = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3;
        value = lead & 0x0Fu;
        least = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4;
        value = lead & 0x07u;
        least = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (text.size() - i < length) {
        ++i;
        return kReplacement;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + k]);
        if (!IsContinuation(byte)) {
            ++i;
            return kReplacement;
        }
        value = (value << 6) | (byte & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF) {
        ++i;
        return kReplacement;
    }
    i += length;
    return value;
}

void AppendUtf8(std::string& out, char32_t value) {
    if (value < 0x80) {
        out.push_back(static_cast<char>(value));
    } else if (value < 0x800) {
        out.push_back(static_cast<char>(0xC0u | (value >> 6)));
        out.push_back(static_cast<char>(0x80u | (value & 0x3Fu)));
    } else if (value < 0x10000) {
        out.push_back(static_cast<char>(0xE0u | (value >> 12)));
        out.push_back(static_cast<char>(0x80u | ((value >> 6) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | (value & 0x3Fu)));
    } else {
        out.push_back(static_cast<char>(0xF0u | (value >> 18)));
        out.push_back(static_cast<char>(0x80u | ((value >> 12) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | ((value >> 6) & 0x3Fu)));
        out.push_back(static_cast<char>(0x80u | (value & 0x3Fu)));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t value = DecodeOne(utf8, i);
        if (value < 0x10000) {
            out.push_back(static_cast<char16_t>(value));
        } else {
            const char32_t v = value - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800u + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00u + (v & 0x3FFu)));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            const char32_t value = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                   (static_cast<char32_t>(utf16[i + 1]) - 0xDC00);
            AppendUtf8(out, value);
            ++i;
        } else {
            AppendUtf8(out, unit);  // an unpaired surrogate keeps its own 3-byte form
        }
    }
    return out;
}

}  // namespace quillon
