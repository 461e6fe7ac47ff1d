#include "viewcorners.h"

#include "cornerfile.h"
#include "demorandom.h"
#include "projection.h"

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

constexpr double kDegree = piDouble / 180.0;
constexpr double kMaxAzimuthError = 3.0 * kDegree;
constexpr double kMaxPolarError = 2.0 * kDegree;
// Perturbed ceiling and floor corners stay at least this far from the horizon.
constexpr double kHorizonClearance = 1.0 * kDegree;

} // namespace

ViewCorner projected(const CameraVector &position, const QSize &imageSize)
{
    ViewCorner c;
    c.position = position;
    const QPointF pixel = directionToPixel(position, imageSize);
    c.u = pixel.x();
    // Written as a float, a column this close to the right edge would read as the width itself,
    // one past the last pixel; it is the left edge's direction.
    if (float(c.u) >= float(imageSize.width()))
        c.u = 0.0;
    c.v = pixel.y();
    return c;
}

std::vector<CameraVector> cornerRings(const std::vector<PlanPoint> &aroundCamera,
                                      double ceilingAbove, double floorBelow)
{
    std::vector<CameraVector> corners;
    for (double z : {ceilingAbove, -floorBelow}) {
        for (const PlanPoint &p : aroundCamera)
            corners.push_back({p.x, p.y, z});
    }
    return corners;
}

std::vector<ViewCorner> exactCorners(const DemoSample &sample, PanoView view,
                                     const QSize &imageSize)
{
    const PlanPolygon &plan = sample.room.plan.corners;
    const int n = int(plan.size());
    const CameraPose &pose = sample.poses[size_t(view)];
    std::vector<PlanPoint> aroundCamera;
    for (int k = 0; k < n; ++k) {
        const CameraVector p =
            toCamera(pose, plan[size_t((sample.firstCorner[size_t(view)] + k) % n)], 0.0);
        aroundCamera.push_back({p.x, p.y});
    }
    std::vector<ViewCorner> corners;
    for (const CameraVector &corner :
         cornerRings(aroundCamera, sample.room.ceilingHeight - pose.height, pose.height))
        corners.push_back(projected(corner, imageSize));
    return corners;
}

namespace {

constexpr quint64 kBrambleSalt = 0xb7a3b1e0ULL;

std::vector<ViewCorner> perturbedCorners(const DemoSample &sample, PanoView view, quint64 salt,
                                         const QSize &imageSize)
{
    DemoRandom rng(mixSeed(mixSeed(sample.seed, quint64(sample.number)), salt + view));
    const std::vector<ViewCorner> exact = exactCorners(sample, view, imageSize);
    const int n = int(exact.size() / 2);
    std::vector<double> azimuths;
    for (int k = 0; k < n; ++k)
        azimuths.push_back(azimuthOf(exact[size_t(k)].position));

    std::vector<ViewCorner> result = exact;
    for (int k = 0; k < n; ++k) {
        auto gap = [&](int a, int b) {
            const double d =
                std::fmod(azimuths[size_t(b)] - azimuths[size_t(a)] + 4 * piDouble, 2 * piDouble);
            return d;
        };
        const double room = std::min(gap(k, (k + 1) % n), gap((k + n - 1) % n, k)) * 0.45;
        const double limit = std::min(kMaxAzimuthError, room);
        // A corner line is predicted as a whole; ceiling and floor then differ a little.
        const double shared = rng.uniform(-limit, limit) * 0.8;
        for (int ring = 0; ring < 2; ++ring) {
            const ViewCorner &c = exact[size_t(ring * n + k)];
            const double azimuth = azimuths[size_t(k)] + shared + rng.uniform(-limit, limit) * 0.2;
            double polar = polarOf(c.position) + rng.uniform(-kMaxPolarError, kMaxPolarError);
            polar = ring == 0 ? std::min(polar, piDouble / 2 - kHorizonClearance)
                              : std::max(polar, piDouble / 2 + kHorizonClearance);
            const CameraVector dir = directionAt(azimuth, polar);
            const double scale = c.position.z / dir.z;
            result[size_t(ring * n + k)] =
                projected({dir.x * scale, dir.y * scale, dir.z * scale}, imageSize);
        }
    }
    return result;
}

} // namespace

std::vector<ViewCorner> perturbedCorners(const DemoSample &sample, PanoView view,
                                         const QSize &imageSize)
{
    return perturbedCorners(sample, view, kBrambleSalt, imageSize);
}

std::vector<ViewCorner> perturbedCorners(const DemoSample &sample, PanoView view,
                                         const QString &source, const QSize &imageSize)
{
    const QByteArray name = source.toUtf8();
    return perturbedCorners(
        sample, view,
        source == QLatin1String("Bramble") ? kBrambleSalt : nameSalt(name.constData(), name.size()),
        imageSize);
}

std::vector<ViewCorner> rotatedRings(const std::vector<ViewCorner> &corners, int offset)
{
    const size_t n = corners.size() / 2;
    std::vector<ViewCorner> result;
    for (size_t ring = 0; ring < 2; ++ring)
        for (size_t k = 0; k < n; ++k)
            result.push_back(corners[ring * n + (k + size_t(offset)) % n]);
    return result;
}

QByteArray cornerFileText(const std::vector<ViewCorner> &corners)
{
    QVector<CornerEntry> entries;
    for (const ViewCorner &c : corners)
        entries.append({QPointF(c.u, c.v), cornerPointOf(c.position)});
    return cornerFileText(entries);
}

} // namespace wallmatch
