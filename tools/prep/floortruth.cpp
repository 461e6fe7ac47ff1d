#include "floortruth.h"

#include "projection.h"

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

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
    const double yaw = pose.yawDegrees * piDouble / 180.0;
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
                                    const MatchCriteria &criteria,
                                    const std::optional<CameraPlaces> &cameras,
                                    QVector<bool> *nearLimit)
{
    QVector<QVector<int>> matches(primary.size());
    if (nearLimit)
        nearLimit->fill(false, primary.size());
    // A wall is seen from inside the room: with both rings turned the same way round, the same
    // wall runs the same way in both, and a wall on the far side of a partition does not.
    const double pSign = signedArea(primary) < 0 ? -1.0 : 1.0;
    const double sSign = signedArea(secondary) < 0 ? -1.0 : 1.0;
    const double baseAngle = criteria.maxAngleDegrees * piDouble / 180.0;
    const double baseDistance = criteria.maxDistance * unit;
    const double perPixel = piDouble / 512.0;
    // Camera heights a point this far from the cameras may be off, in plan units.
    const auto slack = [&](QPointF point) {
        if (!cameras || !(unit > 0))
            return 0.0;
        const double dp = length(point - cameras->primary) / unit;
        const double ds = length(point - cameras->secondary) / unit;
        return criteria.pixelTolerance * perPixel * (2 + dp * dp + ds * ds) * unit;
    };
    for (int k = 0; k < primary.size(); ++k) {
        // The wall from its first corner counter-clockwise: for a clockwise ring that is
        // corner k + 1, so that the wall lies at 0 to lp along its axis either way.
        const QPointF from = primary.at(k);
        const QPointF to = primary.at((k + 1) % primary.size());
        const QPointF a = pSign > 0 ? from : to;
        const QPointF dp = (to - from) * pSign;
        const double lp = length(dp);
        if (!(lp > 0))
            continue;
        const QPointF axis = dp / lp;
        for (int j = 0; j < secondary.size(); ++j) {
            const QPointF c = secondary.at(j);
            const QPointF d = secondary.at((j + 1) % secondary.size());
            const QPointF ds = (d - c) * sSign;
            const double ls = length(ds);
            if (!(ls > 0))
                continue;
            const double slackC = slack(c);
            const double slackD = slack(d);
            const double angle = std::acos(std::clamp(dot(axis, ds) / ls, -1.0, 1.0));
            const double angleLimit =
                std::min(baseAngle + std::atan((slackC + slackD) / ls), piDouble / 4);
            if (angle > std::max(angleLimit, baseAngle))
                continue;
            const double offC = std::fabs(cross(axis, c - a));
            const double offD = std::fabs(cross(axis, d - a));
            if (offC > baseDistance + slackC || offD > baseDistance + slackD)
                continue;
            const double tc = dot(c - a, axis);
            const double td = dot(d - a, axis);
            const double overlap = std::min(lp, std::max(tc, td)) - std::max(0.0, std::min(tc, td));
            const double shorter = std::min(lp, ls);
            if (overlap < criteria.minOverlap * shorter)
                continue;
            matches[k].append(j);
            if (nearLimit
                && (angle > baseAngle || offC > baseDistance || offD > baseDistance
                    || overlap < (criteria.minOverlap + 0.2) * shorter))
                (*nearLimit)[k] = true;
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
    const auto rings = liftedFloors(primaryCorners, QStringLiteral("primary view: "),
                                    secondaryCorners, QStringLiteral("secondary view: "), why);
    if (!rings)
        return std::nullopt;
    const QVector<QPointF> &p = rings->first;
    const QVector<QPointF> &s = rings->second;
    const CameraPlaces cameras {QPointF(primaryPose.x, primaryPose.y),
                                QPointF(secondaryPose.x, secondaryPose.y)};
    QVector<bool> nearLimit;
    const QVector<QVector<int>> matches =
        matchingWalls(posed(p, primaryPose), posed(s, secondaryPose), primaryPose.scale, criteria,
                      cameras, &nearLimit);
    QVector<int> matchedBy(s.size(), 0);
    for (const QVector<int> &walls : matches)
        for (int j : walls)
            ++matchedBy[j];
    QVector<WallPair> rows;
    for (int k = 0; k < matches.size(); ++k) {
        if (matches.at(k).isEmpty())
            rows.append({k, -1, true});
        // A split or merged wall, or a match near a limit, is less sure than a plain one.
        bool certain = !nearLimit.at(k) && matches.at(k).size() == 1;
        for (int j : matches.at(k))
            certain = certain && matchedBy.at(j) == 1;
        for (int j : matches.at(k))
            rows.append({k, j, certain});
    }
    return rows;
}

} // namespace wallmatch
