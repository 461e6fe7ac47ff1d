#ifndef VIEWOVERLAY_H
#define VIEWOVERLAY_H

#include "cornerpoint.h"
#include "wallregions.h"

#include <QPoint>
#include <QPolygonF>
#include <QSize>
#include <QVector>

class QPainter;

namespace wallmatch {

// Everything a panorama view draws over its image, in this order and antialiased: the traced
// wall outlines and the vertical corner lines in 1-pixel yellow, the selected wall's polygons in
// translucent blue, and the corners as red dots 8 pixels across. `corners` are the image
// corners (two rings of n / 2), `roomCorners` their directions. The painter's state is restored
// before it returns.
void DrawViewOverlay(QPainter &painter, const QVector<QPoint> &corners,
                     const QVector<CornerPoint> &roomCorners, const QSize &imageSize,
                     const QVector<QPolygonF> &selectedWall);

// The same with the outlines traced ahead (TraceWallOutlines of the room corners).
void DrawViewOverlay(QPainter &painter, const QVector<QPoint> &corners,
                     const WallOutlines &outlines, const QVector<QPolygonF> &selectedWall);

} // namespace wallmatch

#endif // VIEWOVERLAY_H
