// SPDX-License-Identifier: MIT
// The watch loop of quillon-convert --watch.
#include "cli/watch.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <filesystem>
#include <map>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

#include "convert/output_naming.h"
#include "export/export_run.h"
#include "platform/failure.h"
#include "platform/folder_watch.h"
#include "platform/utf8_path.h"

namespace quillon {

namespace {

using Clock = std::chrono::steady_clock;
// The longest a wait lasts, so that Ctrl+C and settled files are seen promptly.
constexpr std::chrono::milliseconds kLongestWait{250};

// What a file looked like when last seen: its size and modification time.
struct FileState {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time{};
    bool operator==(const FileState&) const = default;
};

std::optional<FileState> StateOf(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file = PathFromUtf8(path);
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    FileState state;
    state.size = std::filesystem::file_size(file, error);
    if (error) {
        return std::nullopt;
    }
    state.time = std::filesystem::last_write_time(file, error);
    if (error) {
        return std::nullopt;
    }
    return state;
}

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

std::string ClockTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

class Watcher {
  public:
    Watcher(const WatchOptions& watch, const BatchOptions& options, const ConvertOne& convert,
            std::ostream& err)
        : m_Watch(watch), m_Options(options), m_Convert(convert), m_Err(err) {}

    int Run();

  private:
    // Every scan data file of the folder, as a batch over it would find them.
    void ReadFolder();
    // A name the system reported, or the folder's read found.
    void Consider(const std::string& path, Clock::time_point now);
    // Converts the files that have settled; false when a stop was asked for.
    bool ConvertSettled(Clock::time_point now);
    std::chrono::milliseconds NextWait(Clock::time_point now) const;
    void Log(const std::string& text);

    struct Pending {
        FileState state;
        Clock::time_point since;
    };

    const WatchOptions& m_Watch;
    const BatchOptions& m_Options;
    const ConvertOne& m_Convert;
    std::ostream& m_Err;
    std::string m_strFolder;
    // Files waiting to settle; they leave once converted, removed or found up to date.
    std::map<std::string, Pending> m_Pending;
    // Files whose last conversion left their outputs out of date (it failed), as they were
    // then: not tried again until they change. Only failures are kept, so the watch of a
    // folder that keeps growing stays the same size.
    std::map<std::string, FileState> m_Failed;
    std::size_t m_nConverted = 0;
    std::size_t m_nFailed = 0;
};

void Watcher::Log(const std::string& text) {
    m_Err << ClockTime() << ' ' << text << '\n';
    m_Err.flush();
}

void Watcher::ReadFolder() {
    const Clock::time_point now = Clock::now();
    for (const InputFile& input : ExpandInputs({m_strFolder}, m_Watch.recursive)) {
        if (input.problem.empty()) {
            Consider(input.path, now);
        }
    }
}

void Watcher::Consider(const std::string& path, Clock::time_point now) {
    if (!IsScanDataName(path)) {
        return;
    }
    const std::optional<FileState> state = StateOf(path);
    if (!state) {
        // Removed (or never a file): nothing to convert.
        m_Pending.erase(path);
        m_Failed.erase(path);
        return;
    }
    const auto failed = m_Failed.find(path);
    if (failed != m_Failed.end()) {
        if (failed->second == *state) {
            return;
        }
        m_Failed.erase(failed);
    }
    const auto pending = m_Pending.find(path);
    if (pending != m_Pending.end()) {
        if (!(pending->second.state == *state)) {
            pending->second = Pending{*state, now};
        }
        return;
    }
    if (!OutputsUpToDate(path, m_Options)) {
        m_Pending.emplace(path, Pending{*state, now});
    }
}

bool Watcher::ConvertSettled(Clock::time_point now) {
    std::vector<std::string> settled;
    for (auto it = m_Pending.begin(); it != m_Pending.end();) {
        const std::optional<FileState> state = StateOf(it->first);
        if (!state) {
            it = m_Pending.erase(it);
            continue;
        }
        if (!(it->second.state == *state)) {
            it->second = Pending{*state, now};
        } else if (now - it->second.since >= m_Watch.settle) {
            settled.push_back(it->first);
        }
        ++it;
    }
    for (const std::string& path : settled) {
        if (StopRequested()) {
            return false;
        }
        const FileState before = m_Pending.at(path).state;
        m_Pending.erase(path);
        const bool ok = m_Convert(path);
        Log(path + (ok ? ": converted" : ": failed"));
        ++(ok ? m_nConverted : m_nFailed);
        const std::optional<FileState> after = StateOf(path);
        if (after && !(*after == before)) {
            // Written again while it was converted: convert it again once it settles.
            m_Pending.emplace(path, Pending{*after, Clock::now()});
        } else if (after && !ok) {
            m_Failed.emplace(path, *after);
        }
    }
    return true;
}

std::chrono::milliseconds Watcher::NextWait(Clock::time_point now) const {
    std::chrono::milliseconds wait = kLongestWait;
    for (const auto& [path, pending] : m_Pending) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            pending.since + m_Watch.settle - now);
        wait = std::clamp(left, std::chrono::milliseconds(0), wait);
    }
    return wait;
}

