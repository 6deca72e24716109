// SPDX-License-Identifier: MIT
// FileHandle on POSIX systems: a file descriptor, with every call retried when a signal
// interrupts it.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/file_error.h"
#include "platform/file_handle.h"

namespace quillon {

namespace {

// Parts handed to the system in one scattered read.
#ifdef IOV_MAX
constexpr std::size_t kMaxParts = IOV_MAX;
#else
constexpr std::size_t kMaxParts = 1024;
#endif

// Calls a system function again for as long as a signal interrupts it (-1 with EINTR), so
// that no caller has to.
template <typename Call>
auto RetryOnInterrupt(Call call) {
    for (;;) {
        const auto result = call();
        if (!(result == -1 && errno == EINTR)) {
            return result;
        }
    }
}

int OpenRaw(const std::string& path, int flags) {
    return RetryOnInterrupt([&] { return ::open(path.c_str(), flags | O_CLOEXEC, 0666); });
}

// The in-place part of WriteMode::kReplace: the existing file opened and emptied, or -1 when
// the name holds anything but a plain file without other names, or nothing at all.
int OpenPlainFileEmptied(const std::string& path) {
    // Without following a link, and without blocking on a named pipe that has no reader.
    const int fd = OpenRaw(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
        RetryOnInterrupt([&] { return ::ftruncate(fd, 0); }) == 0 &&
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) {
        return fd;
    }
    ::close(fd);
    return -1;
}

}  // namespace

FileHandle::Native FileHandle::Invalid() noexcept {
    return -1;
}

FileHandle::~FileHandle() {
    if (m_Native != Invalid()) {
        ::close(m_Native);
    }
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : m_Native(std::exchange(other.m_Native, Invalid())), m_strPath(std::move(other.m_strPath)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (m_Native != Invalid()) {
            ::close(m_Native);
        }
        m_Native = std::exchange(other.m_Native, Invalid());
        m_strPath = std::move(other.m_strPath);
    }
    return *this;
}

FileHandle FileHandle::OpenForReading(const std::string& path) {
    const int fd = OpenRaw(path, O_RDONLY);
    if (fd < 0) {
        throw FileError::FromErrno(path, errno);
    }
    FileHandle file(fd, path);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw FileError::FromErrno(path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        throw FileError::FromErrno(path, EISDIR);
    }
    return file;
}

FileHandle FileHandle::OpenForWriting(const std::string& path, WriteMode mode) {
    int fd = -1;
    switch (mode) {
        case WriteMode::kTruncate:
            fd = OpenRaw(path, O_WRONLY | O_CREAT | O_TRUNC);
            break;
        case WriteMode::kAppend:
            fd = OpenRaw(path, O_WRONLY | O_CREAT | O_APPEND);
            break;
        case WriteMode::kReplace:
            fd = OpenPlainFileEmptied(path);
            if (fd < 0) {
                // Whatever holds the name goes first (a failure is left to the open to report).
                ::unlink(path.c_str());
                fd = OpenRaw(path, O_WRONLY | O_CREAT | O_TRUNC);
            }
            break;
    }
    if (fd < 0) {
        throw FileError::FromErrno(path, errno);
    }
    return FileHandle(fd, path);
}

bool FileHandle::IsOpen() const noexcept {
    return m_Native != Invalid();
}

std::uint64_t FileHandle::Size() const {
    struct stat info {};
    if (::fstat(m_Native, &info) != 0) {
        throw FileError::FromErrno(m_strPath, errno);
    }
    return info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

void FileHandle::SeekToStart() {
    if (::lseek(m_Native, 0, SEEK_SET) < 0) {
        throw FileError::FromErrno(m_strPath, errno);
    }
}

std::size_t FileHandle::ReadSome(void* dst, std::size_t k) {
    // One request never asks for more than the system returns in one go.
    const std::size_t ask = std::min<std::size_t>(k, SSIZE_MAX);
    const ssize_t n = RetryOnInterrupt([&] { return ::read(m_Native, dst, ask); });
    if (n < 0) {
        throw FileError::FromErrno(m_strPath, errno);
    }
    return static_cast<std::size_t>(n);
}

std::size_t FileHandle::ReadScattered(std::span<const ReadPart> parts) {
    iovec vec[kMaxParts];
    std::size_t got = 0;
    std::size_t next = 0;  // the next part not handed to the system yet
    bool atEnd = false;
    while (next < parts.size() && !atEnd) {
        const std::size_t count = std::min(parts.size() - next, kMaxParts);
        std::size_t wanted = 0;
        for (std::size_t i = 0; i < count; ++i) {
            vec[i].iov_base = parts[next + i].data;
            vec[i].iov_len = parts[next + i].size;
            wanted += parts[next + i].size;
        }
        // The system may deliver fewer bytes than asked without being at the end: ask again
        // for what is missing, from where it stopped.
        iovec* v = vec;
        std::size_t left = count;
        std::size_t batch = 0;
        while (batch < wanted) {
            const ssize_t n =
                RetryOnInterrupt([&] { return ::readv(m_Native, v, static_cast<int>(left)); });
            if (n < 0) {
                throw FileError::FromErrno(m_strPath, errno);
            }
            if (n == 0) {
                atEnd = true;
                break;
            }
            batch += static_cast<std::size_t>(n);
            auto rest = static_cast<std::size_t>(n);
            while (left > 0 && rest >= v->iov_len) {
                rest -= v->iov_len;
                ++v;
                --left;
            }
            if (rest > 0) {
                v->iov_base = static_cast<unsigned char*>(v->iov_base) + rest;
                v->iov_len -= rest;
            }
        }
        got += batch;
        next += count;
    }
    return got;
}

void FileHandle::WriteAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const std::size_t ask = std::min<std::size_t>(size - done, SSIZE_MAX);
        const ssize_t n = RetryOnInterrupt([&] { return ::write(m_Native, bytes + done, ask); });
        if (n < 0) {
            throw FileError::FromErrno(m_strPath, errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

void FileHandle::Close() {
    if (m_Native == Invalid()) {
        return;
    }
    const int fd = std::exchange(m_Native, Invalid());
    // close is not retried: after EINTR the descriptor is already released on Linux.
    if (::close(fd) != 0 && errno != EINTR) {
        throw FileError::FromErrno(m_strPath, errno);
    }
}

}  // namespace quillon
