// FileReader: buffered, forward-only reading of a binary file with POSIX calls.
#include "platform/file_reader.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_error.h"

namespace quillon {

namespace {
constexpr std::size_t kBufferSize = 1u << 18;  // 256 KiB
// Parts handed to the system in one scattered read.
#ifdef IOV_MAX
constexpr std::size_t kMaxParts = IOV_MAX;
#else
constexpr std::size_t kMaxParts = 1024;
#endif
}  // namespace

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
    m_nSizeAtOpen = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
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

std::size_t FileReader::ReadScattered(std::span<const Part> parts) {
    std::size_t got = 0;
    std::size_t first = 0;   // the first part not filled yet
    std::size_t offset = 0;  // bytes of it filled
    // What the buffer holds comes first.
    while (first < parts.size() && m_nBufPos < m_nBufEnd) {
        const Part& part = parts[first];
        const std::size_t take = std::min(part.size - offset, m_nBufEnd - m_nBufPos);
        if (take > 0) {  // an empty part may have no storage at all
            std::memcpy(static_cast<unsigned char*>(part.data) + offset,
                        m_pBuffer.get() + m_nBufPos, take);
        }
        m_nBufPos += take;
        offset += take;
        got += take;
        if (offset == part.size) {
            ++first;
            offset = 0;
        }
    }
    if (first < parts.size() && !m_bAtEnd) {
        // The rest of a part the buffer filled partly, then the whole parts after it.
        if (offset > 0) {
            const Part& part = parts[first];
            const std::size_t want = part.size - offset;
            const std::size_t n =
                ReadFromSystem(static_cast<unsigned char*>(part.data) + offset, want);
            got += n;
            ++first;
            if (n < want) {
                first = parts.size();
            }
        }
        got += ReadScatteredFromSystem(parts.subspan(first));
    }
    m_nDelivered += got;
    return got;
}

std::size_t FileReader::ReadScatteredFromSystem(std::span<const Part> parts) {
    iovec vec[kMaxParts];
    std::size_t got = 0;
    std::size_t next = 0;  // the next part not handed to the system yet
    while (next < parts.size() && !m_bAtEnd) {
        const std::size_t count = std::min(parts.size() - next, kMaxParts);
        std::size_t wanted = 0;
        for (std::size_t i = 0; i < count; ++i) {
            vec[i].iov_base = parts[next + i].data;
            vec[i].iov_len = parts[next + i].size;
            wanted += parts[next + i].size;
        }
        // The system may deliver fewer bytes than asked without being at the end (a signal):
        // ask again for what is missing, from where it stopped.
        iovec* v = vec;
        std::size_t left = count;
        std::size_t batch = 0;
        while (batch < wanted && !m_bAtEnd) {
            const ssize_t n = ::readv(m_nFd, v, static_cast<int>(left));
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw FileError::FromErrno(m_strPath, errno);
            }
            if (n == 0) {
                m_bAtEnd = true;
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
