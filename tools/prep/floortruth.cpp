#include "floortruth.h"

#include <cmath>

namespace wallmatch {

namespace {

constexpr double kPi = 3.14159265358979323846;

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

double dot(QPointF a, QPointF b)
{
    return a.x() * b.x() + a.y() * b.y();
}

double length(QPointF a)
{
    return std::hypot(a.x(), a.y());
}

// Twice the signed area: positive when the ring turns counter-clockwise.
double signedArea(const QVector<QPointF> &ring)
{
    double sum = 0;
    for (int i = 0; i < ring.size(); ++i)
        sum += cross(ring.at(i), ring.at((i + 1) % ring.size()));
    return sum;
}

} // namespace

QVector<QPointF> posed(const QVector<QPointF> &floor, const FloorPose &pose)
{
    const double yaw = pose.yawDegrees * kPi / 180.0;
    const double c = std::cos(yaw);
    const double s = std::sin(yaw);
    QVector<QPointF> out;
    out.reserve(floor.size());
    for (const QPointF &p : floor)
        out.append(QPointF(pose.scale * (c * p.x() - s * p.y()) + pose.x,
                           pose.scale * (s * p.x() + c * p.y()) + pose.y));
    return out;
}

QVector<QVector<int>> matchingWalls(const QVector<QPointF> &primary,
                                    const QVector<QPointF> &secondary, double unit,
                                    const MatchCriteria &criteria)
{
    QVector<QVector<int>> matches(primary.size());
    // A wall is seen from inside the room: with both rings turned the same way round, the same
    // wall runs the same way in both, and a wall on the far side of a partition does not.
    const double pSign = signedArea(primary) < 0 ? -1.0 : 1.0;
    const double sSign = signedArea(secondary) < 0 ? -1.0 : 1.0;
    const double cosLimit = std::cos(criteria.maxAngleDegrees * kPi / 180.0);
    const double maxDistance = criteria.maxDistance * unit;
    for (int k = 0; k < primary.size(); ++k) {
        const QPointF a = primary.at(k);
        const QPointF dp = (primary.at((k + 1) % primary.size()) - a) * pSign;
        const double lp = length(dp);
        if (!(lp > 0))
            continue;
        const QPointF axis = dp / lp;
        for (int j = 0; j < secondary.size(); ++j) {
            const QPointF c = secondary.at(j);
            const QPointF d = secondary.at((j + 1) % secondary.size());
            const QPointF ds = (d - c) * sSign;
            const double ls = length(ds);
            if (!(ls > 0) || dot(axis, ds) / ls < cosLimit)
                continue;
            if (std::fabs(cross(axis, c - a)) > maxDistance
                || std::fabs(cross(axis, d - a)) > maxDistance)
                continue;
            const double tc = dot(c - a, axis);
            const double td = dot(d - a, axis);
            const double overlap = std::min(lp, std::max(tc, td)) - std::max(0.0, std::min(tc, td));
            if (overlap >= criteria.minOverlap * std::min(lp, ls))
                matches[k].append(j);
        }
    }
    return matches;
}

std::optional<QVector<WallPair>> truthFromPoses(const QVector<CornerPoint> &primaryCorners,
                                                const FloorPose &primaryPose,
                                                const QVector<CornerPoint> &secondaryCorners,
                                                const FloorPose &secondaryPose,
                                                const MatchCriteria &criteria, QString *why)
{
    QString reason;
    const auto p = liftedFloor(primaryCorners, &reason);
    if (!p) {
        if (why)
            *why = QStringLiteral("primary view: ") + reason;
        return std::nullopt;
    }
    const auto s = liftedFloor(secondaryCorners, &reason);
    if (!s) {
        if (why)
            *why = QStringLiteral("secondary view: ") + reason;
        return std::nullopt;
    }
    const QVector<QVector<int>> matches = matchingWalls(
        posed(*p, primaryPose), posed(*s, secondaryPose), primaryPose.scale, criteria);
    QVector<WallPair> rows;
    for (int k = 0; k < matches.size(); ++k) {
        if (matches.at(k).isEmpty())
            rows.append({k, -1});
        for (int j : matches.at(k))
            rows.append({k, j});
    }
    return rows;
}

} // namespace wallmatch
