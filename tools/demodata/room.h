#ifndef ROOM_H
#define ROOM_H

#include "roomplan.h"

#include <QtGlobal>
#include <vector>

namespace wallmatch {

class DemoRandom;

// A colour with channels in [0, 1].
struct Rgb
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

Rgb rgbFromHsv(double hueDegrees, double saturation, double value);
inline Rgb mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Rgb scaled(Rgb c, float f)
{
    return {c.r * f, c.g * f, c.b * f};
}

enum class WallMaterial { Paint, Stripes, Panels, Wainscot, Brick, Tiles };
enum class FeatureKind { Door, Window, Picture, Shelf };

// Something fixed to a wall, in wall coordinates: metres along the wall from its start corner
// and metres above the floor.
struct WallFeature
{
    FeatureKind kind = FeatureKind::Picture;
    double left = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    double top = 0.0;
    Rgb frame;
    Rgb fill;
    Rgb accent;
    // Shelf: the edges of the books standing side by side on the board (one more than books),
    // and their colours.
    std::vector<double> bookEdges;
    std::vector<Rgb> bookColours;

    double area() const { return (right - left) * (top - bottom); }
};

struct WallStyle
{
    WallMaterial material = WallMaterial::Paint;
    double hue = 0.0;
    Rgb paint;
    Rgb accent;
    // Stripe, board, brick or tile size; for wainscot the height of the rail.
    double period = 0.0;
};

struct RoomWall
{
    PlanPoint start;
    PlanPoint end;
    WallStyle style;
    std::vector<WallFeature> features;

    double length() const { return wallmatch::length(end - start); }
};

enum class FloorMaterial { Planks, Tiles, Carpet };

struct FloorStyle
{
    FloorMaterial material = FloorMaterial::Planks;
    Rgb base;
    Rgb joint;
    double width = 0.15;
    double length = 1.5;
    // Direction of the planks or tile rows on the plan, in radians.
    double angle = 0.0;
};

// One room: outline, height, surfaces and the ceiling light. Wall i runs from corner i to
// corner i + 1 of the plan.
struct Room
{
    FloorPlan plan;
    double ceilingHeight = 2.6;
    std::vector<RoomWall> walls;
    FloorStyle floor;
    Rgb ceiling;
    PlanPoint light;
    double lightRadius = 0.18;
    quint64 patternSeed = 0;
};

constexpr double kMinCeilingHeight = 2.4;
constexpr double kMaxCeilingHeight = 3.2;
// Features together cover at most this share of a wall, so its own colour stays dominant.
constexpr double kMaxFeatureShare = 0.4;

// Hues for n walls in order around the room, evenly spread over the colour wheel and ordered
// so that neighbouring walls (the last and the first included) are far apart.
std::vector<double> wallHues(int n, DemoRandom &rng);

Room generateRoom(DemoRandom &rng);
// A room on a given plan: walls of their own colours and materials, doors, windows, pictures
// and shelves, a floor, a ceiling and a light where it sees every wall.
Room roomOnPlan(const PlanPolygon &corners, double ceilingHeight, DemoRandom &rng);

} // namespace wallmatch

#endif // ROOM_H
