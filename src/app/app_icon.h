// SPDX-License-Identifier: MIT
// The application icon, from the PNG sizes built into the program.
#pragma once

#include <QIcon>

namespace quillon {

// The QUILLON icon at 16, 24, 32, 48 and 256 pixels.
QIcon ApplicationIcon();

}  // namespace quillon
