// SPDX-License-Identifier: MIT
// WriteLibraryOutput: the temporary file, the check of the input, the rename or the removal.
#include "export/library_output.h"

#include "platform/atomic_file.h"
#include "platform/file_error.h"

namespace quillon {

void WriteLibraryOutput(
    const std::string& path, const ScanFile& input,
    const std::function<void(const std::string& writePath, bool inPlace)>& write) {
    // Declared before `write` runs, so that on every path it is removed after the library's
    // objects of the file are closed.
    AtomicReplacement replacement(path);
    try {
        write(replacement.WritePath(), replacement.WritePath() == path);
    } catch (const LibraryFailure& failure) {
        replacement.Abandon();
        throw FileError(path, failure.what());
    }
    input.CheckUnchanged();  // on failure the replacement's destructor removes the file
    replacement.Commit();
}

}  // namespace quillon
