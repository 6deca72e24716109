// SPDX-License-Identifier: MIT
// Number formatting for the text blocks: the conversions "%d", "%-<w>d", "%.<p>f" and
// "%-<w>.<p>f" of C's printf, byte for byte, without printf. Built on std::to_chars, so the
// result never depends on the locale (a decimal comma in LC_NUMERIC changes nothing) and
// rounding is exact (round half to even on exact binary ties, as glibc does).
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace quillon {

// Room for "%d" of any 32-bit value ("-2147483648").
constexpr std::size_t kMaxIntChars = 11;

// Room for "%.<p>f" of any double with precision p <= kMaxPrecision: a sign, the 309 digits
// of the largest double, the point and the decimals.
constexpr int kMaxPrecision = 6;
constexpr std::size_t kMaxFixedChars = 1 + 309 + 1 + kMaxPrecision;

// "%d": writes the value at p and returns the end. Needs kMaxIntChars of room.
inline char* WriteInt(char* p, std::int32_t value) {
    return std::to_chars(p, p + kMaxIntChars, value).ptr;
}

// "%-<width>d": the value, then blanks up to width characters. Needs
// max(width, kMaxIntChars) of room.
inline char* WriteIntLeft(char* p, std::int32_t value, int width) {
    char* end = WriteInt(p, value);
    char* const padded = p + width;
    if (end < padded) {
        std::memset(end, ' ', static_cast<std::size_t>(padded - end));
        end = padded;
    }
    return end;
}

// "%-8d", the count column of every table row. Needs 11 bytes of room (it writes eight blanks
// before the digits that may cover them).
inline char* WriteIntLeft8(char* p, std::int32_t value) {
    std::memset(p, ' ', 8);
    char* const end = WriteInt(p, value);
    return end < p + 8 ? p + 8 : end;
}

// "%.<precision>f" of value (0 <= precision <= kMaxPrecision). Infinities and NaN are
// spelled as glibc does: "inf", "-inf", "nan", "-nan" (the sign bit decides). Needs
// kMaxFixedChars of room.
char* WriteFixed(char* p, double value, int precision);

// "%-<width>.<precision>f": the value, then blanks up to width characters. Needs
// max(width, kMaxFixedChars) of room.
char* WriteFixedLeft(char* p, double value, int precision, int width);

// The same conversions appended to a string.
void AppendInt(std::string& out, std::int32_t value);
void AppendFixed(std::string& out, double value, int precision);
void AppendFixedLeft(std::string& out, double value, int precision, int width);

// A float count truncated toward zero to a signed 32-bit integer (2.9 gives 2, -3.7 gives
// -3). NaN and values outside the 32-bit range give INT32_MIN, the value a processor's
// truncating conversion yields, without the undefined behaviour of a plain cast.
inline std::int32_t TruncateToInt32(float value) {
    // -2^31 and 2^31 are exact floats; NaN fails both comparisons.
    if (value >= -2147483648.0f && value < 2147483648.0f) {
        return static_cast<std::int32_t>(value);
    }
    return INT32_MIN;
}

}  // namespace quillon
