#include "estimatorformats.h"

#include "cornerfile.h"
#include "floorplane.h"
#include "projection.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace wallmatch {

namespace {

constexpr int kMaxRestoredCorners = 16;

// Counter-clockwise seen from above, starting at the corner with the smallest image column.
QVector<int> normalisedOrder(const QVector<QPointF> &plan, QVector<int> order)
{
    double area = 0;
    for (int i = 0; i < order.size(); ++i)
        area += cross(plan.at(order.at(i)), plan.at(order.at((i + 1) % order.size())));
    if (area < 0)
        std::reverse(order.begin(), order.end());
    int first = 0;
    for (int i = 1; i < order.size(); ++i) {
        const QPointF a = plan.at(order.at(i));
        const QPointF b = plan.at(order.at(first));
        if (azimuthOf({a.x(), a.y(), 0}) < azimuthOf({b.x(), b.y(), 0}))
            first = i;
    }
    std::rotate(order.begin(), order.begin() + first, order.end());
    return order;
}

double tourLength(const QVector<QPointF> &points, const QVector<int> &order)
{
    double length = 0;
    for (int i = 0; i < order.size(); ++i) {
        const QPointF d = points.at(order.at((i + 1) % order.size())) - points.at(order.at(i));
        length += std::hypot(d.x(), d.y());
    }
    return length;
}

// The shortest closed path through all points (Held and Karp's dynamic programme).
QVector<int> shortestTour(const QVector<QPointF> &points)
{
    const int n = int(points.size());
    const int full = 1 << n;
    const double inf = std::numeric_limits<double>::infinity();
    QVector<double> best(full * n, inf);
    QVector<int> from(full * n, -1);
    best[1 * n + 0] = 0;
    const auto dist = [&](int a, int b) {
        const QPointF d = points.at(a) - points.at(b);
        return std::hypot(d.x(), d.y());
    };
    for (int set = 1; set < full; set += 2) {
        for (int last = 0; last < n; ++last) {
            const double here = best[set * n + last];
            if (!(set & (1 << last)) || here == inf)
                continue;
            for (int next = 1; next < n; ++next) {
                if (set & (1 << next))
                    continue;
                const int to = (set | (1 << next)) * n + next;
                const double d = here + dist(last, next);
                if (d < best[to]) {
                    best[to] = d;
                    from[to] = last;
                }
            }
        }
    }
    int last = 1;
    for (int k = 2; k < n; ++k) {
        if (best[(full - 1) * n + k] + dist(k, 0) < best[(full - 1) * n + last] + dist(last, 0))
            last = k;
    }
    QVector<int> tour;
    int set = full - 1;
    while (last > 0) {
        tour.prepend(last);
        const int previous = from[set * n + last];
        set &= ~(1 << last);
        last = previous;
    }
    tour.prepend(0);
    return tour;
}

bool sameCycle(const QVector<int> &a, const QVector<int> &b)
{
    if (a.size() != b.size())
        return false;
    const int n = int(a.size());
    const int start = int(b.indexOf(a.first()));
    if (start < 0)
        return false;
    bool forward = true, backward = true;
    for (int i = 0; i < n; ++i) {
        forward = forward && a.at(i) == b.at((start + i) % n);
        backward = backward && a.at(i) == b.at(((start - i) % n + n) % n);
    }
    return forward || backward;
}

bool containsOrigin(const QVector<QPointF> &points, const QVector<int> &order)
{
    bool inside = false;
    for (int i = 0, j = int(order.size()) - 1; i < order.size(); j = i++) {
        const QPointF a = points.at(order.at(i));
        const QPointF b = points.at(order.at(j));
        if ((a.y() > 0) != (b.y() > 0)
            && 0 < (b.x() - a.x()) * (0 - a.y()) / (b.y() - a.y()) + a.x())
            inside = !inside;
    }
    return inside;
}

} // namespace

bool isPanoAnnotatorLayout(const QJsonObject &object)
{
    return object.contains(QLatin1String("layoutPoints"));
}

