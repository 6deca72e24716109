// ChunkedOutput: bytes gathered in a buffer of about a megabyte and handed to an output file a
// chunk at a time, so that an export of any size needs no more memory than that.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/output_files.h"

namespace quillon {

class ChunkedOutput {
  public:
    static constexpr std::size_t kChunk = 1u << 20;

    explicit ChunkedOutput(OutputFiles& files) : m_Files(files) { m_Buffer.resize(kChunk); }

    // Room for `size` bytes at the returned pointer; Commit(end) keeps what was written there.
    char* Room(std::size_t size) {
        if (m_nUsed + size > m_Buffer.size()) {
            Flush();
            if (size > m_Buffer.size()) {
                m_Buffer.resize(size);
            }
        }
        return m_Buffer.data() + m_nUsed;
    }
    void Commit(const char* end) { m_nUsed = static_cast<std::size_t>(end - m_Buffer.data()); }

    void Append(std::string_view bytes) {
        char* const p = Room(bytes.size());
        bytes.copy(p, bytes.size());
        Commit(p + bytes.size());
    }

    // Writes what is gathered (as it is: the bytes are in their stored form).
    void Flush() {
        if (m_nUsed > 0) {
            m_Files.WriteBytes(std::string_view(m_Buffer.data(), m_nUsed));
            m_nUsed = 0;
        }
    }

  private:
    OutputFiles& m_Files;
    std::string m_Buffer;
    std::size_t m_nUsed = 0;
};

}  // namespace quillon
