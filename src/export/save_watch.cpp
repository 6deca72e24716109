// SPDX-License-Identifier: MIT
// SaveWatch: settling files of a watched folder.
#include "export/save_watch.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

#include "export/input_files.h"
#include "platform/file_error.h"
#include "platform/folder_watch.h"
#include "platform/utf8_path.h"

namespace quillon {

namespace {

using Clock = std::chrono::steady_clock;

// The name of a scan data file that a folder batch would take: "*.sdf" in any case, not
// hidden.
bool IsScanDataName(const std::string& path) {
    const std::string name = Utf8FromPath(PathFromUtf8(path).filename());
    return !name.empty() && name.front() != '.' && HasSdfExtension(name);
}

// The folder without separators at its end ("data/" and "data" name one folder).
std::string TrimmedFolder(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\') &&
           folder[folder.size() - 2] != ':') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

SaveWatch::SaveWatch(SaveWatchOptions options, IsDone isDone)
    : m_Options(std::move(options)), m_IsDone(std::move(isDone)) {
    m_Options.folder = TrimmedFolder(m_Options.folder);
    std::error_code error;
    const std::filesystem::path folder = PathFromUtf8(m_Options.folder);
    if (!std::filesystem::is_directory(folder, error)) {
        throw FileError(m_Options.folder, std::filesystem::exists(folder, error)
                                              ? "Not a directory"
                                              : "No such file or directory");
    }
    if (!m_Options.poll) {
        m_pWatch = std::make_unique<FolderWatch>(m_Options.folder, m_Options.recursive);
    }
    ReadFolder();
}

SaveWatch::~SaveWatch() = default;

std::optional<SaveWatch::FileState> SaveWatch::StateOf(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file = PathFromUtf8(path);
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    FileState state;
    state.size = std::filesystem::file_size(file, error);
    if (!error) {
        state.time = std::filesystem::last_write_time(file, error);
    }
    return error ? std::nullopt : std::optional<FileState>(state);
}

void SaveWatch::ReadFolder() {
    const Clock::time_point now = Clock::now();
    for (const InputFile& input : ExpandInputs({m_Options.folder}, m_Options.recursive)) {
        if (input.problem.empty()) {
            Consider(input.path, now, false);
        }
    }
    m_LastRead = now;
}

void SaveWatch::Consider(const std::string& path, Clock::time_point now, bool reported) {
    if (!IsScanDataName(path) || m_Given.count(path) != 0) {
        return;
    }
    const std::optional<FileState> state = StateOf(path);
    if (!state) {
        // Removed (or never a file): nothing to do.
        m_Pending.erase(path);
        return;
    }
    const auto worked = m_Worked.find(path);
    if (worked != m_Worked.end() && worked->second == *state) {
        return;
    }
    const auto pending = m_Pending.find(path);
    if (pending != m_Pending.end()) {
        if (!(pending->second.state == *state)) {
            pending->second = Pending{*state, now};
        }
    } else if (reported || !m_IsDone(path)) {
        // A file renamed into place keeps the time it was written at, which may be older
        // than the outputs of the file it replaces: what the system reports is taken as
        // changed without asking the outputs.
        m_Pending.emplace(path, Pending{*state, now});
    }
}

std::chrono::milliseconds SaveWatch::UntilSettled(Clock::time_point now) const {
    std::chrono::milliseconds wait = std::chrono::milliseconds::max();
    for (const auto& [path, pending] : m_Pending) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            pending.since + m_Options.settle - now);
        wait = std::clamp(left, std::chrono::milliseconds(0), wait);
    }
    return wait;
}

std::vector<std::string> SaveWatch::Ready(std::chrono::milliseconds timeout) {
    const std::chrono::milliseconds wait = std::min(timeout, UntilSettled(Clock::now()));
    if (m_pWatch) {
        const FolderChanges changes = m_pWatch->Wait(wait);
        m_bFolderGone = m_bFolderGone || changes.folderGone;
        if (changes.overflow) {
            m_Notices.push_back(m_Options.folder +
                                ": more changes than the system could report; reading the "
                                "folder again");
            ReadFolder();
        }
        for (const std::string& path : changes.paths) {
            Consider(path, Clock::now(), true);
        }
    } else {
        std::this_thread::sleep_for(wait);
        if (Clock::now() - m_LastRead >= *m_Options.poll) {
            ReadFolder();
        }
        std::error_code error;
        m_bFolderGone = !std::filesystem::is_directory(PathFromUtf8(m_Options.folder), error);
    }

    const Clock::time_point now = Clock::now();
    std::vector<std::string> ready;
    for (auto it = m_Pending.begin(); it != m_Pending.end();) {
        const std::optional<FileState> state = StateOf(it->first);
        if (!state) {
            it = m_Pending.erase(it);
            continue;
        }
        if (!(it->second.state == *state)) {
            it->second = Pending{*state, now};
            ++it;
        } else if (now - it->second.since >= m_Options.settle) {
            ready.push_back(it->first);
            m_Given.emplace(it->first, *state);
            it = m_Pending.erase(it);
        } else {
            ++it;
        }
    }
    return ready;
}

void SaveWatch::Finished(const std::string& path) {
    const auto given = m_Given.find(path);
    if (given == m_Given.end()) {
        return;
    }
    const FileState before = given->second;
    m_Given.erase(given);
    const std::optional<FileState> after = StateOf(path);
    if (after && !(*after == before)) {
        // Written again while it was worked on: taken again once it settles.
        m_Pending.emplace(path, Pending{*after, Clock::now()});
        return;
    }
    if (after) {
        if (m_Worked.insert_or_assign(path, *after).second) {
            m_WorkedOrder.push_back(path);
        }
        while (m_WorkedOrder.size() > kRemembered) {
            m_Worked.erase(m_WorkedOrder.front());
            m_WorkedOrder.pop_front();
        }
    }
}

std::vector<std::string> SaveWatch::TakeNotices() {
    return std::exchange(m_Notices, {});
}

}  // namespace quillon
