// SPDX-License-Identifier: MIT
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

// Room for any 32-bit integer: "-2147483648".
constexpr std::size_t kMaxInt32Chars = 11;

// The value at p; returns the end. Needs kMaxNumberChars of room.
inline char* WriteInteger(char* p, std::int64_t value) {
    return std::to_chars(p, p + kMaxNumberChars, value).ptr;
}

namespace detail {
// "00" to "99".
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
}  // namespace detail

// A detector count at p (the same text as WriteInteger); returns the end. Counts below 100,000
// (all of a 16-bit detector's) take a short path of digit pairs. Needs kMaxInt32Chars of room.
inline char* WriteCount(char* p, std::int32_t value) {
    if (value < 0 || value >= 100000) {
        return std::to_chars(p, p + kMaxInt32Chars, value).ptr;
    }
    const auto u = static_cast<std::uint32_t>(value);
    const char* const pairs = detail::kDigitPairs;
    if (u < 100) {
        if (u < 10) {
            *p = static_cast<char>('0' + u);
            return p + 1;
        }
        std::memcpy(p, pairs + 2 * u, 2);
        return p + 2;
    }
    if (u < 10000) {
        const std::uint32_t high = u / 100;
        const std::uint32_t low = u % 100;
        if (u < 1000) {
            *p = static_cast<char>('0' + high);
            std::memcpy(p + 1, pairs + 2 * low, 2);
            return p + 3;
        }
        std::memcpy(p, pairs + 2 * high, 2);
        std::memcpy(p + 2, pairs + 2 * low, 2);
        return p + 4;
    }
    const std::uint32_t top = u / 10000;
    const std::uint32_t rest = u % 10000;
    *p = static_cast<char>('0' + top);
    std::memcpy(p + 1, pairs + 2 * (rest / 100), 2);
    std::memcpy(p + 3, pairs + 2 * (rest % 100), 2);
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
