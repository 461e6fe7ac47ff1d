#ifndef WALLREGIONS_H
#define WALLREGIONS_H

#include "cornerpoint.h"

#include <QHash>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSize>
#include <QVector>

class QPainter;

// Wall index to the polygons that cover the wall on screen (two for a wall cut by the seam).
// Walk it through WallAtPoint or BuildWallHitList, which visit the walls in ascending order.
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

// One traced wall edge: `first` alone, or for an edge cut at the seam both pieces, each running
// on to the image's edge (drawn clipped to the image).
struct WallOutlineEdge
{
    QVector<QPointF> first;
    QVector<QPointF> second;
};

// The traced edges of every wall of a corner list, in drawing order: tracing is the costly part
// of drawing them, so a view traces once per corner list and draws at every paint.
struct WallOutlines
{
    QSize imageSize;
    QVector<WallOutlineEdge> edges;
};

WallOutlines TraceWallOutlines(const QVector<CornerPoint> &corners, const QSize &imageSize);

// Draws both traced edges of every wall with the painter's current pen: all edges of the first
// ring, then all of the second. Walls without regions (see above) are not drawn.
void DrawWallOutlines(QPainter &painter, const WallOutlines &outlines);
void DrawWallOutlines(QPainter &painter, const QVector<CornerPoint> &corners,
                      const QSize &imageSize);

// The lowest wall one of whose polygons contains the point, or -1.
int WallAtPoint(const WallRegionTable &table, const QPointF &point);

// A polygon of a table, by wall and place in the wall's list, with its bounding box.
struct WallHitEntry
{
    QRectF box;
    int wall = -1;
    int polygon = -1;
};

// Every polygon of a table, in the order WallAtPoint visits them: ascending wall, then stored
// order. A hit test then reads one contiguous list and runs the polygon test only where a box
// holds the point, instead of following the table's nodes through memory for every wall.
using WallHitList = QVector<WallHitEntry>;

WallHitList BuildWallHitList(const WallRegionTable &table);

// The same answer as WallAtPoint(table, point), given the list built from the unchanged table.
int WallAtPoint(const WallRegionTable &table, const WallHitList &hits, const QPointF &point);

} // namespace wallmatch

#endif // WALLREGIONS_H
