// File deletion and existence tests on POSIX systems.
#include "platform/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_error.h"

namespace quillon {

void RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        throw FileError::FromErrno(path, errno);
    }
}

bool Exists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

}  // namespace quillon
