#include "posetruth.h"

#include "cli.h"
#include "cornerfile.h"
#include "csv.h"
#include "layouttruth.h"
#include "previewtree.h"
#include "samplefolder.h"
#include "sources.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>

namespace wallmatch {

namespace {

// The viewer reads no larger corner file.
constexpr qint64 kMaxCornerFile = 1024 * 1024;

std::optional<double> finite(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > maxPoseMagnitude)
        return std::nullopt;
    return value;
}

} // namespace

SamplePoses parsePoses(const QString &fileName, const QByteArray &content)
{
    SamplePoses poses;
    const CsvTable table = parseCsv(QString::fromUtf8(content));
    if (!table.error.isEmpty())
        poses.errors.append({fileName, table.errorLine, table.error});
    for (const CsvRow &row : table.rows) {
        if (row.fields.size() == 1 && row.fields.first().trimmed().isEmpty())
            continue;
        if (row.line == 1 && row.fields.value(0).trimmed() == QLatin1String("sample"))
            continue;
        bool ok = false;
        const int sample = row.fields.value(0).trimmed().toInt(&ok);
        const QString view = row.fields.value(1).trimmed();
        const auto x = finite(row.fields.value(2));
        const auto y = finite(row.fields.value(3));
        const auto yaw = finite(row.fields.value(4));
        if (row.fields.size() != 5 || !ok || sample < 1
            || (view != QLatin1String("primary") && view != QLatin1String("secondary")) || !x || !y
            || !yaw) {
            poses.errors.append({fileName, row.line,
                                 QStringLiteral("expected sample,view,x,y,yaw degrees with view "
                                                "primary or secondary and numbers within "
                                                "%1")
                                     .arg(maxPoseMagnitude, 0, 'f', 0)});
            continue;
        }
        QHash<int, FloorPose> &map =
            view == QLatin1String("primary") ? poses.primary : poses.secondary;
        if (map.contains(sample)) {
            poses.errors.append(
                {fileName, row.line,
                 QStringLiteral("sample %1 has a second %2 pose").arg(sample).arg(view)});
            continue;
        }
        map.insert(sample, FloorPose {*x, *y, *yaw, 1.0});
    }
    for (auto it = poses.primary.begin(); it != poses.primary.end(); ++it) {
        if (!poses.secondary.contains(it.key()))
            poses.errors.append(
                {fileName, 0, QStringLiteral("sample %1 has no secondary pose").arg(it.key())});
    }
    for (auto it = poses.secondary.begin(); it != poses.secondary.end(); ++it) {
        if (!poses.primary.contains(it.key()))
            poses.errors.append(
                {fileName, 0, QStringLiteral("sample %1 has no primary pose").arg(it.key())});
    }
    return poses;
}

namespace {

// A source's corners in both views of a sample; none, with the problems added, when a file is
// missing, too large or unreadable.
std::optional<std::array<QVector<CornerPoint>, 2>>
sampleCorners(const QString &root, int sample, const QString &source, QVector<Problem> &errors)
{
    std::array<QVector<CornerPoint>, 2> corners;
    bool good = true;
    for (int v = 0; v < 2; ++v) {
        const QString file =
            QDir(sampleViewFolder(root, sample, v)).filePath(cornerFileName(source));
        if (QFileInfo(file).size() > kMaxCornerFile) {
            errors.append({file, 0, QStringLiteral("larger than 1 MiB")});
            good = false;
            continue;
        }
        const auto content = readFileOrComplain(file, errors);
        good = good && content;
        if (content)
            corners[v] = parseCorners(*content).roomCorners;
    }
    if (!good)
        return std::nullopt;
    return corners;
}

bool sampleHere(const QString &root, int sample, PoseTruthResult &result)
{
    if (QFileInfo(sampleViewFolder(root, sample, 0)).isDir()
        && QFileInfo(sampleViewFolder(root, sample, 1)).isDir())
        return true;
    result.errors.append({root, 0, QStringLiteral("no sample %1 here").arg(sample)});
    return false;
}

// One source's wall pairs for a sample into the result, or the reason it has none.
void addSourceRows(PoseTruthResult &result, const QString &root, int sample, const QString &source,
                   const std::optional<QVector<WallPair>> &rows, const QString &why)
{
    if (!rows) {
        result.errors.append({sampleViewFolder(root, sample, 0), 0,
                              QStringLiteral("sample %1, %2: %3").arg(sample).arg(source, why)});
        return;
    }
    if (!result.sources.contains(source))
        result.sources.append(source);
    for (const WallPair &row : *rows)
        result.rows.append({sample, source, row.primary, row.secondary, 0, row.certain});
}

} // namespace

