// SPDX-License-Identifier: MIT
// The keys and wheel of the Qt window's plots (spectrum, trace, map), read the same way by each.
#pragma once

#include <QWheelEvent>
#include <Qt>
#include <optional>

#include "dialog/plot_frame.h"

namespace quillon {

// The zoom key of a pressed key (+ or =, -, the arrows); nothing for any other key.
inline std::optional<PlotKey> PlotKeyOf(int key) {
    switch (key) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return PlotKey::kZoomIn;
        case Qt::Key_Minus:
            return PlotKey::kZoomOut;
        case Qt::Key_Left:
            return PlotKey::kLeft;
        case Qt::Key_Right:
            return PlotKey::kRight;
        case Qt::Key_Up:
            return PlotKey::kUp;
        case Qt::Key_Down:
            return PlotKey::kDown;
        default:
            return std::nullopt;
    }
}

// The notches a wheel turned (positive away from the user); 0 for a sideways turn.
inline double WheelSteps(const QWheelEvent& event) {
    return event.angleDelta().y() / 120.0;
}

}  // namespace quillon
