// SPDX-License-Identifier: MIT
// TextFileWriter: CR LF text output, each block written with one request to the system.
#include "platform/text_file_writer.h"

#include <cstring>

#include "platform/file_error.h"
#include "platform/write_fault.h"

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

void TextFileWriter::Open(const std::string& path, OpenMode mode) {
    Close();
    m_strPath = path;
    m_File = FileHandle::OpenForWriting(path, mode);
    m_nWritten = 0;
}

#ifndef _WIN32
bool TextFileWriter::OpenUnnamed(const std::string& folder, const std::string& path) {
    Close();
    m_File = FileHandle::OpenUnnamedIn(folder, path);
    m_strPath = path;
    m_nWritten = 0;
    return m_File.IsOpen();
}
#endif

void TextFileWriter::WriteString(std::string_view text) {
    m_strCrLf.clear();
    AppendCrLf(m_strCrLf, text);
    WriteAll(m_strCrLf.data(), m_strCrLf.size());
}

void TextFileWriter::WriteBytes(std::string_view bytes) {
    WriteAll(bytes.data(), bytes.size());
}

void TextFileWriter::WriteAll(const char* data, std::size_t size) {
    if (!m_File.IsOpen()) {
        throw FileError(m_strPath, "the file is not open");
    }
    const std::size_t allowed = WritableBeforeFault(m_nWritten, size);
    m_File.WriteAll(data, allowed);
    m_nWritten += allowed;
    if (allowed < size) {
        throw FileError(m_strPath, kDiskFullReason);
    }
}

void TextFileWriter::Close() {
    m_File.Close();
}

}  // namespace quillon
