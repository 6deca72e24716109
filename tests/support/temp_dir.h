// SPDX-License-Identifier: MIT
// TempDir: a fresh folder for one test's files, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/utf8_path.h"

namespace quillon::testing {

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_Path = base / ("quillon-test-" + std::to_string(rd()));
            if (std::filesystem::create_directory(m_Path)) {
                break;
            }
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_Path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path() const { return m_Path.string(); }
    std::string operator/(const std::string& name) const { return (m_Path / name).string(); }

  private:
    std::filesystem::path m_Path;
};

// The bytes of a file named in UTF-8, or an empty vector when it cannot be read.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quillon::testing
