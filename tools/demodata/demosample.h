#ifndef DEMOSAMPLE_H
#define DEMOSAMPLE_H

#include "projection.h"
#include "room.h"

#include <QSize>
#include <QString>
#include <QtGlobal>
#include <array>
#include <vector>

namespace wallmatch {

// Where a panorama was taken: plan position, height of the lens above the floor, and the
// heading, the plan angle by which the camera is turned counter-clockwise from the room's axes.
struct CameraPose
{
    PlanPoint position;
    double height = 1.5;
    double heading = 0.0;
};

// A point relative to the camera in the camera's own axes (z up, image left edge towards +y).
using CameraVector = Direction;

enum PanoView { PrimaryView = 0, SecondaryView = 1 };

// One sample of the set: a room and the two panoramas taken in it.
struct DemoSample
{
    int number = 1;
    quint64 seed = 0;
    Room room;
    std::array<CameraPose, 2> poses;
    // The room corner at which each view's corner list starts: its leftmost corner in the image.
    std::array<int, 2> firstCorner = {0, 0};
};

constexpr double kMinCameraHeight = 1.2;
constexpr double kMaxCameraHeight = 1.7;
constexpr double kMinCameraDistance = 1.0;
// Every wall spans at least this azimuth in both views, so each can be picked.
constexpr double kMinWallSpanDegrees = 5.0;
const QSize kPanoramaSize(1024, 512);

// Everything about sample `number` follows from (seed, number) alone.
DemoSample generateDemoSample(quint64 seed, int number);

CameraVector toCamera(const CameraPose &pose, PlanPoint p, double heightAboveFloor);

// For primary wall k, the index of the same wall in the secondary view's numbering.
std::vector<int> secondaryWallOf(const DemoSample &sample);

// How many corners later than Kestrel's a source's rings start in a view, so that the source
// numbers walls its own way: 1 to n - 1 for n walls, from (seed, number, source, view) alone.
int ringOffset(const DemoSample &sample, PanoView view, const QString &source);

// secondaryWallOf for a source whose rings start offsets[view] corners later than Kestrel's.
std::vector<int> secondaryWallOf(const DemoSample &sample, const std::array<int, 2> &offsets);

} // namespace wallmatch

#endif // DEMOSAMPLE_H
