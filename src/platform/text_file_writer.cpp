// TextFileWriter: CR LF text output through a buffer, with POSIX calls.
#include "platform/text_file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_error.h"

namespace quillon {

void AppendCrLf(std::string& out, std::string_view text) {
    out.reserve(out.size() + text.size() + text.size() / 8);
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const char* const runEnd = nl ? static_cast<const char*>(nl) : end;
        out.append(p, runEnd);
        if (nl == nullptr) {
            break;
        }
        out.append("\r\n", 2);
        p = runEnd + 1;
    }
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
}

void TextFileWriter::WriteString(std::string_view text) {
    if (m_nFd < 0) {
        throw FileError(m_strPath, "the file is not open");
    }
    m_strCrLf.clear();
    AppendCrLf(m_strCrLf, text);
    WriteAll(m_strCrLf.data(), m_strCrLf.size());
}

void TextFileWriter::WriteBytes(std::string_view bytes) {
    if (m_nFd < 0) {
        throw FileError(m_strPath, "the file is not open");
    }
    WriteAll(bytes.data(), bytes.size());
}

void TextFileWriter::WriteAll(const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_nFd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileError::FromErrno(m_strPath, errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

void TextFileWriter::Close() {
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
