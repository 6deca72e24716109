// SPDX-License-Identifier: MIT
// Wide paths and error reasons for the Windows calls of the platform layer.
#ifdef _WIN32

#include "platform/windows_system.h"

#include <windows.h>

#include "platform/utf16.h"

namespace quillon {

namespace {

// Longest path the classic calls take for a file name in a folder (MAX_PATH less room for an
// 8.3 name, the limit folders have); beyond it the "\\?\" form is used.
constexpr std::size_t kClassicLimit = 248;

}  // namespace

std::wstring ToWide(const std::string& utf8) {
    const std::u16string wide = Utf8ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string FromWide(const std::wstring& wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::wstring WidePath(const std::string& utf8Path) {
    std::wstring path = ToWide(utf8Path);
    if (path.size() < kClassicLimit || path.rfind(L"\\\\?\\", 0) == 0) {
        return path;
    }
    // The "\\?\" form is taken literally: it needs an absolute path with backslashes and
    // without "." or ".." parts, which GetFullPathNameW makes.
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return path;
    }
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    }
    return L"\\\\?\\" + full;
}

std::string WindowsErrorReason(unsigned long code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_PATHNAME:
            return "No such file or directory";
        case ERROR_ACCESS_DENIED:
        case ERROR_CANNOT_MAKE:
        case ERROR_NETWORK_ACCESS_DENIED:
            return "Permission denied";
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "The file is in use by another program";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "No space left on device";
        case ERROR_WRITE_PROTECT:
            return "Read-only file system";
        case ERROR_FILENAME_EXCED_RANGE:
            return "File name too long";
        case ERROR_INVALID_NAME:
            return "Invalid file name";
        case ERROR_DIRECTORY:
            return "Not a directory";
        case ERROR_TOO_MANY_OPEN_FILES:
            return "Too many open files";
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return "Cannot allocate memory";
        default:
            break;
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length) : L"";
    if (text != nullptr) {
        ::LocalFree(text);
    }
    // The system's texts end in a full stop and a line end; a reason goes inside a sentence.
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    if (message.empty()) {
        return "Windows error " + std::to_string(code);
    }
    return FromWide(message);
}

}  // namespace quillon

#endif  // _WIN32
