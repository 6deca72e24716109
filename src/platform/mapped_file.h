// SPDX-License-Identifier: MIT
// MappedFile: a file opened read-only and mapped into memory, so that its bytes are read where
// they lie instead of being copied, whatever the file's size. Its size is taken once, at open;
// ReadAt reads through the file itself, which a file that shrank since cannot turn into a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

class MappedFile {
  public:
    // Opens the file at path (UTF-8) and maps it whole. A missing file, a folder or a file
    // without read access raises FileError; so does anything that is not a regular file, a
    // link to one included (a named pipe, a socket, a device; on Windows also the device
    // names CON, NUL, COM1 ... and "\\.\" paths), before a byte of it is read and without
    // waiting on a pipe that has no writer. A file that cannot be mapped is read into memory
    // instead, up to the size it had when it was opened and never further.
    static MappedFile Open(const std::string& path);

    // On Windows, files up to this size are read whole at open and let go, rather than mapped:
    // Windows refuses to cut a mapped file shorter or to write it anew.
    static constexpr std::uint64_t kCopiedUpTo = std::uint64_t{32} << 20;

    MappedFile() = default;
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const std::string& Path() const noexcept { return m_strPath; }
    // The size at open: Data() holds this many bytes.
    std::uint64_t Size() const noexcept { return m_nSize; }
    // The mapped bytes (nullptr for an empty file). Should someone cut the file shorter while
    // it is mapped, the bytes it no longer holds read as 0 and Changed() turns true: on POSIX
    // systems a guard takes the fault (SIGBUS) that reading them raises; Windows refuses to cut
    // a mapped file. Code that reads a whole file, such as a conversion, reads through ReadAt
    // instead, which also keeps the pages of the map from adding to the memory in use.
    const unsigned char* Data() const noexcept { return m_pData; }
    // True once a read of Data() met bytes the file no longer holds.
    bool Changed() const noexcept;
    // True when the file, asked now, holds fewer bytes than at open. Catches a cut that a read
    // of the map cannot notice: the rest of the page the file now ends in reads as 0 without
    // a fault. A file read whole at open never shrinks.
    bool Shrunk() const noexcept;

    // Reads up to k bytes from offset through the file, not the map: bytes that are no longer
    // there are simply not delivered. Returns the bytes delivered, fewer than k only where the
    // file ends now. A read error raises FileError.
    std::size_t ReadAt(std::uint64_t offset, void* dst, std::size_t k) const;
    // Reads the bytes from offset to offset + k that lie within the size at open; the rest of
    // dst is left as it is. When the file no longer delivers them all, it has been cut shorter
    // since it was opened: raises FileError "the file changed while it was read".
    void ReadWithinSize(std::uint64_t offset, void* dst, std::size_t k) const;

  private:
    void Release() noexcept;
    // Reads the file into memory, up to Size() bytes (fewer when it has been cut shorter since
    // it was opened), and serves its bytes from there.
    void CopyWhole();
    std::size_t ReadFromSystem(std::uint64_t offset, void* dst, std::size_t k) const;

    std::string m_strPath;
    std::uint64_t m_nSize = 0;
    const unsigned char* m_pData = nullptr;
    // The system's objects: a file descriptor (POSIX), or the file and mapping handles
    // (Windows); unused ones are left at their empty value.
    std::intptr_t m_nFile = -1;
    void* m_pMapping = nullptr;
    // The bytes of a file that is not mapped, read at open.
    bool m_bCopied = false;
    std::vector<unsigned char> m_Copy;
    // Where the guard against a file cut shorter keeps this map, or -1.
    int m_nGuard = -1;
};

}  // namespace quillon
