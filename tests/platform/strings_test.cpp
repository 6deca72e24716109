// SPDX-License-Identifier: MIT
// Leading-integer reading, searching and cutting of byte strings.
#include <gtest/gtest.h>

#include <limits>

#include "platform/strings.h"

namespace quillon {
namespace {

TEST(Wtoi, ReadsTheLeadingIntegerLikeTheRuntime) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {"42", 42},
        {"  \t\r\n\v\f17x", 17},
        {"-3", -3},
        {"+8", 8},
        {"- 3", 0},
        {"3-5", 3},
        {"007", 7},
        {" 2 ", 2},
        {"--1", 0},
        {"1e3", 1},
        {"2147483647", std::numeric_limits<std::int32_t>::max()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Wtoi(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(Wtoi, SaturatesAtThe32BitLimitsInsteadOfOverflowing) {
    EXPECT_EQ(Wtoi("2147483648"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Wtoi("-2147483649"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Wtoi(std::string(5000, '9')), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Wtoi("-" + std::string(5000, '9')), std::numeric_limits<std::int32_t>::min());
}

TEST(StringSearch, FindsPositionsFromZeroOrMinusOne) {
    EXPECT_EQ(FindOneOf("1,3-5", ",-"), 1);
    EXPECT_EQ(FindOneOf("13-5", ",-"), 2);
    EXPECT_EQ(FindOneOf("135", ",-"), -1);
    EXPECT_EQ(FindOneOf("", ",-"), -1);
    EXPECT_EQ(ReverseFind("/data/run1.old.sdf", '.'), 14);
    EXPECT_EQ(ReverseFind("/data/run1", '.'), -1);
}

TEST(StringCut, LeftKeepsTheFirstCharactersOrNone) {
    EXPECT_EQ(Left("run1.sdf", 4), "run1");
    EXPECT_EQ(Left("run1.sdf", -1), "");
    EXPECT_EQ(Left("run1.sdf", 0), "");
    EXPECT_EQ(Left("run", 10), "run");
}

}  // namespace
}  // namespace quillon
