// SPDX-License-Identifier: MIT
// String helpers: leading-integer reading, searching and cutting.
#include "platform/strings.h"

#include <limits>

namespace quillon {

namespace {
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
}  // namespace

std::int32_t Wtoi(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude in 64 bits and stop growing it once it is past the 32-bit range,
    // so that any number of digits saturates instead of overflowing.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
        ++i;
    }
    if (negative) {
        return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                                   : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                               : static_cast<std::int32_t>(magnitude);
}

int FindOneOf(std::string_view text, std::string_view set) {
    const std::size_t pos = text.find_first_of(set);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

int ReverseFind(std::string_view text, char ch) {
    const std::size_t pos = text.rfind(ch);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

std::string Left(std::string_view text, int n) {
    if (n < 1) {
        return {};
    }
    return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

}  // namespace quillon
