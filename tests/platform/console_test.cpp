// SPDX-License-Identifier: MIT
// Wildcards in command-line arguments, matched as Windows matches file names.
#include <gtest/gtest.h>

#include <string>

#include "platform/console.h"

namespace quillon {
namespace {

TEST(Wildcards, MatchWholeNamesWithStarsAndQuestionMarks) {
    const struct {
        std::u16string pattern;
        std::u16string name;
        bool matches;
    } cases[] = {
        {u"*.sdf", u"run1.sdf", true},
        {u"*.sdf", u".sdf", true},
        {u"*.sdf", u"run1.sdfx", false},  // the whole name, not a prefix of it
        {u"*.sdf", u"run1.sd", false},
        {u"run?.sdf", u"run1.sdf", true},
        {u"run?.sdf", u"run.sdf", false},  // '?' is exactly one character
        {u"run?.sdf", u"run12.sdf", false},
        {u"*", u"", true},
        {u"*", u"anything.at.all", true},
        {u"", u"", true},
        {u"", u"a", false},
        {u"a*b*c", u"aXbYc", true},
        {u"a*b*c", u"abc", true},
        {u"a*b*c", u"aXcYb", false},
        {u"a**b", u"ab", true},
        {u"*a*a*a*b", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},  // no exponential walk
        {u"*_?of5.txt", u"demo_3of5.txt", true},
        {u"Messung_*.sdf", u"Messung_\u00E4\u65E5.sdf", true},
        {u"?.sdf", u"\u65E5.sdf", true},
        {u"RUN1.SDF", u"run1.sdf", false},  // case counts: the caller folds it
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches)
            << ::testing::PrintToString(std::string(c.pattern.begin(), c.pattern.end())) << " "
            << ::testing::PrintToString(std::string(c.name.begin(), c.name.end()));
    }
}

TEST(Wildcards, OnlyStarsAndQuestionMarksAreWildcards) {
    EXPECT_TRUE(HasWildcard(u"*.sdf"));
    EXPECT_TRUE(HasWildcard(u"C:\\data\\run?.sdf"));
    EXPECT_FALSE(HasWildcard(u"C:\\data\\[run1].sdf"));
    EXPECT_FALSE(HasWildcard(u"1-3,5"));
}

}  // namespace
}  // namespace quillon
