// SPDX-License-Identifier: MIT
// FolderWatch on Linux: inotify, one watch per folder, read without blocking after poll(2);
// the interrupt flag set from SIGINT, SIGTERM and SIGHUP.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>

#include "platform/file_error.h"
#include "platform/folder_watch.h"
#include "platform/utf8_path.h"

namespace quillon {

namespace {

constexpr std::uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE |
                                      IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                      IN_MOVE_SELF | IN_ONLYDIR;

volatile std::sig_atomic_t g_StopRequested = 0;

extern "C" void OnStopSignal(int) {
    g_StopRequested = 1;
}

}  // namespace

struct FolderWatch::System {
    int fd = -1;
    int rootWatch = -1;
    bool recursive = false;
    // Watch descriptor -> the folder it watches, so that an event's name becomes a path.
    std::map<int, std::string> folders;

    void Add(const std::string& folder) {
        const int watch = inotify_add_watch(fd, folder.c_str(), kFileEvents);
        if (watch < 0) {
            throw FileError::FromErrno(folder, errno);
        }
        folders[watch] = folder;
        if (rootWatch < 0) {
            rootWatch = watch;
        }
    }

    // The subfolders of `folder`, each watched in turn; links to folders are not followed,
    // so that no loop can form.
    void AddTree(const std::string& folder) {
        Add(folder);
        std::error_code error;
        for (std::filesystem::recursive_directory_iterator it(PathFromUtf8(folder), error), end;
             !error && it != end; it.increment(error)) {
            if (it->is_directory(error) && !it->is_symlink(error)) {
                Add(Utf8FromPath(it->path()));
            }
        }
    }
};

FolderWatch::FolderWatch(const std::string& folder, bool recursive)
    : m_pSystem(std::make_unique<System>()) {
    m_pSystem->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_pSystem->fd < 0) {
        throw FileError::FromErrno(folder, errno);
    }
    m_pSystem->recursive = recursive;
    try {
        if (recursive) {
            m_pSystem->AddTree(folder);
        } else {
            m_pSystem->Add(folder);
        }
    } catch (...) {
        ::close(m_pSystem->fd);
        throw;
    }
}

FolderWatch::~FolderWatch() {
    ::close(m_pSystem->fd);
}

FolderChanges FolderWatch::Wait(std::chrono::milliseconds timeout) {
    FolderChanges changes;
    pollfd ready{m_pSystem->fd, POLLIN, 0};
    const int count = ::poll(&ready, 1, static_cast<int>(timeout.count()));
    if (count <= 0) {
        // A timeout, or a signal (Ctrl+C) that the caller reads from StopRequested.
        return changes;
    }
    alignas(inotify_event) std::array<char, 64 * 1024> buffer;
    for (;;) {
        const ssize_t length = ::read(m_pSystem->fd, buffer.data(), buffer.size());
        if (length < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                break;
            }
            throw FileError::FromErrno(m_pSystem->folders[m_pSystem->rootWatch], errno);
        }
        for (ssize_t at = 0; at < length;) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const char* name = buffer.data() + at + sizeof event;
            at += static_cast<ssize_t>(sizeof event + event.len);
            if ((event.mask & IN_Q_OVERFLOW) != 0) {
                changes.overflow = true;
                continue;
            }
            const auto folder = m_pSystem->folders.find(event.wd);
            if (folder == m_pSystem->folders.end()) {
                continue;
            }
            if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                if (event.wd == m_pSystem->rootWatch) {
                    changes.folderGone = true;
                }
                if ((event.mask & IN_IGNORED) != 0) {
                    m_pSystem->folders.erase(folder);
                }
                continue;
            }
            if (event.len == 0) {
                continue;
            }
            const std::string path = folder->second + "/" + std::string(name);
            if ((event.mask & IN_ISDIR) != 0) {
                // A folder made or moved in may already hold files that no event named: watch
                // it, and have the whole tree read again.
                if (m_pSystem->recursive && (event.mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
                    try {
                        m_pSystem->AddTree(path);
                    } catch (const FileError&) {
                        // Gone again already; the rescan finds what is there.
                    }
                    changes.overflow = true;
                }
                continue;
            }
            if (changes.paths.empty() || changes.paths.back() != path) {
                changes.paths.push_back(path);
            }
        }
    }
    return changes;
}

void StopOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait in poll(2) returns at once.
    action.sa_flags = 0;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

bool StopRequested() {
    return g_StopRequested != 0;
}

void StopDone() {}

}  // namespace quillon
