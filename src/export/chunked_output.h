// SPDX-License-Identifier: MIT
// ChunkedOutput: bytes gathered in a buffer of at most a megabyte and handed to an output file
// a chunk at a time, so that an export of any size needs no more memory than that. The buffer
// starts small and grows only as far as the output needs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/output_files.h"
#include "scanfile/scan_file.h"

namespace quillon {

class ChunkedOutput {
  public:
    static constexpr std::size_t kChunk = 1u << 20;

    explicit ChunkedOutput(OutputFiles& files) : m_Files(files) {}

    // Room for `size` bytes at the returned pointer; Commit(end) keeps what was written there.
    char* Room(std::size_t size) {
        if (m_nUsed + size > m_nCapacity) {
            if (m_nCapacity < kChunk || size > m_nCapacity) {
                Grow(std::max({std::min(kChunk, 2 * m_nCapacity), m_nUsed + size, kFirst}));
            } else {
                Flush();
            }
        }
        return m_pBuffer.get() + m_nUsed;
    }
    void Commit(const char* end) { m_nUsed = static_cast<std::size_t>(end - m_pBuffer.get()); }

    void Append(std::string_view bytes) {
        char* const p = Room(bytes.size());
        bytes.copy(p, bytes.size());
        Commit(p + bytes.size());
    }

    // Bytes gathered elsewhere (a block made on another thread), after what is gathered here.
    // A block of some size goes to the file as it is: copied into the buffer first, a block of
    // counts costs a third as much again as formatting it.
    void Write(std::string_view bytes) {
        if (bytes.size() < kDirect) {
            Append(bytes);
            return;
        }
        Flush();
        m_Files.WriteBytes(bytes);
    }

    // Writes what is gathered (as it is: the bytes are in their stored form).
    void Flush() {
        if (m_nUsed > 0) {
            m_Files.WriteBytes(std::string_view(m_pBuffer.get(), m_nUsed));
            m_nUsed = 0;
        }
    }

  private:
    static constexpr std::size_t kFirst = 4096;
    static constexpr std::size_t kDirect = 64u << 10;

    void Grow(std::size_t capacity) {
        auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
        if (m_nUsed > 0) {
            std::memcpy(buffer.get(), m_pBuffer.get(), m_nUsed);
        }
        m_pBuffer = std::move(buffer);
        m_nCapacity = capacity;
    }

    OutputFiles& m_Files;
    std::unique_ptr<char[]> m_pBuffer;
    std::size_t m_nCapacity = 0;
    std::size_t m_nUsed = 0;
};

// The bytes of one block of an export, made whole in memory (a block is small) with the same
// Room and Commit as ChunkedOutput, so that the same formatting serves both.
class ByteBlock {
  public:
    char* Room(std::size_t size) {
        if (m_nUsed + size > m_nCapacity) {
            Reserve(std::max(2 * m_nCapacity, m_nUsed + size));
        }
        return m_pBuffer.get() + m_nUsed;
    }
    // Room for `capacity` bytes in all from now on: a block whose longest text is known takes
    // its memory once instead of growing (and copying) step by step; pages never written to
    // cost nothing.
    void Reserve(std::size_t capacity) {
        if (capacity <= m_nCapacity) {
            return;
        }
        auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
        if (m_nUsed > 0) {
            std::memcpy(buffer.get(), m_pBuffer.get(), m_nUsed);
        }
        m_pBuffer = std::move(buffer);
        m_nCapacity = capacity;
    }
    void Commit(const char* end) { m_nUsed = static_cast<std::size_t>(end - m_pBuffer.get()); }
    void Append(std::string_view bytes) {
        char* const p = Room(bytes.size());
        bytes.copy(p, bytes.size());
        Commit(p + bytes.size());
    }
    void Clear() { m_nUsed = 0; }
    std::string_view Bytes() const { return {m_pBuffer.get(), m_nUsed}; }

  private:
    std::unique_ptr<char[]> m_pBuffer;
    std::size_t m_nCapacity = 0;
    std::size_t m_nUsed = 0;
};

// Writes an export of `file` to `path` through `write(ChunkedOutput&)` and keeps it only when it
// is complete and the file still holds what was read in place (scans of a file cut shorter
// since it was loaded read as 0); otherwise the output is discarded and the error raised again.
template <typename Write>
void WriteWholeExport(const ScanFile& file, const std::string& path, OutputFiles& files,
                      Write write) {
    files.Open(path, TextFileWriter::OpenMode::kTruncate);
    try {
        ChunkedOutput out(files);
        write(out);
        out.Flush();
        file.CheckUnchanged();
        files.Close();
    } catch (...) {
        files.Discard();
        throw;
    }
}

}  // namespace quillon
