#include "zindimport.h"

#include "cli.h"
#include "cornerfile.h"
#include "cornerinput.h"
#include "csv.h"
#include "layouttruth.h"
#include "regularfile.h"
#include "samplefolder.h"
#include "sources.h"
#include "textinput.h"
#include "zindtour.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMap>
#include <QRegularExpression>

namespace wallmatch {

namespace {

// One panorama of the tour, read and converted, waiting to be written.
struct ImportedView
{
    QString image;
    QSize imageSize;
    bool copyImage = false;
    QMap<QString, QByteArray> cornerFiles; // source -> corner file text
    QMap<QString, QVector<CornerPoint>> corners; // source -> the corners as written
};

} // namespace

std::optional<SourceDir> parseSourceDir(const QString &text, QString *problem)
{
    const int eq = int(text.indexOf(QLatin1Char('=')));
    SourceDir source {text.left(eq), text.mid(eq + 1)};
    if (eq <= 0 || source.dir.isEmpty()) {
        *problem = QStringLiteral("--source takes NAME=DIR, not \"%1\"").arg(text);
        return std::nullopt;
    }
    if (!isSourceName(source.name)) {
        *problem = sourceNameProblem(source.name);
        return std::nullopt;
    }
    return source;
}

std::optional<QString> predictionFile(const QString &dir, const QString &stem, QString *problem)
{
    QStringList found;
    for (const char *ext : {".json", ".txt", ".layout.txt"}) {
        const QString file = QDir(dir).filePath(stem + QLatin1String(ext));
        if (QFileInfo(file).isFile())
            found.append(file);
    }
    if (found.isEmpty()) {
        *problem = QStringLiteral("no prediction %1.json, %1.txt or %1.layout.txt").arg(stem);
        return std::nullopt;
    }
    if (found.size() > 1) {
        *problem = QStringLiteral("more than one prediction for %1: %2")
                       .arg(stem, found.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    return found.first();
}

AssembleResult importZindTour(const QString &tourDir, const QString &outDir,
                              const ZindImportOptions &options)
{
    AssembleResult result;
    const auto progress = [&](const QString &line) {
        if (options.progress)
            options.progress(line);
    };
    if (!isSourceName(options.annotatedAs)) {
        result.errors.append(
            {QString(), 0,
             QStringLiteral("--annotated-as: ") + sourceNameProblem(options.annotatedAs)});
        return result;
    }
    QStringList sourceNames {options.annotatedAs};
    for (const SourceDir &s : options.sources) {
        if (sourceNames.contains(s.name)) {
            result.errors.append(
                {QString(), 0, QStringLiteral("source %1 is given twice").arg(s.name)});
            return result;
        }
        sourceNames.append(s.name);
        if (!QFileInfo(s.dir).isDir()) {
            result.errors.append(
                {s.dir, 0, QStringLiteral("%1: no such folder of predictions").arg(s.name)});
            return result;
        }
    }

    const ZindTour tour = readZindTour(tourDir, options.layout);
    if (!tour.ok()) {
        result.errors = tour.errors;
        return result;
    }
    const QVector<QPair<int, int>> pairs = zindPairs(tour, &result.notes);
    if (pairs.isEmpty()) {
        result.errors.append({QDir(tourDir).filePath(QStringLiteral("zind_data.json")), 0,
                              QStringLiteral("no partial room is seen from two panos")});
        return result;
    }

    // Every pano of a sample, read once.
    QMap<int, ImportedView> views;
    for (const auto &pair : pairs) {
        views.insert(pair.first, {});
        views.insert(pair.second, {});
    }
    int done = 0;
    for (auto it = views.begin(); it != views.end(); ++it) {
        const ZindPano &pano = tour.panos.at(it.key());
        progress(QStringLiteral("reading pano %1 of %2: %3")
                     .arg(++done)
                     .arg(views.size())
                     .arg(pano.stem()));
        ImportedView &view = it.value();
        view.image = QDir(tourDir).filePath(pano.image);
        if (!insideTour(tourDir, view.image)) {
            result.errors.append({view.image, 0,
                                  QStringLiteral("image_path %1 leads out of the tour; only "
                                                 "images inside it are imported")
                                      .arg(quotedInput(pano.image))});
            continue;
        }
        // Only a regular file, its declared size checked before anything is decoded.
        const ImageFile header = readImageFile(view.image, false);
        view.imageSize = header.size;
        if (!header.ok) {
            result.errors.append(
                {view.image, 0, QStringLiteral("cannot read the image: %1").arg(header.reason)});
        } else if (view.imageSize.width() != 2 * view.imageSize.height()) {
            result.errors.append({view.image, 0,
                                  QStringLiteral("%1 x %2 is not a 2:1 equirectangular panorama")
                                      .arg(view.imageSize.width())
                                      .arg(view.imageSize.height())});
        }
        view.copyImage = view.imageSize == viewImageSize() && header.format == "jpeg";

        const QVector<CornerPoint> annotated = zindCorners(pano);
        view.corners.insert(options.annotatedAs, annotated);
        view.cornerFiles.insert(options.annotatedAs,
                                cornerFileText(projectedCorners(annotated, viewImageSize())));
        for (const SourceDir &source : options.sources) {
            QString problem;
            const std::optional<QString> file = predictionFile(source.dir, pano.stem(), &problem);
            if (!file) {
                result.errors.append({source.dir, 0, source.name + QStringLiteral(": ") + problem});
                continue;
            }
            CornerReadOptions read;
            read.image = QSizeF(viewImageSize());
            read.uTolerance = options.uTolerance;
            const CornerInput input = readCornerInput(*file, read);
            result.notes += input.notes;
            if (!input.ok()) {
                result.errors.append({*file, 0,
                                      QStringLiteral("%1: the prediction is unusable (see below)")
                                          .arg(source.name)});
                result.errors += input.errors;
                continue;
            }
            const QByteArray text = cornerFileText(input.rings).toUtf8();
            view.cornerFiles.insert(source.name, text);
            view.corners.insert(source.name, parseCorners(text).roomCorners);
        }
    }

    QVector<TruthRow> truth;
    QByteArray samplesCsv("sample,primary,secondary\n");
    for (int s = 0; s < pairs.size() && result.ok(); ++s) {
        const int sample = s + 1;
        const ZindPano &p = tour.panos.at(pairs.at(s).first);
        const ZindPano &q = tour.panos.at(pairs.at(s).second);
        samplesCsv += QByteArray::number(sample) + ',' + csvField(p.stem()).toUtf8() + ','
            + csvField(q.stem()).toUtf8() + '\n';
        // The annotated layout's own pairs, from the poses; each estimator's through them.
        QString why;
        const ImportedView &pv = views[pairs.at(s).first];
        const ImportedView &sv = views[pairs.at(s).second];
        const auto annotated = truthFromPoses(pv.corners.value(options.annotatedAs), zindPose(p),
                                              sv.corners.value(options.annotatedAs), zindPose(q),
                                              options.criteria, &why);
        if (!annotated) {
            result.errors.append({QString(), 0,
                                  QStringLiteral("sample %1 (%2, %3), %4: no truth: %5")
                                      .arg(sample)
                                      .arg(p.stem(), q.stem(), options.annotatedAs, why)});
            continue;
        }
        for (const QString &source : sourceNames) {
            const auto rows = source == options.annotatedAs
                ? annotated
                : truthThroughReference(pv.corners.value(source),
                                        pv.corners.value(options.annotatedAs),
                                        sv.corners.value(source),
                                        sv.corners.value(options.annotatedAs), *annotated, &why);
            if (!rows) {
                result.errors.append({QString(), 0,
                                      QStringLiteral("sample %1 (%2, %3), %4: no truth: %5")
                                          .arg(sample)
                                          .arg(p.stem(), q.stem(), source, why)});
                continue;
            }
            for (const WallPair &row : *rows)
                truth.append({sample, source, row.primary, row.secondary, 0, row.certain});
        }
    }

    const QString root =
        QDir::cleanPath(QDir(outDir).absoluteFilePath(QLatin1String(sampleTreeFolder)));
    if (!options.force) {
        const QStringList entries = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot
                                                         | QDir::Hidden | QDir::System);
        if (!entries.isEmpty())
            result.errors.append({root, 0,
                                  QStringLiteral("already holds %1 entries (%2); give --force "
                                                 "to replace the whole tree")
                                      .arg(entries.size())
                                      .arg(entries.mid(0, 5).join(QStringLiteral(", ")))});
    }
    if (!result.ok())
        return result;

    int resampled = 0;
    const bool built = buildSampleTree(root, result, [&](const QString &writeRoot) {
        for (int s = 0; s < pairs.size(); ++s) {
            const int sample = s + 1;
            progress(QStringLiteral("writing sample %1 of %2").arg(sample).arg(pairs.size()));
            const int ids[2] = {pairs.at(s).first, pairs.at(s).second};
            for (int v = 0; v < 2; ++v) {
                const ImportedView &view = views[ids[v]];
                const QDir folder(sampleViewFolder(writeRoot, sample, v));
                if (!QDir().mkpath(folder.path())) {
                    result.errors.append(
                        {folder.path(), 0, QStringLiteral("cannot create the folder")});
                    return false;
                }
                if (!writeViewImage(view.image, view.copyImage,
                                    folder.filePath(bareFileName(imageFileLiteral)), result.errors))
                    return false;
                resampled += view.imageSize != viewImageSize() ? 1 : 0;
                for (auto f = view.cornerFiles.begin(); f != view.cornerFiles.end(); ++f) {
                    if (!writeFileOrComplain(folder.filePath(cornerFileName(f.key())), f.value(),
                                             result.errors))
                        return false;
                }
            }
            ++result.samplesWritten;
            result.summary.append(
                QStringLiteral("sample %1: %2 and %3")
                    .arg(sample)
                    .arg(tour.panos.at(ids[0]).stem(), tour.panos.at(ids[1]).stem()));
        }
        return writeFileOrComplain(QDir(writeRoot).filePath(QStringLiteral("samples.csv")),
                                   samplesCsv, result.errors)
            && writeFileOrComplain(QDir(writeRoot).filePath(QStringLiteral("truth.csv")),
                                   truthFileCsv(truth), result.errors);
    });
    if (!built)
        return result;
    int unmatched = 0;
    for (const TruthRow &row : truth)
        unmatched += row.secondaryWall < 0 ? 1 : 0;
    result.summary.append(QStringLiteral("%1 samples written to %2 from %3 panoramas (%4 "
                                         "resampled to 1024 x 512); sources %5; truth.csv: %6 "
                                         "rows, %7 walls without a counterpart")
                              .arg(result.samplesWritten)
                              .arg(root)
                              .arg(views.size())
                              .arg(resampled)
                              .arg(sourceNames.join(QStringLiteral(", ")))
                              .arg(truth.size())
                              .arg(unmatched));
    result.summary += truthQualityLines(truthQuality(truth), options.annotatedAs, &result.warnings);
    if (result.samplesWritten > plainRunSamples)
        result.notes.append({root, 0,
                             QStringLiteral("the viewer shows samples 1 to %1 only; use a "
                                            "study plan for the others")
                                 .arg(plainRunSamples)});
    return result;
}

} // namespace wallmatch
