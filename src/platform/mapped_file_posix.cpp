// SPDX-License-Identifier: MIT
// MappedFile on POSIX systems: mmap with a guard against a file cut shorter while mapped, and
// pread.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_error.h"
#include "platform/mapped_file.h"
#include "platform/mapped_file_system.h"

namespace quillon {

using mapped_file::kMaxRequest;

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

namespace {

// What a name that is no regular file is instead, for the message that refuses it.
std::string KindName(mode_t mode) {
    if (S_ISFIFO(mode)) {
        return "a named pipe";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    return "an entry of another kind";
}

}  // namespace

MappedFile MappedFile::Open(const std::string& path) {
    // What the name is, asked before it is opened: opening a device may act on it (a tape
    // rewinds), and opening a named pipe waits for a writer.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        throw FileError::NotRegularFile(path, KindName(info.st_mode));
    }
    // Should the name have been replaced since, the open still neither waits on a pipe nor
    // makes a terminal this program's own; what it opened is asked again below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        throw FileError::FromErrno(path, errno);
    }
    MappedFile mapped;
    mapped.m_strPath = path;
    mapped.m_nFile = fd;
    if (::fstat(fd, &info) != 0) {
        throw FileError::FromErrno(path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        throw FileError::FromErrno(path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        throw FileError::NotRegularFile(path, KindName(info.st_mode));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

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
        // A file system that cannot map its files: the size taken above is read, no more.
        mapped.CopyWhole();
        return mapped;
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

}  // namespace quillon
