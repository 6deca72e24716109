// SPDX-License-Identifier: MIT
// FileReader: reads a binary file front to back through a large buffer, so that loading a
// scan data file costs one system call per buffer, not one per field; and reads many fields
// at once straight into their places (ReadScattered), so that the bulk of a file is copied
// only once, by the system where it can read scattered, through the buffer where it cannot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/file_handle.h"

namespace quillon {

class FileReader {
  public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens the file read-only. A missing file, a folder or a file without read access
    // raises FileError.
    void Open(const std::string& path);

    // Moves to the first byte of the file.
    void SeekToStart();

    // Asks for k bytes at the current position and stores what arrives at dst. Returns the
    // number of bytes delivered: fewer than k only at the end of the file, 0 once it is
    // reached. A read error raises FileError.
    std::size_t Read(void* dst, std::size_t k);

    // One destination of a scattered read.
    using Part = ReadPart;
    // Reads into each part in turn, as consecutive Read calls would: the bytes fill the parts
    // in order and the parts after the last byte delivered are left as they were. Returns the
    // total delivered, less than the parts' total only at the end of the file. A read error
    // raises FileError.
    std::size_t ReadScattered(std::span<const Part> parts);

    // The size the file had when it was opened (it may change while it is read).
    std::uint64_t SizeAtOpen() const noexcept { return m_nSizeAtOpen; }

    // Closes the file; a failure raises FileError. Closing a closed reader does nothing.
    void Close();

    // Total bytes delivered by Read since the last SeekToStart.
    std::size_t Delivered() const noexcept { return m_nDelivered; }

  private:
    std::size_t ReadFromSystem(void* dst, std::size_t k);
    std::size_t ReadPartsThroughBuffer(std::span<const Part> parts);

    FileHandle m_File;
    std::unique_ptr<unsigned char[]> m_pBuffer;  // allocated at the first open, kept after
    std::size_t m_nBufPos = 0;
    std::size_t m_nBufEnd = 0;
    std::size_t m_nDelivered = 0;
    std::uint64_t m_nSizeAtOpen = 0;
    bool m_bAtEnd = false;
};

}  // namespace quillon
