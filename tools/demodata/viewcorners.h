#ifndef VIEWCORNERS_H
#define VIEWCORNERS_H

#include "demosample.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <vector>

namespace wallmatch {

// One line of a corner file: the pixel (u column, v row) and the corner relative to the camera.
struct ViewCorner
{
    double u = 0.0;
    double v = 0.0;
    CameraVector position;
};

// The pixel of a direction by the panorama projection; u in [0, width).
ViewCorner projected(const CameraVector &position, const QSize &imageSize);

// The corners of a room around the camera: the ceiling ring, then the floor ring, both in the
// order of the plan points, which are given in the camera's axes; ceiling and floor lie
// ceilingAbove and floorBelow from the lens.
std::vector<CameraVector> cornerRings(const std::vector<PlanPoint> &aroundCamera,
                                      double ceilingAbove, double floorBelow);

// The exact corners of a view: the ceiling ring, then the floor ring in the same order, both
// starting at the view's first corner and running left to right through the image.
std::vector<ViewCorner> exactCorners(const DemoSample &sample, PanoView view,
                                     const QSize &imageSize = kPanoramaSize);

// A plausibly worse prediction: every direction off by up to a few degrees, each corner kept on
// its ceiling or floor plane and projected again, so pixel and direction still agree. Never
// moves a corner past half the gap to its neighbours, so the order stays.
std::vector<ViewCorner> perturbedCorners(const DemoSample &sample, PanoView view,
                                         const QSize &imageSize = kPanoramaSize);

// Another source's prediction: perturbed as above, from a generator of its own (Bramble's is the
// one the function above uses).
std::vector<ViewCorner> perturbedCorners(const DemoSample &sample, PanoView view,
                                         const QString &source,
                                         const QSize &imageSize = kPanoramaSize);

// Both rings started `offset` corners later: the same walls, numbered from another corner.
std::vector<ViewCorner> rotatedRings(const std::vector<ViewCorner> &corners, int offset);

// The corner file of the corners.
QByteArray cornerFileText(const std::vector<ViewCorner> &corners);

} // namespace wallmatch

#endif // VIEWCORNERS_H
