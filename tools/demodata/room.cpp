#include "room.h"

#include "demorandom.h"

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

constexpr double kFeatureGap = 0.2;

Rgb woodColour(DemoRandom &rng)
{
    return rgbFromHsv(rng.uniform(20, 38), rng.uniform(0.45, 0.65), rng.uniform(0.4, 0.7));
}

Rgb frameColour(DemoRandom &rng)
{
    switch (rng.integer(0, 3)) {
    case 0:
        return rgbFromHsv(0, 0, rng.uniform(0.9, 0.96));
    case 1:
        return rgbFromHsv(0, 0, rng.uniform(0.08, 0.2));
    case 2:
        return rgbFromHsv(rng.uniform(40, 48), 0.6, 0.75);
    default:
        return woodColour(rng);
    }
}

WallStyle wallStyle(double hue, DemoRandom &rng)
{
    WallStyle style;
    style.hue = hue;
    style.paint = rgbFromHsv(hue, rng.uniform(0.38, 0.55), rng.uniform(0.72, 0.88));
    const double pick = rng.uniform();
    if (pick < 0.42) {
        style.material = WallMaterial::Paint;
    } else if (pick < 0.58) {
        style.material = WallMaterial::Stripes;
        style.period = rng.uniform(0.18, 0.4);
        style.accent = scaled(style.paint, 0.86f);
    } else if (pick < 0.7) {
        style.material = WallMaterial::Panels;
        style.period = rng.uniform(0.14, 0.22);
        style.accent = scaled(style.paint, 0.7f);
    } else if (pick < 0.82) {
        style.material = WallMaterial::Wainscot;
        style.period = rng.uniform(0.85, 1.0);
        style.accent = scaled(style.paint, 0.72f);
    } else if (pick < 0.91) {
        style.material = WallMaterial::Brick;
        style.period = 0.075;
        style.accent = mix(style.paint, {0.92f, 0.9f, 0.86f}, 0.55f);
    } else {
        style.material = WallMaterial::Tiles;
        style.period = rng.uniform(0.15, 0.25);
        style.accent = mix(style.paint, {0.95f, 0.95f, 0.95f}, 0.45f);
    }
    return style;
}

WallFeature door(double width, DemoRandom &rng)
{
    WallFeature f;
    f.kind = FeatureKind::Door;
    f.bottom = 0.0;
    f.top = rng.uniform(2.0, 2.12);
    f.right = width;
    f.frame = rng.chance(0.6) ? rgbFromHsv(0, 0, 0.93) : woodColour(rng);
    f.fill = rng.chance(0.5)
        ? woodColour(rng)
        : rgbFromHsv(rng.uniform(0, 360), rng.uniform(0.0, 0.25), rng.uniform(0.55, 0.95));
    f.accent = rgbFromHsv(45, 0.25, 0.55);
    return f;
}

WallFeature window(double width, double ceiling, DemoRandom &rng)
{
    WallFeature f;
    f.kind = FeatureKind::Window;
    f.bottom = rng.uniform(0.8, 1.0);
    f.top = std::min(f.bottom + rng.uniform(1.0, 1.4), ceiling - 0.25);
    f.right = width;
    f.frame = rng.chance(0.7) ? rgbFromHsv(0, 0, 0.95) : woodColour(rng);
    f.fill = rgbFromHsv(rng.uniform(195, 215), rng.uniform(0.35, 0.55), 0.95);
    f.accent = rgbFromHsv(0, 0, 0.97);
    return f;
}

WallFeature picture(double width, DemoRandom &rng)
{
    WallFeature f;
    f.kind = FeatureKind::Picture;
    const double height = rng.uniform(0.3, 0.8);
    const double centre = rng.uniform(1.4, 1.7);
    f.bottom = centre - height / 2;
    f.top = centre + height / 2;
    f.right = width;
    f.frame = frameColour(rng);
    f.fill = rgbFromHsv(rng.uniform(0, 360), rng.uniform(0.3, 0.8), rng.uniform(0.5, 0.95));
    f.accent = rgbFromHsv(rng.uniform(0, 360), rng.uniform(0.4, 0.9), rng.uniform(0.3, 0.9));
    return f;
}

