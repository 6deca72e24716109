// SPDX-License-Identifier: MIT
// Shortest round-trip number texts.
#include "export/number_text.h"

namespace quillon {

std::string ShortestText(float value, bool decimalComma) {
    char buffer[kMaxNumberChars];
    return std::string(buffer, WriteShortest(buffer, value, decimalComma));
}

std::string ShortestText(double value, bool decimalComma) {
    char buffer[kMaxNumberChars];
    return std::string(buffer, WriteShortest(buffer, value, decimalComma));
}

std::string GroupedCount(std::size_t count) {
    const std::string digits = std::to_string(count);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped.push_back(',');
        }
        grouped.push_back(digits[i]);
    }
    return grouped;
}

}  // namespace quillon
