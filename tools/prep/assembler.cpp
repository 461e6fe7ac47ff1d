#include "assembler.h"

#include "cli.h"
#include "cornerinput.h"
#include "fileplatform.h"
#include "regularfile.h"
#include "samplefolder.h"
#include "sources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <optional>

namespace wallmatch {

namespace {

// A view of a sample, read and checked, waiting to be written.
struct PreparedView
{
    QString folderName; // "pri_pano" or "sec_pano"
    QString image;
    QSize imageSize;
    bool copyImage = false; // already a JPEG of the view's size: copied byte for byte
    CornerRings kestrel;
    std::optional<CornerRings> bramble;
};

struct PreparedSample
{
    int sample = 0;
    QString folder;
    bool exists = false;
    PreparedView views[2];
};

QString sizeText(QSize size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

std::optional<CornerRings> preparedCorners(const QString &file, QSize imageSize,
                                           const AssembleOptions &options, const Plan &plan,
                                           const PlanRow &row, const QString &what,
                                           AssembleResult &result)
{
    CornerReadOptions read;
    read.image = QSizeF(imageSize);
    read.uTolerance = options.uTolerance * imageSize.width() / viewImageSize().width();
    const CornerInput input = readCornerInput(file, read);
    result.notes += input.notes;
    if (!input.ok()) {
        result.errors.append({plan.file, row.line,
                              QStringLiteral("sample %1: the %2 are unusable (see below)")
                                  .arg(row.sample)
                                  .arg(what)});
        result.errors += input.errors;
        return std::nullopt;
    }
    return scaledRings(input.rings, QSizeF(viewImageSize()));
}

std::optional<PreparedView> preparedView(const PlanPanorama &pano, const QString &role,
                                         const AssembleOptions &options, const Plan &plan,
                                         const PlanRow &row, AssembleResult &result)
{
    PreparedView view;
    view.image = pano.image;
    // Only a regular file, and only a declared size within bounds: a FIFO would block, a device
    // feed without end, a header claiming a huge size make gigabytes.
    const ImageFile header = readImageFile(pano.image, false);
    view.imageSize = header.size;
    if (!header.ok) {
        result.errors.append(
            {plan.file, row.line,
             QStringLiteral("sample %1: %2 image %3 cannot be read: %4")
                 .arg(row.sample)
                 .arg(role, pano.image,
                      header.missing ? QStringLiteral("missing") : header.reason)});
        return std::nullopt;
    }
    if (view.imageSize.width() != 2 * view.imageSize.height()) {
        result.errors.append({plan.file, row.line,
                              QStringLiteral("sample %1: %2 image %3 is %4, not a 2:1 "
                                             "equirectangular panorama")
                                  .arg(row.sample)
                                  .arg(role, pano.image, sizeText(view.imageSize))});
        return std::nullopt;
    }
    view.copyImage = view.imageSize == viewImageSize() && header.format == "jpeg";

    const auto kestrel = preparedCorners(pano.kestrel, view.imageSize, options, plan, row,
                                         role + QStringLiteral(" Kestrel corners"), result);
    std::optional<CornerRings> bramble;
    if (!pano.bramble.isEmpty()) {
        bramble = preparedCorners(pano.bramble, view.imageSize, options, plan, row,
                                  role + QStringLiteral(" Bramble corners"), result);
        if (!bramble)
            return std::nullopt;
    }
    if (!kestrel)
        return std::nullopt;
    view.kestrel = *kestrel;
    view.bramble = bramble;
    return view;
}

bool writeText(const QString &fileName, const QString &text, AssembleResult &result)
{
    return writeFileOrComplain(fileName, text.toUtf8(), result.errors);
}

bool writeImage(const PreparedView &view, const QString &target, AssembleResult &result)
{
    return writeViewImage(view.image, view.copyImage, target, result.errors);
}

bool writeView(const PreparedView &view, const QString &folder, AssembleResult &result)
{
    if (!QDir().mkpath(folder)) {
        result.errors.append({folder, 0, QStringLiteral("cannot create the folder")});
        return false;
    }
    const QDir dir(folder);
    return writeImage(view, dir.filePath(bareFileName(imageFileLiteral)), result)
        && writeText(dir.filePath(cornerFileName(QStringLiteral("Kestrel"))),
                     cornerFileText(view.kestrel), result)
        && (!view.bramble
            || writeText(dir.filePath(cornerFileName(QStringLiteral("Bramble"))),
                         cornerFileText(*view.bramble), result));
}

QString viewSummary(const PreparedView &view, const QDir &planDir)
{
    // Paths below the plan's folder are shown as written there; others in full.
    const QString relative = planDir.relativeFilePath(view.image);
    const QString shown = relative.startsWith(QLatin1String("..")) ? view.image : relative;
    const QString image = view.copyImage ? QStringLiteral("copied")
        : view.imageSize == viewImageSize()
        ? QStringLiteral("re-encoded")
        : QStringLiteral("resampled from %1").arg(sizeText(view.imageSize));
    return QStringLiteral("%1: %2 (%3), Kestrel %4 walls, %5")
        .arg(view.folderName, shown, image)
        .arg(view.kestrel.count())
        .arg(view.bramble ? QStringLiteral("Bramble %1 walls").arg(view.bramble->count())
                          : QStringLiteral("no Bramble"));
}

} // namespace

bool writeViewImage(const QString &source, bool copy, const QString &target,
                    QVector<Problem> &errors)
{
    if (copy) {
        if (!QFile::copy(source, target)) {
            errors.append({target, 0, QStringLiteral("cannot copy %1 here").arg(source)});
            return false;
        }
        // A copy keeps the read-only mode of a shared original; the tree should stay editable.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        return true;
    }
    const ImageFile read = readImageFile(source, true);
    if (!read.ok) {
        errors.append({source, 0, QStringLiteral("cannot decode the image: %1").arg(read.reason)});
        return false;
    }
    QImage image = read.image;
    if (image.size() != viewImageSize())
        image = image.scaled(viewImageSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_RGB32);
    if (!image.save(target, "JPG", 95)) {
        errors.append({target, 0, QStringLiteral("cannot write the image")});
        return false;
    }
    return true;
}

namespace {

// Written into a tree while it is being built, and taken out before it is put in place: a
// leftover ".new" beside the tree that holds it was left by this program (a run that was killed)
// and may go; anything else by that name is someone's and is never touched.
const QString buildingMark = QStringLiteral(".wallmatch-prep-building");

bool isRealFolder(const QString &path)
{
    return platform::entryAt(path).type == platform::EntryType::Folder;
}

// A leftover of an earlier build of ours: a folder (not a link) holding the mark.
bool isOurLeftover(const QString &path)
{
    return isRealFolder(path)
        && platform::entryAt(QDir(path).filePath(buildingMark)).type
        == platform::EntryType::Regular;
}

// Removes a tree this run made; a link in its place is removed itself, never followed.
bool removeOwnTree(const QString &path)
{
    if (platform::entryAt(path).type == platform::EntryType::Missing)
        return true;
    if (!isRealFolder(path))
        return QFile::remove(path);
    return QDir(path).removeRecursively();
}

} // namespace

bool buildSampleTree(const QString &root, AssembleResult &result,
                     const std::function<bool(const QString &)> &build)
{
    // Replacing a tree means replacing all of it: samples beyond the new ones and files such as
    // a truth table belong to the old tree. The new one is built beside it and swapped in whole.
    const QStringList oldEntries =
        QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    const bool replacing = !oldEntries.isEmpty();
    const QString writeRoot = replacing ? root + QStringLiteral(".new") : root;
    const QString old = root + QStringLiteral(".old");
    if (replacing) {
        if (platform::entryAt(writeRoot).type != platform::EntryType::Missing
            && !isOurLeftover(writeRoot)) {
            result.errors.append({writeRoot, 0,
                                  QStringLiteral("is in the way of replacing the tree and was "
                                                 "not made here; move it away or remove it")});
            return false;
        }
        if (platform::entryAt(old).type != platform::EntryType::Missing) {
            result.errors.append({old, 0,
                                  QStringLiteral("is in the way of replacing the tree; move it "
                                                 "away or remove it")});
            return false;
        }
        if (!removeOwnTree(writeRoot)) {
            result.errors.append({writeRoot, 0, QStringLiteral("cannot remove this leftover")});
            return false;
        }
    }
    const bool rootExisted = platform::entryAt(root).type != platform::EntryType::Missing;
    const auto abandon = [&] {
        // What this run wrote goes again, so that no part of a tree is left. A new tree into an
        // empty folder: the folder stays as it was.
        if (replacing || !rootExisted) {
            removeOwnTree(writeRoot);
        } else {
            const QDir folder(root);
            for (const QString &entry : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot
                                                         | QDir::Hidden | QDir::System))
                removeOwnTree(folder.filePath(entry));
        }
        result.samplesWritten = 0;
        return false;
    };
    if (!QDir().mkpath(writeRoot)) {
        result.errors.append({writeRoot, 0, QStringLiteral("cannot create the folder")});
        return false;
    }
    const QString mark = QDir(writeRoot).filePath(buildingMark);
    if (replacing && !writeFileOrComplain(mark, QByteArray(), result.errors))
        return abandon();
    if (!build(writeRoot))
        return abandon();
    if (replacing) {
        QFile::remove(mark);
        if (!QDir().rename(root, old)) {
            result.errors.append(
                {root, 0, QStringLiteral("cannot move the old tree aside to %1").arg(old)});
            return abandon();
        }
        if (!QDir().rename(writeRoot, root)) {
            QDir().rename(old, root);
            result.errors.append(
                {root, 0, QStringLiteral("cannot move the new tree here from %1").arg(writeRoot)});
            return abandon();
        }
        if (!removeOwnTree(old))
            result.notes.append({old, 0, QStringLiteral("the old tree could not be removed")});
        result.summary.append(
            QStringLiteral("replaced the earlier tree (%1 entries)").arg(oldEntries.size()));
    }
    return true;
}

AssembleResult assembleSamples(const Plan &plan, const QString &outDir,
                               const AssembleOptions &options)
{
    AssembleResult result;
    if (!plan.ok()) {
        result.errors = plan.errors;
        return result;
    }

    const QString root =
        QDir::cleanPath(QDir(outDir).absoluteFilePath(QLatin1String(sampleTreeFolder)));
    QVector<PreparedSample> samples;
    for (const PlanRow &row : plan.rows) {
        PreparedSample sample;
        sample.sample = row.sample;
        sample.folder = QStringLiteral("%1/%2").arg(root).arg(row.sample);
        sample.exists = QFileInfo::exists(sample.folder);
        if (sample.exists && !options.force)
            result.errors.append({plan.file, row.line,
                                  QStringLiteral("sample %1: %2 already exists; give --force to "
                                                 "replace it")
                                      .arg(row.sample)
                                      .arg(sample.folder)});
        const auto primary =
            preparedView(row.primary, QStringLiteral("primary"), options, plan, row, result);
        const auto secondary =
            preparedView(row.secondary, QStringLiteral("secondary"), options, plan, row, result);
        if (!primary || !secondary)
            continue;
        sample.views[0] = *primary;
        sample.views[0].folderName = QLatin1String(viewFolderNames[0]);
        sample.views[1] = *secondary;
        sample.views[1].folderName = QLatin1String(viewFolderNames[1]);
        samples.append(sample);
    }
    if (!options.force) {
        // Without --force nothing is replaced, and a tree is not mixed with an older one.
        QStringList others = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot
                                                  | QDir::Hidden | QDir::System);
        for (const PlanRow &row : plan.rows)
            others.removeAll(QString::number(row.sample));
        if (!others.isEmpty())
            result.errors.append({root, 0,
                                  QStringLiteral("already holds %1 that the plan does not "
                                                 "write (%2); give --force to replace the "
                                                 "whole tree")
                                      .arg(others.size())
                                      .arg(others.mid(0, 5).join(QStringLiteral(", ")))});
    }
    if (!result.ok())
        return result;

