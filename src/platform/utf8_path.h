// SPDX-License-Identifier: MIT
// UTF-8 paths and std::filesystem::path: QUILLON keeps every path as UTF-8 bytes; the path type
// holds the system's own form (bytes on Linux, UTF-16 on Windows).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quillon {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    // Linux names are bytes: any byte sequence, valid UTF-8 or not, stays as it is.
    return std::filesystem::path(std::string(text));
#endif
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

}  // namespace quillon
