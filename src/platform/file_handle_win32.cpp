// SPDX-License-Identifier: MIT
// FileHandle on Windows: a HANDLE from CreateFileW. Names are UTF-16 at the system and UTF-8
// everywhere else; no text-mode translation ever touches the bytes; sizes and offsets are 64
// bits; requests go to the system in pieces that a DWORD can count.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/file_error.h"
#include "platform/file_handle.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

// The most asked of ReadFile or WriteFile at once (DWORD counts, kept well below their limit).
constexpr std::size_t kMaxRequest = std::size_t{1} << 30;

[[noreturn]] void ThrowLastError(const std::string& path) {
    throw FileError(path, WindowsErrorReason(::GetLastError()));
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Raises the error of a failed CreateFileW. A folder cannot be opened as a file and the system
// says "access denied" for it; the user is told what the name really is.
[[noreturn]] void ThrowOpenError(const std::string& path, const std::wstring& wide) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_ACCESS_DENIED && IsFolder(wide)) {
        throw FileError(path, "Is a directory");
    }
    throw FileError(path, WindowsErrorReason(code));
}

HANDLE Create(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags) {
    // Others may read the outputs and the input while they are open, and the acquisition
    // software may go on writing an input.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    return ::CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

// The in-place part of WriteMode::kReplace: the existing file opened and emptied, or
// INVALID_HANDLE_VALUE when the name holds anything but a plain file without other names.
HANDLE OpenPlainFileEmptied(const std::wstring& path) {
    HANDLE file = Create(path, GENERIC_WRITE, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
    if (file == INVALID_HANDLE_VALUE) {
        return file;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DEVICE;
    if (::GetFileInformationByHandle(file, &info) && (info.dwFileAttributes & notPlain) == 0 &&
        info.nNumberOfLinks == 1 && ::SetEndOfFile(file)) {
        return file;
    }
    ::CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

FileHandle::Native FileHandle::Invalid() noexcept {
    return INVALID_HANDLE_VALUE;
}

FileHandle::~FileHandle() {
    if (m_Native != Invalid()) {
        ::CloseHandle(m_Native);
    }
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_Native(std::exchange(other.m_Native, Invalid())), m_strPath(std::move(other.m_strPath)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (m_Native != Invalid()) {
            ::CloseHandle(m_Native);
        }
        m_Native = std::exchange(other.m_Native, Invalid());
        m_strPath = std::move(other.m_strPath);
    }
    return *this;
}

FileHandle FileHandle::OpenForWriting(const std::string& path, WriteMode mode) {
    const std::wstring wide = WidePath(path);
    HANDLE file = INVALID_HANDLE_VALUE;
    switch (mode) {
        case WriteMode::kTruncate:
            file = Create(wide, GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
            break;
        case WriteMode::kAppend:
            // Appending access alone: every write goes to the end, whoever else writes.
            file = Create(wide, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
            break;
        case WriteMode::kReplace:
            file = OpenPlainFileEmptied(wide);
            if (file == INVALID_HANDLE_VALUE) {
                // Whatever holds the name goes first (a failure is left to the open to report).
                ::DeleteFileW(wide.c_str());
                file = Create(wide, GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
            }
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        ThrowOpenError(path, wide);
    }
    return FileHandle(file, path);
}

bool FileHandle::IsOpen() const noexcept {
    return m_Native != Invalid();
}

void FileHandle::WriteAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        DWORD written = 0;
        const auto ask = static_cast<DWORD>(std::min(size - done, kMaxRequest));
        if (!::WriteFile(m_Native, bytes + done, ask, &written, nullptr)) {
            ThrowLastError(m_strPath);
        }
        if (written == 0) {
            throw FileError(m_strPath, WindowsErrorReason(ERROR_DISK_FULL));
        }
        done += written;
    }
}

void FileHandle::Close() {
    if (m_Native == Invalid()) {
        return;
    }
    HANDLE file = std::exchange(m_Native, Invalid());
    if (!::CloseHandle(file)) {
        ThrowLastError(m_strPath);
    }
}

}  // namespace quillon
