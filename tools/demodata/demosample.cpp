#include "demosample.h"

#include "demorandom.h"
#include "projection.h"

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

constexpr double kDegree = piDouble / 180.0;

double normalisedAngle(double a)
{
    a = std::fmod(a, 2 * piDouble);
    return a < 0 ? a + 2 * piDouble : a;
}

PlanPoint pointIn(const PlanPolygon &kernel, DemoRandom &rng)
{
    PlanPoint lo = kernel.front();
    PlanPoint hi = kernel.front();
    for (const PlanPoint &p : kernel) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    for (int attempt = 0; attempt < 200; ++attempt) {
        const PlanPoint p {rng.uniform(lo.x, hi.x), rng.uniform(lo.y, hi.y)};
        if (insideConvex(kernel, p))
            return p;
    }
    PlanPoint centre;
    for (const PlanPoint &p : kernel)
        centre = centre + p * (1.0 / double(kernel.size()));
    return centre;
}

// Smallest azimuth span of a wall seen from p; walls seen nearly edge-on are hard to pick.
double smallestWallSpan(const PlanPolygon &room, PlanPoint p)
{
    double smallest = 2 * piDouble;
    for (size_t i = 0; i < room.size(); ++i) {
        const PlanPoint a = room[i] - p;
        const PlanPoint b = room[(i + 1) % room.size()] - p;
        smallest = std::min(smallest, std::atan2(cross(a, b), dot(a, b)));
    }
    return smallest;
}

int leftmostCorner(const DemoSample &sample, int view)
{
    const CameraPose &pose = sample.poses[size_t(view)];
    int best = 0;
    double bestAzimuth = 10.0;
    for (size_t i = 0; i < sample.room.plan.corners.size(); ++i) {
        const double a = azimuthOf(toCamera(pose, sample.room.plan.corners[i], 0.0));
        if (a < bestAzimuth) {
            bestAzimuth = a;
            best = int(i);
        }
    }
    return best;
}

// Heading that puts the image seam (azimuth 0, the camera's +y) towards plan angle phi.
double headingTowards(double phi)
{
    return normalisedAngle(phi - piDouble / 2);
}

} // namespace

CameraVector toCamera(const CameraPose &pose, PlanPoint p, double heightAboveFloor)
{
    const PlanPoint d = p - pose.position;
    const double c = std::cos(pose.heading);
    const double s = std::sin(pose.heading);
    return {c * d.x + s * d.y, -s * d.x + c * d.y, heightAboveFloor - pose.height};
}

DemoSample generateDemoSample(quint64 seed, int number)
{
    DemoRandom rng(mixSeed(seed, quint64(number)));
    DemoSample sample;
    sample.number = number;
    sample.seed = seed;

    for (;;) {
        sample.room = generateRoom(rng);
        const PlanPolygon &corners = sample.room.plan.corners;
        const PlanPolygon kernel = visibilityKernel(corners, kCameraWallMargin);
        bool placed = false;
        for (int attempt = 0; attempt < 100 && !placed; ++attempt) {
            const PlanPoint a = pointIn(kernel, rng);
            const PlanPoint b = pointIn(kernel, rng);
            placed = length(a - b) >= kMinCameraDistance
                && smallestWallSpan(corners, a) >= kMinWallSpanDegrees * kDegree
                && smallestWallSpan(corners, b) >= kMinWallSpanDegrees * kDegree;
            sample.poses[0].position = a;
            sample.poses[1].position = b;
        }
        if (placed)
            break;
    }
    for (CameraPose &pose : sample.poses)
        pose.height = rng.uniform(kMinCameraHeight, kMaxCameraHeight);

    // Every fifth sample has the primary seam well inside a wall, so the set always holds
    // walls split across the image's left and right edges; the other headings are random.
    CameraPose &primary = sample.poses[0];
    if (number % 5 == 1) {
        const PlanPolygon &corners = sample.room.plan.corners;
        const size_t w = size_t(rng.integer(0, int(corners.size()) - 1));
        const PlanPoint a = corners[w] - primary.position;
        const PlanPoint b = corners[(w + 1) % corners.size()] - primary.position;
        const double from = std::atan2(a.y, a.x);
        const double span = std::atan2(cross(a, b), dot(a, b));
        primary.heading = headingTowards(from + span * rng.uniform(0.3, 0.7));
    } else {
        primary.heading = rng.uniform(0, 2 * piDouble);
    }
    sample.firstCorner[0] = leftmostCorner(sample, PrimaryView);

    // A different heading, and a list that starts at a different corner, as real predictions do.
    do {
        sample.poses[1].heading = normalisedAngle(primary.heading + rng.uniform(40, 320) * kDegree);
        sample.firstCorner[1] = leftmostCorner(sample, SecondaryView);
    } while (sample.firstCorner[1] == sample.firstCorner[0]);
    return sample;
}

int ringOffset(const DemoSample &sample, PanoView view, const QString &source)
{
    const QByteArray name = source.toUtf8();
    DemoRandom rng(mixSeed(mixSeed(sample.seed, quint64(sample.number)),
                           nameSalt(name.constData(), name.size()) ^ (0x51u + quint64(view))));
    return rng.integer(1, int(sample.room.walls.size()) - 1);
}

std::vector<int> secondaryWallOf(const DemoSample &sample, const std::array<int, 2> &offsets)
{
    const std::vector<int> kestrel = secondaryWallOf(sample);
    const int n = int(kestrel.size());
    std::vector<int> mapping;
    for (int k = 0; k < n; ++k)
        mapping.push_back((kestrel[size_t((k + offsets[0]) % n)] - offsets[1] + n) % n);
    return mapping;
}

std::vector<int> secondaryWallOf(const DemoSample &sample)
{
    const int n = int(sample.room.walls.size());
    std::vector<int> mapping;
    for (int k = 0; k < n; ++k) {
        const int wall = (sample.firstCorner[0] + k) % n;
        mapping.push_back((wall - sample.firstCorner[1] + n) % n);
    }
    return mapping;
}

} // namespace wallmatch
