// SPDX-License-Identifier: MIT
// Existence tests and renames on POSIX systems.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_error.h"
#include "platform/file_system.h"

namespace quillon {

bool Exists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

EntryKind KindOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::lstat(path.c_str(), &info) != 0) {
        return EntryKind::kMissing;
    }
    if (S_ISLNK(info.st_mode)) {
        return EntryKind::kLink;
    }
    return S_ISREG(info.st_mode) ? EntryKind::kFile : EntryKind::kOther;
}

void RenameOver(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        throw FileError::FromErrno(to, errno);
    }
}

}  // namespace quillon
