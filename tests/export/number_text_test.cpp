// SPDX-License-Identifier: MIT
// Numbers as the exports write them: counts through their short path, floats and doubles as
// the shortest text that reads back, with a decimal comma where asked for.
#include "export/number_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

namespace quillon {
namespace {

std::string Count(std::int32_t value) {
    char buffer[kMaxInt32Chars];
    return std::string(buffer, WriteCount(buffer, value));
}

std::string ToChars(std::int32_t value) {
    char buffer[kMaxInt32Chars];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

TEST(NumberText, CountsAtEveryDigitBoundaryAndBeyondTheShortPath) {
    for (const std::int32_t value :
         {0, 9, 10, 99, 100, 999, 1000, 9999, 10000, 65535, 99999, 100000, 123456789, -1, -99999,
          std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(Count(value), ToChars(value)) << value;
    }
}

TEST(NumberText, EveryCountOfTheShortPathIsItsDecimalText) {
    for (std::int32_t value = 0; value <= 100000; ++value) {
        ASSERT_EQ(Count(value), ToChars(value));
    }
}

TEST(NumberText, ShortestTextsAndTheDecimalComma) {
    EXPECT_EQ(ShortestText(0.1f), "0.1");
    EXPECT_EQ(ShortestText(0.1), "0.1");
    EXPECT_EQ(ShortestText(static_cast<double>(0.1f)), "0.10000000149011612");
    EXPECT_EQ(ShortestText(-1.0123e-05f), "-1.0123e-05");
    EXPECT_EQ(ShortestText(198.42f, true), "198,42");
    EXPECT_EQ(ShortestText(1e+20, true), "1e+20");
    EXPECT_EQ(ShortestText(-2.5e-7, true), "-2,5e-07");
}

}  // namespace
}  // namespace quillon
