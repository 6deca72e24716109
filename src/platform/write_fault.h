// SPDX-License-Identifier: MIT
// A disk that fills up at a chosen byte, so that every output's handling of a failed write can
// be tried without filling a real disk: when the environment variable QUILLON_FAIL_WRITE_AT
// holds a number N, every output file takes its first N bytes and then fails as a full disk
// does ("No space left on device"). Without the variable nothing changes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// The reason a write to a full disk fails with, in the words of both systems.
inline constexpr const char* kDiskFullReason = "No space left on device";

// How many of `size` bytes written at `offset` of an output may be written before the chosen
// byte: all of them unless QUILLON_FAIL_WRITE_AT is set and lies before offset + size.
std::size_t WritableBeforeFault(std::uint64_t offset, std::size_t size);

}  // namespace quillon
