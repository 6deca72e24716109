// SPDX-License-Identifier: MIT
// An output that a library creates, writes and closes itself (HDF5; any later format written
// through a library), whole or not at all, and without leaving the library holding a file that
// is gone. The order that guarantees it:
//
//   1. the library writes under the temporary name of an AtomicReplacement;
//   2. every object the library opened for the file (the file itself, its datasets, sheets,
//      properties ...) is owned by an object local to `write`, which closes it in its
//      destructor, so that when `write` returns or throws the library holds nothing of the
//      file, on every path;
//   3. only then is the file renamed into place (once the input is found unchanged) or removed.
//
// A library that cannot let go of a file after a failed write (HDF5 keeps a file it could not
// flush) is given a way to let go first: for HDF5 the file driver of hdf5_file_driver.h.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "scanfile/scan_file.h"

namespace quillon {

// A failure inside the library, with the reason to report ("No space left on device").
class LibraryFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Writes the output at `path` through `write`, which is given the name to write to and whether
// that is the final name itself (a device such as /dev/null is written in place). Raises
// FileError naming `path` for a LibraryFailure of `write`, and for an input that changed while
// it was read; every other exception of `write` passes unchanged. Nothing is left under `path`
// or a temporary name when it raises.
void WriteLibraryOutput(
    const std::string& path, const ScanFile& input,
    const std::function<void(const std::string& writePath, bool inPlace)>& write);

}  // namespace quillon
