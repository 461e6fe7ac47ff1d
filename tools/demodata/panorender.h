#ifndef PANORENDER_H
#define PANORENDER_H

#include "demosample.h"

#include <QImage>
#include <QSize>

namespace wallmatch {

// Traces every ray of an equirectangular panorama taken at `pose` to the room's floor, ceiling
// or walls. Pixels on an edge between surfaces or patterns are supersampled 2 x 2.
QImage renderPanorama(const Room &room, const CameraPose &pose, const QSize &size = kPanoramaSize);

} // namespace wallmatch

#endif // PANORENDER_H
