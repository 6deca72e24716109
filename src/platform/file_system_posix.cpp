// SPDX-License-Identifier: MIT
// Existence tests on POSIX systems.
#include <sys/stat.h>

#include "platform/file_system.h"

namespace quillon {

bool Exists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

}  // namespace quillon
