// SPDX-License-Identifier: MIT
// The scan selection list: the table a selection text produces and the scans the walk yields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/selection.h"

namespace quillon {
namespace {

using Numbers = std::vector<std::int32_t>;

// A selection text typed for a file of `scans` scans.
struct Sel {
    std::int32_t scans;
    std::string text;
};

Numbers Parse(const Sel& sel) {
    return ParseSelection(sel.text, sel.scans);
}

// The scan numbers that the walk yields for a table.
Numbers Walk(const Sel& sel, const Numbers& table) {
    Numbers scans;
    MatchSelection(table, sel.scans, [&](std::int32_t l) {
        scans.push_back(l);
        return true;
    });
    return scans;
}

struct SelectionCase {
    const char* text;
    Numbers table;
    Numbers scans;
};

TEST(SelectionList, ResultsForAFileOfFiveScansAreThoseOfTheReferenceTable) {
    const SelectionCase cases[] = {
        {"", {}, {}},
        {"3", {3}, {3}},
        {"1,3-5", {1, 3, 4, 5}, {1, 3, 4, 5}},
        {"1-3,5", {1, 2, 3, 5}, {1, 2, 3, 5}},
        {"2,5-6", {2, 5, 6}, {2, 5}},
        {"2 , 4", {2, 4}, {2, 4}},
        {"1 - 3", {1, 2, 3}, {1, 2, 3}},
        {"1,,2", {1, 2}, {1, 2}},
        {"1--3", {1, 2, 3}, {1, 2, 3}},
        {"1,2,", {1, 2}, {1, 2}},
        {"1-3,", {1, 2, 3}, {1, 2, 3}},
        {"2-", {2}, {2}},
        {"5-3", {5}, {5}},
        {"1-3-5", {1, 2, 3}, {1, 2, 3}},
        {"1-3-5,7", {1, 2, 3, 7}, {1, 2, 3}},
        {"1-,5", {1, 5}, {1, 5}},
        {"1;2", {1}, {1}},
        {"4,2", {4, 2}, {4}},
        {"2,2,3", {2, 2, 3}, {2}},
        {"1-3,2", {1, 2, 3, 2}, {1, 2, 3}},
        {"0,2", {0, 2}, {}},
        {"9,1", {9, 1}, {}},
        {"-3", {0, 1, 2, 3}, {}},
        {",3", {0, 3}, {}},
        {"1,-3", {1, 0, 1, 2, 3}, {1}},
        {"0", {}, {}},
        {"abc", {}, {}},
    };
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(std::string("selection \"") + c.text + "\"");
        const Sel state{5, c.text};
        const Numbers table = Parse(state);
        EXPECT_EQ(table, c.table);
        EXPECT_EQ(Walk(state, table), c.scans);
    }
}

TEST(SelectionList, LastScanCanBeSelectedAloneOrAsTheEndOfARange) {
    const Sel single{5, "5"};
    EXPECT_EQ(Walk(single, Parse(single)), Numbers({5}));
    const Sel range{5, "1-5"};
    EXPECT_EQ(Walk(range, Parse(range)), Numbers({1, 2, 3, 4, 5}));
}

TEST(SelectionList, RangeEndingBelowItsStartAddsOnlyTheStart) {
    for (const char* text : {"5-3", "3-3"}) {
        SCOPED_TRACE(text);
        const Sel state{5, text};
        const Numbers table = Parse(state);
        ASSERT_EQ(table.size(), 1u);
        EXPECT_EQ(Walk(state, table).size(), 1u);
    }
}

TEST(SelectionList, TableHoldsNoMoreEntriesThanTheFileHasScans) {
    // A range reaching the largest number stops adding at the scan count, at once, and
    // selects what the full range would have selected.
    const Sel wide{12, "1-2147483647"};
    const Numbers wideTable = Parse(wide);
    EXPECT_EQ(wideTable, Numbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(Walk(wide, wideTable), wideTable);

    const Sel list{3, "1,2,3,4,5,6,7-9"};
    EXPECT_EQ(Parse(list), Numbers({1, 2, 3}));

    const Sel later{4, "3-1000000,1"};
    EXPECT_EQ(Parse(later), Numbers({3, 4, 5, 6}));
}

TEST(SelectionList, FileWithoutScansSelectsNothingWhateverTheText) {
    for (const char* text : {"1", "1-5", "1,2,3", ""}) {
        SCOPED_TRACE(text);
        const Sel state{0, text};
        const Numbers table = Parse(state);
        EXPECT_TRUE(table.empty());
        EXPECT_TRUE(Walk(state, table).empty());
    }
}

TEST(SelectionList, NumbersAtTheEndsOfTheIntegerRangeNeitherOverflowNorLoop) {
    const Sel top{5, "2147483646-2147483647,99999999999"};
    EXPECT_EQ(Parse(top), Numbers({2147483646, 2147483647, 2147483647}));
    const Sel bottom{5, "-99999999999"};
    // The leading '-' stores a 0 and starts a range from 0 to the saturated end, cut short
    // at the scan count.
    EXPECT_EQ(Parse(bottom), Numbers({0, 1, 2, 3, 4}));
}

TEST(SelectionList, BlanksAroundNumbersAndATrailingWordAreIgnored) {
    EXPECT_EQ(Parse({5, " 1 - 3 ,x"}), Numbers({1, 2, 3}));
    EXPECT_TRUE(Parse({5, ""}).empty());
}

TEST(SelectionList, WalkStopsAsSoonAsAWriteFails) {
    const Sel state{5, "1-5"};
    const Numbers table = Parse(state);
    Numbers asked;
    MatchSelection(table, state.scans, [&](std::int32_t l) {
        asked.push_back(l);
        return l < 3;
    });
    EXPECT_EQ(asked, Numbers({1, 2, 3}));
}

}  // namespace
}  // namespace quillon
