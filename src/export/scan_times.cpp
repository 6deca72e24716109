// SPDX-License-Identifier: MIT
// Scan date-time texts read as seconds.
#include "export/scan_times.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "export/text_decoding.h"
#include "scanfile/records.h"

namespace quillon {

namespace {

constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();

// A time of day on a civil date: whole seconds since 1970-01-01 00:00:00 and the fraction of a
// second, apart, so that differences of nearby times keep the fraction's digits exactly.
struct CivilTime {
    std::int64_t seconds = 0;
    double fraction = 0.0;
};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads a text from left to right.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : m_Text(text) {}

    bool AtEnd() const { return m_nPos == m_Text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_Text[m_nPos]; }
    bool Take(char c) {
        if (Peek() != c) {
            return false;
        }
        ++m_nPos;
        return true;
    }
    // One to maxDigits decimal digits; how many were read is `digits`.
    bool Number(std::size_t maxDigits, unsigned& value, std::size_t& digits) {
        value = 0;
        digits = 0;
        while (digits < maxDigits && IsDigit(Peek())) {
            value = value * 10 + static_cast<unsigned>(m_Text[m_nPos] - '0');
            ++m_nPos;
            ++digits;
        }
        return digits > 0 && !IsDigit(Peek());
    }
    // Digits after a decimal sign, as the fraction they write (at most nine count).
    bool Fraction(double& value) {
        std::uint32_t numerator = 0;
        std::uint32_t denominator = 1;
        std::size_t digits = 0;
        while (IsDigit(Peek())) {
            if (digits < 9) {
                numerator = numerator * 10 + static_cast<std::uint32_t>(m_Text[m_nPos] - '0');
                denominator *= 10;
            }
            ++m_nPos;
            ++digits;
        }
        value = static_cast<double>(numerator) / static_cast<double>(denominator);
        return digits > 0;
    }
    std::size_t SkipBlanks() {
        const std::size_t from = m_nPos;
        while (IsBlank(Peek())) {
            ++m_nPos;
        }
        return m_nPos - from;
    }
    // "AM" or "PM" in any case: 0 for none, 1 for AM, 2 for PM.
    int Meridiem() {
        const std::string_view rest = m_Text.substr(m_nPos);
        if (rest.size() < 2 || (rest[1] != 'M' && rest[1] != 'm')) {
            return 0;
        }
        const char c = rest[0];
        const int which = c == 'A' || c == 'a' ? 1 : c == 'P' || c == 'p' ? 2 : 0;
        if (which != 0) {
            m_nPos += 2;
        }
        return which;
    }

