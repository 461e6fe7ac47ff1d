#include "wallregions.h"

#include "spherical.h"

#include <QPainter>
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

// first[from .. to - 1] followed by second[from2 .. to2 - 1] walked backwards, with optional
// points between the two runs and after the second.
QPolygonF joinEdges(const QVector<QPointF> &first, int from, int to, const QVector<QPointF> &second,
                    int from2, int to2, const QVector<QPointF> &between = {},
                    const QVector<QPointF> &after = {})
{
    QPolygonF polygon;
    polygon.reserve((to - from) + (to2 - from2) + between.size() + after.size());
    for (int i = from; i < to; ++i)
        polygon.append(first.at(i));
    polygon += between;
    for (int i = to2 - 1; i >= from2; --i)
        polygon.append(second.at(i));
    polygon += after;
    return polygon;
}

// Where an edge cut at the seam meets the image's left and right edges. The traced points stop
// short of the seam on both sides (up to a step of 2 degrees), which left a strip that belonged
// to no polygon; each piece is carried on to the image's edge, at the row where the step across
// the seam reaches it.
struct SeamEnds
{
    QPointF endOfFirst; // on the edge the first piece runs into
    QPointF startOfSecond; // on the edge the second piece comes from
};

SeamEnds seamEnds(const QVector<QPointF> &points, int firstPieceCount, int width)
{
    const QPointF before = points.at(firstPieceCount - 1);
    const QPointF after = points.at(firstPieceCount);
    const double w = width;
    const bool leavesRight = before.x() > w / 2.0;
    const double toEdge = qMax(0.0, leavesRight ? w - before.x() : before.x());
    const double fromEdge = qMax(0.0, leavesRight ? after.x() : w - after.x());
    const double t = toEdge + fromEdge > 0.0 ? toEdge / (toEdge + fromEdge) : 0.5;
    const double row = before.y() + (after.y() - before.y()) * t;
    return {QPointF(leavesRight ? w : 0.0, row), QPointF(leavesRight ? 0.0 : w, row)};
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
    if (p == 0 || q == 0 || p >= a || q >= b)
        return {joinEdges(first, 0, a, second, 0, b)};
    // Both edges cut: the start corner's side of the seam, then the end corner's side, each
    // reaching the image's edge.
    const SeamEnds top = seamEnds(first, p, imageSize.width());
    const SeamEnds bottom = seamEnds(second, q, imageSize.width());
    QPolygonF endSide;
    endSide.append(top.startOfSecond);
    endSide += joinEdges(first, p, a, second, q, b, {}, {bottom.startOfSecond});
    return {joinEdges(first, 0, p, second, 0, q, {top.endOfFirst, bottom.endOfFirst}), endSide};
}

// One traced edge; an edge cut at the seam as two polylines, each carried on to the image's
// edge as its region is.
WallOutlineEdge traceEdge(const CornerPoint &a, const CornerPoint &b, const QSize &imageSize)
{
    int count = 0;
    QVector<QPointF> points = TraceWallEdge(a, b, imageSize, &count, kWallEdgeStepDegrees);
    if (!AllFinite(points)) // the painter must never see a non-finite coordinate
        return {};
    if (count == 0 || count >= points.size())
        return {points, {}};
    const SeamEnds ends = seamEnds(points, count, imageSize.width());
    WallOutlineEdge edge;
    edge.first = points.mid(0, count);
    edge.first.append(ends.endOfFirst);
    edge.second = {ends.startOfSecond};
    edge.second += points.mid(count);
    return edge;
}

void traceRing(WallOutlines &outlines, const UnitRings &rings, const QVector<CornerPoint> &ring,
               const QSize &imageSize)
{
    for (int wall = 0; wall < rings.wallCount; ++wall) {
        if (!isTraceableWall(rings, wall))
            continue;
        WallOutlineEdge edge =
            traceEdge(ring.at(wall), ring.at((wall + 1) % rings.wallCount), imageSize);
        if (!edge.first.isEmpty())
            outlines.edges.append(std::move(edge));
    }
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
    // The key stays even for a wall left without polygons.
    table.resetWalls(rings.wallCount);
    for (int wall = 0; wall < rings.wallCount; ++wall) {
        if (isTraceableWall(rings, wall))
            table[wall] = wallPolygons(rings, wall, imageSize);
    }
    return table;
}

