// quillon-convert on inputs that are not scan data files, are damaged or cannot be used, and on
// outputs that cannot be written: a clear message, a non-zero exit, and nothing lost.
#include <gtest/gtest.h>

#include "program_run.h"

namespace quillon {
namespace {

}  // namespace
}  // namespace quillon
