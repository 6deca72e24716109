// SPDX-License-Identifier: MIT
// Fuzzes the selection list: any text and scan count must parse, keep the table within the scan
// count, and yield scans strictly increasing within 1..count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "convert/selection.h"

namespace {
void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int count = data[0];
    const std::string selection(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::vector<std::int32_t> table = quillon::ParseSelection(selection, count);
    Check(table.size() <= static_cast<std::size_t>(count));

    std::int32_t last = 0;
    quillon::MatchSelection(table, count, [&](std::int32_t l) {
        Check(l > last && l <= count);
        last = l;
        return true;
    });
    return 0;
}
