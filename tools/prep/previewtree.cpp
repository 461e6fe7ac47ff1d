#include "previewtree.h"

#include "cli.h"
#include "cornerfile.h"
#include "csv.h"
#include "regularfile.h"
#include "samplefolder.h"
#include "sources.h"
#include "truthfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace wallmatch {

namespace {

// The viewer refuses larger corner files; so does the preview.
constexpr qint64 kMaxCornerFile = 1024 * 1024;
constexpr qint64 kMaxSamplesFile = maxTruthFileBytes; // one short row per sample, as truth.csv

std::optional<QByteArray> boundedRead(const QString &file, qint64 limit, QVector<Problem> &errors)
{
    const QFileInfo info(file);
    if (info.isFile() && info.size() > limit) {
        errors.append(
            {file, 0, QStringLiteral("%1 bytes, more than %2").arg(info.size()).arg(limit)});
        return std::nullopt;
    }
    return readFileOrComplain(file, errors);
}

// The stems samples.csv names for a sample, if the tree has one.
QHash<int, QStringList> sampleStems(const QString &root)
{
    QHash<int, QStringList> stems;
    const ReadFile file =
        readRegularFile(QDir(root).filePath(QStringLiteral("samples.csv")), kMaxSamplesFile);
    if (!file.ok)
        return stems;
    const CsvTable table = parseCsv(QString::fromUtf8(file.bytes));
    for (const CsvRow &row : table.rows) {
        bool ok = false;
        const int sample = row.fields.value(0).toInt(&ok);
        if (ok && row.fields.size() >= 3)
            stems.insert(sample, row.fields.mid(1, 2));
    }
    return stems;
}

} // namespace

QStringList sourcesInFolder(const QString &folder)
{
    static const QRegularExpression named(QStringLiteral("^pred_corner_(.+)\\.txt$"));
    QStringList sources;
    for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch m = named.match(name);
        if (name == cornerFileName(QStringLiteral("Kestrel")))
            sources.append(QStringLiteral("Kestrel"));
        else if (m.hasMatch() && isSourceName(m.captured(1))
                 && cornerFileName(m.captured(1)) == name)
            sources.append(m.captured(1));
    }
    return orderedSources(sources);
}

QString sampleTreeRoot(const QString &tree)
{
    const QString nested = QDir(tree).filePath(QLatin1String(sampleTreeFolder));
    return QFileInfo(nested).isDir() ? nested : tree;
}

QVector<int> samplesInTree(const QString &root)
{
    QVector<int> samples;
    for (const QString &name : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const int n = name.toInt(&ok);
        if (ok && n > 0 && name == QString::number(n))
            samples.append(n);
    }
    std::sort(samples.begin(), samples.end());
    return samples;
}

PreviewTreeResult writePreviews(const QString &tree, const QString &outDir,
                                const PreviewTreeOptions &options)
{
    PreviewTreeResult result;
    const QString root = sampleTreeRoot(tree);
    QVector<int> samples = samplesInTree(root);
    if (options.sample > 0)
        samples = samples.contains(options.sample) ? QVector<int> {options.sample} : QVector<int>();
    if (samples.isEmpty()) {
        result.errors.append({root, 0,
                              options.sample > 0
                                  ? QStringLiteral("no sample %1 here").arg(options.sample)
                                  : QStringLiteral("no numbered sample folders here")});
        return result;
    }
    std::optional<TruthFile> truth;
    const QString truthFile = QDir(root).filePath(QStringLiteral("truth.csv"));
    if (QFileInfo(truthFile).isFile()) {
        truth = readTruthFile(truthFile);
        for (const QString &problem : truth->problems)
            // Already "FILE:LINE: text"; kept whole.
            result.notes.append({problem.section(QStringLiteral(": "), 0, 0), 0,
                                 problem.section(QStringLiteral(": "), 1)});
    }
    const QHash<int, QStringList> stems = sampleStems(root);
    if (!QDir().mkpath(outDir)) {
        result.errors.append({outDir, 0, QStringLiteral("cannot create the folder")});
        return result;
    }

    for (int i = 0; i < samples.size(); ++i) {
        const int sample = samples.at(i);
        if (options.progress)
            options.progress(
                QStringLiteral("sample %1 (%2 of %3)").arg(sample).arg(i + 1).arg(samples.size()));
        PreviewView views[2];
        QString folders[2];
        for (int v = 0; v < 2; ++v) {
            folders[v] = sampleViewFolder(root, sample, v);
            const QString imageFile = QDir(folders[v]).filePath(bareFileName(imageFileLiteral));
            // Only a regular file of a panorama's size: a FIFO would block, a device never end.
            const ImageFile read = readImageFile(imageFile, true, QSize(8192, 4096));
            views[v].image = read.image;
            if (!read.ok)
                result.notes.append(
                    {imageFile, 0,
                     QStringLiteral("image not readable (%1); drawn grey")
                         .arg(read.missing ? QStringLiteral("missing") : read.reason)});
            const QString stem = stems.value(sample).value(v);
            views[v].caption =
                QStringLiteral("%1%2")
                    .arg(QLatin1String(v == 0 ? "top (primary)" : "bottom (secondary)"))
                    .arg(stem.isEmpty() ? QString() : QStringLiteral(": ") + stem);
        }
        QStringList sources = sourcesInFolder(folders[0]);
        if (!options.source.isEmpty())
            sources =
                sources.contains(options.source) ? QStringList {options.source} : QStringList();
        if (sources.isEmpty())
            result.errors.append(
                {folders[0], 0,
                 options.source.isEmpty()
                     ? QStringLiteral("no corner files")
                     : QStringLiteral("no corner file of %1").arg(options.source)});
        for (const QString &source : sources) {
            PreviewView shown[2] = {views[0], views[1]};
            bool good = true;
            for (int v = 0; v < 2; ++v) {
                const QString file = QDir(folders[v]).filePath(cornerFileName(source));
                const auto content = boundedRead(file, kMaxCornerFile, result.errors);
                good = good && content;
                if (content)
                    shown[v].corners = parseCorners(*content).roomCorners;
            }
            if (!good)
                continue;
            const std::optional<WallPairs> pairs =
                truth ? truthPairs(*truth, sample, source) : std::optional<WallPairs>();
            const QString title = QStringLiteral("sample %1, %2: %3 and %4 walls%5")
                                      .arg(sample)
                                      .arg(source)
                                      .arg(shown[0].corners.size() / 2)
                                      .arg(shown[1].corners.size() / 2)
                                      .arg(pairs ? QString() : QStringLiteral(", no truth rows"));
            const QImage image =
                renderPreview(shown[0], shown[1], title, pairs,
                              truth ? uncertainWalls(*truth, sample, source) : UncertainWalls());
            const QString target =
                QDir(outDir).filePath(QStringLiteral("sample_%1_%2.png").arg(sample).arg(source));
            if (!image.save(target, "PNG")) {
                result.errors.append({target, 0, QStringLiteral("cannot write the image")});
                continue;
            }
            result.written.append(target);
        }
    }
    return result;
}

} // namespace wallmatch
