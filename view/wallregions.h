#ifndef WALLREGIONS_H
#define WALLREGIONS_H

#include "cornerpoint.h"

#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSize>
#include <QVector>
#include <iterator>

class QPainter;

// Wall index to the polygons that cover the wall on screen (two for a wall cut by the seam).
// The walls sit in one array indexed by wall, so building, walking and looking up run through
// contiguous memory in ascending wall order; with a hash keyed by wall, a room of tens of
// thousands of walls spent its time following scattered nodes. A wall index has a key once it is
// given polygons (even none) through operator[]; BuildWallRegions gives every wall of the room one.
// Walls are never negative: value() and contains() answer an empty list and false for them.
class WallRegionTable
{
public:
    using Polygons = QVector<QPolygonF>;

    // Visits the walls with a key, in ascending order.
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Polygons;
        using difference_type = std::ptrdiff_t;
        using pointer = const Polygons *;
        using reference = const Polygons &;

        int key() const { return wall; }
        const Polygons &value() const { return table->entries.at(wall).polygons; }
        const Polygons &operator*() const { return value(); }
        const Polygons *operator->() const { return &value(); }
        const_iterator &operator++()
        {
            wall = table->nextKey(wall + 1);
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator &other) const { return wall == other.wall; }
        bool operator!=(const const_iterator &other) const { return wall != other.wall; }

    private:
        friend class WallRegionTable;
        const_iterator(const WallRegionTable *table, int wall)
            : table(table)
            , wall(wall)
        {
        }
        const WallRegionTable *table = nullptr;
        int wall = 0;
    };

    // Gives walls 0 .. wallCount - 1 a key each, with no polygons, in place of what was held.
    void resetWalls(int wallCount);

    int size() const { return keyCount; }
    bool isEmpty() const { return keyCount == 0; }
    bool contains(int wall) const;
    void clear();

    // The wall's polygons, empty for a wall without a key.
    const Polygons &polygons(int wall) const;
    Polygons value(int wall) const { return polygons(wall); }
    // Gives the wall a key if it had none. Wall must not be negative.
    Polygons &operator[](int wall);
    // Ascending.
    QList<int> keys() const;

    const_iterator begin() const { return cbegin(); }
    const_iterator end() const { return cend(); }
    const_iterator cbegin() const { return const_iterator(this, nextKey(0)); }
    const_iterator cend() const { return const_iterator(this, entries.size()); }

    // The same walls with keys, holding equal polygons.
    bool operator==(const WallRegionTable &other) const;
    bool operator!=(const WallRegionTable &other) const { return !(*this == other); }

private:
    struct Entry
    {
        Polygons polygons;
        bool keyed = false;
    };

    // The first wall from `wall` on with a key, or entries.size().
    int nextKey(int wall) const;

    QVector<Entry> entries;
    int keyCount = 0;
};

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
