// SPDX-License-Identifier: MIT
// DescribeFailure: what the user is told about an error that ended a load or a conversion,
// whatever its type, so that the window and the command line word it the same way.
#pragma once

#include <exception>
#include <string>

namespace quillon {

struct Failure {
    std::string path;    // the file concerned
    std::string reason;  // why, as the system or the library put it
};

// The file and the reason of a caught error: a FileError names its own file; any other error
// concerns `path`. Memory running out reads "there is not enough memory".
Failure DescribeFailure(const std::exception_ptr& error, const std::string& path);

}  // namespace quillon
