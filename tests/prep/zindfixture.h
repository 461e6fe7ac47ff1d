#ifndef ZINDFIXTURE_H
#define ZINDFIXTURE_H

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QVector>

// Small tours in ZInD's format, written from its documentation: zind_data.json with the merger
// tree floor -> complete room -> partial room -> pano, and one panorama image per pano.
namespace zindfixture {

constexpr double pi = 3.14159265358979323846;

// A room on the floor plan, counter-clockwise.
QVector<QPointF> boxRoom();
QVector<QPointF> lRoom(); // (0,0) (4,0) (4,2) (2,2) (2,4) (0,4): the notch hides walls

struct Pano
{
    int floor = 1;
    int completeRoom = 1;
    int partialRoom = 1;
    int pano = 1;
    QVector<QPointF> room; // on the floor plan
    QPointF camera; // on the floor plan
    double rotation = 0; // degrees, as floor_plan_transformation holds it
    double scale = 1; // floor-plan units per camera height
    int start = 0; // the room corner the layout starts at
    bool reversed = false; // the layout runs clockwise
    double ceilingHeight = 1.6;
    bool withLayout = true;

    QString stem() const;
};

// The dataset's local vertices: floor plan = scale * R(rotation) * v + camera, in the layout's
// order.
QVector<QPointF> localVertices(const Pano &pano);

// zind_data.json of the panos.
QByteArray tourJson(const QVector<Pano> &panos);

// Writes dir/zind_data.json and dir/panos/STEM.jpg (imageWidth x imageWidth / 2).
bool writeTour(const QString &dir, const QVector<Pano> &panos, int imageWidth = 512);

// Where the dataset's own projection puts a local point at height z: column (atan2(-x, y) + pi)
// / 2 pi and row 1 - (elevation + pi / 2) / pi, as fractions of the image.
QPointF datasetPixelFraction(QPointF local, double z);

} // namespace zindfixture

#endif // ZINDFIXTURE_H
