#ifndef WALLWIDTH_H
#define WALLWIDTH_H

#include "cornerpoint.h"

#include <QString>
#include <QVector>

namespace wallmatch {

// Walls are measured in columns of an image this wide (1024 x 512, the views' panorama size).
inline constexpr double wallWidthImageWidth = 1024;
// Walls narrower than this many columns are hard to hit with the mouse; the tools list them.
inline constexpr double narrowWallColumns = 20;

struct NarrowWall
{
    int wall = -1; // numbered as the results number walls
    double columns = 0; // width at wallWidthImageWidth
};

// The walls of a corner list (two rings of n / 2 corners; wall l runs from corner l to corner
// (l + 1) mod (n / 2)) narrower than narrowWallColumns: the azimuth span, the wider of the two
// rings', in columns of an image wallWidthImageWidth wide. Walls touching a zero corner are left
// out: they are no wall at all.
QVector<NarrowWall> narrowWalls(const QVector<CornerPoint> &corners);

// "2 (14 px), 5 (9 px)".
QString narrowWallsText(const QVector<NarrowWall> &walls);

} // namespace wallmatch

#endif // WALLWIDTH_H
