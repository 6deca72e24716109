// SPDX-License-Identifier: MIT
// FileReader: buffered, forward-only reading of a binary file.
#include "platform/file_reader.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {
constexpr std::size_t kBufferSize = 1u << 18;  // 256 KiB
}  // namespace

void FileReader::Open(const std::string& path) {
    Close();
    FileHandle file = FileHandle::OpenForReading(path);
    m_nSizeAtOpen = file.Size();
    m_File = std::move(file);
    if (!m_pBuffer) {
        m_pBuffer = std::make_unique_for_overwrite<unsigned char[]>(kBufferSize);
    }
    m_nBufPos = m_nBufEnd = 0;
    m_nDelivered = 0;
    m_bAtEnd = false;
}

void FileReader::SeekToStart() {
    m_File.SeekToStart();
    m_nBufPos = m_nBufEnd = 0;
    m_nDelivered = 0;
    m_bAtEnd = false;
}

std::size_t FileReader::ReadFromSystem(void* dst, std::size_t k) {
    auto* out = static_cast<unsigned char*>(dst);
    std::size_t got = 0;
    while (got < k && !m_bAtEnd) {
        const std::size_t n = m_File.ReadSome(out + got, k - got);
        if (n == 0) {
            m_bAtEnd = true;
        }
        got += n;
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
    if (!FileHandle::kReadsScattered) {
        return ReadPartsThroughBuffer(parts);
    }
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
        const std::span<const Part> rest = parts.subspan(first);
        std::size_t wanted = 0;
        for (const Part& part : rest) {
            wanted += part.size;
        }
        const std::size_t n = rest.empty() ? 0 : m_File.ReadScattered(rest);
        if (n < wanted) {
            m_bAtEnd = true;
        }
        got += n;
    }
    m_nDelivered += got;
    return got;
}

std::size_t FileReader::ReadPartsThroughBuffer(std::span<const Part> parts) {
    // Read delivers fewer bytes than asked only at the end of the file, so the parts after a
    // short one stay as they were. Read counts what it delivers itself.
    std::size_t got = 0;
    for (const Part& part : parts) {
        if (part.size == 0) {
            continue;
        }
        const std::size_t n = Read(part.data, part.size);
        got += n;
        if (n < part.size) {
            break;
        }
    }
    return got;
}

void FileReader::Close() {
    m_File.Close();
}

}  // namespace quillon
