// SPDX-License-Identifier: MIT
// quillon-convert --watch: converts the scan data files of a folder as the acquisition
// software saves them. Files already there are converted when their outputs are missing or
// older than they are; then each file that appears or changes, once its size and time have
// stayed the same for the settling time, so that a file still being written is never
// converted half. Ctrl+C ends the watch between two files.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "cli/batch.h"
#include "export/save_watch.h"

namespace quillon {

using WatchOptions = SaveWatchOptions;

// Converts one file, reporting its own messages; false when it failed.
using ConvertOne = std::function<bool(const std::string& path)>;

// Watches until StopRequested() or the folder goes away. Writes one line per file converted
// or failed, and the start and end of the watch, to `err`. Returns the exit status: 0 when no
// file failed, 1 otherwise or when the folder could not be watched.
int RunWatch(const WatchOptions& watch, const BatchOptions& options, const ConvertOne& convert,
             std::ostream& err);

}  // namespace quillon