WallFeature shelf(double width, DemoRandom &rng)
{
    WallFeature f;
    f.kind = FeatureKind::Shelf;
    f.bottom = rng.uniform(0.9, 1.5);
    f.top = f.bottom + 0.3;
    f.right = width;
    f.frame = rng.chance(0.5) ? woodColour(rng) : rgbFromHsv(0, 0, 0.92);
    double edge = rng.uniform(0.0, 0.15);
    const double end = width * rng.uniform(0.55, 0.95);
    f.bookEdges.push_back(edge);
    while (edge < end) {
        edge += rng.uniform(0.025, 0.05);
        f.bookEdges.push_back(std::min(edge, width));
        f.bookColours.push_back(
            rgbFromHsv(rng.uniform(0, 360), rng.uniform(0.3, 0.8), rng.uniform(0.25, 0.8)));
    }
    return f;
}

// Finds a free stretch for a feature of the given width; false when the wall has none.
bool placeFeature(RoomWall &wall, WallFeature feature, double ceiling, DemoRandom &rng)
{
    const double width = feature.right - feature.left;
    const double len = wall.length();
    double used = 0.0;
    for (const WallFeature &f : wall.features)
        used += f.area();
    if (used + feature.area() > kMaxFeatureShare * len * ceiling)
        return false;
    for (int attempt = 0; attempt < 12; ++attempt) {
        const double left = rng.uniform(kFeatureGap, len - kFeatureGap - width);
        if (left < kFeatureGap)
            return false;
        const double right = left + width;
        const bool clear =
            std::none_of(wall.features.begin(), wall.features.end(), [&](const WallFeature &f) {
                return left < f.right + kFeatureGap && right > f.left - kFeatureGap;
            });
        if (clear) {
            const double shift = left - feature.left;
            feature.left += shift;
            feature.right += shift;
            for (double &edge : feature.bookEdges)
                edge += shift;
            wall.features.push_back(feature);
            return true;
        }
    }
    return false;
}

void furnish(Room &room, DemoRandom &rng)
{
    const int n = int(room.walls.size());
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = i;
    rng.shuffle(order);

    const double h = room.ceilingHeight;
    int doors = rng.chance(0.3) ? 2 : 1;
    int windows = rng.integer(0, 3);
    for (int i : order) {
        RoomWall &wall = room.walls[size_t(i)];
        if (doors > 0 && placeFeature(wall, door(rng.uniform(0.8, 0.95), rng), h, rng))
            --doors;
        else if (windows > 0 && placeFeature(wall, window(rng.uniform(0.8, 1.6), h, rng), h, rng))
            --windows;
    }
    for (RoomWall &wall : room.walls) {
        const int extras = wall.length() < 2.5 ? rng.integer(0, 1) : rng.integer(0, 2);
        for (int k = 0; k < extras; ++k) {
            if (rng.chance(0.6))
                placeFeature(wall, picture(rng.uniform(0.4, 1.0), rng), h, rng);
            else
                placeFeature(wall, shelf(rng.uniform(0.6, 1.2), rng), h, rng);
        }
    }
}

FloorStyle floorStyle(double wallAngle, DemoRandom &rng)
{
    FloorStyle floor;
    floor.angle = wallAngle;
    const double pick = rng.uniform();
    if (pick < 0.5) {
        floor.material = FloorMaterial::Planks;
        floor.base = woodColour(rng);
        floor.joint = scaled(floor.base, 0.6f);
        floor.width = rng.uniform(0.12, 0.22);
        floor.length = rng.uniform(1.0, 2.0);
    } else if (pick < 0.8) {
        floor.material = FloorMaterial::Tiles;
        floor.base = rng.chance(0.5)
            ? rgbFromHsv(rng.uniform(20, 45), rng.uniform(0.1, 0.45), rng.uniform(0.55, 0.85))
            : rgbFromHsv(0, 0, rng.uniform(0.35, 0.8));
        floor.joint = mix(floor.base, {0.85f, 0.85f, 0.82f}, 0.6f);
        floor.width = rng.uniform(0.3, 0.6);
        floor.length = floor.width;
    } else {
        floor.material = FloorMaterial::Carpet;
        floor.base = rgbFromHsv(rng.uniform(0, 360), rng.uniform(0.1, 0.35), rng.uniform(0.3, 0.6));
        floor.joint = scaled(floor.base, 0.85f);
        floor.width = 0.05;
        floor.length = 0.05;
    }
    return floor;
}

} // namespace