std::optional<CornerRings> panoAnnotatorRings(const QString &fileName, const QJsonObject &object,
                                              QSizeF image, QVector<Problem> &errors)
{
    const auto fail = [&](const QString &message) {
        errors.append({fileName, 0, message});
        return std::nullopt;
    };
    const double cameraHeight = object.value(QLatin1String("cameraHeight")).toDouble(-1);
    const double layoutHeight = object.value(QLatin1String("layoutHeight")).toDouble(-1);
    if (!(cameraHeight > 0) || !(layoutHeight > cameraHeight) || !std::isfinite(layoutHeight))
        return fail(QStringLiteral("needs \"cameraHeight\" and a \"layoutHeight\" above it "
                                   "(metres)"));
    const QJsonArray points = object.value(QLatin1String("layoutPoints"))
                                  .toObject()
                                  .value(QLatin1String("points"))
                                  .toArray();
    if (2 * qint64(points.size()) > maxShownCorners)
        return fail(QStringLiteral("%1 layout points make %2 corners, more than the %3 wallmatch "
                                   "shows")
                        .arg(points.size())
                        .arg(2 * qint64(points.size()))
                        .arg(maxShownCorners));
    QVector<QPointF> plan; // the corner file's x and y of each point
    for (int i = 0; i < points.size(); ++i) {
        const QJsonArray xyz = points.at(i).toObject().value(QLatin1String("xyz")).toArray();
        if (xyz.size() != 3 || !xyz.at(0).isDouble() || !xyz.at(2).isDouble())
            return fail(QStringLiteral("layoutPoints.points[%1] has no \"xyz\": [x, y, z]").arg(i));
        // The format's column is atan2(x, -z) from the image's centre; ours counts from the left
        // edge towards -x, which makes (x, z) our (x, y).
        plan.append(QPointF(xyz.at(0).toDouble(), xyz.at(2).toDouble()));
        if (!std::isfinite(plan.last().x()) || !std::isfinite(plan.last().y())
            || std::hypot(plan.last().x(), plan.last().y()) < 1e-9)
            return fail(QStringLiteral("layoutPoints.points[%1] lies on the camera's axis").arg(i));
    }
    const int n = int(plan.size());
    if (n < 3)
        return fail(QStringLiteral("%1 layout points; a room needs at least 3").arg(n));

    // The ring from the walls: every point has two neighbours, and walking them visits all.
    QVector<int> order;
    const QJsonArray walls = object.value(QLatin1String("layoutWalls"))
                                 .toObject()
                                 .value(QLatin1String("walls"))
                                 .toArray();
    if (walls.isEmpty()) {
        for (int i = 0; i < n; ++i)
            order.append(i);
    } else {
        QVector<QVector<int>> neighbours(n);
        for (int w = 0; w < walls.size(); ++w) {
            const QJsonArray idx =
                walls.at(w).toObject().value(QLatin1String("pointsIdx")).toArray();
            const int a = idx.at(0).toInt(-1), b = idx.at(1).toInt(-1);
            if (idx.size() != 2 || a < 0 || b < 0 || a >= n || b >= n || a == b)
                return fail(QStringLiteral("layoutWalls.walls[%1].pointsIdx is not two point "
                                           "numbers below %2")
                                .arg(w)
                                .arg(n));
            neighbours[a].append(b);
            neighbours[b].append(a);
        }
        for (int i = 0; i < n; ++i) {
            if (neighbours.at(i).size() != 2)
                return fail(QStringLiteral("point %1 belongs to %2 walls, not 2: the walls do not "
                                           "form one ring")
                                .arg(i)
                                .arg(neighbours.at(i).size()));
        }
        int previous = -1, at = 0;
        do {
            order.append(at);
            const int next = neighbours.at(at).at(0) != previous ? neighbours.at(at).at(0)
                                                                 : neighbours.at(at).at(1);
            previous = at;
            at = next;
        } while (at != 0 && order.size() <= n);
        if (order.size() != n)
            return fail(QStringLiteral("the walls form more than one ring"));
    }
    order = normalisedOrder(plan, order);

    CornerRings rings;
    rings.image = image;
    for (int i : order) {
        const QPointF p = plan.at(i);
        rings.ceiling.append(directionToPixel({p.x(), p.y(), layoutHeight - cameraHeight}, image));
        rings.floor.append(directionToPixel({p.x(), p.y(), -cameraHeight}, image));
        rings.ceilingLines.append(0);
        rings.floorLines.append(0);
    }
    return rings;
}

bool isAtlantaLayout(const QJsonObject &object)
{
    return object.value(QLatin1String("z1")).toDouble() == -170.0
        && object.value(QLatin1String("z0")).toDouble() != 50.0
        && object.value(QLatin1String("uv")).isArray();
}

bool restoreRingOrder(CornerRings &rings, const QString &fileName, QVector<Problem> &errors)
{
    const int n = rings.count();
    if (n < 4)
        return true; // three corners make one ring whatever the order
    if (n > kMaxRestoredCorners) {
        errors.append(
            {fileName, 0,
             QStringLiteral("%1 corners: the ring order of more than %2 corners sorted by "
                            "column cannot be checked")
                 .arg(n)
                 .arg(kMaxRestoredCorners)});
        return false;
    }
    QVector<QPointF> plan;
    for (const QPointF &pixel : rings.floor) {
        const Direction d = pixelToDirection(pixel, rings.image);
        if (!(d.z < 0)) {
            errors.append({fileName, 0, QStringLiteral("a floor corner lies above the horizon")});
            return false;
        }
        plan.append(QPointF(d.x / -d.z, d.y / -d.z));
    }
    QVector<int> given;
    for (int i = 0; i < n; ++i)
        given.append(i);
    const QVector<int> tour = shortestTour(plan);
    if (sameCycle(tour, given))
        return true;
    const double shortest = tourLength(plan, tour);
    if (tourLength(plan, given) <= 1.02 * shortest || !containsOrigin(plan, tour)) {
        errors.append({fileName, 0,
                       QStringLiteral("the corners sorted by column do not form the shortest "
                                      "ring, and the ring order cannot be told for sure; give "
                                      "the corners in ring order")});
        return false;
    }
    const QVector<int> order = normalisedOrder(plan, tour);
    CornerRings restored = rings;
    for (int i = 0; i < n; ++i) {
        restored.ceiling[i] = rings.ceiling.at(order.at(i));
        restored.floor[i] = rings.floor.at(order.at(i));
        restored.ceilingLines[i] = rings.ceilingLines.at(order.at(i));
        restored.floorLines[i] = rings.floorLines.at(order.at(i));
    }
    rings = restored;
    return true;
}

} // namespace wallmatch
