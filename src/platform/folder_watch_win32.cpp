// SPDX-License-Identifier: MIT
// FolderWatch on Windows: ReadDirectoryChangesW on the folder, overlapped, so that a wait can
// time out; the interrupt flag set from the console's control handler.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "platform/file_error.h"
#include "platform/folder_watch.h"
#include "platform/windows_system.h"

namespace quillon {

namespace {

constexpr DWORD kNotifyFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

std::atomic<bool> g_StopRequested{false};
HANDLE g_StopDone = nullptr;

BOOL WINAPI OnConsoleControl(DWORD control) {
    g_StopRequested = true;
    if (control == CTRL_CLOSE_EVENT || control == CTRL_LOGOFF_EVENT ||
        control == CTRL_SHUTDOWN_EVENT) {
        // The system ends the program when this handler returns: give the file being
        // converted the few seconds it allows to be finished or discarded.
        WaitForSingleObject(g_StopDone, 4500);
    }
    return TRUE;
}

}  // namespace

struct FolderWatch::System {
    std::string folder;
    bool recursive = false;
    HANDLE directory = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped{};
    // DWORD-aligned, as the system requires; 64 KiB, the most it takes over a network.
    std::vector<DWORD> buffer = std::vector<DWORD>(16 * 1024);
    bool pending = false;

    // Asks for the next batch of changes; false when the folder cannot be read any more.
    bool Start() {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event;
        pending = ReadDirectoryChangesW(
                      directory, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                      recursive ? TRUE : FALSE, kNotifyFilter, nullptr, &overlapped, nullptr) != 0;
        return pending;
    }
};

FolderWatch::FolderWatch(const std::string& folder, bool recursive)
    : m_pSystem(std::make_unique<System>()) {
    System& system = *m_pSystem;
    system.folder = folder;
    system.recursive = recursive;
    system.directory =
        CreateFileW(WidePath(folder).c_str(), FILE_LIST_DIRECTORY,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (system.directory == INVALID_HANDLE_VALUE) {
        throw FileError(folder, WindowsErrorReason(GetLastError()));
    }
    system.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (system.event == nullptr || !system.Start()) {
        const DWORD error = GetLastError();
        if (system.event != nullptr) {
            CloseHandle(system.event);
        }
        CloseHandle(system.directory);
        throw FileError(folder, WindowsErrorReason(error));
    }
}

FolderWatch::~FolderWatch() {
    System& system = *m_pSystem;
    if (system.pending) {
        CancelIoEx(system.directory, &system.overlapped);
        DWORD bytes = 0;
        GetOverlappedResult(system.directory, &system.overlapped, &bytes, TRUE);
    }
    CloseHandle(system.event);
    CloseHandle(system.directory);
}

FolderChanges FolderWatch::Wait(std::chrono::milliseconds timeout) {
    System& system = *m_pSystem;
    FolderChanges changes;
    if (!system.pending && !system.Start()) {
        changes.folderGone = true;
        return changes;
    }
    if (WaitForSingleObject(system.event, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return changes;
    }
    DWORD bytes = 0;
    const bool done = GetOverlappedResult(system.directory, &system.overlapped, &bytes, FALSE);
    system.pending = false;
    ResetEvent(system.event);
    if (!done) {
        const DWORD error = GetLastError();
        if (error == ERROR_NOTIFY_ENUM_DIR) {
            changes.overflow = true;
        } else {
            changes.folderGone = true;
        }
    } else if (bytes == 0) {
        // More changes than the buffer holds: the system kept none of them.
        changes.overflow = true;
    } else {
        const char* base = reinterpret_cast<const char*>(system.buffer.data());
        for (DWORD at = 0;;) {
            FILE_NOTIFY_INFORMATION info;
            std::memcpy(&info, base + at, offsetof(FILE_NOTIFY_INFORMATION, FileName));
            std::wstring name(info.FileNameLength / sizeof(wchar_t), L'\0');
            std::memcpy(name.data(), base + at + offsetof(FILE_NOTIFY_INFORMATION, FileName),
                        info.FileNameLength);
            const std::string path = system.folder + "\\" + FromWide(name);
            if (changes.paths.empty() || changes.paths.back() != path) {
                changes.paths.push_back(path);
            }
            if (info.NextEntryOffset == 0) {
                break;
            }
            at += info.NextEntryOffset;
        }
    }
    if (!system.Start() && !changes.overflow) {
        changes.folderGone = true;
    }
    return changes;
}

void StopOnInterrupt() {
    if (g_StopDone == nullptr) {
        g_StopDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool StopRequested() {
    return g_StopRequested;
}

void StopDone() {
    if (g_StopDone != nullptr) {
        SetEvent(g_StopDone);
    }
}

}  // namespace quillon
