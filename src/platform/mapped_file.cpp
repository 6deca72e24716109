// SPDX-License-Identifier: MIT
// MappedFile: what POSIX systems and Windows share, moving the object and serving the bytes of
// a file read whole at open. mapped_file_posix.cpp and mapped_file_win32.cpp open, map and read.
#include "platform/mapped_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "platform/file_error.h"

namespace quillon {

MappedFile::~MappedFile() {
    Release();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_strPath(std::move(other.m_strPath)),
      m_nSize(std::exchange(other.m_nSize, 0)),
      m_pData(std::exchange(other.m_pData, nullptr)),
      m_nFile(std::exchange(other.m_nFile, -1)),
      m_pMapping(std::exchange(other.m_pMapping, nullptr)),
      m_bCopied(std::exchange(other.m_bCopied, false)),
      m_Copy(std::move(other.m_Copy)),
      m_nGuard(std::exchange(other.m_nGuard, -1)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Release();
        m_strPath = std::move(other.m_strPath);
        m_nSize = std::exchange(other.m_nSize, 0);
        m_pData = std::exchange(other.m_pData, nullptr);
        m_nFile = std::exchange(other.m_nFile, -1);
        m_pMapping = std::exchange(other.m_pMapping, nullptr);
        m_bCopied = std::exchange(other.m_bCopied, false);
        m_Copy = std::move(other.m_Copy);
        m_nGuard = std::exchange(other.m_nGuard, -1);
    }
    return *this;
}

std::size_t MappedFile::ReadAt(std::uint64_t offset, void* dst, std::size_t k) const {
    if (!m_bCopied) {
        return ReadFromSystem(offset, dst, k);
    }
    const std::uint64_t from = std::min(offset, m_nSize);
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(k, m_nSize - from));
    if (take > 0) {
        std::memcpy(dst, m_Copy.data() + from, take);
    }
    return take;
}

void MappedFile::ReadWithinSize(std::uint64_t offset, void* dst, std::size_t k) const {
    if (offset >= m_nSize) {
        return;
    }
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(k, m_nSize - offset));
    if (ReadAt(offset, dst, want) < want) {
        throw FileError(m_strPath, "the file changed while it was read");
    }
}

void MappedFile::CopyWhole() {
    std::vector<unsigned char> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(m_nSize));
    } catch (const std::bad_alloc&) {
        throw FileError(m_strPath, "the file is too large to be read into memory");
    }
    bytes.resize(ReadFromSystem(0, bytes.data(), bytes.size()));
    bytes.shrink_to_fit();
    m_nSize = bytes.size();
    m_Copy = std::move(bytes);
    m_bCopied = true;
    m_pData = m_Copy.empty() ? nullptr : m_Copy.data();
}

}  // namespace quillon
