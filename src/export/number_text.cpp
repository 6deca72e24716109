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

}  // namespace quillon
