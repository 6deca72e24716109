// SPDX-License-Identifier: MIT
// FileError: the one error type of the platform layer, raised when a file cannot be opened,
// read, written, closed or deleted. It carries the path and the system's reason.
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace quillon {

class FileError : public std::runtime_error {
  public:
    FileError(std::string path, std::string reason);

    // Builds the error from an errno value, with the system's text for it.
    static FileError FromErrno(std::string path, int errorNumber);

    const std::string& Path() const noexcept { return m_strPath; }
    const std::string& Reason() const noexcept { return m_strReason; }

  private:
    std::string m_strPath;
    std::string m_strReason;
};

// The reason for an error code of std::filesystem: the system's text on Linux; on Windows the
// words of WindowsErrorReason for a system error, so that both builds report alike.
std::string ErrorCodeReason(const std::error_code& code);

}  // namespace quillon
