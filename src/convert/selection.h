// The scan selection list: a text such as "1,3-5" turned into the selection table, and the walk
// that yields the scans to write, in ascending order.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "scanfile/converter_state.h"

namespace quillon {

// Parses m_strSelection (left unchanged) into the selection table and sets m_nSelectedCount.
// The table holds at most m_nScanCount entries; a range stops adding at that limit.
std::vector<std::int32_t> ParseSelection(ConverterState& state);

// Walks scan numbers 1..m_nScanCount beside the table and calls write(l, record) for every scan
// number l that the table's next entry names. Stops early when write returns false.
void MatchSelection(const ConverterState& state, const std::vector<std::int32_t>& table,
                    const std::function<bool(std::int32_t, const CSaveData&)>& write);

}  // namespace quillon
