#include "floorplane.h"

#include "projection.h"

#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <limits>

namespace wallmatch {

namespace {

// The absolute area of a painter path's fill, summed over its polygons.
double areaOf(const QPainterPath &path)
{
    double area = 0;
    for (const QPolygonF &polygon : path.toFillPolygons()) {
        double twice = 0;
        for (int i = 0; i < polygon.size(); ++i) {
            const QPointF a = polygon.at(i), b = polygon.at((i + 1) % polygon.size());
            twice += a.x() * b.y() - a.y() * b.x();
        }
        area += std::abs(twice) / 2;
    }
    return area;
}

// The distance from the camera (the origin) along (dx, dy) to the nearest edge of the ring, or
// none when the ray meets no edge.
std::optional<double> rayToRing(const QVector<QPointF> &ring, double dx, double dy)
{
    std::optional<double> nearest;
    for (int i = 0; i < ring.size(); ++i) {
        const QPointF a = ring.at(i), b = ring.at((i + 1) % ring.size());
        const double ex = b.x() - a.x(), ey = b.y() - a.y();
        const double denominator = dx * ey - dy * ex;
        if (std::abs(denominator) < 1e-12)
            continue;
        // origin + t d = a + s e
        const double t = (a.x() * ey - a.y() * ex) / denominator;
        const double s = (a.x() * dy - a.y() * dx) / denominator;
        if (t > 1e-9 && s >= -1e-9 && s <= 1 + 1e-9 && (!nearest || t < *nearest))
            nearest = t;
    }
    return nearest;
}

} // namespace

std::optional<QVector<QPointF>> liftedFloor(const QVector<CornerPoint> &corners, QString *why)
{
    if (corners.size() % 2 != 0 || corners.size() < 6) {
        if (why)
            *why = QStringLiteral("%1 corners: two rings of at least 3 are needed")
                       .arg(corners.size());
        return std::nullopt;
    }
    const int n = int(corners.size() / 2);
    QVector<QPointF> floor;
    floor.reserve(n);
    for (int i = 0; i < n; ++i) {
        const CornerPoint &c = corners.at(n + i);
        if (!(c.z < 0) || !std::isfinite(c.x) || !std::isfinite(c.y)) {
            if (why)
                *why = QStringLiteral("floor corner %1 does not point below the horizon").arg(i);
            return std::nullopt;
        }
        floor.append(QPointF(double(c.x) / -c.z, double(c.y) / -c.z));
    }
    return floor;
}

std::optional<FloorRings> liftedFloors(const QVector<CornerPoint> &first, const QString &firstLabel,
                                       const QVector<CornerPoint> &second,
                                       const QString &secondLabel, QString *why)
{
    QString reason;
    std::optional<QVector<QPointF>> a = liftedFloor(first, &reason);
    if (!a) {
        if (why)
            *why = firstLabel + reason;
        return std::nullopt;
    }
    std::optional<QVector<QPointF>> b = liftedFloor(second, &reason);
    if (!b) {
        if (why)
            *why = secondLabel + reason;
        return std::nullopt;
    }
    return FloorRings {std::move(*a), std::move(*b)};
}

std::optional<LayoutAgreement> layoutAgreement(const QVector<CornerPoint> &shown,
                                               const QVector<CornerPoint> &reference, QSize image,
                                               QString *why)
{
    const std::optional<FloorRings> rings = liftedFloors(shown, {}, reference, {}, why);
    if (!rings)
        return std::nullopt;
    const QVector<QPointF> &a = rings->first;
    const QVector<QPointF> &b = rings->second;
    // Painter paths clip in floating point; a thousand units to the camera height keeps their
    // tolerances far below a room's size.
    const auto path = [](const QVector<QPointF> &ring) {
        QPolygonF polygon;
        for (const QPointF &p : ring)
            polygon << p * 1000.0;
        QPainterPath p;
        p.addPolygon(polygon);
        p.closeSubpath();
        p.setFillRule(Qt::WindingFill);
        return p;
    };
    const QPainterPath pa = path(a), pb = path(b);
    const double united = areaOf(pa.united(pb));
    LayoutAgreement agreement;
    agreement.iou2d = united > 0 ? areaOf(pa.intersected(pb)) / united : 0.0;
    double sum = 0;
    int columns = 0;
    const QSizeF size(image);
    for (int u = 0; u < image.width(); ++u) {
        const Direction d = pixelToDirection(QPointF(u + 0.5, size.height() * 0.75), size);
        const double h = std::hypot(d.x, d.y);
        if (h < 1e-12)
            continue;
        const std::optional<double> ta = rayToRing(a, d.x / h, d.y / h);
        const std::optional<double> tb = rayToRing(b, d.x / h, d.y / h);
        if (!ta || !tb)
            continue;
        const double va = directionToPixel({d.x / h * *ta, d.y / h * *ta, -1.0}, size).y();
        const double vb = directionToPixel({d.x / h * *tb, d.y / h * *tb, -1.0}, size).y();
        sum += std::abs(va - vb);
        ++columns;
    }
    agreement.floorBoundaryPixels =
        columns > 0 ? sum / columns : std::numeric_limits<double>::quiet_NaN();
    return agreement;
}

} // namespace wallmatch
