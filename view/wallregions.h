#ifndef WALLREGIONS_H
#define WALLREGIONS_H

#include "cornerpoint.h"

#include <QHash>
#include <QPointF>
#include <QPolygonF>
#include <QSize>
#include <QVector>

class QPainter;

// Wall index to the polygons that cover the wall on screen (two for a wall cut by the seam).
using WallRegionTable = QHash<int, QVector<QPolygonF>>;

namespace wallmatch {

// Every wall edge is traced with neighbouring samples less than this apart.
constexpr float kWallEdgeStepDegrees = 2.0f;

// Each point scaled to unit length, in single precision. A zero vector comes out as NaNs.
QVector<CornerPoint> NormalizeCorners(const QVector<CornerPoint> &corners);

// Whether a NormalizeCorners result is a real direction. A corner of length 0, one with a
// NaN or infinite coordinate, or one whose squared length overflows does not give one.
bool IsUnitDirection(const CornerPoint &unit);

// The clickable regions of the walls of a corner list (two rings of n / 2 corners; wall l runs
// from corner l to corner (l + 1) mod (n / 2) on both rings). Every wall index gets a key.
// A wall touching a corner that is no real direction, or whose edges do not trace to finite
// pixels, keeps an empty polygon list: it can be neither drawn nor picked.
WallRegionTable BuildWallRegions(const QVector<CornerPoint> &corners, const QSize &imageSize);

// Draws both traced edges of every wall with the painter's current pen: all edges of the first
// ring, then all of the second. Walls without regions (see above) are not drawn.
void DrawWallOutlines(QPainter &painter, const QVector<CornerPoint> &corners,
                      const QSize &imageSize);

// The wall whose polygon first contains the point, in the table's own order, or -1.
int WallAtPoint(const WallRegionTable &table, const QPointF &point);

} // namespace wallmatch

#endif // WALLREGIONS_H
