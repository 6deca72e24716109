// SPDX-License-Identifier: MIT
// ConvertCommand: writes a loaded scan file out as text files, in one-file or multiple-files
// mode, with progress lines in the log.
#pragma once

#include <functional>
#include <string>

#include "platform/log_sink.h"
#include "scanfile/scan_file.h"

namespace quillon {

class OutputFiles;

// What the user chose for one conversion.
struct ConvertOptions {
    bool oneFile = false;         // everything in base + ".txt"
    bool withPixel = false;       // pixel number column
    bool withWavelength = false;  // wavelength column
    bool convertAll = true;       // false: only the scans of `selection`, e.g. "1,3-5"
    std::string selection;
    // Every output is named base + a suffix ("_Var.txt", "_1of5.txt", ".txt", ...).
    std::string outputBase;
    // Asked before the one-file output replaces an existing entry of its name: true replaces
    // it, false writes base(k).txt instead. Unset counts as false.
    std::function<bool(const std::string& question)> askOverwrite;
};

// How a conversion ended. When an output could not be opened, written or closed, the
// conversion stopped at that file: `failedName` names it and `reason` says why.
struct ConvertResult {
    bool ok = true;
    std::string failedName;
    std::string reason;

    // "Could not write <name>: <reason>. The conversion was stopped."
    std::string Message() const;
};

// Runs one conversion of `file` into `files`, or into the file system, where every output
// appears under its name only once it is complete. The scans are read through the file in
// bounded batches: memory does not grow with the file. When an output fails the log ends with
// "Could not write <name>; the conversion was stopped." and the result says why. When the scan
// data file itself can no longer be read (it was cut shorter while open), the log ends with
// "Could not read <path>; the conversion was stopped." and FileError is raised, naming the
// file: "the file changed while it was read".
ConvertResult ConvertCommand(const ScanFile& file, const ConvertOptions& options, LogSink& log,
                             OutputFiles& files);
ConvertResult ConvertCommand(const ScanFile& file, const ConvertOptions& options, LogSink& log);

}  // namespace quillon
