// SPDX-License-Identifier: MIT
// The request size the two system halves of MappedFile share (mapped_file_posix.cpp,
// mapped_file_win32.cpp).
#pragma once

#include <cstddef>

namespace quillon::mapped_file {

// The largest single request to the system: well within what its counts can hold.
constexpr std::size_t kMaxRequest = std::size_t{1} << 30;

}  // namespace quillon::mapped_file