PoseTruthResult truthFromSamplePoses(const QString &root, const SamplePoses &poses,
                                     const MatchCriteria &criteria)
{
    PoseTruthResult result;
    const QList<int> keys = poses.primary.keys();
    QVector<int> samples(keys.begin(), keys.end());
    std::sort(samples.begin(), samples.end());
    for (int sample : samples) {
        if (!sampleHere(root, sample, result))
            continue;
        const QStringList sources = sourcesInFolder(sampleViewFolder(root, sample, 0));
        if (sources.isEmpty())
            result.errors.append(
                {sampleViewFolder(root, sample, 0), 0, QStringLiteral("no corner files")});
        for (const QString &source : sources) {
            const auto corners = sampleCorners(root, sample, source, result.errors);
            if (!corners)
                continue;
            QString why;
            const auto rows =
                truthFromPoses(corners->at(0), poses.primary.value(sample), corners->at(1),
                               poses.secondary.value(sample), criteria, &why);
            addSourceRows(result, root, sample, source, rows, why);
        }
    }
    const QVector<int> inTree = samplesInTree(root);
    int unposed = 0;
    for (int sample : inTree)
        unposed += poses.primary.contains(sample) ? 0 : 1;
    if (unposed > 0)
        result.notes.append({root, 0,
                             QStringLiteral("%1 of the tree's %2 samples have no poses: their "
                                            "rows in truth.csv are kept as they are")
                                 .arg(unposed)
                                 .arg(inTree.size())});
    return result;
}

PoseTruthResult truthFromReferenceRows(const QString &root, const QString &reference,
                                       const QVector<TruthRow> &referenceRows)
{
    PoseTruthResult result;
    QMap<int, QVector<WallPair>> pairs;
    for (const TruthRow &row : referenceRows)
        if (row.source == reference)
            pairs[row.sample].append({row.primaryWall, row.secondaryWall, row.certain});
    if (pairs.isEmpty()) {
        result.errors.append(
            {root, 0, QStringLiteral("truth.csv has no rows for the reference %1").arg(reference)});
        return result;
    }
    result.sources.append(reference);
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it) {
        const int sample = it.key();
        if (!sampleHere(root, sample, result))
            continue;
        for (const WallPair &pair : it.value())
            result.rows.append({sample, reference, pair.primary, pair.secondary, 0, pair.certain});
        const auto ref = sampleCorners(root, sample, reference, result.errors);
        if (!ref)
            continue;
        for (const QString &source : sourcesInFolder(sampleViewFolder(root, sample, 0))) {
            if (source == reference)
                continue;
            const auto corners = sampleCorners(root, sample, source, result.errors);
            if (!corners)
                continue;
            QString why;
            const auto rows = truthThroughReference(corners->at(0), ref->at(0), corners->at(1),
                                                    ref->at(1), it.value(), &why);
            addSourceRows(result, root, sample, source, rows, why);
        }
    }
    return result;
}

QVector<TruthRow> mergedTruth(const QVector<TruthRow> &old, const QVector<TruthRow> &fresh,
                              const std::function<QStringList(int)> &sourcesOf)
{
    QSet<QPair<int, QString>> replaced;
    for (const TruthRow &row : fresh)
        replaced.insert({row.sample, row.source});
    QVector<TruthRow> merged;
    for (const TruthRow &row : old) {
        const QStringList sources =
            row.source.isEmpty() ? sourcesOf(row.sample) : QStringList {row.source};
        for (const QString &source : sources) {
            if (replaced.contains({row.sample, source}))
                continue;
            TruthRow kept = row;
            kept.source = source;
            kept.line = 0;
            merged.append(kept);
        }
    }
    merged += fresh;
    std::stable_sort(merged.begin(), merged.end(),
                     [](const TruthRow &a, const TruthRow &b) { return a.sample < b.sample; });
    return merged;
}

} // namespace wallmatch
