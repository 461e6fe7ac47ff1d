#include "roomfixture.h"

#include "cornerfile.h"
#include "projection.h"
#include "samplefolder.h"
#include "sources.h"
#include "viewcorners.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtMath>
#include <cmath>

namespace fixture {

double degrees(double radians)
{
    return radians * 180.0 / pi;
}

double radians(double degrees)
{
    return degrees * pi / 180.0;
}

CornerPoint directionAt(double azimuth, double polar)
{
    return wallmatch::cornerPointOf(wallmatch::directionAt(azimuth, polar));
}

double azimuthOf(const CornerPoint &p)
{
    return wallmatch::azimuthOf(wallmatch::directionOf(p));
}

double polarOf(const CornerPoint &p)
{
    return wallmatch::polarOf(wallmatch::directionOf(p));
}

QPointF projectToPixel(const CornerPoint &p, const QSize &imageSize)
{
    return wallmatch::directionToPixel(wallmatch::directionOf(p), imageSize);
}

QVector<QPointF> floorPlanAt(const QVector<double> &azimuthDegrees,
                             const QVector<double> &distances)
{
    QVector<QPointF> plan;
    for (int i = 0; i < azimuthDegrees.size(); ++i) {
        const double azimuth = radians(azimuthDegrees.at(i));
        const double distance = distances.at(i);
        plan.append(QPointF(-distance * std::sin(azimuth), distance * std::cos(azimuth)));
    }
    return plan;
}

QVector<CornerPoint> roomCorners(const QVector<QPointF> &floorPlan, double ceilingAbove,
                                 double floorBelow)
{
    std::vector<wallmatch::PlanPoint> plan;
    for (const QPointF &p : floorPlan)
        plan.push_back({p.x(), p.y()});
    QVector<CornerPoint> corners;
    for (const wallmatch::CameraVector &corner :
         wallmatch::cornerRings(plan, ceilingAbove, floorBelow))
        corners.append(wallmatch::cornerPointOf(corner));
    return corners;
}

QVector<double> sixWallAzimuths()
{
    return {20.0, 75.0, 140.0, 200.0, 255.0, 320.0};
}

QVector<CornerPoint> sixWallRoom()
{
    return roomCorners(floorPlanAt(sixWallAzimuths(), {2.0, 2.6, 3.1, 2.4, 2.8, 2.2}), 1.1, 1.5);
}

QVector<QPoint> projectCorners(const QVector<CornerPoint> &corners, const QSize &imageSize)
{
    QVector<QPoint> pixels;
    for (const CornerPoint &corner : corners)
        pixels.append(projectToPixel(corner, imageSize).toPoint());
    return pixels;
}

QByteArray cornerFileText(const QVector<CornerPoint> &corners, const QSize &imageSize)
{
    return wallmatch::cornerFileText(wallmatch::projectedCorners(corners, imageSize));
}

bool writeText(const QString &fileName, const QByteArray &text)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool writeCornerFile(const QString &fileName, const QVector<CornerPoint> &corners,
                     const QSize &imageSize)
{
    return writeText(fileName, cornerFileText(corners, imageSize));
}

bool writeFlatImage(const QString &fileName, const QSize &size, const QColor &color,
                    const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image.save(fileName, format);
}

bool writePanoFolder(const QString &folder, const QSize &imageSize,
                     const QVector<CornerPoint> &kestrel,
                     const std::optional<QVector<CornerPoint>> &bramble, bool withImage)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return false;
    using wallmatch::bareFileName;
    if (withImage
        && !writeFlatImage(dir.filePath(bareFileName(wallmatch::imageFileLiteral)), imageSize,
                           QColor(128, 128, 128)))
        return false;
    if (!writeCornerFile(dir.filePath(wallmatch::cornerFileName(QStringLiteral("Kestrel"))),
                         kestrel, imageSize))
        return false;
    return !bramble
        || writeCornerFile(dir.filePath(wallmatch::cornerFileName(QStringLiteral("Bramble"))),
                           *bramble, imageSize);
}

} // namespace fixture
