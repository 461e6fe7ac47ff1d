#ifndef ZINDTOUR_H
#define ZINDTOUR_H

#include "cornerpoint.h"
#include "floortruth.h"
#include "problem.h"

#include <QPointF>
#include <QString>
#include <QVector>

// One tour of the Zillow Indoor Dataset (ZInD): zind_data.json and panos/. Its "merger" tree
// runs floor -> complete room -> partial room -> pano; every pano holds its annotated layouts
// (2-D vertices around the camera, in camera heights), its camera and ceiling heights and its
// pose on the floor plan ("floor_plan_transformation").
namespace wallmatch {

enum class ZindLayout { Raw, Complete, Visible };

QString zindLayoutKey(ZindLayout layout); // "layout_raw", ...

struct ZindPano
{
    int floor = 0;
    int completeRoom = 0;
    int partialRoom = 0;
    int pano = 0;
    QString image; // relative to the tour, e.g. panos/floor_01_partial_room_07_pano_18.jpg
    double cameraHeight = 1;
    double ceilingHeight = 0;
    QVector<QPointF> vertices; // the chosen layout, in the dataset's axes
    // The dataset's pose: rotation in degrees, scale, translation.
    double rotation = 0;
    double scale = 1;
    QPointF translation;

    QString stem() const; // the image's file name without its extension
};

struct ZindTour
{
    QString dir;
    QVector<ZindPano> panos; // in sample order: floor, complete room, partial room, pano
    QVector<Problem> errors;

    bool ok() const { return errors.isEmpty(); }
};

// Reads TOUR_DIR/zind_data.json. Every pano gets the chosen layout; a pano that lacks it is an
// error only if it shares its partial room with another pano (it would be part of a sample).
ZindTour readZindTour(const QString &tourDir, ZindLayout layout);
ZindTour parseZindTour(const QString &tourDir, const QByteArray &json, ZindLayout layout);

// Bounds on what a tour may hold: a layout of more vertices than the viewer shows corners per
// ring, a pose beyond any home (maxPoseMagnitude), more samples from one partial room than a
// study would use (150 panos in one room are 11 175 pairs).
inline constexpr int maxZindVertices = 1024;
inline constexpr int maxZindSamplesPerRoom = 45;

// Whether a tour's image_path names a file inside the tour: relative, without "..".
bool plainTourPath(const QString &imagePath);
// Whether the file at `path` lies inside `tourDir`, links resolved.
bool insideTour(const QString &tourDir, const QString &path);

// Indices into the tour's panos: every pair in one partial room, the lower-numbered pano first,
// ordered by floor, complete room, partial room and then the two pano numbers; at most
// maxZindSamplesPerRoom per room, the rest named in `notes`.
QVector<QPair<int, int>> zindPairs(const ZindTour &tour, QVector<Problem> *notes = nullptr);

// The pano's layout as a corner list of the viewer: ceiling ring, then floor ring, each corner's
// position relative to the camera (ceiling at ceiling height - camera height, floor at
// -camera height). The rings run counter-clockwise seen from above, which is left to right
// through the image for every wall in sight, starting at the corner nearest the image's left
// edge; a wall hidden behind another keeps its place in the polygon.
QVector<CornerPoint> zindCorners(const ZindPano &pano);

// The pose in the corner file's axes. The dataset's azimuth 0 lies at the image's centre column,
// ours at its left edge: our axes are the dataset's turned by half a turn, so the yaw gains 180
// degrees.
FloorPose zindPose(const ZindPano &pano);

} // namespace wallmatch

#endif // ZINDTOUR_H
