// SPDX-License-Identifier: MIT
// The file driver every HDF5 export is written through: the library's own POSIX driver (sec2)
// for the bytes, with two differences that make a failed write safe.
//
// - Once a write has failed (a full disk, a folder gone, an input error), the driver takes every
//   later write, flush and truncation without doing anything: closing the datasets and the file
//   then succeeds, so the library lets go of every identifier of the file, instead of keeping
//   a half-closed file that crashes it when it shuts down at the program's exit. The file is
//   removed afterwards, so nothing it would have held is lost.
// - Its writes meet the faults QUILLON_WRITE_FAULT names, as every other output's do
//   (platform/write_fault.h).
#pragma once

#include <hdf5.h>

#include <string>

namespace quillon {

// Where the driver notes the first failed write of a file. The library does not report every
// failure (closing a dataset writes what it buffered, and its failure is lost when the close
// happens while an earlier error unwinds): the export asks here once the file is closed.
struct Hdf5WriteFailure {
    bool failed = false;
    std::string reason;  // the system's words ("No space left on device")
};

// Sets the driver on the file access properties `access`; the files opened with them note
// their first failed write in `failure`, which must outlive them. Returns a negative value
// when the library refuses the driver.
herr_t SetQuietAfterFailureDriver(hid_t access, Hdf5WriteFailure* failure);

}  // namespace quillon
