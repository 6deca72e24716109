// SPDX-License-Identifier: MIT
// Dialog-unit arithmetic of the main dialog and the About box.
#include "dialog/dialog_template.h"

#include <cstdint>

namespace quillon {

DialogBaseUnits BaseUnitsFromFont(int lettersWidth, int fontHeight) {
    return {(lettersWidth / 26 + 1) / 2, fontHeight};
}

int MulDiv(int a, int b, int c) {
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = c / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (product < 0 ? -product : product) + (half < 0 ? -half : half);
    const std::int64_t divisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t result = magnitude / divisor;
    return static_cast<int>(negative ? -result : result);
}

PixelRect MapDialogRect(const DialogRect& rect, DialogBaseUnits units) {
    return {MulDiv(rect.x, units.x, 4), MulDiv(rect.y, units.y, 8), MulDiv(rect.cx, units.x, 4),
            MulDiv(rect.cy, units.y, 8)};
}

PixelPoint IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace quillon
