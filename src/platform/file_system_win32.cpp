// SPDX-License-Identifier: MIT
// Existence tests and renames on Windows, with wide names.
#include <windows.h>

#include "platform/file_error.h"
#include "platform/file_system.h"
#include "platform/windows_system.h"

namespace quillon {

bool Exists(const std::string& path) {
    // The attributes of the entry itself: a folder counts, and so does a link whose target is
    // missing.
    return !path.empty() && ::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

EntryKind KindOf(const std::string& path) {
    const DWORD attributes =
        path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return EntryKind::kMissing;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return EntryKind::kLink;
    }
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0
               ? EntryKind::kOther
               : EntryKind::kFile;
}

void RenameOver(const std::string& from, const std::string& to) {
    const std::wstring target = WidePath(to);
    if (::MoveFileExW(WidePath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return;
    }
    const DWORD code = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw FileError(to, "Is a directory");
    }
    throw FileError(to, WindowsErrorReason(code));
}

}  // namespace quillon
