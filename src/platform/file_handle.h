// SPDX-License-Identifier: MIT
// FileHandle: the one owner of a file opened for writing through the operating system, with
// the few calls the text writer makes on it. POSIX systems and Windows each implement it in a file
// of their own; everything above it is the same on both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

// How an existing file is treated when it is opened for writing. Every mode creates a missing
// file, and every mode stores bytes exactly as they are written (no text-mode translation).
enum class WriteMode {
    kTruncate,  // old content discarded; a link is written through to its target
    kAppend,    // old content kept, every write goes to the end
    // The name ends up holding a new file with only what is written to it. An existing plain
    // file that has no other name is emptied in place, which spares the system a delete and a
    // create; anything else (a link, a file with other names, a file that cannot be opened for
    // writing) is deleted first, so that what the name pointed to stays as it was.
    kReplace,
};

#ifdef _WIN32
using NativeFile = void*;
#else
using NativeFile = int;
#endif

class FileHandle {
  public:
    FileHandle() = default;
    // Closes an open file; a failure to close is not reported here (call Close for that).
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Opens a file for writing as the mode says; raises FileError when it cannot be opened.
    static FileHandle OpenForWriting(const std::string& path, WriteMode mode);

#ifndef _WIN32
    // A file without a name in `folder` (Linux's O_TMPFILE): it gets its name at once, whole,
    // from LinkAs, and disappears with its handle if it never does; one directory change where
    // a temporary name and a rename make three. An invalid handle where the system or the
    // folder does not offer it (nothing is raised).
    static FileHandle OpenUnnamedIn(const std::string& folder, const std::string& path);
    // Gives such a file the name `path`: false when the name exists already; raises FileError
    // naming `path` for any other failure.
    bool LinkAs(const std::string& path);
#endif

    bool IsOpen() const noexcept;
    const std::string& Path() const noexcept {
        return m_strPath;
    }

    // Writes all bytes, in as many requests as the system needs. Raises FileError.
    void WriteAll(const void* data, std::size_t size);

    // Closes the file; a failure raises FileError. Closing a closed handle does nothing.
    void Close();

  private:
    // A HANDLE on Windows, a file descriptor elsewhere.
    using Native = NativeFile;
    static Native Invalid() noexcept;

    FileHandle(Native native, std::string path) : m_Native(native), m_strPath(std::move(path)) {}

    Native m_Native = Invalid();
    std::string m_strPath;
};

}  // namespace quillon
