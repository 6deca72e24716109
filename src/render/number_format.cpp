// SPDX-License-Identifier: MIT
// Fixed-point formatting through std::to_chars, with glibc's spelling of infinities and NaN.
#include "render/number_format.h"

#include <algorithm>
#include <cmath>

namespace quillon {

char* WriteFixed(char* p, double value, int precision) {
    if (!std::isfinite(value)) {
        if (std::signbit(value)) {
            *p++ = '-';
        }
        const char* const word = std::isnan(value) ? "nan" : "inf";
        std::memcpy(p, word, 3);
        return p + 3;
    }
    precision = std::clamp(precision, 0, kMaxPrecision);
    // to_chars writes the sign of a negative zero and of a negative value that rounds to
    // zero, as printf does ("-0.000000").
    return std::to_chars(p, p + kMaxFixedChars, value, std::chars_format::fixed, precision).ptr;
}

char* WriteFixedLeft(char* p, double value, int precision, int width) {
    char* end = WriteFixed(p, value, precision);
    char* const padded = p + width;
    if (end < padded) {
        std::memset(end, ' ', static_cast<std::size_t>(padded - end));
        end = padded;
    }
    return end;
}

namespace {
void AppendPadded(std::string& out, const char* begin, const char* end, int width) {
    const auto length = static_cast<std::size_t>(end - begin);
    out.append(begin, length);
    if (width > 0 && length < static_cast<std::size_t>(width)) {
        out.append(static_cast<std::size_t>(width) - length, ' ');
    }
}
}  // namespace

void AppendInt(std::string& out, std::int32_t value) {
    char buffer[kMaxIntChars];
    AppendPadded(out, buffer, WriteInt(buffer, value), 0);
}

void AppendFixed(std::string& out, double value, int precision) {
    char buffer[kMaxFixedChars];
    AppendPadded(out, buffer, WriteFixed(buffer, value, precision), 0);
}

void AppendFixedLeft(std::string& out, double value, int precision, int width) {
    char buffer[kMaxFixedChars];
    AppendPadded(out, buffer, WriteFixed(buffer, value, precision), width);
}

}  // namespace quillon
