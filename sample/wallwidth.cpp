#include "wallwidth.h"

#include "projection.h"

#include <QStringList>
#include <cmath>

namespace wallmatch {

namespace {

bool isDirection(const CornerPoint &p)
{
    const double length = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
    return std::isfinite(length) && length > 0;
}

} // namespace

QVector<NarrowWall> narrowWalls(const QVector<CornerPoint> &corners)
{
    const QSizeF image(wallWidthImageWidth, wallWidthImageWidth / 2);
    const int walls = corners.size() / 2;
    QVector<NarrowWall> narrow;
    for (int wall = 0; wall < walls; ++wall) {
        double widest = -1;
        bool real = true;
        for (int ring = 0; ring < 2 && real; ++ring) {
            const CornerPoint &a = corners.at(ring * walls + wall);
            const CornerPoint &b = corners.at(ring * walls + (wall + 1) % walls);
            real = isDirection(a) && isDirection(b);
            if (real)
                widest = std::max(widest,
                                  wrappedColumnDistance(directionToPixel(directionOf(a), image).x(),
                                                        directionToPixel(directionOf(b), image).x(),
                                                        image.width()));
        }
        if (real && widest < narrowWallColumns)
            narrow.append({wall, widest});
    }
    return narrow;
}

QString narrowWallsText(const QVector<NarrowWall> &walls)
{
    QStringList parts;
    for (const NarrowWall &w : walls)
        parts << QStringLiteral("%1 (%2 px)").arg(w.wall).arg(w.columns, 0, 'f', 1);
    return parts.join(QStringLiteral(", "));
}

} // namespace wallmatch
