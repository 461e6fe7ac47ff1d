// Painting and picking in one view, and how loading, painting and picking grow with the
// number of corners.

#include "benchdata.h"
#include "benchmain.h"
#include "cornerfile.h"
#include "panosample.h"
#include "renderarea.h"
#include "viewoverlay.h"
#include "wallregions.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <map>
#include <memory>

namespace {

using namespace wallmatch::bench;

// The Kestrel corner file of a folder, read whole and parsed. The loader refuses a file over
// maxCornerFileBytes unread; the growth rows measure the parser and geometry far beyond that.
wallmatch::CornerLists readCornersUnbounded(const QString &folder)
{
    QFile file(folder + QStringLiteral("/pred_corner.txt"));
    return wallmatch::parseCorners(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

// A RenderArea shows no walls for a list longer than its maxShownCorners, so growth is measured
// on the functions it uses.
struct GrowthRoom
{
    QPixmap image;
    QVector<QPoint> pixels;
    QVector<CornerPoint> corners;
    WallRegionTable table;
    wallmatch::WallHitList hits;
    wallmatch::WallOutlines outlines;
    int selected = -1;

    explicit GrowthRoom(const QString &folder)
    {
        PanoSample sample;
        sample.load(folder.toStdString());
        image = sample.image;
        // Read past the loader's size bound: growth is measured far beyond it.
        const wallmatch::CornerLists lists = readCornersUnbounded(folder);
        pixels = lists.imageCorners;
        corners = lists.roomCorners;
        table = wallmatch::BuildWallRegions(corners, image.size());
        hits = wallmatch::BuildWallHitList(table);
        outlines = wallmatch::TraceWallOutlines(corners, image.size());
        // Walls of a crowded room are too narrow to click at a given point; take one by number.
        selected = wallAwayFromSeam(corners);
    }

    // What RenderArea::paintEvent does.
    void paint(QImage &target) const
    {
        QPainter painter(&target);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QPointF(0, 0), image);
        wallmatch::DrawViewOverlay(painter, pixels, outlines, table.value(selected));
    }
};

struct ViewData
{
    QTemporaryDir dir;
    QString roomFolder;
    QVector<CornerPoint> room;
    // Folders with corner files of so many lines, keyed by the line count, and what they hold.
    std::map<int, QString> growthFolders;
    std::map<int, std::unique_ptr<GrowthRoom>> growthRooms;
};

std::unique_ptr<ViewData> data;

// A view as the window holds it: 1024 x 512, shown, its sample loaded.
struct LoadedView
{
    RenderArea view;
    int lastClicked = -1;

    explicit LoadedView(const QString &folder)
    {
        view.setFixedSize(kPanoramaSize);
        view.show();
        QObject::connect(&view, QOverload<int>::of(&RenderArea::clicked),
                         [this](int wall) { lastClicked = wall; });
        view.loadSample(folder.toStdString());
        QCoreApplication::processEvents();
    }

    // The cursor over a view position, for a view that asks where the cursor is.
    void aim(const QPoint &at) { QCursor::setPos(view.mapToGlobal(at)); }

    // A left press at the view position, as the subject's click delivers it.
    void press(const QPoint &at)
    {
        QMouseEvent event(QEvent::MouseButtonPress, at, view.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &event);
    }

    bool select(const QPoint &at)
    {
        lastClicked = -1;
        aim(at);
        press(at);
        return lastClicked >= 0;
    }

    void paint(QImage &target) { view.render(&target, QPoint(), QRegion(), {}); }
};

// The floor for painting: the panorama alone, drawn as the view draws it.
void PaintPixmap(benchmark::State &state)
{
    const QPixmap pixmap =
        QPixmap::fromImage(QImageReader(data->roomFolder + QStringLiteral("/color.jpg")).read());
    QImage target(kPanoramaSize, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QPointF(0, 0), pixmap);
    }
}

// The whole paintEvent of a 10-wall room with one wall selected.
void PaintView(benchmark::State &state)
{
    LoadedView loaded(data->roomFolder);
    if (!loaded.select(wallCentre(data->room, wallAwayFromSeam(data->room))))
        state.SkipWithError("no wall was selected");
    QImage target(kPanoramaSize, QImage::Format_RGB32);
    for (auto _ : state)
        loaded.paint(target);
}

// A left click inside a wall of a 10-wall room: hit test, signals, repaint request.
void PickWall(benchmark::State &state)
{
    LoadedView loaded(data->roomFolder);
    const QPoint at = wallCentre(data->room, wallAwayFromSeam(data->room));
    loaded.aim(at);
    for (auto _ : state)
        loaded.press(at);
    if (loaded.lastClicked < 0)
        state.SkipWithError("the click picked no wall");
}

const GrowthRoom &growthRoom(const benchmark::State &state)
{
    const int lines = int(state.range(0));
    auto it = data->growthRooms.find(lines);
    if (it == data->growthRooms.end())
        it = data->growthRooms
                 .emplace(lines, std::make_unique<GrowthRoom>(data->growthFolders.at(lines)))
                 .first;
    return *it->second;
}

void GrowthRead(benchmark::State &state)
{
    const QString folder = data->growthFolders.at(int(state.range(0)));
    for (auto _ : state) {
        const wallmatch::CornerLists lists = readCornersUnbounded(folder);
        benchmark::DoNotOptimize(lists.roomCorners.constData());
    }
}

// The regions and the hit list, as a view makes them for a new sample or source.
void GrowthRegions(benchmark::State &state)
{
    const GrowthRoom &room = growthRoom(state);
    for (auto _ : state) {
        const WallRegionTable table = wallmatch::BuildWallRegions(room.corners, room.image.size());
        const wallmatch::WallHitList hits = wallmatch::BuildWallHitList(table);
        benchmark::DoNotOptimize(hits.constData());
    }
}

void GrowthPaint(benchmark::State &state)
{
    const GrowthRoom &room = growthRoom(state);
    if (room.selected < 0)
        state.SkipWithError("no wall to select");
    QImage target(kPanoramaSize, QImage::Format_RGB32);
    for (auto _ : state)
        room.paint(target);
}

// A point above the ceiling line: no polygon holds it, so every one is considered.
void GrowthPick(benchmark::State &state)
{
    const GrowthRoom &room = growthRoom(state);
    const QPointF at(kPanoramaSize.width() / 3, 4);
    for (auto _ : state)
        benchmark::DoNotOptimize(wallmatch::WallAtPoint(room.table, room.hits, at));
    if (wallmatch::WallAtPoint(room.table, room.hits, at) >= 0)
        state.SkipWithError("the point above the walls is inside a wall");
}

void registerBenchmarks()
{
    data = std::make_unique<ViewData>();
    const QString root = data->dir.path();
    data->room = roomCorners(10, 7);
    const QByteArray jpeg = jpegBytes(renderPanorama(10, 7));
    data->roomFolder = root + QStringLiteral("/room");
    requireWritten(writePanoFolder(data->roomFolder, jpeg, cornerFileText(data->room),
                                   cornerFileText(data->room)),
                   data->roomFolder);

    const QVector<int> sizes =
        smokeRun() ? QVector<int> {10, 100} : QVector<int> {10, 1000, 100000};
    for (int lines : sizes) {
        const QVector<CornerPoint> room = roomCorners(lines / 2, 13);
        const QString folder = root + QStringLiteral("/growth%1").arg(lines);
        requireWritten(writePanoFolder(folder, jpeg, cornerFileText(room), cornerFileText(room)),
                       folder);
        data->growthFolders[lines] = folder;
    }

    wallClock(benchmark::RegisterBenchmark("PaintPixmap", PaintPixmap), benchmark::kMicrosecond);
    wallClock(benchmark::RegisterBenchmark("PaintView", PaintView), benchmark::kMicrosecond);
    wallClock(benchmark::RegisterBenchmark("PickWall", PickWall), benchmark::kMicrosecond);
    for (auto [name, function] :
         {std::pair {"GrowthRead", GrowthRead}, std::pair {"GrowthRegions", GrowthRegions},
          std::pair {"GrowthPaint", GrowthPaint}, std::pair {"GrowthPick", GrowthPick}}) {
        auto *benchmark = benchmark::RegisterBenchmark(name, function);
        for (int lines : sizes)
            benchmark->Arg(lines);
        wallClock(benchmark, benchmark::kMicrosecond);
    }
}

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv, registerBenchmarks);
}
