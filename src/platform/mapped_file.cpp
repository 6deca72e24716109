// SPDX-License-Identifier: MIT
// MappedFile: mmap and pread on POSIX systems; CreateFileMapping, MapViewOfFile and positioned
// ReadFile on Windows.
#include "platform/mapped_file.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/windows_system.h"
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#endif

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "platform/file_error.h"

namespace quillon {

namespace {

// The largest single request to the system: well within what its counts can hold.
constexpr std::size_t kMaxRequest = std::size_t{1} << 30;

// A file that cannot be mapped is read in pieces of this size until it ends.
constexpr std::size_t kCopyPiece = std::size_t{1} << 20;

}  // namespace

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

void MappedFile::KeepCopy(std::vector<unsigned char> bytes) noexcept {
    bytes.shrink_to_fit();
    m_nSize = bytes.size();
    m_Copy = std::move(bytes);
    m_bCopied = true;
    m_pData = m_Copy.empty() ? nullptr : m_Copy.data();
}

#ifdef _WIN32

namespace {

HANDLE AsHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

// Reads `file` from where it stands to its end.
std::vector<unsigned char> ReadToEnd(HANDLE file, const std::string& path) {
    std::vector<unsigned char> bytes;
    for (;;) {
        const std::size_t at = bytes.size();
        bytes.resize(at + kCopyPiece);
        DWORD got = 0;
        const BOOL ok =
            ::ReadFile(file, bytes.data() + at, static_cast<DWORD>(kCopyPiece), &got, nullptr);
        bytes.resize(at + got);
        if (!ok) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) {
                break;
            }
            throw FileError(path, WindowsErrorReason(code));
        }
        if (got == 0) {
            break;
        }
    }
    return bytes;
}

}  // namespace

void MappedFile::Release() noexcept {
    if (m_pMapping != nullptr) {
        ::UnmapViewOfFile(m_pData);
        ::CloseHandle(m_pMapping);
    }
    if (AsHandle(m_nFile) != INVALID_HANDLE_VALUE) {
        ::CloseHandle(AsHandle(m_nFile));
    }
    m_pMapping = nullptr;
    m_pData = nullptr;
    m_nFile = -1;
    std::vector<unsigned char>().swap(m_Copy);
    m_bCopied = false;
}

MappedFile MappedFile::Open(const std::string& path) {
    const std::wstring wide = WidePath(path);
    // The acquisition software may go on writing the file, and others may read or rename it,
    // while it is open here.
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        // A folder cannot be opened as a file; the system calls that "access denied".
        if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            throw FileError(path, "Is a directory");
        }
        throw FileError(path, WindowsErrorReason(code));
    }
    MappedFile mapped;
    mapped.m_strPath = path;
    mapped.m_nFile = reinterpret_cast<std::intptr_t>(file);

    if (::GetFileType(file) != FILE_TYPE_DISK) {
        mapped.KeepCopy(ReadToEnd(file, path));
        return mapped;
    }

    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        throw FileError(path, WindowsErrorReason(::GetLastError()));
    }
    mapped.m_nSize = size.QuadPart > 0 ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    if (mapped.m_nSize == 0) {
        return mapped;  // an empty file cannot be mapped, and has nothing to map
    }
    // Windows refuses to cut a mapped file shorter or to write it anew, so the acquisition
    // software could not save a new measurement under the name of the file the window shows.
    // A file of ordinary size is therefore read whole and let go at once; only a file too
    // large to copy cheaply is mapped (and kept from being cut while it is loaded).
    if (mapped.m_nSize <= kCopiedUpTo) {
        mapped.KeepCopy(ReadToEnd(file, path));
        ::CloseHandle(file);
        mapped.m_nFile = -1;
        return mapped;
    }
    if (mapped.m_nSize > std::numeric_limits<std::size_t>::max()) {
        throw FileError(path, WindowsErrorReason(ERROR_NOT_ENOUGH_MEMORY));
    }
    // The mapping is asked for the size just taken: should the file have shrunk since, this
    // fails instead of leaving a view that ends before the size says.
    HANDLE mapping =
        ::CreateFileMappingW(file, nullptr, PAGE_READONLY, static_cast<DWORD>(mapped.m_nSize >> 32),
                             static_cast<DWORD>(mapped.m_nSize & 0xFFFFFFFFu), nullptr);
    if (mapping == nullptr) {
        throw FileError(path, WindowsErrorReason(::GetLastError()));
    }
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(mapped.m_nSize));
    if (view == nullptr) {
        const DWORD code = ::GetLastError();
        ::CloseHandle(mapping);
        throw FileError(path, WindowsErrorReason(code));
    }
    mapped.m_pMapping = mapping;
    mapped.m_pData = static_cast<const unsigned char*>(view);
    return mapped;
}

bool MappedFile::Changed() const noexcept {
    return false;  // a mapped file cannot be cut shorter
}

bool MappedFile::Shrunk() const noexcept {
    LARGE_INTEGER size{};
    return !m_bCopied && AsHandle(m_nFile) != INVALID_HANDLE_VALUE &&
           ::GetFileSizeEx(AsHandle(m_nFile), &size) &&
           static_cast<std::uint64_t>(std::max<LONGLONG>(size.QuadPart, 0)) < m_nSize;
}

