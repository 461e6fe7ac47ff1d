#ifndef ROOMPLAN_H
#define ROOMPLAN_H

#include <cmath>
#include <vector>

namespace wallmatch {

class DemoRandom;

// A point or vector on the floor plan, in metres.
struct PlanPoint
{
    double x = 0.0;
    double y = 0.0;
};

inline PlanPoint operator+(PlanPoint a, PlanPoint b)
{
    return {a.x + b.x, a.y + b.y};
}
inline PlanPoint operator-(PlanPoint a, PlanPoint b)
{
    return {a.x - b.x, a.y - b.y};
}
inline PlanPoint operator*(PlanPoint a, double f)
{
    return {a.x * f, a.y * f};
}
inline double dot(PlanPoint a, PlanPoint b)
{
    return a.x * b.x + a.y * b.y;
}
inline double cross(PlanPoint a, PlanPoint b)
{
    return a.x * b.y - a.y * b.x;
}
inline double length(PlanPoint a)
{
    return std::sqrt(dot(a, a));
}

// Corners of a floor plan, counter-clockwise seen from above: the room lies left of each wall.
using PlanPolygon = std::vector<PlanPoint>;

enum class RoomShape { Rectangle, Quadrilateral, Convex, LShape, TShape, UShape, ZShape };

struct FloorPlan
{
    RoomShape shape = RoomShape::Rectangle;
    PlanPolygon corners;
};

// Plausibility limits shared by the generator and its checks.
constexpr int kMinWalls = 4;
constexpr int kMaxWalls = 10;
constexpr double kMinWallLength = 1.2;
constexpr double kMaxWallLength = 8.0;
// Cameras keep this far from every wall's line, so no wall fills half the panorama.
constexpr double kCameraWallMargin = 0.6;

double signedArea(const PlanPolygon &polygon);

// Clips a convex polygon to the half-plane left of the directed line a->b, moved left by offset.
PlanPolygon clipLeftOf(const PlanPolygon &convex, PlanPoint a, PlanPoint b, double offset);

// The points from which every wall is seen from its front at least margin away from its line,
// so every corner is visible: the intersection of the walls' inner half-planes (convex).
PlanPolygon visibilityKernel(const PlanPolygon &room, double margin);

bool insideConvex(const PlanPolygon &convex, PlanPoint p);

// Whether the open segments ab and cd cross or touch.
bool segmentsIntersect(PlanPoint a, PlanPoint b, PlanPoint c, PlanPoint d);

// Counter-clockwise, simple, wall lengths within limits, no corner nearly straight, and room
// for two camera positions a metre apart.
bool isPlausiblePlan(const PlanPolygon &room);

// A random room outline of one of the shapes, 4 to 10 walls.
FloorPlan generateFloorPlan(DemoRandom &rng);

} // namespace wallmatch

#endif // ROOMPLAN_H
