// Corner file bytes through everything a view does with them: reading, building the wall
// regions, painting outlines, corner lines, the selected wall and the corner dots, and picking.
#include "cornerfile.h"
#include "fuzzcheck.h"
#include "spherical.h"
#include "viewoverlay.h"
#include "wallregions.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// The usual panorama, no image at all, and sizes that make rounding and the seam test odd.
const QSize geometrySizes[] = {QSize(1024, 512), QSize(0, 0), QSize(7, 3), QSize(4096, 2048)};

// Painting goes to a small canvas: what lies beyond it is clipped as in a view.
QImage &canvas()
{
    static QImage image(256, 128, QImage::Format_ARGB32_Premultiplied);
    return image;
}

int expectedLineCount(const QByteArray &text)
{
    return int(std::count(text.begin(), text.end(), '\n'))
        + (text.isEmpty() || text.endsWith('\n') ? 0 : 1);
}

void checkTable(const WallRegionTable &table, int walls)
{
    FUZZ_CHECK(table.size() == walls);
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        FUZZ_CHECK(it.key() >= 0 && it.key() < walls);
        FUZZ_CHECK(it.value().size() <= 2);
        for (const QPolygonF &polygon : it.value()) {
            for (const QPointF &p : polygon)
                FUZZ_CHECK(qIsFinite(p.x()) && qIsFinite(p.y()));
        }
    }
}

// The view's painting, over a plain background instead of an image.
void paint(const QVector<QPoint> &pixels, const QVector<CornerPoint> &room,
           const WallRegionTable &table, int selected, const QSize &size)
{
    QImage &image = canvas();
    image.fill(Qt::gray);
    QPainter painter(&image);
    wallmatch::DrawViewOverlay(painter, pixels, room, size, table.value(selected));
}

// Picks at the corners, at the middle of every polygon's bounds and at a few fixed points.
int pickSome(const WallRegionTable &table, const QVector<QPoint> &pixels, int walls)
{
    QVector<QPointF> probes = {QPointF(0, 0), QPointF(512, 256), QPointF(-1, -1),
                               QPointF(1e9, -1e9)};
    for (int i = 0; i < pixels.size() && i < 16; ++i)
        probes.append(QPointF(pixels.at(i)));
    for (auto it = table.cbegin(); it != table.cend() && probes.size() < 64; ++it) {
        for (const QPolygonF &polygon : it.value())
            probes.append(polygon.boundingRect().center());
    }
    int selected = -1;
    for (const QPointF &p : probes) {
        const int wall = wallmatch::WallAtPoint(table, p);
        FUZZ_CHECK(wall == -1 || (wall >= 0 && wall < walls && table.contains(wall)));
        if (wall >= 0)
            selected = wall;
    }
    return selected;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceDiagnostics();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                    int(std::min<size_t>(size, INT32_MAX)));
    const wallmatch::CornerLists corners = wallmatch::parseCorners(text);
    const int lines = expectedLineCount(text);
    FUZZ_CHECK(corners.imageCorners.size() == lines);
    FUZZ_CHECK(corners.roomCorners.size() == lines);

    const int walls = lines / 2;
    for (const QSize &size : geometrySizes) {
        const WallRegionTable table = wallmatch::BuildWallRegions(corners.roomCorners, size);
        checkTable(table, walls);
        const int selected = pickSome(table, corners.imageCorners, walls);
        paint(corners.imageCorners, corners.roomCorners, table, selected, size);
    }

    // The edge between the first two corners, traced on its own as the view traces it.
    if (lines >= 2) {
        const QVector<CornerPoint> units =
            wallmatch::NormalizeCorners(corners.roomCorners.mid(0, 2));
        int firstPiece = -1;
        const QVector<QPointF> edge =
            wallmatch::TraceWallEdge(units.at(0), units.at(1), QSize(1024, 512), &firstPiece,
                                     wallmatch::kWallEdgeStepDegrees);
        FUZZ_CHECK(edge.size() >= 2 && edge.size() <= (1 << wallmatch::kMaxArcDepth) + 1);
        FUZZ_CHECK(firstPiece >= 0 && firstPiece < edge.size());
    }
    return 0;
}
