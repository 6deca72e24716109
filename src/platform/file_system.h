// Deleting files and testing whether a name is taken, as the output naming needs them.
#pragma once

#include <string>

namespace quillon {

// Deletes the file; raises FileError when it cannot be deleted, also when it is missing.
void RemoveFile(const std::string& path);

// True when a directory entry of exactly that name exists: a file, a folder or any other kind.
// A symbolic link counts even when its target is missing.
bool Exists(const std::string& path);

}  // namespace quillon