WallOutlines TraceWallOutlines(const QVector<CornerPoint> &corners, const QSize &imageSize)
{
    const UnitRings rings = prepareCorners(corners);
    WallOutlines outlines;
    outlines.imageSize = imageSize;
    traceRing(outlines, rings, rings.first, imageSize);
    traceRing(outlines, rings, rings.second, imageSize);
    return outlines;
}

void DrawWallOutlines(QPainter &painter, const WallOutlines &outlines)
{
    for (const WallOutlineEdge &edge : outlines.edges) {
        if (edge.second.isEmpty()) {
            painter.drawPolyline(edge.first.constData(), edge.first.size());
            continue;
        }
        // The pen's width would spill past the image's edge; nothing of the view is drawn there.
        painter.save();
        painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(outlines.imageSize)), Qt::IntersectClip);
        painter.drawPolyline(edge.first.constData(), edge.first.size());
        painter.drawPolyline(edge.second.constData(), edge.second.size());
        painter.restore();
    }
}

void DrawWallOutlines(QPainter &painter, const QVector<CornerPoint> &corners,
                      const QSize &imageSize)
{
    DrawWallOutlines(painter, TraceWallOutlines(corners, imageSize));
}

int WallAtPoint(const WallRegionTable &table, const QPointF &point)
{
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        for (const QPolygonF &polygon : *it) {
            if (polygon.containsPoint(point, Qt::OddEvenFill))
                return it.key();
        }
    }
    return -1;
}

WallHitList BuildWallHitList(const WallRegionTable &table)
{
    int count = 0;
    for (const QVector<QPolygonF> &polygons : table)
        count += polygons.size();
    WallHitList hits;
    hits.reserve(count);
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const QVector<QPolygonF> &polygons = *it;
        for (int i = 0; i < polygons.size(); ++i)
            hits.append({polygons.at(i).boundingRect(), it.key(), i});
    }
    return hits;
}

int WallAtPoint(const WallRegionTable &table, const WallHitList &hits, const QPointF &point)
{
    for (const WallHitEntry &hit : hits) {
        if (!hit.box.contains(point))
            continue;
        const QVector<QPolygonF> &polygons = table.polygons(hit.wall);
        if (hit.polygon < polygons.size()
            && polygons.at(hit.polygon).containsPoint(point, Qt::OddEvenFill))
            return hit.wall;
    }
    return -1;
}

} // namespace wallmatch

void WallRegionTable::resetWalls(int wallCount)
{
    entries.clear();
    entries.resize(qMax(0, wallCount));
    for (Entry &entry : entries)
        entry.keyed = true;
    keyCount = entries.size();
}

bool WallRegionTable::contains(int wall) const
{
    return wall >= 0 && wall < entries.size() && entries.at(wall).keyed;
}

void WallRegionTable::clear()
{
    entries.clear();
    keyCount = 0;
}

const WallRegionTable::Polygons &WallRegionTable::polygons(int wall) const
{
    static const Polygons none;
    return wall >= 0 && wall < entries.size() ? entries.at(wall).polygons : none;
}

WallRegionTable::Polygons &WallRegionTable::operator[](int wall)
{
    Q_ASSERT(wall >= 0);
    if (wall >= entries.size())
        entries.resize(wall + 1);
    Entry &entry = entries[wall];
    if (!entry.keyed) {
        entry.keyed = true;
        ++keyCount;
    }
    return entry.polygons;
}

QList<int> WallRegionTable::keys() const
{
    QList<int> walls;
    walls.reserve(keyCount);
    for (auto it = cbegin(); it != cend(); ++it)
        walls.append(it.key());
    return walls;
}

bool WallRegionTable::operator==(const WallRegionTable &other) const
{
    if (keyCount != other.keyCount)
        return false;
    // Room past the last key may differ; equal counts make one direction enough.
    for (auto it = cbegin(); it != cend(); ++it) {
        if (!other.contains(it.key()) || other.polygons(it.key()) != *it)
            return false;
    }
    return true;
}

int WallRegionTable::nextKey(int wall) const
{
    while (wall < entries.size() && !entries.at(wall).keyed)
        ++wall;
    return wall;
}