std::size_t MappedFile::ReadFromSystem(std::uint64_t offset, void* dst, std::size_t k) const {
    auto* out = static_cast<unsigned char*>(dst);
    std::size_t got = 0;
    while (got < k) {
        OVERLAPPED at{};
        const std::uint64_t position = offset + got;
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD n = 0;
        const auto ask = static_cast<DWORD>(std::min(k - got, kMaxRequest));
        if (!::ReadFile(AsHandle(m_nFile), out + got, ask, &n, &at)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF) {
                break;
            }
            throw FileError(m_strPath, WindowsErrorReason(code));
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return got;
}

#else  // POSIX

namespace {

// Reading a page of a map that lies beyond the end of its file, which someone cut shorter after
// it was mapped, raises SIGBUS. The guard takes that signal for the maps it knows: it puts a
// page of zeros in the place of the lost one, notes that the file changed, and lets the read go
// on. Faults anywhere else go to whatever handled SIGBUS before.
struct GuardedMap {
    std::atomic<bool> used{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> changed{false};
};
constexpr int kGuardedMaps = 256;
GuardedMap g_GuardedMaps[kGuardedMaps];
struct sigaction g_PreviousBusAction {};
std::uintptr_t g_nPageSize = 0;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedMap& map : g_GuardedMaps) {
        // A map is published begin first and withdrawn end first: a range half written or
        // half withdrawn is empty, never too wide.
        if (address >= map.begin.load() && address < map.end.load()) {
            void* const page = reinterpret_cast<void*>(address & ~(g_nPageSize - 1));
            if (::mmap(page, static_cast<std::size_t>(g_nPageSize), PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
                map.changed.store(true);
                return;
            }
        }
    }
    if ((g_PreviousBusAction.sa_flags & SA_SIGINFO) != 0) {
        g_PreviousBusAction.sa_sigaction(signal, info, context);
    } else if (g_PreviousBusAction.sa_handler != SIG_DFL &&
               g_PreviousBusAction.sa_handler != SIG_IGN) {
        g_PreviousBusAction.sa_handler(signal);
    } else {
        // As if there were no guard: the read faults again and ends the program.
        std::signal(SIGBUS, SIG_DFL);
    }
}

// Puts the map of size bytes at begin under the guard; returns its place, or -1 when every
// place is taken (the map is then read unguarded).
int GuardMap(const unsigned char* begin, std::uint64_t size) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        g_nPageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_PreviousBusAction);
    });
    for (int i = 0; i < kGuardedMaps; ++i) {
        GuardedMap& map = g_GuardedMaps[i];
        bool free = false;
        if (map.used.compare_exchange_strong(free, true)) {
            map.changed.store(false);
            const auto first = reinterpret_cast<std::uintptr_t>(begin);
            map.begin.store(first);
            map.end.store(first + static_cast<std::uintptr_t>(size));
            return i;
        }
    }
    return -1;
}

void UnguardMap(int index) {
    GuardedMap& map = g_GuardedMaps[index];
    map.end.store(0);
    map.begin.store(0);
    map.used.store(false);
}

}  // namespace

bool MappedFile::Changed() const noexcept {
    return m_nGuard >= 0 && g_GuardedMaps[m_nGuard].changed.load();
}

bool MappedFile::Shrunk() const noexcept {
    struct stat info {};
    return !m_bCopied && m_nFile >= 0 && ::fstat(static_cast<int>(m_nFile), &info) == 0 &&
           static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0)) < m_nSize;
}

void MappedFile::Release() noexcept {
    if (m_nGuard >= 0) {
        UnguardMap(m_nGuard);
        m_nGuard = -1;
    }
    if (m_pData != nullptr && !m_bCopied) {
        ::munmap(const_cast<unsigned char*>(m_pData), static_cast<std::size_t>(m_nSize));
    }
    if (m_nFile >= 0) {
        ::close(static_cast<int>(m_nFile));
    }
    m_pData = nullptr;
    m_nFile = -1;
    std::vector<unsigned char>().swap(m_Copy);
    m_bCopied = false;
}

MappedFile MappedFile::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError::FromErrno(path, errno);
    }
    MappedFile mapped;
    mapped.m_strPath = path;
    mapped.m_nFile = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw FileError::FromErrno(path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        throw FileError::FromErrno(path, EISDIR);
    }

    if (!S_ISREG(info.st_mode)) {
        // A pipe or a device has no size to map: its bytes are read until it ends.
        std::vector<unsigned char> bytes;
        for (;;) {
            const std::size_t at = bytes.size();
            bytes.resize(at + kCopyPiece);
            const ssize_t n = ::read(fd, bytes.data() + at, kCopyPiece);
            bytes.resize(at + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw FileError::FromErrno(path, errno);
            }
            if (n == 0) {
                break;
            }
        }
        mapped.KeepCopy(std::move(bytes));
        return mapped;
    }

    mapped.m_nSize = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    if (mapped.m_nSize == 0) {
        return mapped;  // nothing to map
    }
    if (mapped.m_nSize > std::numeric_limits<std::size_t>::max()) {
        throw FileError::FromErrno(path, EFBIG);
    }
    void* view =
        ::mmap(nullptr, static_cast<std::size_t>(mapped.m_nSize), PROT_READ, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        throw FileError::FromErrno(path, errno);
    }
    mapped.m_pData = static_cast<const unsigned char*>(view);
    mapped.m_nGuard = GuardMap(mapped.m_pData, mapped.m_nSize);
    return mapped;
}

std::size_t MappedFile::ReadFromSystem(std::uint64_t offset, void* dst, std::size_t k) const {
    auto* out = static_cast<unsigned char*>(dst);
    std::size_t got = 0;
    while (got < k) {
        const ssize_t n = ::pread(static_cast<int>(m_nFile), out + got,
                                  std::min(k - got, kMaxRequest), static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileError::FromErrno(m_strPath, errno);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

#endif

}  // namespace quillon
