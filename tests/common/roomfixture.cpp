#include "roomfixture.h"

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
    const double horizontal = std::sin(polar);
    return CornerPoint(float(-horizontal * std::sin(azimuth)),
                       float(horizontal * std::cos(azimuth)), float(std::cos(polar)));
}

double azimuthOf(const CornerPoint &p)
{
    double azimuth = std::atan2(-double(p.x), double(p.y));
    if (azimuth < 0.0)
        azimuth += 2.0 * pi;
    return azimuth;
}

double polarOf(const CornerPoint &p)
{
    const double x = p.x;
    const double y = p.y;
    const double z = p.z;
    return std::acos(z / std::sqrt(x * x + y * y + z * z));
}

QPointF projectToPixel(const CornerPoint &p, const QSize &imageSize)
{
    return QPointF(azimuthOf(p) / (2.0 * pi) * imageSize.width(),
                   polarOf(p) / pi * imageSize.height());
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
    QVector<CornerPoint> corners;
    for (const QPointF &p : floorPlan)
        corners.append(CornerPoint(float(p.x()), float(p.y()), float(ceilingAbove)));
    for (const QPointF &p : floorPlan)
        corners.append(CornerPoint(float(p.x()), float(p.y()), float(-floorBelow)));
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
    QByteArray text;
    for (const CornerPoint &corner : corners) {
        const QPointF pixel = projectToPixel(corner, imageSize);
        text += QString::asprintf("%.4f %.4f %.9g %.9g %.9g\n", pixel.x(), pixel.y(),
                                  double(corner.x), double(corner.y), double(corner.z))
                    .toLatin1();
    }
    return text;
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
    if (withImage
        && !writeFlatImage(dir.filePath(QStringLiteral("color.jpg")), imageSize,
                           QColor(128, 128, 128)))
        return false;
    if (!writeCornerFile(dir.filePath(QStringLiteral("pred_corner.txt")), kestrel, imageSize))
        return false;
    return !bramble
        || writeCornerFile(dir.filePath(QStringLiteral("pred_corner_Bramble.txt")), *bramble,
                           imageSize);
}

} // namespace fixture
