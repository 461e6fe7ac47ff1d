#include "projection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace wallmatch {

namespace {
// The 32-bit projection uses single-precision constants throughout.
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
} // namespace

SphericalAngles PosToSpherical(const CornerPoint &v)
{
    const float n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    const float r = 1.0f / n;
    const float x = v.x * r;
    const float y = v.y * r;
    const float z = v.z * r;

    SphericalAngles angles;
    angles.polar = std::acos(z);

    // Angle of the plane vector (y, -x) from its first axis.
    const float minusX = -x;
    float azimuth;
    if (y > 0.0f) {
        azimuth = std::atan(minusX / y);
    } else if (y < 0.0f && minusX >= 0.0f) {
        azimuth = std::atan(minusX / y) + kPi;
    } else if (y < 0.0f && minusX < 0.0f) {
        azimuth = std::atan(minusX / y) - kPi;
    } else if (y == 0.0f && minusX > 0.0f) {
        azimuth = kHalfPi;
    } else if (y == 0.0f && minusX < 0.0f) {
        azimuth = -kHalfPi;
    } else {
        std::fputs("[PosToSpherical] azimuth undefined!\n", stdout);
        std::fflush(stdout);
        angles.azimuth = 0.0f;
        return angles;
    }
    if (azimuth < 0.0f)
        azimuth += kTwoPi;
    angles.azimuth = azimuth;
    return angles;
}

PixelPosition SphericalToPixel(const SphericalAngles &angles, float width, float height)
{
    PixelPosition pixel;
    pixel.u = angles.azimuth / kTwoPi * width;
    pixel.v = angles.polar / kPi * height;
    return pixel;
}

QPointF DirectionToPixel(const CornerPoint &v, const QSize &imageSize)
{
    const PixelPosition pixel =
        SphericalToPixel(PosToSpherical(v), float(imageSize.width()), float(imageSize.height()));
    return QPointF(pixel.u, pixel.v);
}

double azimuthOf(const Direction &direction)
{
    double azimuth = std::atan2(-direction.x, direction.y);
    if (azimuth < 0.0)
        azimuth += 2.0 * piDouble;
    // A tiny negative angle can round up to a whole turn, which is the left edge.
    return azimuth >= 2.0 * piDouble ? 0.0 : azimuth;
}

double polarOf(const Direction &d)
{
    const double n = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return std::acos(std::clamp(d.z / n, -1.0, 1.0));
}

Direction directionAt(double azimuth, double polar)
{
    const double s = std::sin(polar);
    return {-s * std::sin(azimuth), s * std::cos(azimuth), std::cos(polar)};
}

Direction pixelToDirection(QPointF pixel, QSizeF image)
{
    return directionAt(pixel.x() / image.width() * 2.0 * piDouble,
                       pixel.y() / image.height() * piDouble);
}

QPointF directionToPixel(const Direction &direction, QSizeF image)
{
    const double n = std::sqrt(direction.x * direction.x + direction.y * direction.y
                               + direction.z * direction.z);
    if (!(n > 0))
        return {};
    return {azimuthOf(direction) / (2.0 * piDouble) * image.width(),
            polarOf(direction) / piDouble * image.height()};
}

double wrappedColumnDistance(double u1, double u2, double width)
{
    const double d = std::fabs(u1 - u2);
    return width > 0 ? std::min(d, std::fabs(width - d)) : d;
}

} // namespace wallmatch
