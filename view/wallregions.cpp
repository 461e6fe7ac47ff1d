#include "wallregions.h"

#include "spherical.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

// The two rings of a corner list, each scaled to unit length. For an odd count the second
// ring keeps the extra last corner, which belongs to no wall.
struct UnitRings
{
    int wallCount = 0;
    QVector<CornerPoint> first;
    QVector<CornerPoint> second;
};

UnitRings prepareCorners(const QVector<CornerPoint> &corners)
{
    UnitRings rings;
    rings.wallCount = corners.size() / 2;
    rings.first = NormalizeCorners(corners.mid(0, rings.wallCount));
    rings.second = NormalizeCorners(corners.mid(rings.wallCount));
    return rings;
}

bool isOpposite(const CornerPoint &a, const CornerPoint &b)
{
    return a.x == -b.x && a.y == -b.y && a.z == -b.z;
}

// An edge between exactly opposite corners has no midpoint to halve at.
bool isTraceableEdge(const CornerPoint &a, const CornerPoint &b)
{
    return IsUnitDirection(a) && IsUnitDirection(b) && !isOpposite(a, b);
}

bool isTraceableWall(const UnitRings &rings, int wall)
{
    const int next = (wall + 1) % rings.wallCount;
    return isTraceableEdge(rings.first.at(wall), rings.first.at(next))
        && isTraceableEdge(rings.second.at(wall), rings.second.at(next));
}

// first[from .. to - 1] followed by second[from2 .. to2 - 1] walked backwards.
QPolygonF joinEdges(const QVector<QPointF> &first, int from, int to, const QVector<QPointF> &second,
                    int from2, int to2)
{
    QPolygonF polygon;
    polygon.reserve((to - from) + (to2 - from2));
    for (int i = from; i < to; ++i)
        polygon.append(first.at(i));
    for (int i = to2 - 1; i >= from2; --i)
        polygon.append(second.at(i));
    return polygon;
}

QVector<QPolygonF> wallPolygons(const UnitRings &rings, int wall, const QSize &imageSize)
{
    const int next = (wall + 1) % rings.wallCount;
    int p = 0;
    int q = 0;
    const QVector<QPointF> first = TraceWallEdge(rings.first.at(wall), rings.first.at(next),
                                                 imageSize, &p, kWallEdgeStepDegrees);
    const QVector<QPointF> second = TraceWallEdge(rings.second.at(wall), rings.second.at(next),
                                                  imageSize, &q, kWallEdgeStepDegrees);
    if (!AllFinite(first) || !AllFinite(second))
        return {};

    const int a = first.size();
    const int b = second.size();
    if (p == 0 || q == 0)
        return {joinEdges(first, 0, a, second, 0, b)};
    // Both edges cut: the start corner's side of the seam, then the end corner's side.
    return {joinEdges(first, 0, p, second, 0, q), joinEdges(first, p, a, second, q, b)};
}

void drawRing(QPainter &painter, const UnitRings &rings, const QVector<CornerPoint> &ring,
              const QSize &imageSize)
{
    for (int wall = 0; wall < rings.wallCount; ++wall) {
        if (!isTraceableWall(rings, wall))
            continue;
        DrawWallEdge(painter, ring.at(wall), ring.at((wall + 1) % rings.wallCount), imageSize,
                     kWallEdgeStepDegrees);
    }
}

// The hash's own order changes with its per-process seed; a point inside polygons of two walls
// (on a border they share, or under a wall stretched across the image) must pick the same wall in
// every run.
QList<int> ascendingWalls(const WallRegionTable &table)
{
    QList<int> walls = table.keys();
    std::sort(walls.begin(), walls.end());
    return walls;
}

} // namespace

QVector<CornerPoint> NormalizeCorners(const QVector<CornerPoint> &corners)
{
    QVector<CornerPoint> units;
    units.reserve(corners.size());
    for (const CornerPoint &p : corners) {
        const float s = p.y * p.y + p.x * p.x + p.z * p.z;
        const float len = std::sqrt(s);
        const float r = 1.0f / len;
        units.append(CornerPoint(p.x * r, p.y * r, p.z * r));
    }
    return units;
}

bool IsUnitDirection(const CornerPoint &unit)
{
    if (!qIsFinite(unit.x) || !qIsFinite(unit.y) || !qIsFinite(unit.z))
        return false;
    // An overflowing squared length scales the corner to (0, 0, 0).
    const float s = unit.x * unit.x + unit.y * unit.y + unit.z * unit.z;
    return s > 0.5f && s < 2.0f;
}

WallRegionTable BuildWallRegions(const QVector<CornerPoint> &corners, const QSize &imageSize)
{
    const UnitRings rings = prepareCorners(corners);
    WallRegionTable table;
    for (int wall = 0; wall < rings.wallCount; ++wall) {
        // The key stays even for a wall left without polygons.
        QVector<QPolygonF> &polygons = table[wall];
        if (isTraceableWall(rings, wall))
            polygons = wallPolygons(rings, wall, imageSize);
    }
    return table;
}

void DrawWallOutlines(QPainter &painter, const QVector<CornerPoint> &corners,
                      const QSize &imageSize)
{
    const UnitRings rings = prepareCorners(corners);
    drawRing(painter, rings, rings.first, imageSize);
    drawRing(painter, rings, rings.second, imageSize);
}

int WallAtPoint(const WallRegionTable &table, const QPointF &point)
{
    for (const int wall : ascendingWalls(table)) {
        for (const QPolygonF &polygon : table.value(wall)) {
            if (polygon.containsPoint(point, Qt::OddEvenFill))
                return wall;
        }
    }
    return -1;
}

WallHitList BuildWallHitList(const WallRegionTable &table)
{
    int count = 0;
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        count += it.value().size();
    WallHitList hits;
    hits.reserve(count);
    for (const int wall : ascendingWalls(table)) {
        const QVector<QPolygonF> polygons = table.value(wall);
        for (int i = 0; i < polygons.size(); ++i)
            hits.append({polygons.at(i).boundingRect(), wall, i});
    }
    return hits;
}

int WallAtPoint(const WallRegionTable &table, const WallHitList &hits, const QPointF &point)
{
    for (const WallHitEntry &hit : hits) {
        if (!hit.box.contains(point))
            continue;
        const auto it = table.constFind(hit.wall);
        if (it != table.cend() && it.value().at(hit.polygon).containsPoint(point, Qt::OddEvenFill))
            return hit.wall;
    }
    return -1;
}

} // namespace wallmatch
