#ifndef FIXTURETREE_H
#define FIXTURETREE_H

#include "cornerpoint.h"

#include <QPoint>
#include <QString>
#include <QVector>

namespace fixture {

// A square room seen from its centre: corner k at azimuth 45 + 90 k degrees, 1 m away, ceiling
// and floor 1 m above and below; the ceiling ring, then the floor ring, from corner firstCorner.
QVector<CornerPoint> boxRoomCorners(int firstCorner = 0);

// Writes dir/test_datasets/1..samples/{pri_pano,sec_pano}/ with a 1024 x 512 JPEG and both corner
// files of a square room seen from its centre. The secondary list starts one corner later, so
// the same wall has another number there. Returns false if anything could not be written.
bool writeBoxRoomTree(const QString &dir, int samples);

// A view position well inside wall `wall` (0..3) of the box room.
QPoint boxWallCentre(bool secondary, int wall);

} // namespace fixture

#endif // FIXTURETREE_H
