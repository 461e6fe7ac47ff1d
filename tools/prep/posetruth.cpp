#include "posetruth.h"

#include "cli.h"
#include "cornerfile.h"
#include "csv.h"
#include "previewtree.h"
#include "samplefolder.h"
#include "sources.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

// The viewer reads no larger corner file.
constexpr qint64 kMaxCornerFile = 1024 * 1024;

std::optional<double> finite(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
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
                                                "primary or secondary and numbers")});
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

PoseTruthResult truthFromSamplePoses(const QString &root, const SamplePoses &poses,
                                     const MatchCriteria &criteria)
{
    PoseTruthResult result;
    const QList<int> keys = poses.primary.keys();
    QVector<int> samples(keys.begin(), keys.end());
    std::sort(samples.begin(), samples.end());
    for (int sample : samples) {
        const QString folders[2] = {sampleViewFolder(root, sample, 0),
                                    sampleViewFolder(root, sample, 1)};
        if (!QFileInfo(folders[0]).isDir() || !QFileInfo(folders[1]).isDir()) {
            result.errors.append({root, 0, QStringLiteral("no sample %1 here").arg(sample)});
            continue;
        }
        const QStringList sources = sourcesInFolder(folders[0]);
        if (sources.isEmpty())
            result.errors.append({folders[0], 0, QStringLiteral("no corner files")});
        for (const QString &source : sources) {
            QVector<CornerPoint> corners[2];
            bool good = true;
            for (int v = 0; v < 2; ++v) {
                const QString file = QDir(folders[v]).filePath(cornerFileName(source));
                if (QFileInfo(file).size() > kMaxCornerFile) {
                    result.errors.append({file, 0, QStringLiteral("larger than 1 MiB")});
                    good = false;
                    continue;
                }
                const auto content = readFileOrComplain(file, result.errors);
                good = good && content;
                if (content)
                    corners[v] = parseCorners(*content).roomCorners;
            }
            if (!good)
                continue;
            QString why;
            const auto rows = truthFromPoses(corners[0], poses.primary.value(sample), corners[1],
                                             poses.secondary.value(sample), criteria, &why);
            if (!rows) {
                result.errors.append(
                    {folders[0], 0,
                     QStringLiteral("sample %1, %2: %3").arg(sample).arg(source, why)});
                continue;
            }
            if (!result.sources.contains(source))
                result.sources.append(source);
            for (const WallPair &row : *rows)
                result.rows.append({sample, source, row.primary, row.secondary, 0});
        }
    }
    const QVector<int> inTree = samplesInTree(root);
    int unposed = 0;
    for (int sample : inTree)
        unposed += poses.primary.contains(sample) ? 0 : 1;
    if (unposed > 0)
        result.notes.append({root, 0,
                             QStringLiteral("%1 of the tree's %2 samples have no poses and get no "
                                            "truth rows")
                                 .arg(unposed)
                                 .arg(inTree.size())});
    return result;
}

} // namespace wallmatch
