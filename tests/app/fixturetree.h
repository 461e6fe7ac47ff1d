#ifndef FIXTURETREE_H
#define FIXTURETREE_H

#include <QPoint>
#include <QString>

namespace fixture {

// Writes dir/test_datasets/1..samples/{pri_pano,sec_pano}/ with a 1024 x 512 JPEG and both corner
// files of a square room seen from its centre. The secondary list starts one corner later, so
// the same wall has another number there. Returns false if anything could not be written.
bool writeBoxRoomTree(const QString &dir, int samples);

// A view position well inside wall `wall` (0..3) of the box room.
QPoint boxWallCentre(bool secondary, int wall);

} // namespace fixture

#endif // FIXTURETREE_H
