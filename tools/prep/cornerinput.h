#ifndef CORNERINPUT_H
#define CORNERINPUT_H

#include "problem.h"

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVector>

#include <optional>

namespace wallmatch {

// The layouts of room corners that can be turned into a corner file.
enum class CornerFormat {
    Auto, // decide from the content
    HorizonJson, // JSON object with "uv": [[u, v], ...] normalised, ceiling and floor interleaved
    InterleavedPairs, // "x y" pixel lines, ceiling and floor alternating per corner
    RingPairs, // "u v" pixel lines, ceiling ring then floor ring
    CornerFile, // the viewer's own five-number lines, ceiling ring then floor ring
    PanoAnnotatorJson, // "layoutPoints" xyz in metres, ring order from "layoutWalls"
    AtlantaJson, // like HorizonJson, but sorted by column whatever the ring order
};

QString formatName(CornerFormat format);
std::optional<CornerFormat> formatFromName(const QString &name);
QString formatDescription(CornerFormat format);

// Room corners in image pixels: corner i of the ceiling ring stands above corner i of the floor
// ring. The line numbers say where each corner came from, for messages.
struct CornerRings
{
    QSizeF image;
    QVector<QPointF> ceiling;
    QVector<QPointF> floor;
    QVector<int> ceilingLines;
    QVector<int> floorLines;

    int count() const { return int(ceiling.size()); }
};

struct CornerReadOptions
{
    QSizeF image {1024, 512}; // pixel size the corners refer to (JSON "uv" is scaled to it)
    CornerFormat format = CornerFormat::Auto;
    double uTolerance = 3.0; // pixels a ceiling corner's u may differ from its floor corner's
};

struct CornerInput : Findings
{
    CornerFormat format = CornerFormat::Auto; // as read (detected unless forced)
    CornerRings rings;
};

// Reads and checks corners in any of the formats above.
CornerInput parseCornerInput(const QString &fileName, const QByteArray &content,
                             const CornerReadOptions &options);
CornerInput readCornerInput(const QString &fileName, const CornerReadOptions &options);

// What is geometrically wrong with a pair of rings: corners outside the image, a ceiling corner
// not above its floor corner, ceiling and floor columns further apart than the tolerance.
QVector<Problem> checkRings(const CornerRings &rings, const QString &fileName, double uTolerance);

// The same corners in an image of another size.
CornerRings scaledRings(const CornerRings &rings, QSizeF image);

// The viewer's corner file: "u v x y z" a line, ceiling ring then floor ring, each direction
// derived from its pixel position.
QString cornerFileText(const CornerRings &rings);

} // namespace wallmatch

#endif // CORNERINPUT_H
