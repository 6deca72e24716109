// SPDX-License-Identifier: MIT
// Faults at a chosen byte of the outputs, so that the handling of a full disk, of a folder
// removed and of an input changed during a run can be tried without a real full disk and
// without racing the program. The environment variable QUILLON_WRITE_FAULT names the fault:
//
//   N                    every output takes its first N bytes, then fails as a full disk
//                        does ("No space left on device")
//   N:remove:PATH        once an output reaches byte N, PATH (a file or a folder with all it
//                        holds) is removed, and the run goes on
//   N:resize:SIZE:PATH   once an output reaches byte N, the file PATH is cut or grown to SIZE
//                        bytes, and the run goes on
//
// Without the variable nothing changes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// The reason a write to a full disk fails with, in the words of both systems.
inline constexpr const char* kDiskFullReason = "No space left on device";

// Called before `size` bytes are written at `offset` of an output: returns how many of them
// may be written before the write fails as a full disk, which is all of them unless
// QUILLON_WRITE_FAULT says otherwise; performs its removal or resize once.
std::size_t WritableBeforeFault(std::uint64_t offset, std::size_t size);

}  // namespace quillon
