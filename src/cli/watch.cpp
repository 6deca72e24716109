// SPDX-License-Identifier: MIT
// The watch loop of quillon-convert --watch: the files SaveWatch gives out, converted one at a
// time, with a log line each.
#include "cli/watch.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <vector>

#include "export/export_run.h"
#include "export/save_watch.h"
#include "platform/failure.h"
#include "platform/folder_watch.h"
#include "platform/utf8_path.h"

namespace quillon {

namespace {

// The longest a wait lasts, so that Ctrl+C is seen promptly on every system.
constexpr std::chrono::milliseconds kLongestWait{250};

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

std::string Seconds(std::chrono::milliseconds duration) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, static_cast<double>(duration.count()) / 1000.0).ptr;
    return std::string(text, end);
}

}  // namespace

int RunWatch(const WatchOptions& watch, const BatchOptions& options, const ConvertOne& convert,
             std::ostream& err) {
    const auto log = [&err](const std::string& text) {
        err << ClockTime() << ' ' << text << '\n';
        err.flush();
    };
    if (!options.outputFolder.empty()) {
        const std::string problem = MakeOutputFolder(options.outputFolder);
        if (!problem.empty()) {
            err << problem << "\n";
            return 1;
        }
    }
    std::unique_ptr<SaveWatch> saves;
    try {
        saves = std::make_unique<SaveWatch>(watch, [&options](const std::string& path) {
            return ExportOutputsUpToDate(path, options);
        });
    } catch (...) {
        const Failure failure = DescribeFailure(std::current_exception(), watch.folder);
        err << failure.path << ": " << failure.reason << "\n";
        return 1;
    }
    StopOnInterrupt();
    log("Watching " + saves->Folder() + (watch.recursive ? " and its subfolders" : "") +
        (watch.poll ? ", read every " + Seconds(*watch.poll) + " s," : "") +
        " for scan data files; Ctrl+C ends the watch");
    std::size_t converted = 0;
    std::size_t failed = 0;
    // The files already there are ready at once; the first look does not wait.
    std::chrono::milliseconds wait{0};
    while (!StopRequested() && !saves->FolderGone()) {
        const std::vector<std::string> ready = saves->Ready(wait);
        wait = kLongestWait;
        for (const std::string& notice : saves->TakeNotices()) {
            log(notice);
        }
        for (const std::string& path : ready) {
            if (StopRequested()) {
                break;
            }
            const bool ok = convert(path);
            log(path + (ok ? ": converted" : ": failed"));
            ++(ok ? converted : failed);
            saves->Finished(path);
        }
    }
    if (saves->FolderGone()) {
        log(saves->Folder() + ": the watched folder was removed or renamed; the watch ends");
    }
    log("Watch ended: " + std::to_string(converted) +
        (converted == 1 ? " file converted, " : " files converted, ") + std::to_string(failed) +
        " failed");
    StopDone();
    return failed == 0 && !saves->FolderGone() ? 0 : 1;
}

}  // namespace quillon
