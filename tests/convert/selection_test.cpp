// The scan selection list: the table a selection text produces and the scans the walk yields.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "convert/selection.h"

namespace quillon {
namespace {

using Numbers = std::vector<std::int32_t>;

// A converter state holding `scans` empty scan records and the given selection text.
ConverterState StateWith(int scans, std::string selection) {
    ConverterState state;
    for (int i = 0; i < scans; ++i) {
        state.m_ScanList.push_back(std::make_unique<CSaveData>(0));
    }
    state.m_nScanCount = scans;
    state.m_strSelection = std::move(selection);
    return state;
}

// The scan numbers that the walk yields for a table, checking that each comes with its record.
Numbers Walk(const ConverterState& state, const Numbers& table) {
    Numbers scans;
    MatchSelection(state, table, [&](std::int32_t l, const CSaveData& record) {
        EXPECT_EQ(&record, state.m_ScanList.at(static_cast<std::size_t>(l - 1)).get());
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
        ConverterState state = StateWith(5, c.text);
        const Numbers table = ParseSelection(state);
        EXPECT_EQ(table, c.table);
        EXPECT_EQ(state.m_nSelectedCount, static_cast<std::int32_t>(c.table.size()));
        EXPECT_EQ(Walk(state, table), c.scans);
    }
}

TEST(SelectionList, LastScanCanBeSelectedAloneOrAsTheEndOfARange) {
    ConverterState single = StateWith(5, "5");
    EXPECT_EQ(Walk(single, ParseSelection(single)), Numbers({5}));
    ConverterState range = StateWith(5, "1-5");
    EXPECT_EQ(Walk(range, ParseSelection(range)), Numbers({1, 2, 3, 4, 5}));
}

TEST(SelectionList, RangeEndingBelowItsStartAddsOnlyTheStart) {
    for (const char* text : {"5-3", "3-3"}) {
        SCOPED_TRACE(text);
        ConverterState state = StateWith(5, text);
        const Numbers table = ParseSelection(state);
        ASSERT_EQ(table.size(), 1u);
        EXPECT_EQ(Walk(state, table).size(), 1u);
    }
}

TEST(SelectionList, TableHoldsNoMoreEntriesThanTheFileHasScans) {
    // A range reaching the largest number stops adding at the scan count, at once, and
    // selects what the full range would have selected.
    ConverterState wide = StateWith(12, "1-2147483647");
    const Numbers wideTable = ParseSelection(wide);
    EXPECT_EQ(wideTable, Numbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(wide.m_nSelectedCount, 12);
    EXPECT_EQ(Walk(wide, wideTable), wideTable);

    ConverterState list = StateWith(3, "1,2,3,4,5,6,7-9");
    EXPECT_EQ(ParseSelection(list), Numbers({1, 2, 3}));
    EXPECT_EQ(list.m_nSelectedCount, 3);

    ConverterState later = StateWith(4, "3-1000000,1");
    EXPECT_EQ(ParseSelection(later), Numbers({3, 4, 5, 6}));
}

TEST(SelectionList, FileWithoutScansSelectsNothingWhateverTheText) {
    for (const char* text : {"1", "1-5", "1,2,3", ""}) {
        SCOPED_TRACE(text);
        ConverterState state = StateWith(0, text);
        state.m_nSelectedCount = 7;
        const Numbers table = ParseSelection(state);
        EXPECT_TRUE(table.empty());
        EXPECT_EQ(state.m_nSelectedCount, 0);
        EXPECT_TRUE(Walk(state, table).empty());
    }
}

TEST(SelectionList, NumbersAtTheEndsOfTheIntegerRangeNeitherOverflowNorLoop) {
    ConverterState top = StateWith(5, "2147483646-2147483647,99999999999");
    EXPECT_EQ(ParseSelection(top), Numbers({2147483646, 2147483647, 2147483647}));
    ConverterState bottom = StateWith(5, "-99999999999");
    // The leading '-' stores a 0 and starts a range from 0 to the saturated end, cut short
    // at the scan count.
    EXPECT_EQ(ParseSelection(bottom), Numbers({0, 1, 2, 3, 4}));
}

TEST(SelectionList, ParseLeavesTheTextAsTypedAndSetsTheCountAfresh) {
    ConverterState state = StateWith(5, " 1 - 3 ,x");
    state.m_nSelectedCount = 42;
    ParseSelection(state);
    EXPECT_EQ(state.m_strSelection, " 1 - 3 ,x");
    EXPECT_EQ(state.m_nSelectedCount, 3);

    state.m_strSelection = "";
    EXPECT_TRUE(ParseSelection(state).empty());
    EXPECT_EQ(state.m_nSelectedCount, 0);
}

TEST(SelectionList, WalkStopsAsSoonAsAWriteFails) {
    ConverterState state = StateWith(5, "1-5");
    const Numbers table = ParseSelection(state);
    Numbers asked;
    MatchSelection(state, table, [&](std::int32_t l, const CSaveData&) {
        asked.push_back(l);
        return l < 3;
    });
    EXPECT_EQ(asked, Numbers({1, 2, 3}));
}

}  // namespace
}  // namespace quillon
