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

// No coordinate, height, angle or scale of a pose in a home comes near this; a larger one (1e308)
// is refused where it is read, instead of matching no wall at all.
inline constexpr double maxPoseMagnitude = 1e6;

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
    // Where the cameras are known: the floor line's pixels that may be off (of a 1024 x 512
    // image). A floor corner d camera heights away moves by about (1 + d^2) * pi / 512 camera
    // heights per pixel, so the distance limit grows by pixelTolerance * pi / 512 * (2 + d_p^2
    // + d_s^2), d_p and d_s the distances of the compared point from the two cameras, and the
    // angle limit by the angle those errors make over the secondary wall's length (at most 45
    // degrees in all).
    double pixelTolerance = 4;
};

// The cameras' places on the floor plan, for the limits that grow with distance.
struct CameraPlaces
{
    QPointF primary;
    QPointF secondary;
};

QVector<QPointF> posed(const QVector<QPointF> &floor, const FloorPose &pose);

// For each primary wall (wall k from floor corner k to k + 1, both in the floor plan's frame),
// the secondary walls that show it, in ascending order; empty when none does. `unit` is the
// floor plan's length of one camera height. Either ring may run either way round. With
// `cameras`, the limits grow with the distance from them; `nearLimit`, if given, gets per
// primary wall whether any match needed that growth or overlaps by less than minOverlap + 0.2.
QVector<QVector<int>> matchingWalls(const QVector<QPointF> &primary,
                                    const QVector<QPointF> &secondary, double unit,
                                    const MatchCriteria &criteria,
                                    const std::optional<CameraPlaces> &cameras = std::nullopt,
                                    QVector<bool> *nearLimit = nullptr);

// One row of a sample's truth for one source: secondary wall -1 when no wall qualifies.
struct WallPair
{
    int primary = 0;
    int secondary = -1;
    bool certain = true; // false: rests on a merged or split wall or a match near a limit

    bool operator==(const WallPair &o) const
    {
        return primary == o.primary && secondary == o.secondary && certain == o.certain;
    }
};

// The whole computation for one sample and one source: lift, pose, match, with the limits
// growing with distance from the cameras. The primary pose's scale turns camera heights into
// floor-plan units. Rows resting on a split or merged wall or on a match near a limit are
// uncertain. None, with the reason, when a view's corners cannot be lifted.
std::optional<QVector<WallPair>>
truthFromPoses(const QVector<CornerPoint> &primaryCorners, const FloorPose &primaryPose,
               const QVector<CornerPoint> &secondaryCorners, const FloorPose &secondaryPose,
               const MatchCriteria &criteria, QString *why = nullptr);

} // namespace wallmatch

#endif // FLOORTRUTH_H
