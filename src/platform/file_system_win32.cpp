// SPDX-License-Identifier: MIT
// Existence tests on Windows, with wide names.
#include <windows.h>

#include "platform/file_system.h"
#include "platform/windows_system.h"

namespace quillon {

bool Exists(const std::string& path) {
    // The attributes of the entry itself: a folder counts, and so does a link whose target is
    // missing.
    return !path.empty() && ::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace quillon
