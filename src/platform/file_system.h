// SPDX-License-Identifier: MIT
// Whether a name is taken, as the output naming needs to know, and putting a finished file in
// the place of another.
#pragma once

#include <string>

namespace quillon {

// True when a directory entry of exactly that name exists: a file, a folder or any other kind.
// A symbolic link counts even when its target is missing.
bool Exists(const std::string& path);

// Renames the file `from` to `to` in one step, replacing a file of that name. Raises FileError
// naming `to` when it cannot (a folder of that name: "Is a directory").
void RenameOver(const std::string& from, const std::string& to);

}  // namespace quillon
