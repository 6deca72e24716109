// SPDX-License-Identifier: MIT
// DescribeFailure: one catch ladder for every front end.
#include "platform/failure.h"

#include <new>

#include "platform/file_error.h"

namespace quillon {

Failure DescribeFailure(const std::exception_ptr& error, const std::string& path) {
    try {
        std::rethrow_exception(error);
    } catch (const FileError& fileError) {
        return {fileError.Path(), fileError.Reason()};
    } catch (const std::bad_alloc&) {
        return {path, "there is not enough memory"};
    } catch (const std::exception& other) {
        return {path, other.what()};
    } catch (...) {
        return {path, "unexpected error"};
    }
}

}  // namespace quillon
