// SPDX-License-Identifier: MIT
// Output file names: every output is named after the loaded file and lies beside it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quillon {

class OutputFiles;

// The question asked before the one-file output replaces an existing entry of its name.
inline constexpr std::string_view kOverwriteQuestion =
    "There is a same file in the calibration data folder!!! Would you like to overwrite the "
    "current data on this file? If no, (#) will be added on the file name.";

// The path up to its last '.', or empty when the path has none.
std::string OutputBaseName(std::string_view path);

// The one-file output: base + ".txt" when no such entry exists; otherwise asks whether to
// overwrite it: Yes gives base + ".txt", No (or no one to ask) the first free base + "(k).txt"
// from k = 0. Existence is asked of `files`.
std::string ChooseOneFileName(const std::string& base,
                              const std::function<bool(const std::string&)>& askOverwrite,
                              OutputFiles& files);

// The multiple-files outputs: the parameter report, the dark table, the reference table, and
// scan number `scan` (from 1) of a file of `scanCount` scans.
std::string ParametersFileName(const std::string& base);
std::string DarkFileName(const std::string& base);
std::string RefFileName(const std::string& base);
std::string ScanFileName(const std::string& base, std::int32_t scan, std::int32_t scanCount);

}  // namespace quillon
