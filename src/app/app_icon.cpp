// SPDX-License-Identifier: MIT
// The application icon, from the PNG sizes built into the program.
#include "app_icon.h"

#include <QString>

namespace quillon {

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/icons/quillon-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace quillon
