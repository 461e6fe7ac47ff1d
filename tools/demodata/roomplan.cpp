#include "roomplan.h"

#include "demorandom.h"
#include "projection.h"

#include <algorithm>

namespace wallmatch {

namespace {

// A corner must turn the wall by at least this much to be seen as a corner at all.
constexpr double kMinCornerTurn = 15.0 * piDouble / 180.0;

PlanPolygon rectangle(double w, double d)
{
    return {{0, 0}, {w, 0}, {w, d}, {0, d}};
}

PlanPolygon quadrilateral(DemoRandom &rng)
{
    PlanPolygon room = rectangle(rng.uniform(2.8, 7.0), rng.uniform(2.8, 7.0));
    for (PlanPoint &p : room)
        p = p + PlanPoint {rng.uniform(-0.8, 0.8), rng.uniform(-0.8, 0.8)};
    return room;
}

PlanPolygon convexPolygon(DemoRandom &rng)
{
    const int n = rng.integer(5, 7);
    std::vector<double> gaps;
    double total = 0.0;
    for (int i = 0; i < n; ++i) {
        gaps.push_back(rng.uniform(0.6, 1.4));
        total += gaps.back();
    }
    const double rx = rng.uniform(2.0, 4.2);
    const double ry = rng.uniform(2.0, 4.2);
    double angle = rng.uniform(0.0, 2.0 * piDouble);
    PlanPolygon room;
    for (double gap : gaps) {
        room.push_back({rx * std::cos(angle), ry * std::sin(angle)});
        angle += gap / total * 2.0 * piDouble;
    }
    return room;
}

PlanPolygon lShape(DemoRandom &rng)
{
    const double w = rng.uniform(4.0, 8.0);
    const double d = rng.uniform(4.0, 8.0);
    const double a = rng.uniform(2.4, w - 1.2);
    const double c = rng.uniform(2.4, d - 1.2);
    return {{0, 0}, {w, 0}, {w, c}, {a, c}, {a, d}, {0, d}};
}

// A bar across the top with a stem below it; the cameras stand in the bar above the stem.
PlanPolygon tShape(DemoRandom &rng)
{
    const double w = rng.uniform(5.0, 8.0);
    const double stem = rng.uniform(2.2, std::min(4.5, w - 2.4));
    const double a = rng.uniform(1.2, w - stem - 1.2);
    const double b = a + stem;
    const double stemDepth = rng.uniform(1.2, 3.5);
    const double d = stemDepth + rng.uniform(2.2, 4.5);
    return {{a, 0}, {b, 0}, {b, stemDepth}, {w, stemDepth},
            {w, d}, {0, d}, {0, stemDepth}, {a, stemDepth}};
}

// A notch cut into the top wall. Its sides splay outwards so that the room below still sees
// both of its upper corners; with upright sides no point would see every corner.
PlanPolygon uShape(DemoRandom &rng)
{
    const double w = rng.uniform(5.0, 8.0);
    const double splay = rng.uniform(0.9, 2.0);
    const double bottom = rng.uniform(1.2, 2.5);
    const double opening = bottom + 2.0 * splay;
    if (opening > w - 2.4)
        return {};
    const double a = rng.uniform(1.2, w - opening - 1.2);
    const double b = a + opening;
    const double depth = rng.uniform(1.0, 1.8);
    const double d = depth + rng.uniform(3.0, 5.5);
    const double c = d - depth;
    return {{0, 0}, {w, 0}, {w, d}, {b, d}, {b - splay, c}, {a + splay, c}, {a, d}, {0, d}};
}

// Two opposite corners cut away; the cameras stand in the middle band.
PlanPolygon zShape(DemoRandom &rng)
{
    const double w = rng.uniform(5.0, 8.0);
    const double d = rng.uniform(5.0, 8.0);
    const double a = rng.uniform(1.2, w - 3.4);
    const double b = rng.uniform(a + 2.2, w - 1.2);
    const double e = rng.uniform(1.2, d - 3.4);
    const double c = rng.uniform(e + 2.2, d - 1.2);
    return {{0, 0}, {b, 0}, {b, e}, {w, e}, {w, d}, {a, d}, {a, c}, {0, c}};
}

// Replaces a convex corner by a short diagonal wall.
PlanPolygon chamfer(const PlanPolygon &room, DemoRandom &rng)
{
    const int n = int(room.size());
    std::vector<int> convex;
    for (int i = 0; i < n; ++i) {
        const PlanPoint prev = room[size_t((i + n - 1) % n)];
        const PlanPoint next = room[size_t((i + 1) % n)];
        if (cross(room[size_t(i)] - prev, next - room[size_t(i)]) > 0.0)
            convex.push_back(i);
    }
    if (convex.empty())
        return room;
    const int k = convex[size_t(rng.integer(0, int(convex.size()) - 1))];
    const PlanPoint v = room[size_t(k)];
    const PlanPoint prev = room[size_t((k + n - 1) % n)];
    const PlanPoint next = room[size_t((k + 1) % n)];
    const PlanPoint toPrev = (prev - v) * (1.0 / length(prev - v));
    const PlanPoint toNext = (next - v) * (1.0 / length(next - v));
    PlanPolygon result;
    for (int i = 0; i < n; ++i) {
        if (i == k) {
            result.push_back(v + toPrev * rng.uniform(0.9, 1.6));
            result.push_back(v + toNext * rng.uniform(0.9, 1.6));
        } else {
            result.push_back(room[size_t(i)]);
        }
    }
    return result;
}

double kernelDiameter(const PlanPolygon &kernel)
{
    double best = 0.0;
    for (const PlanPoint &a : kernel)
        for (const PlanPoint &b : kernel)
            best = std::max(best, length(a - b));
    return best;
}

} // namespace

double signedArea(const PlanPolygon &polygon)
{
    double sum = 0.0;
    for (size_t i = 0; i < polygon.size(); ++i)
        sum += cross(polygon[i], polygon[(i + 1) % polygon.size()]);
    return 0.5 * sum;
}

PlanPolygon clipLeftOf(const PlanPolygon &convex, PlanPoint a, PlanPoint b, double offset)
{
    const PlanPoint dir = b - a;
    const double len = length(dir);
    auto side = [&](PlanPoint p) { return cross(dir, p - a) / len - offset; };
    PlanPolygon result;
    for (size_t i = 0; i < convex.size(); ++i) {
        const PlanPoint p = convex[i];
        const PlanPoint q = convex[(i + 1) % convex.size()];
        const double sp = side(p);
        const double sq = side(q);
        if (sp >= 0.0)
            result.push_back(p);
        if ((sp >= 0.0) != (sq >= 0.0))
            result.push_back(p + (q - p) * (sp / (sp - sq)));
    }
    return result;
}

PlanPolygon visibilityKernel(const PlanPolygon &room, double margin)
{
    PlanPolygon kernel = {{-1e3, -1e3}, {1e3, -1e3}, {1e3, 1e3}, {-1e3, 1e3}};
    for (size_t i = 0; i < room.size() && !kernel.empty(); ++i)
        kernel = clipLeftOf(kernel, room[i], room[(i + 1) % room.size()], margin);
    return kernel;
}

bool insideConvex(const PlanPolygon &convex, PlanPoint p)
{
    if (convex.size() < 3)
        return false;
    for (size_t i = 0; i < convex.size(); ++i) {
        const PlanPoint a = convex[i];
        const PlanPoint b = convex[(i + 1) % convex.size()];
        if (cross(b - a, p - a) < 0.0)
            return false;
    }
    return true;
}

bool segmentsIntersect(PlanPoint a, PlanPoint b, PlanPoint c, PlanPoint d)
{
    const double d1 = cross(b - a, c - a);
    const double d2 = cross(b - a, d - a);
    const double d3 = cross(d - c, a - c);
    const double d4 = cross(d - c, b - c);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    // Touching: an end point lies on the other segment (collinear segments included).
    auto onSegment = [](PlanPoint p, PlanPoint q, PlanPoint r) {
        return std::min(p.x, q.x) <= r.x && r.x <= std::max(p.x, q.x) && std::min(p.y, q.y) <= r.y
            && r.y <= std::max(p.y, q.y);
    };
    return (d1 == 0 && onSegment(a, b, c)) || (d2 == 0 && onSegment(a, b, d))
        || (d3 == 0 && onSegment(c, d, a)) || (d4 == 0 && onSegment(c, d, b));
}

bool isPlausiblePlan(const PlanPolygon &room)
{
    const int n = int(room.size());
    if (n < kMinWalls || n > kMaxWalls || signedArea(room) <= 0.0)
        return false;
    for (int i = 0; i < n; ++i) {
        const PlanPoint a = room[size_t(i)];
        const PlanPoint b = room[size_t((i + 1) % n)];
        const PlanPoint c = room[size_t((i + 2) % n)];
        const double len = length(b - a);
        if (len < kMinWallLength || len > kMaxWallLength)
            return false;
        const double turn = std::atan2(cross(b - a, c - b), dot(b - a, c - b));
        if (std::abs(turn) < kMinCornerTurn || std::abs(turn) > piDouble - kMinCornerTurn)
            return false;
        for (int j = i + 2; j < n; ++j) {
            if ((j + 1) % n == i)
                continue;
            if (segmentsIntersect(a, b, room[size_t(j)], room[size_t((j + 1) % n)]))
                return false;
        }
    }
    return kernelDiameter(visibilityKernel(room, kCameraWallMargin)) >= 1.3;
}

static PlanPolygon shapedPlan(RoomShape shape, DemoRandom &rng)
{
    switch (shape) {
    case RoomShape::Rectangle:
        return rectangle(rng.uniform(2.6, 7.5), rng.uniform(2.6, 7.5));
    case RoomShape::Quadrilateral:
        return quadrilateral(rng);
    case RoomShape::Convex:
        return convexPolygon(rng);
    case RoomShape::LShape:
        return lShape(rng);
    case RoomShape::TShape:
        return tShape(rng);
    case RoomShape::UShape:
        return uShape(rng);
    case RoomShape::ZShape:
        return zShape(rng);
    }
    return {};
}

FloorPlan generateFloorPlan(DemoRandom &rng)
{
    // The shape is drawn first and kept while its measures are redrawn, so that shapes that
    // often fail the checks (U, convex) are as common as the others.
    struct Weighted
    {
        RoomShape shape;
        double share;
    };
    constexpr Weighted shapes[] = {{RoomShape::Rectangle, 0.18}, {RoomShape::Quadrilateral, 0.1},
                                   {RoomShape::Convex, 0.12},    {RoomShape::LShape, 0.2},
                                   {RoomShape::TShape, 0.14},    {RoomShape::UShape, 0.13},
                                   {RoomShape::ZShape, 0.13}};
    for (;;) {
        double pick = rng.uniform();
        RoomShape shape = RoomShape::Rectangle;
        for (const Weighted &w : shapes) {
            shape = w.shape;
            pick -= w.share;
            if (pick < 0.0)
                break;
        }
        for (int attempt = 0; attempt < 500; ++attempt) {
            FloorPlan plan {shape, shapedPlan(shape, rng)};
            if (plan.corners.size() < 3)
                continue;
            const int chamfers = rng.chance(0.4) ? rng.integer(1, 2) : 0;
            for (int i = 0; i < chamfers && int(plan.corners.size()) < kMaxWalls; ++i)
                plan.corners = chamfer(plan.corners, rng);
            if (isPlausiblePlan(plan.corners))
                return plan;
        }
    }
}

} // namespace wallmatch
