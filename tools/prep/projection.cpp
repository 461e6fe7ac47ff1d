#include "projection.h"

#include <cmath>

namespace wallmatch {

namespace {
constexpr double Pi = 3.14159265358979323846;
}

Direction pixelToDirection(QPointF pixel, QSizeF image)
{
    const double azimuth = pixel.x() / image.width() * 2 * Pi;
    const double polar = pixel.y() / image.height() * Pi;
    const double s = std::sin(polar);
    return {-s * std::sin(azimuth), s * std::cos(azimuth), std::cos(polar)};
}

QPointF directionToPixel(const Direction &direction, QSizeF image)
{
    const double n = std::sqrt(direction.x * direction.x + direction.y * direction.y
                               + direction.z * direction.z);
    if (!(n > 0))
        return {};
    const double polar = std::acos(std::max(-1.0, std::min(1.0, direction.z / n)));
    double azimuth = std::atan2(-direction.x, direction.y);
    if (azimuth < 0)
        azimuth += 2 * Pi;
    return {azimuth / (2 * Pi) * image.width(), polar / Pi * image.height()};
}

double wrappedColumnDistance(double u1, double u2, double width)
{
    const double d = std::fabs(u1 - u2);
    return width > 0 ? std::min(d, std::fabs(width - d)) : d;
}

} // namespace wallmatch
