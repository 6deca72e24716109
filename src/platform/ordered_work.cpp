// SPDX-License-Identifier: MIT
// The number of threads for the work on every core.
#include "platform/ordered_work.h"

namespace quillon {

unsigned WorkerCount(unsigned jobs) {
    if (jobs > 0) {
        return jobs;
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

}  // namespace quillon
