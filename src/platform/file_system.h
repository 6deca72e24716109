// SPDX-License-Identifier: MIT
// Whether a name is taken, as the output naming needs to know, and putting a finished file in
// the place of another.
#pragma once

#include <string>

namespace quillon {

// True when a directory entry of exactly that name exists: a file, a folder or any other kind.
// A symbolic link counts even when its target is missing.
bool Exists(const std::string& path);

// What a directory entry is, a link not followed. One question to the system: on Windows a
// name's attributes, which wine answers without listing the folder when the name exists.
enum class EntryKind {
    kMissing,
    kFile,   // a regular file
    kLink,   // a symbolic link (a reparse point on Windows)
    kOther,  // a folder, a device, a pipe ...
};
EntryKind KindOf(const std::string& path);

#ifdef _WIN32
// True when the path names a device rather than a file: a reserved name (CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM1-COM9, LPT1-LPT9, in any case, with or without an extension, in any
// folder) or a path in the device namespace ("\\.\" and "\\?\" forms other than a drive,
// a volume or a network share). Windows opens the device for such a name, never a file.
bool IsDeviceName(const std::string& path);
// Raises FileError "not a regular file but a device" for such a path; does nothing otherwise.
void RefuseDeviceName(const std::string& path);
#endif

// Renames the file `from` to `to` in one step, replacing a file of that name. Raises FileError
// naming `to` when it cannot (a folder of that name: "Is a directory").
void RenameOver(const std::string& from, const std::string& to);

}  // namespace quillon
