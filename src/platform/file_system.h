// SPDX-License-Identifier: MIT
// Whether a name is taken, as the output naming needs to know.
#pragma once

#include <string>

namespace quillon {

// True when a directory entry of exactly that name exists: a file, a folder or any other kind.
// A symbolic link counts even when its target is missing.
bool Exists(const std::string& path);

}  // namespace quillon
