#ifndef WALLREGIONS_H
#define WALLREGIONS_H

#include <QHash>
#include <QPolygonF>
#include <QVector>

// Wall index to the polygons that cover the wall on screen (two for a wall cut by the seam).
using WallRegionTable = QHash<int, QVector<QPolygonF>>;

#endif // WALLREGIONS_H