    std::sort(samples.begin(), samples.end(),
              [](const PreparedSample &a, const PreparedSample &b) { return a.sample < b.sample; });
    const QDir planDir(plan.baseDir);
    int resampled = 0;
    int brambleFiles = 0;
    const bool built = buildSampleTree(root, result, [&](const QString &writeRoot) {
        for (const PreparedSample &sample : samples) {
            const QString folder = QStringLiteral("%1/%2").arg(writeRoot).arg(sample.sample);
            for (const PreparedView &view : sample.views) {
                if (!writeView(view, folder + QLatin1Char('/') + view.folderName, result))
                    return false;
                resampled += view.imageSize != viewImageSize() ? 1 : 0;
                brambleFiles += view.bramble ? 1 : 0;
            }
            ++result.samplesWritten;
            result.summary.append(
                QStringLiteral("sample %1%2")
                    .arg(sample.sample)
                    .arg(sample.exists ? QStringLiteral(" (replaced)") : QString()));
            for (const PreparedView &view : sample.views)
                result.summary.append(QStringLiteral("  ") + viewSummary(view, planDir));
        }
        return true;
    });
    if (!built)
        return result;
    result.summary.append(QStringLiteral("%1 samples (1..%1) written to %2: %3 panoramas, %4 "
                                         "resampled to %5, %6 Bramble corner files")
                              .arg(result.samplesWritten)
                              .arg(root)
                              .arg(2 * result.samplesWritten)
                              .arg(resampled)
                              .arg(sizeText(viewImageSize()))
                              .arg(brambleFiles));
    if (result.samplesWritten < plainRunSamples)
        result.notes.append({plan.file, 0,
                             QStringLiteral("the viewer steps through samples 1 to %1; from "
                                            "sample %2 on it finds no sample to show")
                                 .arg(plainRunSamples)
                                 .arg(result.samplesWritten + 1)});
    else if (result.samplesWritten > plainRunSamples)
        result.notes.append({plan.file, 0,
                             QStringLiteral("the viewer shows samples 1 to %1 only; %2 of these "
                                            "are never shown")
                                 .arg(plainRunSamples)
                                 .arg(result.samplesWritten - plainRunSamples)});
    return result;
}

} // namespace wallmatch
