// SPDX-License-Identifier: MIT
// The Windows side of the platform layer's system boundary: UTF-8 paths as the wide paths the
// system takes, and system error codes as the reasons a FileError carries. Windows only.
#pragma once

#ifdef _WIN32

#include <string>

namespace quillon {

// The UTF-16 path for a UTF-8 path, ready for the system's wide calls. A path too long for
// the classic limit is made absolute and given the "\\?\" prefix that lifts it.
std::wstring WidePath(const std::string& utf8Path);

// The reason for a system error code (GetLastError). The errors a user meets with files read
// the same as on Linux ("No such file or directory", "Permission denied", "No space left on
// device" ...), so that both builds report a failure alike; any other code gives the system's
// own English text.
std::string WindowsErrorReason(unsigned long code);

// UTF-8 of a wide text from the system.
std::string FromWide(const std::wstring& wide);
// The wide text of a UTF-8 text, for the system.
std::wstring ToWide(const std::string& utf8);

}  // namespace quillon

#endif  // _WIN32
