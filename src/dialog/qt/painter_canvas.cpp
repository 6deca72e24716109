// SPDX-License-Identifier: MIT
// PainterCanvas: the toolkit-free pictures drawn with a QPainter.
#include "dialog/qt/painter_canvas.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <cstring>

namespace quillon {

namespace {

QColor ColorOf(Rgb color) {
    return {color.red, color.green, color.blue};
}

QRectF RectOf(const PlotArea& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter* painter, const QFont& font)
    : m_pPainter(painter), m_Font(font), m_Metrics(font) {
    if (m_pPainter != nullptr) {
        m_pPainter->setFont(font);
        m_pPainter->setRenderHint(QPainter::Antialiasing);
    }
}

double PainterCanvas::TextWidth(const std::string& text) {
    return m_Metrics.horizontalAdvance(FromUtf8(text));
}

double PainterCanvas::LineHeight() {
    return m_Metrics.height();
}

void PainterCanvas::FillRect(const PlotArea& rect, Rgb color) {
    if (m_pPainter != nullptr) {
        m_pPainter->fillRect(RectOf(rect), ColorOf(color));
    }
}

void PainterCanvas::StrokeRect(const PlotArea& rect, Rgb color, double width) {
    if (m_pPainter == nullptr) {
        return;
    }
    m_pPainter->save();
    m_pPainter->setBrush(Qt::NoBrush);
    QPen pen(ColorOf(color));
    pen.setWidthF(width);
    m_pPainter->setPen(pen);
    m_pPainter->drawRect(RectOf(rect));
    m_pPainter->restore();
}

void PainterCanvas::Polyline(std::span<const PlotPoint> points, Rgb color, double width) {
    if (m_pPainter == nullptr || points.empty()) {
        return;
    }
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const PlotPoint& point : points) {
        polygon.append(QPointF(point.x, point.y));
    }
    QPen pen(ColorOf(color));
    pen.setWidthF(width);
    pen.setJoinStyle(Qt::RoundJoin);
    m_pPainter->setPen(pen);
    m_pPainter->drawPolyline(polygon);
}

void PainterCanvas::Text(const std::string& text, PlotPoint at, TextAnchor anchor, Rgb color,
                         bool upright) {
    if (m_pPainter == nullptr || text.empty()) {
        return;
    }
    const QString shown = FromUtf8(text);
    const double width = m_Metrics.horizontalAdvance(shown);
    const double shift = anchor == TextAnchor::kStart    ? 0.0
                         : anchor == TextAnchor::kMiddle ? -width / 2.0
                                                         : -width;
    m_pPainter->save();
    m_pPainter->setPen(ColorOf(color));
    m_pPainter->translate(at.x, at.y);
    if (upright) {
        m_pPainter->rotate(-90.0);
    }
    m_pPainter->drawText(QPointF(shift, 0.0), shown);
    m_pPainter->restore();
}

void PainterCanvas::Image(const PlotArea& rect, std::size_t columns, std::size_t rows,
                          std::span<const Rgb> pixels) {
    if (m_pPainter == nullptr || columns == 0 || rows == 0 || pixels.size() < columns * rows) {
        return;
    }
    QImage image(static_cast<int>(columns), static_cast<int>(rows), QImage::Format_RGB888);
    for (std::size_t r = 0; r < rows; ++r) {
        // Rgb is three bytes in the order of Format_RGB888; each line is padded to 4 bytes.
        static_assert(sizeof(Rgb) == 3);
        std::memcpy(image.scanLine(static_cast<int>(r)), pixels.data() + r * columns,
                    columns * sizeof(Rgb));
    }
    m_pPainter->save();
    m_pPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_pPainter->drawImage(RectOf(rect), image);
    m_pPainter->restore();
}

void PainterCanvas::BeginClip(const PlotArea& rect) {
    if (m_pPainter != nullptr) {
        m_pPainter->save();
        m_pPainter->setClipRect(RectOf(rect), Qt::IntersectClip);
    }
}

void PainterCanvas::EndClip() {
    if (m_pPainter != nullptr) {
        m_pPainter->restore();
    }
}

}  // namespace quillon
