// SPDX-License-Identifier: MIT
// Numbers as the exports write them: integers in decimal, floats and doubles as the shortest
// text that reads back to the same value (std::to_chars without a precision), never through
// the locale. A decimal comma may stand for the point, for spreadsheets set up that way.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace quillon {

// Room for any of the texts below: the shortest double is at most 24 characters
// ("-2.2250738585072014e-308").
constexpr std::size_t kMaxNumberChars = 32;

// Room for any 32-bit integer: "-2147483648".
constexpr std::size_t kMaxInt32Chars = 11;

// The value at p; returns the end. Needs kMaxNumberChars of room.
inline char* WriteInteger(char* p, std::int64_t value) {
    return std::to_chars(p, p + kMaxNumberChars, value).ptr;
}

namespace detail {
// "0000" to "9999", four characters each.
inline constexpr auto kDigitQuads = [] {
    std::array<char, 4 * 10000> quads{};
    for (std::size_t i = 0; i < 10000; ++i) {
        quads[4 * i] = static_cast<char>('0' + i / 1000);
        quads[4 * i + 1] = static_cast<char>('0' + i / 100 % 10);
        quads[4 * i + 2] = static_cast<char>('0' + i / 10 % 10);
        quads[4 * i + 3] = static_cast<char>('0' + i % 10);
    }
    return quads;
}();
}  // namespace detail

// A detector count at p (the same text as WriteInteger); returns the end. Counts below 100,000
// (all of a 16-bit detector's) take a short path: their last four digits are copied from a
// table in one piece (a shorter count copies the end of its entry). Needs kMaxInt32Chars of
// room: four bytes are stored even for a count of fewer digits.
inline char* WriteCount(char* p, std::int32_t value) {
    if (value < 0 || value >= 100000) [[unlikely]] {
        return std::to_chars(p, p + kMaxInt32Chars, value).ptr;
    }
    const auto u = static_cast<std::uint32_t>(value);
    const char* const quads = detail::kDigitQuads.data();
    if (u < 10000) {
        const std::uint32_t length = 1u + (u >= 10) + (u >= 100) + (u >= 1000);
        std::memcpy(p, quads + 4 * u + (4 - length), 4);
        return p + length;
    }
    const std::uint32_t top = u / 10000;
    *p = static_cast<char>('0' + top);
    std::memcpy(p + 1, quads + 4 * (u - 10000 * top), 4);
    return p + 5;
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

// A count with its thousands grouped, as a message shows it: 1048576 as "1,048,576".
std::string GroupedCount(std::size_t count);

}  // namespace quillon
