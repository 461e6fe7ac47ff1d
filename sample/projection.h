#ifndef PROJECTION_H
#define PROJECTION_H

#include "cornerpoint.h"

#include <QPointF>
#include <QSize>
#include <QSizeF>

// The equirectangular projection between directions from the camera and image pixels: z up at
// the top row, +y at the left edge, going right turns from +y towards -x; u = azimuth / 2pi *
// width, v = polar / pi * height. The views compute it in 32-bit floats; the tools that write
// corner files use the double-precision form below.
namespace wallmatch {

// Azimuth in [0, 2*pi) counted from +y towards -x; polar angle in [0, pi] from +z.
struct SphericalAngles
{
    float azimuth = 0.0f;
    float polar = 0.0f;
};

// Column u from the image's left edge, row v from its top.
struct PixelPosition
{
    float u = 0.0f;
    float v = 0.0f;
};

// Direction of a non-zero vector. Prints a diagnostic and gives azimuth 0 when the azimuth is
// undefined (straight up or down, or not a number).
SphericalAngles PosToSpherical(const CornerPoint &v);

PixelPosition SphericalToPixel(const SphericalAngles &angles, float width, float height);

// The pixel of a direction in an image of the given size, widened to double.
QPointF DirectionToPixel(const CornerPoint &v, const QSize &imageSize);

// Pi in the double-precision form, and for the tools' geometry.
inline constexpr double piDouble = 3.14159265358979323846;

// A direction from the camera in double precision, not necessarily of unit length.
struct Direction
{
    double x = 0;
    double y = 0;
    double z = 0;
};

inline Direction directionOf(const CornerPoint &p)
{
    return {p.x, p.y, p.z};
}

inline CornerPoint cornerPointOf(const Direction &d)
{
    return CornerPoint(float(d.x), float(d.y), float(d.z));
}

// Azimuth in [0, 2pi) and polar angle in [0, pi] of a non-zero vector.
double azimuthOf(const Direction &direction);
double polarOf(const Direction &direction);

// The unit vector of an azimuth and a polar angle, both in radians.
Direction directionAt(double azimuth, double polar);

// Inverse of the projection; a unit vector.
Direction pixelToDirection(QPointF pixel, QSizeF image);

// The projection itself, unrounded; (0, 0) for the zero vector.
QPointF directionToPixel(const Direction &direction, QSizeF image);

// Horizontal distance between two columns, the short way round the seam.
double wrappedColumnDistance(double u1, double u2, double width);

} // namespace wallmatch

#endif // PROJECTION_H