int Watcher::Run() {
    m_strFolder = TrimmedFolder(m_Watch.folder);
    std::error_code error;
    if (!std::filesystem::is_directory(PathFromUtf8(m_strFolder), error)) {
        m_Err << m_strFolder << ": "
              << (std::filesystem::exists(PathFromUtf8(m_strFolder), error) ? "not a folder"
                                                                            : "no such folder")
              << "\n";
        return 1;
    }
    if (!m_Options.outputDir.empty()) {
        const std::string problem = MakeOutputFolder(m_Options.outputDir);
        if (!problem.empty()) {
            m_Err << problem << "\n";
            return 1;
        }
    }
    std::optional<FolderWatch> watch;
    try {
        if (!m_Watch.poll) {
            watch.emplace(m_strFolder, m_Watch.recursive);
        }
    } catch (...) {
        const Failure failure = DescribeFailure(std::current_exception(), m_strFolder);
        m_Err << failure.path << ": " << failure.reason << "\n";
        return 1;
    }
    StopOnInterrupt();
    std::string how = m_Watch.recursive ? " and its subfolders" : "";
    if (m_Watch.poll) {
        char seconds[32];
        const auto end = std::to_chars(seconds, seconds + sizeof seconds,
                                       static_cast<double>(m_Watch.poll->count()) / 1000.0)
                             .ptr;
        how += ", read every " + std::string(seconds, end) + " s";
    }
    Log("Watching " + m_strFolder + how + " for scan data files; Ctrl+C ends the watch");
    ReadFolder();
    Clock::time_point lastRead = Clock::now();
    bool folderGone = false;
    while (!StopRequested() && !folderGone) {
        const Clock::time_point now = Clock::now();
        if (!ConvertSettled(now)) {
            break;
        }
        std::chrono::milliseconds wait = NextWait(Clock::now());
        if (watch) {
            const FolderChanges changes = watch->Wait(wait);
            folderGone = changes.folderGone;
            if (changes.overflow) {
                Log(m_strFolder +
                    ": more changes than the system could report; reading the "
                    "folder again");
                ReadFolder();
            }
            for (const std::string& path : changes.paths) {
                Consider(path, Clock::now());
            }
        } else {
            std::this_thread::sleep_for(wait);
            if (Clock::now() - lastRead >= *m_Watch.poll) {
                ReadFolder();
                lastRead = Clock::now();
            }
        }
    }
    if (folderGone) {
        Log(m_strFolder + ": the watched folder was removed or renamed; the watch ends");
    }
    Log("Watch ended: " + std::to_string(m_nConverted) +
        (m_nConverted == 1 ? " file converted, " : " files converted, ") +
        std::to_string(m_nFailed) + " failed");
    StopDone();
    return m_nFailed == 0 && !folderGone ? 0 : 1;
}

}  // namespace

bool OutputsUpToDate(const std::string& path, const BatchOptions& options) {
    const std::optional<FileState> input = StateOf(path);
    const std::string base = ExportOutputBase(path, options.outputDir);
    if (!input || base.empty()) {
        return false;
    }
    std::vector<std::string> outputs;
    for (const ExportFormat format : options.formats) {
        if (format != ExportFormat::kText) {
            outputs.push_back(base + std::string(ExportExtension(format)));
        } else if (options.text.oneFile) {
            outputs.push_back(base + ".txt");
        } else {
            outputs.push_back(ParametersFileName(base));
        }
    }
    return std::all_of(outputs.begin(), outputs.end(), [&input](const std::string& output) {
        const std::optional<FileState> state = StateOf(output);
        return state && state->time >= input->time;
    });
}

int RunWatch(const WatchOptions& watch, const BatchOptions& options, const ConvertOne& convert,
             std::ostream& err) {
    return Watcher(watch, options, convert, err).Run();
}

}  // namespace quillon
