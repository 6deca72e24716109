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
    quillon::ConverterState state;
    const int count = data[0];
    for (int i = 0; i < count; ++i) {
        state.m_ScanList.push_back(std::make_unique<quillon::CSaveData>(0));
    }
    state.m_nScanCount = count;
    state.m_strSelection.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string before = state.m_strSelection;

    const std::vector<std::int32_t> table = quillon::ParseSelection(state);
    Check(state.m_strSelection == before);
    Check(state.m_nSelectedCount == static_cast<std::int32_t>(table.size()));
    Check(state.m_nSelectedCount <= count);

    std::int32_t last = 0;
    quillon::MatchSelection(state, table, [&](std::int32_t l, const quillon::CSaveData& record) {
        Check(l > last && l <= count);
        Check(&record == state.m_ScanList[static_cast<std::size_t>(l - 1)].get());
        last = l;
        return true;
    });
    return 0;
}