Rgb rgbFromHsv(double hueDegrees, double saturation, double value)
{
    const double h = std::fmod(std::fmod(hueDegrees, 360.0) + 360.0, 360.0) / 60.0;
    const int sector = std::min(int(h), 5);
    const double f = h - sector;
    const float v = float(value);
    const float p = float(value * (1 - saturation));
    const float q = float(value * (1 - saturation * f));
    const float t = float(value * (1 - saturation * (1 - f)));
    switch (sector) {
    case 0:
        return {v, t, p};
    case 1:
        return {q, v, p};
    case 2:
        return {p, v, t};
    case 3:
        return {p, q, v};
    case 4:
        return {t, p, v};
    default:
        return {v, p, q};
    }
}

std::vector<double> wallHues(int n, DemoRandom &rng)
{
    // Slots are evenly spaced hues; neighbours must be at least two slots apart when n allows.
    const int minSlotDistance = n >= 5 ? 2 : 1;
    std::vector<int> slots(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        slots[size_t(i)] = i;
    for (int attempt = 0; attempt < 500; ++attempt) {
        rng.shuffle(slots);
        bool ok = true;
        for (int i = 0; i < n && ok; ++i) {
            const int d = std::abs(slots[size_t(i)] - slots[size_t((i + 1) % n)]);
            ok = std::min(d, n - d) >= minSlotDistance;
        }
        if (ok)
            break;
    }
    const double spacing = 360.0 / n;
    const double base = rng.uniform(0, 360);
    std::vector<double> hues;
    for (int slot : slots)
        hues.push_back(
            std::fmod(base + slot * spacing + rng.uniform(-0.12, 0.12) * spacing, 360.0));
    return hues;
}

Room generateRoom(DemoRandom &rng)
{
    const FloorPlan plan = generateFloorPlan(rng);
    const double ceilingHeight = rng.uniform(kMinCeilingHeight, kMaxCeilingHeight);
    Room room = roomOnPlan(plan.corners, ceilingHeight, rng);
    room.plan = plan;
    return room;
}

Room roomOnPlan(const PlanPolygon &plan, double ceilingHeight, DemoRandom &rng)
{
    Room room;
    room.plan.corners = plan;
    room.ceilingHeight = ceilingHeight;
    room.patternSeed = rng.next();

    const PlanPolygon &corners = room.plan.corners;
    const int n = int(corners.size());
    const std::vector<double> hues = wallHues(n, rng);
    for (int i = 0; i < n; ++i) {
        RoomWall wall;
        wall.start = corners[size_t(i)];
        wall.end = corners[size_t((i + 1) % n)];
        wall.style = wallStyle(hues[size_t(i)], rng);
        room.walls.push_back(wall);
    }
    furnish(room, rng);

    const PlanPoint first = corners[1] - corners[0];
    room.floor = floorStyle(std::atan2(first.y, first.x), rng);
    room.ceiling = rgbFromHsv(rng.uniform(30, 60), rng.uniform(0.0, 0.06), rng.uniform(0.9, 0.97));

    // The light hangs where it sees every wall, so no shadows are needed.
    const PlanPolygon kernel = visibilityKernel(corners, kCameraWallMargin);
    PlanPoint centre;
    for (const PlanPoint &p : kernel)
        centre = centre + p * (1.0 / double(kernel.size()));
    room.light = centre;
    room.lightRadius = rng.uniform(0.15, 0.25);
    return room;
}

} // namespace wallmatch
