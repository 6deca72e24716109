// SPDX-License-Identifier: MIT
// FileError: path and reason of a failed file operation.
#include "platform/file_error.h"

#include <cstring>

namespace quillon {

FileError::FileError(std::string path, std::string reason)
    : std::runtime_error(path + ": " + reason),
      m_strPath(std::move(path)),
      m_strReason(std::move(reason)) {}

FileError FileError::FromErrno(std::string path, int errorNumber) {
    return FileError(std::move(path), std::strerror(errorNumber));
}

}  // namespace quillon
