// SPDX-License-Identifier: MIT
// The scan selection list: a text such as "1,3-5" turned into the selection table, and the walk
// that yields the scans to write, in ascending order.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace quillon {

// Parses the selection text into the selection table. The table holds at most scanCount
// entries; a range stops adding at that limit.
std::vector<std::int32_t> ParseSelection(std::string_view text, std::int32_t scanCount);

// Walks scan numbers 1..scanCount beside the table and calls visit(l) for every scan number l
// that the table's next entry names. Stops early when visit returns false.
void MatchSelection(const std::vector<std::int32_t>& table, std::int32_t scanCount,
                    const std::function<bool(std::int32_t)>& visit);

}  // namespace quillon
