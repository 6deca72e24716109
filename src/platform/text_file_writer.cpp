// TextFileWriter: CR LF text output through a buffer, with POSIX calls.
#include "platform/text_file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_error.h"

namespace quillon {

namespace {
constexpr std::size_t kBufferSize = 1u << 20;  // 1 MiB
}

TextFileWriter::~TextFileWriter() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
    }
}

void TextFileWriter::Open(const std::string& path, OpenMode mode) {
    Close();
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    flags |= (mode == OpenMode::kTruncate) ? O_TRUNC : O_APPEND;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        throw FileError::FromErrno(path, errno);
    }
    m_nFd = fd;
    m_strPath = path;
    m_Buffer.resize(kBufferSize);
    m_nUsed = 0;
}

void TextFileWriter::WriteString(std::string_view text) {
    if (m_nFd < 0) {
        throw FileError(m_strPath, "the file is not open");
    }
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        // Leave room for one CR LF pair at the end of the buffer.
        if (m_Buffer.size() - m_nUsed < 2) {
            Flush();
        }
        const std::size_t room = m_Buffer.size() - m_nUsed - 1;
        const std::size_t span = std::min(room, static_cast<std::size_t>(end - p));
        const void* nl = std::memchr(p, '\n', span);
        const std::size_t run =
            nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - p) : span;
        std::memcpy(m_Buffer.data() + m_nUsed, p, run);
        m_nUsed += run;
        p += run;
        if (nl) {
            m_Buffer[m_nUsed++] = '\r';
            m_Buffer[m_nUsed++] = '\n';
            ++p;
        }
    }
}

void TextFileWriter::Flush() {
    std::size_t done = 0;
    while (done < m_nUsed) {
        const ssize_t n = ::write(m_nFd, m_Buffer.data() + done, m_nUsed - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int err = errno;
            m_nUsed = 0;
            throw FileError::FromErrno(m_strPath, err);
        }
        done += static_cast<std::size_t>(n);
    }
    m_nUsed = 0;
}

void TextFileWriter::Close() {
    if (m_nFd < 0) {
        return;
    }
    try {
        Flush();
    } catch (...) {
        ::close(m_nFd);
        m_nFd = -1;
        throw;
    }
    const int fd = m_nFd;
    m_nFd = -1;
    if (::close(fd) != 0) {
        throw FileError::FromErrno(m_strPath, errno);
    }
}

}  // namespace quillon
