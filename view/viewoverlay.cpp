#include "viewoverlay.h"

#include "wallregions.h"

#include <QBrush>
#include <QColor>
#include <QLine>
#include <QPainter>
#include <QPen>

namespace wallmatch {

namespace {

// Corner i of the first ring and corner i + n / 2 of the second are the two ends of one
// vertical room corner; an odd last corner has no partner.
void drawCornerLines(QPainter &painter, const QVector<QPoint> &corners)
{
    const int half = corners.size() / 2;
    QVector<QLine> lines;
    lines.reserve(half);
    for (int i = 0; i < half; ++i)
        lines.append(QLine(corners.at(i), corners.at(i + half)));
    painter.drawLines(lines);
}

void drawSelectedWall(QPainter &painter, const QVector<QPolygonF> &polygons)
{
    for (const QPolygonF &polygon : polygons)
        painter.drawPolygon(polygon, Qt::OddEvenFill);
}

} // namespace

void DrawViewOverlay(QPainter &painter, const QVector<QPoint> &corners,
                     const QVector<CornerPoint> &roomCorners, const QSize &imageSize,
                     const QVector<QPolygonF> &selectedWall)
{
    DrawViewOverlay(painter, corners, TraceWallOutlines(roomCorners, imageSize), selectedWall);
}

void DrawViewOverlay(QPainter &painter, const QVector<QPoint> &corners,
                     const WallOutlines &outlines, const QVector<QPolygonF> &selectedWall)
{
    painter.save();
    // Only the drawing on top of the image is antialiased.
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::yellow);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    DrawWallOutlines(painter, outlines);
    drawCornerLines(painter, corners);

    painter.setPen(QPen(Qt::NoPen));
    painter.setBrush(QBrush(QColor::fromRgbF(0, 0, 1, 0.15), Qt::SolidPattern));
    drawSelectedWall(painter, selectedWall);

    pen.setColor(Qt::red);
    pen.setWidth(8);
    painter.setPen(pen);
    painter.drawPoints(corners.constData(), corners.size());
    painter.restore();
}

} // namespace wallmatch
