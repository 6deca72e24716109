// SPDX-License-Identifier: MIT
// FileError: path and reason of a failed file operation.
#include "platform/file_error.h"

#include <cstring>

#ifdef _WIN32
#include "platform/windows_system.h"
#endif

namespace quillon {

FileError::FileError(std::string path, std::string reason)
    : std::runtime_error(path + ": " + reason),
      m_strPath(std::move(path)),
      m_strReason(std::move(reason)) {}

FileError FileError::FromErrno(std::string path, int errorNumber) {
    return FileError(std::move(path), std::strerror(errorNumber));
}

std::string ErrorCodeReason(const std::error_code& code) {
#ifdef _WIN32
    if (code.category() == std::system_category()) {
        return WindowsErrorReason(static_cast<unsigned long>(code.value()));
    }
#endif
    return code.message();
}

}  // namespace quillon
