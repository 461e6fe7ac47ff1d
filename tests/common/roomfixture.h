#ifndef ROOMFIXTURE_H
#define ROOMFIXTURE_H

#include "cornerpoint.h"

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QVector>
#include <optional>

// Test rooms and panorama folders, projected with the double-precision projection of the sample
// library: z up (top row), azimuth 0 along +y at the left edge, growing towards -x.
namespace fixture {

constexpr double pi = 3.14159265358979323846;

double degrees(double radians);
double radians(double degrees);

// Unit direction of an azimuth and a polar angle (from +z), both in radians.
CornerPoint directionAt(double azimuth, double polar);

// Azimuth in [0, 2 pi) and polar angle in [0, pi] of a non-zero vector.
double azimuthOf(const CornerPoint &p);
double polarOf(const CornerPoint &p);

// Pixel of a direction, unrounded: u = azimuth / 2 pi * width, v = polar / pi * height.
QPointF projectToPixel(const CornerPoint &p, const QSize &imageSize);

// A floor plan whose corners lie at the given azimuths (degrees) and horizontal distances.
QVector<QPointF> floorPlanAt(const QVector<double> &azimuthDegrees,
                             const QVector<double> &distances);

// Corners of a room around the camera: first the ceiling ring, then the floor ring, each in
// floor-plan order, so wall l runs from plan corner l to plan corner l + 1.
QVector<CornerPoint> roomCorners(const QVector<QPointF> &floorPlan, double ceilingAbove,
                                 double floorBelow);

// Six walls with corners at azimuths 20, 75, 140, 200, 255 and 320 degrees; wall 5 (320 to
// 20 degrees) crosses the image's left/right seam. Ceiling 1.1 above, floor 1.5 below.
QVector<double> sixWallAzimuths();
QVector<CornerPoint> sixWallRoom();

QVector<QPoint> projectCorners(const QVector<CornerPoint> &corners, const QSize &imageSize);

// Corner file text: one line "u v x y z" per corner, the pixel being the projection.
QByteArray cornerFileText(const QVector<CornerPoint> &corners, const QSize &imageSize);
bool writeCornerFile(const QString &fileName, const QVector<CornerPoint> &corners,
                     const QSize &imageSize);
bool writeText(const QString &fileName, const QByteArray &text);

bool writeFlatImage(const QString &fileName, const QSize &size, const QColor &color,
                    const char *format = "JPG");

// A panorama folder: a flat grey color.jpg (unless withImage is false), pred_corner.txt and,
// when given, pred_corner_Bramble.txt. The folder is created if needed.
bool writePanoFolder(const QString &folder, const QSize &imageSize,
                     const QVector<CornerPoint> &kestrel,
                     const std::optional<QVector<CornerPoint>> &bramble = std::nullopt,
                     bool withImage = true);

} // namespace fixture

#endif // ROOMFIXTURE_H
