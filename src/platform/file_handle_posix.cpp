// SPDX-License-Identifier: MIT
// FileHandle on POSIX systems: a file descriptor, with every call retried when a signal
// interrupts it.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include "platform/file_error.h"
#include "platform/file_handle.h"

namespace quillon {

namespace {

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

// An open that neither waits for the other end of a named pipe nor makes a terminal this
// program's own.
constexpr int kNoWait = O_NONBLOCK | O_NOCTTY;

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

FileHandle FileHandle::OpenForWriting(const std::string& path, WriteMode mode) {
    int fd = -1;
    switch (mode) {
        case WriteMode::kTruncate:
            fd = OpenRaw(path, O_WRONLY | O_CREAT | O_TRUNC | kNoWait);
            break;
        case WriteMode::kAppend:
            fd = OpenRaw(path, O_WRONLY | O_CREAT | O_APPEND | kNoWait);
            break;
        case WriteMode::kReplace:
            fd = OpenPlainFileEmptied(path);
            if (fd < 0) {
                // Whatever holds the name goes first (a failure is left to the open to report).
                ::unlink(path.c_str());
                fd = OpenRaw(path, O_WRONLY | O_CREAT | O_TRUNC | kNoWait);
            }
            break;
    }
    if (fd < 0) {
        throw FileError::FromErrno(path, errno);
    }
    // Opened without waiting (a named pipe without a reader fails at once), written blocking.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return FileHandle(fd, path);
}

FileHandle FileHandle::OpenUnnamedIn(const std::string& folder, const std::string& path) {
#ifdef O_TMPFILE
    // LinkAs names the file through /proc (linkat of the descriptor itself needs a privilege).
    static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
    if (linkable) {
        const int fd = OpenRaw(folder, O_TMPFILE | O_WRONLY);
        if (fd >= 0) {
            return FileHandle(fd, path);
        }
    }
#endif
    return FileHandle();
}

bool FileHandle::LinkAs(const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(m_Native);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    throw FileError::FromErrno(path, errno);
}

bool FileHandle::IsOpen() const noexcept {
    return m_Native != Invalid();
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