  private:
    std::string_view m_Text;
    std::size_t m_nPos = 0;
};

// The text up to its first zero byte, without blanks around it.
std::string_view Trimmed(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Year, month and day of the date at the start of the text.
bool ReadDate(Cursor& in, DateOrder order, unsigned& year, unsigned& month, unsigned& day) {
    unsigned a = 0, b = 0, c = 0;
    std::size_t da = 0, db = 0, dc = 0;
    if (!in.Number(4, a, da)) {
        return false;
    }
    const char separator = in.Peek();
    if (separator != '-' && separator != '/' && separator != '.') {
        return false;
    }
    in.Take(separator);
    if (!in.Number(2, b, db) || !in.Take(separator) || !in.Number(4, c, dc)) {
        return false;
    }
    if (da == 4 && dc <= 2) {
        year = a;
        month = b;
        day = c;
    } else if (da <= 2 && dc == 4) {
        year = c;
        const bool dayFirst = separator == '.' || order == DateOrder::kDayFirst;
        day = dayFirst ? a : b;
        month = dayFirst ? b : a;
    } else {
        return false;
    }
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// Seconds into the day of the time at the cursor, and its fraction of a second.
bool ReadTimeOfDay(Cursor& in, std::int64_t& seconds, double& fraction) {
    unsigned hour = 0, minute = 0, second = 0;
    std::size_t dh = 0, dm = 0, ds = 2;
    if (!in.Number(2, hour, dh) || !in.Take(':') || !in.Number(2, minute, dm) || dm != 2) {
        return false;
    }
    fraction = 0.0;
    if (in.Take(':')) {
        if (!in.Number(2, second, ds) || ds != 2) {
            return false;
        }
        if ((in.Take('.') || in.Take(',')) && !in.Fraction(fraction)) {
            return false;
        }
    }
    in.SkipBlanks();
    const int meridiem = in.Meridiem();
    if (meridiem != 0) {
        if (hour < 1 || hour > 12) {
            return false;
        }
        hour = hour % 12 + (meridiem == 2 ? 12u : 0u);
    }
    if (hour > 23 || minute > 59 || second > 59 || !in.AtEnd()) {
        return false;
    }
    seconds = std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + std::int64_t{second};
    return true;
}

std::optional<CivilTime> ParseCivilTime(std::string_view text, DateOrder order) {
    Cursor in(Trimmed(text));
    unsigned year = 0, month = 0, day = 0;
    if (!ReadDate(in, order, year, month, day)) {
        return std::nullopt;
    }
    if (!in.Take('T') && in.SkipBlanks() == 0) {
        return std::nullopt;
    }
    CivilTime time;
    std::int64_t ofDay = 0;
    if (!ReadTimeOfDay(in, ofDay, time.fraction)) {
        return std::nullopt;
    }
    time.seconds = DaysFromCivil(year, month, day) * 86400 + ofDay;
    return time;
}

// A text as the user is told of it: decoded, in quotes.
std::string Quoted(std::string_view text) {
    const std::string_view field = text.substr(0, text.find('\0'));
    // Appended, not "\"" + ...: g++ 12 warns falsely (-Wrestrict) on that at -O3.
    std::string quoted = "\"";
    quoted += Windows1252ToUtf8(field);
    quoted += '"';
    return quoted;
}

}  // namespace

std::optional<double> ParseScanDateTime(std::string_view text, DateOrder order) {
    const std::optional<CivilTime> time = ParseCivilTime(text, order);
    if (!time) {
        return std::nullopt;
    }
    return static_cast<double>(time->seconds) + time->fraction;
}

void DateOrderVote::Add(std::string_view text) {
    m_nDayFirst += ParseCivilTime(text, DateOrder::kDayFirst) ? 1u : 0u;
    m_nMonthFirst += ParseCivilTime(text, DateOrder::kMonthFirst) ? 1u : 0u;
}

DateOrder DateOrderVote::Order() const noexcept {
    return m_nDayFirst > m_nMonthFirst ? DateOrder::kDayFirst : DateOrder::kMonthFirst;
}

ScanTimes ScanTimesOfTexts(std::span<const std::string_view> texts) {
    return ScanTimesOfTexts(texts.size(), [texts](std::size_t i) { return texts[i]; });
}

ScanTimes ScanTimesOfTexts(std::size_t count,
                           const std::function<std::string_view(std::size_t)>& textAt,
                           std::span<const std::int32_t> numbers) {
    const auto number = [numbers](std::size_t i) {
        return std::to_string(i < numbers.size() ? std::int64_t{numbers[i]}
                                                 : static_cast<std::int64_t>(i) + 1);
    };
    DateOrderVote vote;
    for (std::size_t i = 0; i < count; ++i) {
        vote.Add(textAt(i));
    }
    const DateOrder order = vote.Order();
    ScanTimes times;
    times.seconds.assign(count, kNoTime);
    std::optional<CivilTime> first;
    std::size_t unread = 0;
    std::size_t firstUnread = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<CivilTime> time = ParseCivilTime(textAt(i), order);
        if (!time) {
            firstUnread = unread == 0 ? i : firstUnread;
            ++unread;
            continue;
        }
        if (!first) {
            first = time;
        }
        // Whole seconds and fractions apart: 2.5 s after 09:00:00.25 is 2.25, not 2.2500000954.
        times.seconds[i] = static_cast<double>(time->seconds - first->seconds) +
                           (time->fraction - first->fraction);
    }
    if (!first) {
        times.seconds.clear();
        if (count > 0) {
            times.notice = "The scans' date-time texts are no times QUILLON reads (scan " +
                           number(0) + ": " + Quoted(textAt(0)) +
                           "); scans are counted by their numbers instead.";
        }
    } else if (unread > 0) {
        times.notice = std::to_string(unread) + " of " + std::to_string(count) +
                       " scans have a date-time text that is no time QUILLON reads (first: scan " +
                       number(firstUnread) + ", " + Quoted(textAt(firstUnread)) +
                       "); they have no time.";
    }
    return times;
}

ScanTimes ReadScanTimes(const ScanFile& file, const std::atomic<bool>* stop) {
    std::vector<std::string_view> texts;
    texts.reserve(file.ScanCount());
    for (std::size_t i = 0; i < file.ScanCount(); ++i) {
        if (stop != nullptr && i % 4096 == 0 && stop->load(std::memory_order_relaxed)) {
            break;
        }
        texts.emplace_back(file.Scan(i).dateTime, kScanTextSize);
    }
    return ScanTimesOfTexts(texts);
}

}  // namespace quillon
