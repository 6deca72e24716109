// SPDX-License-Identifier: MIT
// SaveWatch: follows a folder into which acquisition software saves scan data files, and
// says which files are ready: those already there whose outputs are out of date, then each
// file that appears or changes once its size and modification time have stayed the same for
// the settling time, so that a file still being written is never taken half. The command
// line's --watch converts what it gives; the window's "Follow this folder" loads it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

class FolderWatch;

struct SaveWatchOptions {
    std::string folder;
    bool recursive = false;
    // How long a file's size and modification time must stay the same before it is ready.
    std::chrono::milliseconds settle{2000};
    // Read the whole folder every `poll` instead of waiting for the system's notifications
    // (network shares send none).
    std::optional<std::chrono::milliseconds> poll;
};

class SaveWatch {
  public:
    // True when a file needs no work (its outputs are up to date); such files are not given
    // out until they change.
    using IsDone = std::function<bool(const std::string& path)>;

    // Starts watching and reads the folder once. Raises FileError naming the folder when it
    // is missing, not a folder, or cannot be watched.
    SaveWatch(SaveWatchOptions options, IsDone isDone);
    ~SaveWatch();
    SaveWatch(const SaveWatch&) = delete;
    SaveWatch& operator=(const SaveWatch&) = delete;

    // Waits up to `timeout` for changes (no longer than the next file takes to settle), then
    // returns the files that have settled, by name; each is given out once. Zero looks
    // without waiting.
    std::vector<std::string> Ready(std::chrono::milliseconds timeout);
    // After a file given out by Ready has been worked on, whether it failed or not: a file
    // written again meanwhile is taken again once it settles; any other waits until it
    // changes.
    void Finished(const std::string& path);

    // The watched folder itself went away (removed or renamed): nothing more will be ready.
    bool FolderGone() const { return m_bFolderGone; }
    // What the watch had to do that a log should say (notifications lost, folder read again);
    // emptied by the call.
    std::vector<std::string> TakeNotices();
    const std::string& Folder() const { return m_Options.folder; }

  private:
    struct FileState {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time{};
        bool operator==(const FileState&) const = default;
    };
    struct Pending {
        FileState state;
        std::chrono::steady_clock::time_point since;
    };
    static std::optional<FileState> StateOf(const std::string& path);

    void ReadFolder();
    // A file the folder's read found (judged by IsDone), or one the system reported changed.
    void Consider(const std::string& path, std::chrono::steady_clock::time_point now,
                  bool reported);
    std::chrono::milliseconds UntilSettled(std::chrono::steady_clock::time_point now) const;

    SaveWatchOptions m_Options;
    IsDone m_IsDone;
    std::unique_ptr<FolderWatch> m_pWatch;
    std::chrono::steady_clock::time_point m_LastRead;
    bool m_bFolderGone = false;
    std::vector<std::string> m_Notices;
    // Files waiting to settle; they leave once given out, removed or found done.
    std::map<std::string, Pending> m_Pending;
    // Files given out and not yet finished, as they were when given out.
    std::map<std::string, FileState> m_Given;
    // Files worked on, as they were then: not given out again until they change (a late
    // notification of a file already converted, a file that failed). The most recent
    // kRemembered only, so that a watch over a growing folder stays the same size; a file
    // forgotten is judged by IsDone again when the folder is read.
    static constexpr std::size_t kRemembered = 4096;
    std::map<std::string, FileState> m_Worked;
    std::deque<std::string> m_WorkedOrder;
};

}  // namespace quillon
