// SPDX-License-Identifier: MIT
// The time of each scan: date-time texts read as seconds, the day/month order a file shows,
// and the fall-back to scan numbers for a file whose texts are no times.
#include "export/scan_times.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace quillon {
namespace {

constexpr auto kDay = DateOrder::kDayFirst;
constexpr auto kMonth = DateOrder::kMonthFirst;

// Seconds since 1970-01-01 00:00:00 worked out with a calendar: 2026-12-07 is day 20,794
// (56 years of 365 days, 14 leap days, then 340 days into 2026).
constexpr double k20261207 = 20794.0 * 86400;
constexpr double k20261204 = k20261207 - 3 * 86400;
constexpr double k20260412 = 20555.0 * 86400;  // 239 days before 7 December
constexpr double k20240229 = 19782.0 * 86400;

TEST(ScanDateTime, KnownFormatsReadAsSecondsSince1970AndOthersAsNoTime) {
    const struct {
        std::string text;
        DateOrder order;
        std::optional<double> seconds;
    } cases[] = {
        {"2026-12-07 09:00:02", kDay, k20261207 + 9 * 3600 + 2},
        {"2026-12-07T09:00:02", kDay, k20261207 + 9 * 3600 + 2},
        {"2026-12-07 09:00:02.25", kMonth, k20261207 + 9 * 3600 + 2.25},
        {"2026-12-07 09:00:02,5", kMonth, k20261207 + 9 * 3600 + 2.5},
        {"  2026-12-07 09:00:02 \r\n", kDay, k20261207 + 9 * 3600 + 2},
        {std::string("2026-12-07 09:00:02\0garbage", 27), kDay, k20261207 + 9 * 3600 + 2},
        {"2026/12/04 12:40:08", kDay, k20261204 + 12 * 3600 + 40 * 60 + 8},
        {"07.12.2026 09:00:02", kMonth, k20261207 + 9 * 3600 + 2},
        {"7.12.2026 9:00", kMonth, k20261207 + 9 * 3600},
        {"12/04/2026 12:40:08", kMonth, k20261204 + 12 * 3600 + 40 * 60 + 8},
        {"12/04/2026 12:40:08", kDay, k20260412 + 12 * 3600 + 40 * 60 + 8},
        {"04-12-2026 12:40:08", kDay, k20261204 + 12 * 3600 + 40 * 60 + 8},
        {"12/7/2026 12:05:00 AM", kMonth, k20261207 + 5 * 60},
        {"12/7/2026 12:05:00 PM", kMonth, k20261207 + 12 * 3600 + 5 * 60},
        {"12/7/2026 1:05 pm", kMonth, k20261207 + 13 * 3600 + 5 * 60},
        {"2024-02-29 23:59:59", kDay, k20240229 + 86399},
        {"1970-01-01 00:00:00", kDay, 0.0},
        // Not a date and time, or a field out of range.
        {"", kDay, std::nullopt},
        {"Mon Dec 07 09:00:02 2026", kDay, std::nullopt},
        {"2026-12-07", kDay, std::nullopt},
        {"09:00:02", kDay, std::nullopt},
        {"2026-13-07 09:00:02", kDay, std::nullopt},
        {"2026-04-31 09:00:02", kDay, std::nullopt},
        {"2025-02-29 09:00:02", kDay, std::nullopt},
        {"2026-12-07 24:00:00", kDay, std::nullopt},
        {"2026-12-07 09:60:00", kDay, std::nullopt},
        {"2026-12-07 09:00:2", kDay, std::nullopt},
        {"2026-12-07 13:00:00 PM", kDay, std::nullopt},
        {"2026-12-07 09:00:02 x", kDay, std::nullopt},
        {"2026-12/07 09:00:02", kDay, std::nullopt},
        {"26-12-07 09:00:02", kDay, std::nullopt},
        {"13/04/2026 12:40:08", kMonth, std::nullopt},
        {"2026-12-0709:00:02", kDay, std::nullopt},
        {"2026-12-07 09:00:02.", kDay, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseScanDateTime(c.text, c.order), c.seconds) << '"' << c.text << '"';
    }
}

// NaN compares unequal to itself: a scan without a time is written as -1 here.
std::vector<double> WithoutNaN(std::vector<double> seconds) {
    for (double& s : seconds) {
        s = std::isnan(s) ? -1.0 : s;
    }
    return seconds;
}

TEST(ScanTimes, SecondsSinceTheFirstTimeInTheOrderTheFileShows) {
    const struct {
        const char* what;
        std::vector<std::string_view> texts;
        std::vector<double> seconds;  // -1: no time
        std::string notice;           // a part of it; empty: none
    } cases[] = {
        {"ISO texts, one second apart, a fraction kept exactly",
         {"2026-12-07 09:00:00.25", "2026-12-07 09:00:01.25", "2026-12-07 09:00:02.5"},
         {0.0, 1.0, 2.25},
         ""},
        {"midnight and a month's end crossed",
         {"2026-11-30 23:59:59", "2026-12-01 00:00:01"},
         {0.0, 2.0},
         ""},
        {"a day above 12 in the first place: day first for the whole file",
         {"04/12/2026 23:59:00", "05/12/2026 00:01:00", "13/12/2026 00:00:00"},
         {0.0, 120.0, 8 * 86400 + 60.0},
         ""},
        {"a day above 12 in the second place: month first",
         {"12/04/2026 23:59:00", "12/05/2026 00:01:00", "12/13/2026 00:00:00"},
         {0.0, 120.0, 8 * 86400 + 60.0},
         ""},
        {"nothing tells: month first",
         {"12/04/2026 10:00:00", "01/05/2026 10:00:00"},
         {0.0, -333.0 * 86400},  // 4 December back to 5 January
         ""},
        {"a clock that steps back stays as it is",
         {"2026-12-07 09:00:10", "2026-12-07 09:00:11", "2026-12-07 08:59:59"},
         {0.0, 1.0, -11.0},
         ""},
        {"the first scan has no time: the second counts from 0",
         {"", "2026-12-07 09:00:10", "not a time", "2026-12-07 09:00:12"},
         {-1.0, 0.0, -1.0, 2.0},
         "2 of 4 scans have a date-time text that is no time QUILLON reads (first: scan 1, \"\")"},
        {"no text is a time: no times, said once",
         {"Scan 1", "Scan 2"},
         {},
         "date-time texts are no times QUILLON reads (scan 1: \"Scan 1\"); scans are counted by "
         "their numbers"},
    };
    for (const auto& c : cases) {
        const ScanTimes times = ScanTimesOfTexts(c.texts);
        EXPECT_EQ(WithoutNaN(times.seconds), c.seconds) << c.what;
        EXPECT_EQ(times.HasTimes(), !c.seconds.empty()) << c.what;
        if (c.notice.empty()) {
            EXPECT_EQ(times.notice, "") << c.what;
        } else {
            EXPECT_NE(times.notice.find(c.notice), std::string::npos)
                << c.what << ": " << times.notice;
        }
    }
}

}  // namespace
}  // namespace quillon
