// SPDX-License-Identifier: MIT
// Change notification for a folder of scan data files: the names the acquisition software
// creates, writes, renames into place or removes, as the system reports them (inotify on
// Linux, ReadDirectoryChangesW on Windows), and whether the system lost some of them.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

// What changed in the watched folder since the last Wait.
struct FolderChanges {
    // Full paths (UTF-8) of the entries that were created, written, renamed or removed; a
    // name may come more than once.
    std::vector<std::string> paths;
    // The system dropped notifications (its queue was full): the folder must be read again
    // to learn what changed.
    bool overflow = false;
    // The watched folder itself was removed or renamed: nothing more will be reported.
    bool folderGone = false;
};

class FolderWatch {
  public:
    // Starts watching `folder`, and with `recursive` its subfolders, also those made later.
    // Raises FileError naming the folder when it cannot be watched.
    FolderWatch(const std::string& folder, bool recursive);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Waits until something changes or `timeout` passes, and returns what changed (nothing
    // after the timeout). Raises FileError when the notifications cannot be read.
    FolderChanges Wait(std::chrono::milliseconds timeout);

  private:
    struct System;
    std::unique_ptr<System> m_pSystem;
};

// Ctrl+C, a terminal closed, a console window closed (Windows) or SIGTERM ask the program to
// stop: after StopOnInterrupt they set a flag that StopRequested reads instead of ending the
// program, so that a long run can end between two files and leave nothing half-written.
void StopOnInterrupt();
bool StopRequested();
// Lets the program end now that it has finished its last file (Windows keeps a closing
// console's program alive only until its handler returns).
void StopDone();

}  // namespace quillon
