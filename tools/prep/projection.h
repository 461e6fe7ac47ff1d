#ifndef PROJECTION_H
#define PROJECTION_H

#include <QPointF>
#include <QSizeF>

namespace wallmatch {

// A direction from the camera, not necessarily of unit length.
struct Direction
{
    double x = 0;
    double y = 0;
    double z = 0;
};

// Inverts the viewer's equirectangular projection: +z up at the top row, azimuth 0 (+y) at the
// left edge, azimuth growing towards -x; azimuth = u / width * 2pi, polar = v / height * pi.
// Returns a unit vector.
Direction pixelToDirection(QPointF pixel, QSizeF image);

// The viewer's projection itself, for checking the directions already in a corner file.
QPointF directionToPixel(const Direction &direction, QSizeF image);

// Horizontal distance between two columns, the short way round the seam.
double wrappedColumnDistance(double u1, double u2, double width);

} // namespace wallmatch

#endif // PROJECTION_H
