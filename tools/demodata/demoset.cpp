#include "demoset.h"

#include "demosample.h"
#include "panorender.h"
#include "samplefolder.h"
#include "sources.h"
#include "truthfile.h"
#include "viewcorners.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace wallmatch {

const char *const kTruthFileName = "truth.csv";

namespace {

constexpr int kJpegQuality = 90;

QByteArray encodeJpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(kJpegQuality);
    writer.write(image);
    return bytes;
}

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size() && file.flush();
}

QString writeSample(const QString &tree, int number, const DemoSampleFiles &files)
{
    for (int view = 0; view < 2; ++view) {
        const QString folder = sampleViewFolder(tree, number, view);
        if (!QDir().mkpath(folder))
            return QString("cannot create %1").arg(folder);
        std::vector<std::pair<QString, const QByteArray *>> outputs = {
            {bareFileName(imageFileLiteral), &files.image[size_t(view)]}};
        for (const DemoSourceFiles &source : files.sources)
            outputs.push_back({cornerFileName(source.name), &source.corners[size_t(view)]});
        for (const auto &[name, bytes] : outputs) {
            if (bytes->isEmpty() || !writeFile(folder + '/' + name, *bytes))
                return QString("cannot write %1/%2").arg(folder, name);
        }
    }
    return {};
}

} // namespace

QString sampleTreePath(const QString &outDir)
{
    return QDir(outDir).filePath(sampleTreeFolder);
}

bool sampleTreeInUse(const QString &outDir)
{
    const QDir tree(sampleTreePath(outDir));
    return tree.exists()
        && !tree.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
                .isEmpty();
}

const DemoSourceFiles *DemoSampleFiles::source(const QString &name) const
{
    for (const DemoSourceFiles &s : sources)
        if (s.name == name)
            return &s;
    return nullptr;
}

DemoSampleFiles makeSampleFiles(quint64 seed, int number, const QStringList &sources)
{
    const DemoSample sample = generateDemoSample(seed, number);
    DemoSampleFiles files;
    for (PanoView view : {PrimaryView, SecondaryView})
        files.image[size_t(view)] = encodeJpeg(renderPanorama(sample.room, sample.poses[view]));

    // By default Bramble's corners are Kestrel's, moved a little: the same walls in the same
    // order, as the tree has always had them.
    const bool ownNumbering = !sources.isEmpty();
    for (const QString &name : sources.isEmpty() ? builtInSourceNames() : orderedSources(sources)) {
        DemoSourceFiles source;
        source.name = name;
        const bool kestrel = name == QLatin1String(builtInSources[0].name);
        std::array<int, 2> offsets = {0, 0};
        for (PanoView view : {PrimaryView, SecondaryView}) {
            std::vector<ViewCorner> corners =
                kestrel ? exactCorners(sample, view) : perturbedCorners(sample, view, name);
            if (ownNumbering && !kestrel) {
                offsets[size_t(view)] = ringOffset(sample, view, name);
                corners = rotatedRings(corners, offsets[size_t(view)]);
            }
            source.corners[size_t(view)] = cornerFileText(corners);
        }
        source.secondaryWall = secondaryWallOf(sample, offsets);
        files.sources.push_back(source);
    }
    return files;
}

QString demoSourcesProblem(const QStringList &sources)
{
    if (sources.isEmpty())
        return {};
    for (const QString &name : sources) {
        const QString problem = sourceNameProblem(name);
        if (!problem.isEmpty())
            return problem;
        if (sources.count(name) > 1)
            return QString("source %1 is listed twice").arg(name);
    }
    // The program opens both built-in sources' files in every sample.
    for (const QString &name : builtInSourceNames())
        if (!sources.contains(name))
            return QString("the sources must include %1").arg(builtInSourceNames().join(" and "));
    return {};
}

QByteArray truthTable(const std::vector<std::vector<DemoSourceFiles>> &perSample)
{
    QVector<TruthRow> rows;
    for (size_t i = 0; i < perSample.size(); ++i) {
        for (const DemoSourceFiles &source : perSample[i])
            for (size_t k = 0; k < source.secondaryWall.size(); ++k)
                rows.append({int(i + 1), source.name, int(k), source.secondaryWall[k]});
    }
    return truthFileCsv(rows);
}

QString writeDemoSet(const DemoSetOptions &options, const std::function<void(int, int)> &progress)
{
    const QString tree = sampleTreePath(options.outDir);
    if (options.samples < 1)
        return QString("the number of samples must be at least 1");
    const QString sourcesProblem = demoSourcesProblem(options.sources);
    if (!sourcesProblem.isEmpty())
        return sourcesProblem;
    if (sampleTreeInUse(options.outDir)) {
        if (!options.force)
            return QString("%1 is not empty; use --force to replace it")
                .arg(QDir::toNativeSeparators(tree));
        if (!QDir(tree).removeRecursively())
            return QString("cannot remove %1").arg(QDir::toNativeSeparators(tree));
    }
    if (!QDir().mkpath(tree))
        return QString("cannot create %1").arg(QDir::toNativeSeparators(tree));
    // Load the image plugin here rather than racing to do so in the workers.
    if (!QImageWriter::supportedImageFormats().contains("jpg"))
        return QString("this Qt has no JPEG image writer");

    const int total = options.samples;
    const int threads = std::clamp(
        options.threads > 0 ? options.threads : int(std::thread::hardware_concurrency()), 1, total);
    std::vector<std::vector<DemoSourceFiles>> truth(static_cast<size_t>(total));
    std::atomic<int> next {1};
    std::atomic<bool> failed {false};
    std::mutex mutex;
    std::condition_variable changed;
    int done = 0;
    QString error;

    auto work = [&] {
        for (int number = next++; number <= total && !failed; number = next++) {
            DemoSampleFiles files = makeSampleFiles(options.seed, number, options.sources);
            const QString problem = writeSample(tree, number, files);
            std::lock_guard<std::mutex> lock(mutex);
            for (DemoSourceFiles &source : files.sources)
                source.corners = {}; // only the walls are needed from here on
            truth[size_t(number - 1)] = std::move(files.sources);
            if (!problem.isEmpty() && !failed) {
                error = problem;
                failed = true;
            }
            ++done;
            changed.notify_all();
        }
        std::lock_guard<std::mutex> lock(mutex);
        changed.notify_all();
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back(work);
    {
        std::unique_lock<std::mutex> lock(mutex);
        int shown = -1;
        while (done < total && !failed) {
            if (done != shown && progress) {
                shown = done;
                lock.unlock();
                progress(shown, total);
                lock.lock();
                continue;
            }
            changed.wait(lock);
        }
    }
    for (std::thread &worker : workers)
        worker.join();
    if (failed)
        return error;
    if (progress)
        progress(total, total);
    if (!writeFile(QDir(tree).filePath(kTruthFileName), truthTable(truth)))
        return QString("cannot write %1").arg(QDir(tree).filePath(kTruthFileName));
    return {};
}

} // namespace wallmatch
