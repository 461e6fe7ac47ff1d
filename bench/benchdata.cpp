#include "benchdata.h"

#include "cornerfile.h"
#include "demorandom.h"
#include "panorender.h"
#include "projection.h"
#include "room.h"
#include "samplefolder.h"
#include "sources.h"
#include "viewcorners.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <vector>

namespace wallmatch::bench {

namespace {

constexpr double kCeilingAbove = 1.2;
constexpr double kFloorBelow = 1.5;
constexpr int kDistinctRooms = 4;
constexpr int kSampleWalls = 10;

double azimuthOf(const CornerPoint &corner)
{
    return wallmatch::azimuthOf(directionOf(corner));
}

// The room's floor plan around the camera: corners at rising azimuths with some jitter and
// varying distances, corner 0 a little right of the left edge, so the last wall crosses the seam.
PlanPolygon roomPlan(int walls, quint32 seed)
{
    DemoRandom random(seed);
    const double step = 2.0 * piDouble / walls;
    PlanPolygon plan;
    plan.reserve(size_t(walls));
    for (int i = 0; i < walls; ++i) {
        const double azimuth = (i + 0.3 + 0.4 * random.uniform()) * step;
        const double distance = 1.6 + 2.2 * random.uniform();
        plan.push_back({float(-distance * std::sin(azimuth)), float(distance * std::cos(azimuth))});
    }
    return plan;
}

} // namespace

QVector<CornerPoint> roomCorners(int walls, quint32 seed)
{
    QVector<CornerPoint> corners;
    for (const CameraVector &corner :
         cornerRings(roomPlan(walls, seed), kCeilingAbove, kFloorBelow))
        corners.append(cornerPointOf(corner));
    return corners;
}

QByteArray cornerFileText(const QVector<CornerPoint> &corners, const QSize &imageSize)
{
    return wallmatch::cornerFileText(projectedCorners(corners, imageSize));
}

QImage renderPanorama(int walls, quint32 seed, const QSize &size)
{
    // The demo data's renderer, the camera at the plan's origin looking along its axes.
    DemoRandom random(mixBits(seed));
    const Room room = roomOnPlan(roomPlan(walls, seed), kCeilingAbove + kFloorBelow, random);
    CameraPose pose;
    pose.height = kFloorBelow;
    return wallmatch::renderPanorama(room, pose, size);
}

QByteArray jpegBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

QPoint wallCentre(const QVector<CornerPoint> &corners, int wall, const QSize &imageSize)
{
    const int walls = corners.size() / 2;
    const CornerPoint &a = corners.at(wall);
    const CornerPoint &b = corners.at((wall + 1) % walls);
    const double from = azimuthOf(a);
    double to = azimuthOf(b);
    if (to < from)
        to += 2.0 * piDouble;
    const double middle = std::fmod((from + to) / 2.0, 2.0 * piDouble);
    return QPoint(int(middle / (2.0 * piDouble) * imageSize.width()), imageSize.height() / 2);
}

int wallAwayFromSeam(const QVector<CornerPoint> &corners)
{
    // roomCorners puts the seam in the last wall.
    return corners.size() / 4;
}

bool writeFile(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writePanoFolder(const QString &folder, const QByteArray &jpeg, const QByteArray &kestrel,
                     const QByteArray &bramble)
{
    const QDir dir(folder);
    return dir.mkpath(QStringLiteral("."))
        && writeFile(dir.filePath(bareFileName(imageFileLiteral)), jpeg)
        && writeFile(dir.filePath(cornerFileName(QStringLiteral("Kestrel"))), kestrel)
        && writeFile(dir.filePath(cornerFileName(QStringLiteral("Bramble"))), bramble);
}

QString sampleFolder(const QString &dir, int sample, bool secondary)
{
    return viewFolderPath(dir, sample, secondary ? 1 : 0);
}

bool writeSampleTree(const QString &dir, int samples)
{
    struct Room
    {
        QByteArray jpeg;
        QByteArray kestrel;
        QByteArray bramble;
    };
    std::vector<Room> rooms;
    for (int r = 0; r < kDistinctRooms; ++r) {
        const quint32 seed = 100u + quint32(r);
        const QVector<CornerPoint> corners = roomCorners(kSampleWalls, seed);
        // The second source's prediction: the same room, its corners a few centimetres off.
        QVector<CornerPoint> other = corners;
        DemoRandom random(seed * 7u);
        for (CornerPoint &c : other) {
            c.x += float(0.06 * (random.uniform() - 0.5));
            c.y += float(0.06 * (random.uniform() - 0.5));
        }
        rooms.push_back({jpegBytes(renderPanorama(kSampleWalls, seed)), cornerFileText(corners),
                         cornerFileText(other)});
    }
    for (int n = 1; n <= samples; ++n) {
        for (bool secondary : {false, true}) {
            const Room &room = rooms[size_t((n + (secondary ? 1 : 0)) % kDistinctRooms)];
            if (!writePanoFolder(sampleFolder(dir, n, secondary), room.jpeg, room.kestrel,
                                 room.bramble))
                return false;
        }
    }
    return true;
}

void requireWritten(bool written, const QString &what)
{
    if (!written)
        qFatal("cannot write the benchmark's inputs: %s", qPrintable(what));
}

bool smokeRun()
{
    return qEnvironmentVariableIsSet("WALLMATCH_BENCH_SMOKE");
}

qint64 procStatusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace wallmatch::bench
