// SPDX-License-Identifier: MIT
// Existence tests and renames on Windows, with wide names.
#include <windows.h>

#include "platform/file_error.h"
#include "platform/file_system.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWith(const std::string& text, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size() || Upper(text[i]) != Upper(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

// True for a reserved device name: the last part of a path, up to its first '.' or ':' and
// without trailing spaces.
bool IsReservedName(const std::string& path) {
    std::size_t begin = path.size();
    while (begin > 0 && !IsSlash(path[begin - 1])) {
        --begin;
    }
    if (begin == 0 && path.size() >= 2 && path[1] == ':') {
        begin = 2;  // "C:NUL", a name relative to a drive's working folder
    }
    std::string name = path.substr(begin, path.find_first_of(".:", begin) - begin);
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    for (char& c : name) {
        c = Upper(c);
    }
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (name == reserved) {
            return true;
        }
    }
    return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) &&
           name[3] >= '1' && name[3] <= '9';
}

}  // namespace

bool IsDeviceName(const std::string& path) {
    // "\\.\X" and "//./X" name devices (\\.\C: is the raw drive, \\.\pipe\... a pipe).
    if (path.size() >= 4 && IsSlash(path[0]) && IsSlash(path[1]) &&
        (path[2] == '.' || path[2] == '?') && IsSlash(path[3])) {
        if (path[2] == '.') {
            return true;
        }
        // "\\?\" ahead of a drive, a volume or a share names a file; anything else a device.
        const std::string rest = path.substr(4);
        const bool drive = rest.size() >= 3 && rest[1] == ':' && IsSlash(rest[2]);
        if (!drive && !StartsWith(rest, "UNC\\") && !StartsWith(rest, "Volume{")) {
            return true;
        }
    }
    return IsReservedName(path);
}

void RefuseDeviceName(const std::string& path) {
    if (IsDeviceName(path)) {
        throw FileError::NotRegularFile(path, "a device");
    }
}

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
