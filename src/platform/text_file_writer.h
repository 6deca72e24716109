// SPDX-License-Identifier: MIT
// TextFileWriter: writes text blocks to a file in the text mode of the converter's outputs:
// every "\n" is stored as CR LF, every other byte as itself. No byte-order mark, no header.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace quillon {

// Appends text to out with every "\n" stored as CR LF, copying the runs between line feeds in
// bulk: the text mode of every output file.
void AppendCrLf(std::string& out, std::string_view text);

class TextFileWriter {
  public:
    // How an existing file is treated (see WriteMode): kTruncate discards its content,
    // kAppend keeps it, kReplace gives the name a file of the new content alone, emptying the
    // old file in place where that changes nothing else.
    using OpenMode = WriteMode;

    TextFileWriter() = default;
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Opens the file for writing; raises FileError when it cannot be opened.
    void Open(const std::string& path, OpenMode mode);

#ifndef _WIN32
    // Opens a file without a name in `folder` (see FileHandle::OpenUnnamedIn), its errors
    // naming `path`; false, and nothing open, where the system does not offer one.
    bool OpenUnnamed(const std::string& folder, const std::string& path);
    // Names the file opened so: false when the name exists already (see FileHandle::LinkAs).
    bool LinkAs(const std::string& path) {
        return m_File.LinkAs(path);
    }
#endif

    // Writes a whole block with one system call (more only if the system takes it in parts),
    // turning each "\n" into CR LF. Raises FileError on a failed write.
    void WriteString(std::string_view text);

    // Writes bytes that are already in the stored form (CR LF line ends) as they are, with one
    // system call. Raises FileError on a failed write.
    void WriteBytes(std::string_view bytes);

    // Closes the file; a failure raises FileError. Closing a closed writer does nothing.
    void Close();

    bool IsOpen() const noexcept {
        return m_File.IsOpen();
    }
    const std::string& Path() const noexcept {
        return m_strPath;
    }

  private:
    void WriteAll(const char* data, std::size_t size);

    FileHandle m_File;
    std::string m_strPath;         // the last file opened, also after it was closed
    std::uint64_t m_nWritten = 0;  // bytes written to it since it was opened
    // The block with CR LF line ends; kept from block to block and file to file, so that a
    // conversion allocates it once, at the size of its largest block.
    std::string m_strCrLf;
};

}  // namespace quillon
