#include "benchdata.h"

#include "cornerfile.h"
#include "demorandom.h"
#include "projection.h"
#include "samplefolder.h"
#include "sources.h"
#include "viewcorners.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <vector>

namespace wallmatch::bench {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCeilingAbove = 1.2;
constexpr double kFloorBelow = 1.5;
constexpr int kDistinctRooms = 4;
constexpr int kSampleWalls = 10;

// Per-pixel grain in [-1, 1], the same for the same pixel and seed.
double grain(int u, int v, quint32 seed)
{
    const quint64 h =
        mixBits((quint64(quint32(u)) << 32) ^ quint64(quint32(v)) ^ (quint64(seed) << 48));
    return double(h >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

double azimuthOf(const CornerPoint &corner)
{
    return wallmatch::azimuthOf(directionOf(corner));
}

double cross(double ax, double ay, double bx, double by)
{
    return ax * by - ay * bx;
}

int clampChannel(double c)
{
    return std::clamp(int(std::lround(c)), 0, 255);
}

struct Rgb
{
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

Rgb scaled(Rgb c, double f)
{
    return {c.r * f, c.g * f, c.b * f};
}

Rgb wallColour(int wall, quint32 seed)
{
    const QColor c = QColor::fromHsv(int((mixBits(seed * 31u + quint64(wall)) % 360)),
                                     60 + wall % 3 * 30, 170 + wall % 4 * 20);
    return {double(c.red()), double(c.green()), double(c.blue())};
}

// Everything a column of the panorama needs: which wall the ray meets, how far away, and where
// along the wall.
struct Column
{
    int wall = 0;
    double distance = 1.0;
    double along = 0.0;
    double dirX = 0.0;
    double dirY = 1.0;
};

} // namespace

QVector<CornerPoint> roomCorners(int walls, quint32 seed)
{
    DemoRandom random(seed);
    const double step = 2.0 * kPi / walls;
    std::vector<PlanPoint> plan;
    plan.reserve(size_t(walls));
    for (int i = 0; i < walls; ++i) {
        // Corner 0 lies a little right of the left edge, so the last wall crosses the seam.
        const double azimuth = (i + 0.3 + 0.4 * random.uniform()) * step;
        const double distance = 1.6 + 2.2 * random.uniform();
        plan.push_back({float(-distance * std::sin(azimuth)), float(distance * std::cos(azimuth))});
    }
    QVector<CornerPoint> corners;
    for (const CameraVector &corner : cornerRings(plan, kCeilingAbove, kFloorBelow))
        corners.append(cornerPointOf(corner));
    return corners;
}

QByteArray cornerFileText(const QVector<CornerPoint> &corners, const QSize &imageSize)
{
    return wallmatch::cornerFileText(projectedCorners(corners, imageSize));
}

QImage renderPanorama(const QVector<CornerPoint> &corners, quint32 seed, const QSize &size)
{
    const int walls = corners.size() / 2;
    std::vector<double> azimuths;
    azimuths.reserve(size_t(walls));
    for (int i = 0; i < walls; ++i)
        azimuths.push_back(azimuthOf(corners.at(i)));

    std::vector<Column> columns(size_t(size.width()));
    for (int u = 0; u < size.width(); ++u) {
        const double azimuth = (u + 0.5) / size.width() * 2.0 * kPi;
        Column &column = columns[size_t(u)];
        column.dirX = -std::sin(azimuth);
        column.dirY = std::cos(azimuth);
        // Corners are in rising azimuth order; left of corner 0 is the wall across the seam.
        const auto next = std::upper_bound(azimuths.begin(), azimuths.end(), azimuth);
        column.wall = next == azimuths.begin() ? walls - 1 : int(next - azimuths.begin()) - 1;
        const CornerPoint &p = corners.at(column.wall);
        const CornerPoint &q = corners.at((column.wall + 1) % walls);
        const double ex = q.x - p.x;
        const double ey = q.y - p.y;
        const double denominator = cross(column.dirX, column.dirY, ex, ey);
        column.distance =
            std::abs(denominator) > 1e-12 ? cross(p.x, p.y, ex, ey) / denominator : 1.0;
        const double hitX = column.distance * column.dirX - p.x;
        const double hitY = column.distance * column.dirY - p.y;
        column.along = (hitX * ex + hitY * ey) / std::sqrt(ex * ex + ey * ey);
    }

    QImage image(size, QImage::Format_RGB32);
    const Rgb ceilingColour {236.0, 232.0, 224.0};
    const Rgb floorColour {150.0, 104.0, 70.0};
    for (int v = 0; v < size.height(); ++v) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(v));
        const double polar = (v + 0.5) / size.height() * kPi;
        const double cotangent = std::cos(polar) / std::sin(polar);
        for (int u = 0; u < size.width(); ++u) {
            const Column &column = columns[size_t(u)];
            const double height = column.distance * cotangent;
            Rgb c;
            if (height > kCeilingAbove) {
                const double reach = kCeilingAbove / cotangent;
                c = scaled(ceilingColour, 1.0 - 0.04 * reach);
                c = {c.r + 3.0 * grain(u, v, seed), c.g + 3.0 * grain(u, v, seed + 1),
                     c.b + 3.0 * grain(u, v, seed + 2)};
            } else if (height < -kFloorBelow) {
                // Planks across the room, each a shade of its own, with a fine grain.
                const double reach = -kFloorBelow / cotangent;
                const double px = reach * column.dirX;
                const double py = reach * column.dirY;
                const int plank = int(std::floor(px / 0.14));
                const double shade =
                    0.85 + 0.3 * double(mixBits(quint64(plank + 1000)) % 100) / 100.0;
                const double seamLine =
                    std::abs(px / 0.14 - std::round(px / 0.14)) < 0.04 ? 0.7 : 1.0;
                c = scaled(floorColour, shade * seamLine * (1.0 - 0.05 * reach));
                const double streak = 6.0 * std::sin(py * 40.0 + plank);
                const double g = 7.0 * grain(u, v, seed);
                c = {c.r + streak + g, c.g + streak + g, c.b + streak + g};
            } else {
                // Painted wall with a skirting board, a picture and soft light from above.
                const Rgb base = wallColour(column.wall, seed);
                double light = 0.75 + 0.2 * (height + kFloorBelow) / (kCeilingAbove + kFloorBelow);
                light *= 1.0 - 0.05 * column.distance;
                c = scaled(base, light);
                if (height < -kFloorBelow + 0.12)
                    c = Rgb {235.0, 235.0, 230.0};
                const double picture = std::fmod(column.along, 2.5);
                if (picture > 0.6 && picture < 1.5 && height > -0.2 && height < 0.6) {
                    const double k = std::sin(picture * 13.0) * std::cos(height * 11.0);
                    c = Rgb {110.0 + 80.0 * k, 130.0 + 60.0 * k, 90.0 - 40.0 * k};
                }
                const double g = 4.0 * grain(u, v, seed);
                c = {c.r + g, c.g + g, c.b + g};
            }
            line[u] = qRgb(clampChannel(c.r), clampChannel(c.g), clampChannel(c.b));
        }
    }
    return image;
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
        to += 2.0 * kPi;
    const double middle = std::fmod((from + to) / 2.0, 2.0 * kPi);
    return QPoint(int(middle / (2.0 * kPi) * imageSize.width()), imageSize.height() / 2);
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
        rooms.push_back({jpegBytes(renderPanorama(corners, seed)), cornerFileText(corners),
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
