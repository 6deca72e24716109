// SPDX-License-Identifier: MIT
// MappedFile on Windows: CreateFileMapping and MapViewOfFile, positioned ReadFile, and files of
// ordinary size read whole at open.
#include <windows.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/file_error.h"
#include "platform/file_system.h"
#include "platform/mapped_file.h"
#include "platform/mapped_file_system.h"
#include "platform/windows_system.h"

namespace quillon {

using mapped_file::kMaxRequest;

namespace {

HANDLE AsHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

}  // namespace

void MappedFile::Release() noexcept {
    if (m_pMapping != nullptr) {
        ::UnmapViewOfFile(m_pData);
        ::CloseHandle(m_pMapping);
    }
    if (AsHandle(m_nFile) != INVALID_HANDLE_VALUE) {
        ::CloseHandle(AsHandle(m_nFile));
    }
    m_pMapping = nullptr;
    m_pData = nullptr;
    m_nFile = -1;
    std::vector<unsigned char>().swap(m_Copy);
    m_bCopied = false;
}

MappedFile MappedFile::Open(const std::string& path) {
    // A device name opens the device, whatever folder it is written in: refused unopened.
    RefuseDeviceName(path);
    const std::wstring wide = WidePath(path);
    // The acquisition software may go on writing the file, and others may read or rename it,
    // while it is open here.
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        // A folder cannot be opened as a file; the system calls that "access denied".
        if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            throw FileError(path, "Is a directory");
        }
        throw FileError(path, WindowsErrorReason(code));
    }
    MappedFile mapped;
    mapped.m_strPath = path;
    mapped.m_nFile = reinterpret_cast<std::intptr_t>(file);

    // A pipe, a console or another device that a name led to.
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        throw FileError::NotRegularFile(path, "a device or a pipe");
    }

    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        throw FileError(path, WindowsErrorReason(::GetLastError()));
    }
    mapped.m_nSize = size.QuadPart > 0 ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    if (mapped.m_nSize == 0) {
        return mapped;  // an empty file cannot be mapped, and has nothing to map
    }
    // Windows refuses to cut a mapped file shorter or to write it anew, so the acquisition
    // software could not save a new measurement under the name of the file the window shows.
    // A file of ordinary size is therefore read whole and let go at once; only a file too
    // large to copy cheaply is mapped (and kept from being cut while it is loaded).
    if (mapped.m_nSize <= kCopiedUpTo) {
        mapped.CopyWhole();
        ::CloseHandle(file);
        mapped.m_nFile = -1;
        return mapped;
    }
    if (mapped.m_nSize > std::numeric_limits<std::size_t>::max()) {
        throw FileError(path, WindowsErrorReason(ERROR_NOT_ENOUGH_MEMORY));
    }
    // The mapping is asked for the size just taken: should the file have shrunk since, this
    // fails instead of leaving a view that ends before the size says.
    HANDLE mapping =
        ::CreateFileMappingW(file, nullptr, PAGE_READONLY, static_cast<DWORD>(mapped.m_nSize >> 32),
                             static_cast<DWORD>(mapped.m_nSize & 0xFFFFFFFFu), nullptr);
    if (mapping == nullptr) {
        throw FileError(path, WindowsErrorReason(::GetLastError()));
    }
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(mapped.m_nSize));
    if (view == nullptr) {
        const DWORD code = ::GetLastError();
        ::CloseHandle(mapping);
        throw FileError(path, WindowsErrorReason(code));
    }
    mapped.m_pMapping = mapping;
    mapped.m_pData = static_cast<const unsigned char*>(view);
    return mapped;
}

bool MappedFile::Changed() const noexcept {
    return false;  // a mapped file cannot be cut shorter
}

bool MappedFile::Shrunk() const noexcept {
    LARGE_INTEGER size{};
    return !m_bCopied && AsHandle(m_nFile) != INVALID_HANDLE_VALUE &&
           ::GetFileSizeEx(AsHandle(m_nFile), &size) &&
           static_cast<std::uint64_t>(std::max<LONGLONG>(size.QuadPart, 0)) < m_nSize;
}

std::size_t MappedFile::ReadFromSystem(std::uint64_t offset, void* dst, std::size_t k) const {
    auto* out = static_cast<unsigned char*>(dst);
    std::size_t got = 0;
    while (got < k) {
        OVERLAPPED at{};
        const std::uint64_t position = offset + got;
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD n = 0;
        const auto ask = static_cast<DWORD>(std::min(k - got, kMaxRequest));
        if (!::ReadFile(AsHandle(m_nFile), out + got, ask, &n, &at)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF) {
                break;
            }
            throw FileError(m_strPath, WindowsErrorReason(code));
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return got;
}

}  // namespace quillon
