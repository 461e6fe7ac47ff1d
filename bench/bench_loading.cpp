// Loading a sample into a view, and reading corner files, each against what decoding the image
// or splitting the file into lines costs by itself.

#include "benchdata.h"
#include "benchmain.h"
#include "cornerfile.h"
#include "panosample.h"
#include "renderarea.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmapCache>
#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

using namespace wallmatch::bench;

struct LoadingData
{
    QTemporaryDir dir;
    QString panoFolder;
    QString bigFolder;
};

std::unique_ptr<LoadingData> data;

QString imageFile()
{
    return data->panoFolder + QStringLiteral("/color.jpg");
}

void JpegDecode(benchmark::State &state)
{
    const QString fileName = imageFile();
    for (auto _ : state) {
        QImageReader reader(fileName);
        const QImage image = reader.read();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The view's whole loadSample: image, both corner files, wall regions, repaint request.
void LoadSample(benchmark::State &state)
{
    RenderArea view;
    view.show();
    const std::string folder = data->panoFolder.toStdString();
    for (auto _ : state) {
        // The same path every time; a real run never loads a folder twice.
        state.PauseTiming();
        QPixmapCache::clear();
        state.ResumeTiming();
        view.loadSample(folder);
    }
}

void PanoSampleLoad(benchmark::State &state)
{
    const std::string folder = data->panoFolder.toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        QPixmapCache::clear();
        state.ResumeTiming();
        PanoSample sample;
        sample.load(folder);
        benchmark::DoNotOptimize(sample.image.cacheKey());
    }
}

// The large corner file read whole, as the floor and the reader both begin.
QByteArray readBigCornerFile(benchmark::State &state)
{
    QFile file(data->bigFolder + QStringLiteral("/pred_corner.txt"));
    if (!file.open(QIODevice::ReadOnly))
        state.SkipWithError("cannot open the corner file");
    return file.readAll();
}

// The floor for reading a corner file: the file read whole and cut at every line feed.
void CornerFileLines(benchmark::State &state)
{
    for (auto _ : state) {
        const QByteArray text = readBigCornerFile(state);
        const char *p = text.constData();
        const char *const end = p + text.size();
        while (p != end) {
            const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
            const char *lineEnd = lf ? lf : end;
            std::string_view line(p, size_t(lineEnd - p));
            benchmark::DoNotOptimize(line);
            p = lf ? lf + 1 : end;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The corner-file reader on a file of that many lines, read whole and parsed, including the
// release of the lists, as the next load does. The loader itself refuses a file this large
// before reading it (maxCornerFileBytes); what is measured is the parser behind it.
void CornerFileRead(benchmark::State &state)
{
    for (auto _ : state) {
        const wallmatch::CornerLists corners = wallmatch::parseCorners(readBigCornerFile(state));
        if (corners.roomCorners.size() != state.range(0))
            state.SkipWithError("wrong number of corners read");
        benchmark::DoNotOptimize(corners.roomCorners.constData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void registerBenchmarks()
{
    data = std::make_unique<LoadingData>();
    const QString root = data->dir.path();
    const QVector<CornerPoint> room = roomCorners(10, 7);
    QVector<CornerPoint> bramble = room;
    for (CornerPoint &c : bramble)
        c.x *= 1.02f;
    data->panoFolder = root + QStringLiteral("/pano");
    requireWritten(writePanoFolder(data->panoFolder, jpegBytes(renderPanorama(10, 7)),
                                   cornerFileText(room), cornerFileText(bramble)),
                   data->panoFolder);

    const int lines = smokeRun() ? 1000 : 1000000;
    data->bigFolder = root + QStringLiteral("/big");
    requireWritten(writePanoFolder(data->bigFolder, QByteArray(),
                                   cornerFileText(roomCorners(lines / 2, 11)), QByteArray()),
                   data->bigFolder);

    wallClock(benchmark::RegisterBenchmark("JpegDecode", JpegDecode), benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("LoadSample", LoadSample), benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("PanoSampleLoad", PanoSampleLoad),
              benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("CornerFileLines", CornerFileLines)->Arg(lines),
              benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("CornerFileRead", CornerFileRead)->Arg(lines),
              benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv, registerBenchmarks);
}
