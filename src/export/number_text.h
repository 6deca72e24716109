// Numbers as the exports write them: integers in decimal, floats and doubles as the shortest
// text that reads back to the same value (std::to_chars without a precision), never through
// the locale. A decimal comma may stand for the point, for spreadsheets set up that way.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace quillon {

// Room for any of the texts below: the shortest double is at most 24 characters
// ("-2.2250738585072014e-308").
constexpr std::size_t kMaxNumberChars = 32;

// The value at p; returns the end. Needs kMaxNumberChars of room.
inline char* WriteInteger(char* p, std::int64_t value) {
    return std::to_chars(p, p + kMaxNumberChars, value).ptr;
}

// The shortest text that reads back to the same value: "0.1", "1e+20", "-0", "inf", "nan".
// With decimalComma the point becomes a comma. Needs kMaxNumberChars of room.
template <typename Float>
char* WriteShortest(char* p, Float value, bool decimalComma = false) {
    char* const end = std::to_chars(p, p + kMaxNumberChars, value).ptr;
    if (decimalComma) {
        char* const point =
            static_cast<char*>(std::memchr(p, '.', static_cast<std::size_t>(end - p)));
        if (point != nullptr) {
            *point = ',';
        }
    }
    return end;
}

// The same, as a string.
std::string ShortestText(float value, bool decimalComma = false);
std::string ShortestText(double value, bool decimalComma = false);

}  // namespace quillon
