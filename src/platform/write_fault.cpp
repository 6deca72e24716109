// SPDX-License-Identifier: MIT
// The chosen byte of QUILLON_FAIL_WRITE_AT, read once.
#include "platform/write_fault.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

namespace quillon {

namespace {

std::optional<std::uint64_t> FaultOffset() {
    static const std::optional<std::uint64_t> offset = []() -> std::optional<std::uint64_t> {
        const char* value = std::getenv("QUILLON_FAIL_WRITE_AT");
        if (value == nullptr || *value < '0' || *value > '9') {
            return std::nullopt;
        }
        return std::strtoull(value, nullptr, 10);
    }();
    return offset;
}

}  // namespace

std::size_t WritableBeforeFault(std::uint64_t offset, std::size_t size) {
    const std::optional<std::uint64_t> fault = FaultOffset();
    if (!fault || offset + size <= *fault) {
        return size;
    }
    return offset >= *fault ? 0 : static_cast<std::size_t>(*fault - offset);
}

}  // namespace quillon
