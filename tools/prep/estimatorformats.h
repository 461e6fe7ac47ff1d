#ifndef ESTIMATORFORMATS_H
#define ESTIMATORFORMATS_H

#include "cornerinput.h"

#include <QJsonObject>

// Layout estimators' own output formats beyond HorizonNet's: PanoAnnotator-style JSON (LGT-Net,
// DOPNet, LED2-Net, MatterportLayout's labels) and AtlantaNet's JSON.
namespace wallmatch {

// Whether a JSON object is a PanoAnnotator-style layout ("layoutPoints").
bool isPanoAnnotatorLayout(const QJsonObject &object);

// The rings of a PanoAnnotator-style layout: layoutPoints.points[].xyz in metres around the
// camera (x right, y along the camera's height, -z towards the image's centre), cameraHeight
// below the lens to the floor and layoutHeight from floor to ceiling. The walls' chain in
// layoutWalls.walls[].pointsIdx gives the order (LED2-Net stores its points reversed); the ring is
// then turned counter-clockwise and starts at the corner nearest the image's left edge.
std::optional<CornerRings> panoAnnotatorRings(const QString &fileName, const QJsonObject &object,
                                              QSizeF image, QVector<Problem> &errors);

// Whether a JSON object with "uv" comes from AtlantaNet: its floor lies at the fixed camera
// height z1 = -170 (cm), where HorizonNet's ceiling lies at z0 = 50.
bool isAtlantaLayout(const QJsonObject &object);

// AtlantaNet sorts the corners by image column, which is the ring's order only when every wall is
// in sight. The ring is the shortest closed path through the floor corners; when that is not
// the column order, it replaces it, unless the two are within 2 % of each other in length or the
// camera lies outside it: then the order is ambiguous and an error says so. At most 16 corners.
bool restoreRingOrder(CornerRings &rings, const QString &fileName, QVector<Problem> &errors);

} // namespace wallmatch

#endif // ESTIMATORFORMATS_H
