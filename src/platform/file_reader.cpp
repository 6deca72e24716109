// FileReader: buffered, forward-only reading of a binary file with POSIX calls.
#include "platform/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_error.h"

namespace quillon {

namespace {
constexpr std::size_t kBufferSize = 1u << 18;  // 256 KiB
}

FileReader::~FileReader() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
    }
}

void FileReader::Open(const std::string& path) {
    Close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError::FromErrno(path, errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int err = errno;
        ::close(fd);
        throw FileError::FromErrno(path, err);
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw FileError::FromErrno(path, EISDIR);
    }
    m_nFd = fd;
    m_strPath = path;
    if (!m_pBuffer) {
        m_pBuffer = std::make_unique_for_overwrite<unsigned char[]>(kBufferSize);
    }
    m_nBufPos = m_nBufEnd = 0;
    m_nDelivered = 0;
    m_bAtEnd = false;
}

void FileReader::SeekToStart() {
    if (::lseek(m_nFd, 0, SEEK_SET) < 0) {
        throw FileError::FromErrno(m_strPath, errno);
    }
    m_nBufPos = m_nBufEnd = 0;
    m_nDelivered = 0;
    m_bAtEnd = false;
}

std::size_t FileReader::ReadFromSystem(void* dst, std::size_t k) {
    auto* out = static_cast<unsigned char*>(dst);
    std::size_t got = 0;
    while (got < k && !m_bAtEnd) {
        const ssize_t n = ::read(m_nFd, out + got, k - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileError::FromErrno(m_strPath, errno);
        }
        if (n == 0) {
            m_bAtEnd = true;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

std::size_t FileReader::Read(void* dst, std::size_t k) {
    auto* out = static_cast<unsigned char*>(dst);
    std::size_t got = 0;
    while (got < k) {
        if (m_nBufPos < m_nBufEnd) {
            const std::size_t take = std::min(k - got, m_nBufEnd - m_nBufPos);
            std::memcpy(out + got, m_pBuffer.get() + m_nBufPos, take);
            m_nBufPos += take;
            got += take;
            continue;
        }
        if (m_bAtEnd) {
            break;
        }
        // Large requests bypass the buffer: the bytes go straight into the caller's array.
        if (k - got >= kBufferSize) {
            got += ReadFromSystem(out + got, k - got);
            continue;
        }
        m_nBufPos = 0;
        m_nBufEnd = ReadFromSystem(m_pBuffer.get(), kBufferSize);
    }
    m_nDelivered += got;
    return got;
}

void FileReader::Close() {
    if (m_nFd < 0) {
        return;
    }
    const int fd = m_nFd;
    m_nFd = -1;
    if (::close(fd) != 0) {
        throw FileError::FromErrno(m_strPath, errno);
    }
}

}  // namespace quillon
