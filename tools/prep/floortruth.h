#ifndef FLOORTRUTH_H
#define FLOORTRUTH_H

#include "cornerpoint.h"
#include "floorplane.h" // liftedFloor

#include <QPointF>
#include <QString>
#include <QVector>

#include <optional>

// Which walls of two views of one room are the same physical wall, from the views' floor corners
// and the cameras' poses on a common floor plan.
namespace wallmatch {

// Where a view's camera stands on the floor plan: a point p on the floor around the camera, in
// camera heights and in the corner file's axes, lies at scale * R(yaw) * p + (x, y).
struct FloorPose
{
    double x = 0;
    double y = 0;
    double yawDegrees = 0;
    double scale = 1; // floor-plan units per camera height
};

// When a secondary wall counts as showing a primary wall.
struct MatchCriteria
{
    double maxAngleDegrees = 10; // between the walls' directions
    double maxDistance = 0.15; // of the secondary wall's ends from the primary wall's line, in
                               // camera heights
    double minOverlap = 0.5; // along the primary wall's line, as a share of the shorter wall
};

QVector<QPointF> posed(const QVector<QPointF> &floor, const FloorPose &pose);

// For each primary wall (wall k from floor corner k to k + 1, both in the floor plan's frame),
// the secondary walls that show it, in ascending order; empty when none does. `unit` is the
// floor plan's length of one camera height.
QVector<QVector<int>> matchingWalls(const QVector<QPointF> &primary,
                                    const QVector<QPointF> &secondary, double unit,
                                    const MatchCriteria &criteria);

// One row of a sample's truth for one source: secondary wall -1 when no wall qualifies.
struct WallPair
{
    int primary = 0;
    int secondary = -1;

    bool operator==(const WallPair &o) const
    {
        return primary == o.primary && secondary == o.secondary;
    }
};

// The whole computation for one sample and one source: lift, pose, match. The primary pose's
// scale turns camera heights into floor-plan units. None, with the reason, when a view's
// corners cannot be lifted.
std::optional<QVector<WallPair>>
truthFromPoses(const QVector<CornerPoint> &primaryCorners, const FloorPose &primaryPose,
               const QVector<CornerPoint> &secondaryCorners, const FloorPose &secondaryPose,
               const MatchCriteria &criteria, QString *why = nullptr);

} // namespace wallmatch

#endif // FLOORTRUTH_H
