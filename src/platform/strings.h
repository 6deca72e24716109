// SPDX-License-Identifier: MIT
// String helpers of the converter: byte strings (std::string) searched, cut and read as
// numbers the way the selection list and the output naming need.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// Reads the leading integer of a text: skips leading white space (blank, tab, line feed,
// vertical tab, form feed, carriage return), takes an optional sign and the decimal digits
// that follow, and stops at the first other character. A text without digits gives 0.
// Values beyond the signed 32-bit range saturate at INT32_MIN or INT32_MAX.
std::int32_t Wtoi(std::string_view text);

// Position of the first character of text that occurs in set, or -1.
int FindOneOf(std::string_view text, std::string_view set);

// Position of the last occurrence of ch in text, or -1.
int ReverseFind(std::string_view text, char ch);

// The first n characters of text; empty for n below 1, the whole text for n beyond its length.
std::string Left(std::string_view text, int n);

}  // namespace quillon
