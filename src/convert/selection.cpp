// SPDX-License-Identifier: MIT
// The scan selection list: parsing the selection text into the table of scan numbers, and the
// walk that pairs the table with the scan records.
#include "convert/selection.h"

#include <algorithm>
#include <string_view>

#include "platform/strings.h"

namespace quillon {

namespace {

// The selection table of one parse. It never grows beyond the scan count: the walk can match
// at most that many entries (a strictly increasing run between 1 and the scan count), so
// nothing beyond them could ever change which scans are written.
class SelectionTable {
  public:
    explicit SelectionTable(std::int32_t capacity)
        : m_nCapacity(static_cast<std::size_t>(std::max<std::int32_t>(capacity, 0))) {
        m_Entries.reserve(std::min<std::size_t>(m_nCapacity, 4096));
    }

    bool IsFull() const { return m_Entries.size() >= m_nCapacity; }

    void Add(std::int32_t value) {
        if (!IsFull()) {
            m_Entries.push_back(value);
        }
    }

    // Adds start + 1, start + 2, ..., end (nothing when end does not exceed start), stopping
    // once the table is full.
    void AddRangeAfter(std::int32_t start, std::int32_t end) {
        for (std::int64_t v = std::int64_t{start} + 1; v <= end && !IsFull(); ++v) {
            m_Entries.push_back(static_cast<std::int32_t>(v));
        }
    }

    std::vector<std::int32_t> Take() { return std::move(m_Entries); }

  private:
    std::size_t m_nCapacity;
    std::vector<std::int32_t> m_Entries;
};

// Strips every leading character equal to ch.
std::string_view StripLeading(std::string_view text, char ch) {
    const std::size_t pos = text.find_first_not_of(ch);
    return pos == std::string_view::npos ? std::string_view() : text.substr(pos);
}

}  // namespace

std::vector<std::int32_t> ParseSelection(std::string_view text, std::int32_t scanCount) {
    SelectionTable table(scanCount);
    std::string_view rest = text;

    // Numbers separated by ',' (a list) or '-' (a range); a run of one separator counts once.
    // A range without a ',' after it ends the text: whatever follows its end is ignored.
    bool rangeEndedText = false;
    while (!table.IsFull()) {
        const int sepPos = FindOneOf(rest, ",-");
        if (sepPos < 0) {
            break;
        }
        // The token before the separator is stored whatever it holds (0 when it has no digits).
        const std::int32_t start = Wtoi(rest.substr(0, static_cast<std::size_t>(sepPos)));
        table.Add(start);
        rest.remove_prefix(static_cast<std::size_t>(sepPos));

        const char sep = rest.front();
        rest = StripLeading(rest, sep);
        if (sep == ',') {
            continue;
        }
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) {
            table.AddRangeAfter(start, Wtoi(rest));
            rangeEndedText = true;
            break;
        }
        table.AddRangeAfter(start, Wtoi(rest.substr(0, comma)));
        rest = StripLeading(rest.substr(comma), ',');
    }

    // The last token counts only when it is a positive number.
    if (!rangeEndedText) {
        const std::int32_t last = Wtoi(rest);
        if (last > 0) {
            table.Add(last);
        }
    }

    return table.Take();
}

void MatchSelection(const std::vector<std::int32_t>& table, std::int32_t scanCount,
                    const std::function<bool(std::int32_t)>& visit) {
    // The scan numbers and the table side by side: a scan is written when the table's next
    // entry names it, so only the leading strictly increasing run of the table that lies
    // within the file is ever matched.
    const auto scans = static_cast<std::size_t>(std::max<std::int32_t>(scanCount, 0));
    std::size_t k = 0;
    for (std::size_t l = 1; l <= scans && k < table.size(); ++l) {
        if (table[k] == static_cast<std::int64_t>(l)) {
            ++k;
            if (!visit(static_cast<std::int32_t>(l))) {
                return;
            }
        }
    }
}

}  // namespace quillon
