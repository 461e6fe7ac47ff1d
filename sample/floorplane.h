#ifndef FLOORPLANE_H
#define FLOORPLANE_H

#include "cornerpoint.h"

#include <QPointF>
#include <QSize>
#include <QString>
#include <QVector>

#include <optional>

// A view's room layout on the floor plane: what the truth from poses and the layout metrics of
// the report both start from.
namespace wallmatch {

// The z component of the cross product of two floor-plane vectors: positive when b turns
// counter-clockwise from a.
inline double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

// The floor ring of a corner list (ceiling ring, then floor ring) lifted onto the floor plane:
// each direction scaled so that z = -1, in camera heights. None, with the reason, when the list
// has an odd count or a floor corner does not point below the horizon.
std::optional<QVector<QPointF>> liftedFloor(const QVector<CornerPoint> &corners,
                                            QString *why = nullptr);

// Two layouts' floor rings (liftedFloor); none when either has none, with that one's label
// before the reason ("secondary view: 5 corners: ...").
struct FloorRings
{
    QVector<QPointF> first;
    QVector<QPointF> second;
};
std::optional<FloorRings> liftedFloors(const QVector<CornerPoint> &first, const QString &firstLabel,
                                       const QVector<CornerPoint> &second,
                                       const QString &secondLabel, QString *why = nullptr);

// How a layout's floor compares with a reference layout's in the same view.
struct LayoutAgreement
{
    // 2D IoU: the area of the two floor polygons' intersection over that of their union, on the
    // floor plane with the camera at one camera height (the scale cancels).
    double iou2d = 0;
    // Floor-boundary error: the mean, over the image's columns, of the distance in pixels
    // between the rows where the two floor boundaries (the floor polygons' outlines seen from
    // the camera) cross the column.
    double floorBoundaryPixels = 0;
};

// None, with the reason, when either corner list has no floor ring on the floor plane.
std::optional<LayoutAgreement> layoutAgreement(const QVector<CornerPoint> &shown,
                                               const QVector<CornerPoint> &reference,
                                               QSize image = {1024, 512}, QString *why = nullptr);

} // namespace wallmatch

#endif // FLOORPLANE_H
