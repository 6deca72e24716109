// SPDX-License-Identifier: MIT
// The time of each scan: the date-time text of every scan record read as seconds since the
// first scan whose text can be read, in the day/month order the file shows consistently, so
// that traces and maps of a time series run against time (or against the scan number when a
// file's texts are no times).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scanfile/scan_file.h"

namespace quillon {

// How a date of three numbers with the year last ("12/04/2026") is read. A date with the
// year first is always year, month, day; one written with dots ("07.12.2026") is always day,
// month, year.
enum class DateOrder { kDayFirst, kMonthFirst };

// Seconds since 1970-01-01 00:00:00 of one scan's date-time text (civil time, no zone), or
// nothing when the text is not a date and time this reader knows. The text ends at its first
// zero byte; blanks around it are ignored. Formats:
//   "2026-12-07 09:00:02"  year first, '-' or '/' between the date's numbers, ' ' or 'T'
//                          between date and time
//   "07.12.2026 09:00:02"  day, month, year with dots
//   "12/04/2026 12:40:08"  day and month as `order` says, '/' or '-'
// The time is H:MM or H:MM:SS with an optional fraction of a second (".fff" or ",fff") and an
// optional "AM"/"PM"; day and month may have one digit or two. Fields out of range (month 13,
// 31 April, 25:00) are no time.
std::optional<double> ParseScanDateTime(std::string_view text, DateOrder order);

struct ScanTimes {
    // Per scan, in file order: seconds since the first scan whose time can be read; NaN for a
    // scan whose text cannot be read. Empty when no scan's time can be read (plots and traces
    // then run against the scan number).
    std::vector<double> seconds;
    bool HasTimes() const noexcept { return !seconds.empty(); }
    // Said once to the user when the file falls back to scan numbers, or when some of its
    // scans have no time; empty otherwise.
    std::string notice;
};

// Reads the date-time text of every scan of `file` (the 64-byte field of each record, read in
// place), chooses the day/month order the file shows consistently, and converts them.
// `stop` (may be null) is polled now and then; when it turns true the function returns early
// with what it has. Never throws for unreadable texts.
ScanTimes ReadScanTimes(const ScanFile& file, const std::atomic<bool>* stop = nullptr);

// The same from texts already in hand (each up to 64 bytes, not necessarily zero-terminated):
// for callers that read the records themselves in one pass.
ScanTimes ScanTimesOfTexts(std::span<const std::string_view> texts);
// The same for `count` texts that textAt(i) gives (each is asked for twice), for callers that
// keep the texts packed; the notice names text i as scan numbers[i] (i + 1 without numbers).
ScanTimes ScanTimesOfTexts(std::size_t count,
                           const std::function<std::string_view(std::size_t)>& textAt,
                           std::span<const std::int32_t> numbers = {});

// The day/month order of a series of texts: the one under which more of them read as times
// (a day above 12 rules the other out); month first when both read as many (a file of dates
// that never show a day above 12 cannot tell, and month/day/year is what a slash usually
// means between those numbers).
class DateOrderVote {
  public:
    void Add(std::string_view text);
    DateOrder Order() const noexcept;

  private:
    std::size_t m_nDayFirst = 0;
    std::size_t m_nMonthFirst = 0;
};

}  // namespace quillon
