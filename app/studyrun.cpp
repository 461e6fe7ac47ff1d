#include "studyrun.h"

#include "cornerfile.h"
#include "nativepath.h"
#include "panosample.h"
#include "regularfile.h"
#include "renderarea.h"
#include "resultsstore.h"
#include "samplefolder.h"
#include "sources.h"
#include "textinput.h"
#include "wallregions.h"
#include "wallwidth.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>
#include <optional>

namespace wallmatch {

namespace {

// A results file is one short line per answer; anything far larger is not one.
constexpr qint64 maxResultsFileSize = 16 * 1024 * 1024;

QString shownFolder(int sampleId, bool secondary)
{
    return sampleViewFolder(QLatin1String(sampleTreeFolder), sampleId, secondary ? 1 : 0);
}

QStringList panoramaProblems(int sampleId, bool secondary, const QString &sourceName,
                             QVector<wallmatch::NarrowWall> &narrow)
{
    const int builtIn = builtInSourceIndex(sourceName);
    const CornerType source = CornerType(qMax(builtIn, 0));
    const std::string folder = panoramaFolder(sampleId, secondary);
    const QString shown = shownFolder(sampleId, secondary);
    if (!QFileInfo(nativePath(folder)).isDir())
        return {QStringLiteral("folder %1 is missing").arg(shown)};
    QStringList problems;
    if (!QFileInfo(nativePath(folder + imageFileLiteral)).isFile())
        problems << QStringLiteral("%1/color.jpg is missing").arg(shown);
    // The loader stops at the first built-in corner file it cannot open, so every file up to
    // the shown source's has to be there. Any other source's file is read on its own.
    if (builtIn < 0) {
        const QFileInfo info(
            nativePath(cornerFilePath(QString::fromStdString(folder), sourceName).toStdString()));
        if (!info.isFile() || !info.isReadable())
            problems << QStringLiteral("%1/%2 (%3's corners) is missing")
                            .arg(shown, cornerFileName(sourceName), sourceName);
    }
    for (int s = 0; builtIn >= 0 && s <= int(source); ++s) {
        const QString name = QString::fromLatin1(builtInSources[s].name);
        const QFileInfo info(
            nativePath(cornerFilePath(QString::fromStdString(folder), name).toStdString()));
        if (!info.isFile() || !info.isReadable()) {
            problems << (s == int(source)
                             ? QStringLiteral("%1/%2 (%3's corners) is missing")
                                   .arg(shown, cornerFileName(name), name)
                             : QStringLiteral("%1/%2 is missing; %3's corners are read only "
                                              "after it")
                                   .arg(shown, cornerFileName(name),
                                        QString::fromLatin1(cornerSourceName(source))));
        }
    }
    if (!problems.isEmpty())
        return problems;

    // Load it as the view will, so that what passes here is what the subject sees.
    PanoSample sample;
    sample.load(folder, builtIn < 0 ? sourceName : QString(), builtIn + 1);
    if (sample.image.isNull())
        problems << QStringLiteral("%1/color.jpg cannot be read as an image (or is larger than "
                                   "8192 x 4096)")
                        .arg(shown);
    const QString cornerFile = QStringLiteral("%1/%2").arg(shown, cornerFileName(sourceName));
    if (builtIn < 0 ? !sample.otherCorners : sample.roomCorners.size() <= int(source)) {
        problems << QStringLiteral("%1 cannot be read").arg(cornerFile);
        return problems;
    }
    const QVector<CornerPoint> &corners =
        builtIn < 0 ? sample.otherCorners->roomCorners : sample.roomCorners.at(source);
    if (corners.size() > RenderArea::maxShownCorners) {
        problems << QStringLiteral("%1 has %2 corners, more than the %3 a view shows")
                        .arg(cornerFile)
                        .arg(corners.size())
                        .arg(RenderArea::maxShownCorners);
    } else if (!sample.image.isNull() && BuildWallRegions(corners, sample.image.size()).isEmpty()) {
        problems << QStringLiteral("%1 gives no wall to pick").arg(cornerFile);
    }
    narrow = narrowWalls(corners);
    return problems;
}

// The kind of a problem: its text with the sample's own folder made general, so that the same
// fault in many samples is one kind.
QString problemKind(const QString &text, int sampleId)
{
    return QString(text).replace(QStringLiteral("/%1/").arg(sampleId), QStringLiteral("/N/"));
}

// "3, 5, 7, ..." for many samples: the first few say where to look, the count says how many.
QString sampleList(const QVector<int> &samples)
{
    constexpr int shown = 10;
    QStringList numbers;
    for (int i = 0; i < std::min(int(samples.size()), shown); ++i)
        numbers << QString::number(samples.at(i));
    if (samples.size() > shown)
        numbers << QStringLiteral("...");
    return numbers.join(QStringLiteral(", "));
}

} // namespace

CornerType cornerTypeNamed(const QString &name)
{
    const int builtIn = builtInSourceIndex(name);
    return builtIn >= 0 ? CornerType(builtIn) : CornerType::Kestrel;
}

std::string panoramaFolder(int sampleId, bool secondary)
{
    return programViewFolder(sampleId, secondary ? 1 : 0);
}

QStringList checkPlanSamples(const QVector<PlanCase> &cases, const QString &planFile,
                             QStringList *notes)
{
    if (cases.isEmpty())
        return {};
    // Without the tree every sample is missing: one line, naming where it was looked for.
    if (!QFileInfo(QLatin1String(sampleTreeFolder)).isDir())
        return {QStringLiteral("%1: no sample folder %2: none of the plan's samples can be shown")
                    .arg(planFile,
                         QDir::toNativeSeparators(
                             QDir::current().absoluteFilePath(QLatin1String(sampleTreeFolder))))};

    struct Found
    {
        QString text; // of the first case it was found in
        int line = 0;
        QVector<int> samples;
    };
    // Problems by source and kind, in the order first found.
    QVector<QPair<QString, QString>> order;
    QHash<QPair<QString, QString>, Found> found;
    // A sample shown twice with one source is checked once.
    QSet<QPair<int, QString>> checked;
    for (const PlanCase &c : cases) {
        if (checked.contains({c.sample, c.source}))
            continue;
        checked.insert({c.sample, c.source});
        QVector<NarrowWall> narrow[2];
        const QStringList problems = panoramaProblems(c.sample, false, c.source, narrow[0])
            + panoramaProblems(c.sample, true, c.source, narrow[1]);
        for (const QString &text : problems) {
            const QPair<QString, QString> key(c.source, problemKind(text, c.sample));
            auto f = found.find(key);
            if (f == found.end()) {
                order << key;
                f = found.insert(key, {text, c.line, {}});
            }
            f->samples << c.sample;
        }
        QStringList parts;
        for (int view = 0; view < 2; ++view)
            if (!narrow[view].isEmpty())
                parts << QStringLiteral("%1 wall %2")
                             .arg(QLatin1String(view == 0 ? "pri_pano" : "sec_pano"),
                                  narrowWallsText(narrow[view]));
        if (notes && !parts.isEmpty())
            *notes << QStringLiteral("%1:%2: sample %3 (%4): walls narrower than %5 px at 1024 x "
                                     "512: %6")
                          .arg(planFile)
                          .arg(c.line)
                          .arg(c.sample)
                          .arg(c.source)
                          .arg(narrowWallColumns)
                          .arg(parts.join(QStringLiteral("; ")));
    }
    QStringList lines;
    for (const QPair<QString, QString> &key : order) {
        const Found &f = found.value(key);
        if (f.samples.size() == 1)
            lines << QStringLiteral("%1:%2: sample %3 (%4): %5")
                         .arg(planFile)
                         .arg(f.line)
                         .arg(f.samples.first())
                         .arg(key.first, f.text);
        else
            lines << QStringLiteral("%1: %2: %3, in %4 samples: %5")
                         .arg(planFile, key.first, key.second)
                         .arg(f.samples.size())
                         .arg(sampleList(f.samples));
    }
    return lines;
}

QStringList resumeCandidates(const QString &resultsFile)
{
    const QFileInfo results(resultsFile);
    const QString name = results.fileName();
    QStringList folders {results.absolutePath()};
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!userData.isEmpty() && QFileInfo(userData).absoluteFilePath() != folders.first())
        folders << QFileInfo(userData).absoluteFilePath();
    QStringList candidates;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const bool working = folder == folders.first();
        const QStringList entries = dir.entryList(
            {results.completeBaseName() + QStringLiteral("*")}, QDir::Files | QDir::Hidden);
        for (const QString &entry : entries) {
            if (working && entry == name)
                candidates << resultsFile; // named as given
            else if (isDatedFileOf(entry, name))
                candidates << (working && results.path() == QLatin1String(".")
                                   ? entry
                                   : dir.filePath(entry));
        }
    }
    // Newest first; the clock's second is shared by a file and its fallback, so the larger
    // breaks a tie (each write holds all answers so far).
    std::stable_sort(candidates.begin(), candidates.end(), [](const QString &a, const QString &b) {
        const QFileInfo ia(a), ib(b);
        if (ia.lastModified() != ib.lastModified())
            return ia.lastModified() > ib.lastModified();
        return ia.size() > ib.size();
    });
    return candidates;
}

namespace {

// A results file's bytes, read whole and bounded.
std::optional<QByteArray> resultsFileBytes(const QString &name, QStringList &problems)
{
    const ReadFile read = readRegularFile(name, maxResultsFileSize);
    if (read.ok)
        return read.bytes;
    problems << (read.opened.tooLarge ? QStringLiteral("%1: not a results file: %2")
                                      : QStringLiteral("%1: cannot be read: %2"))
                    .arg(name, read.opened.reason);
    return std::nullopt;
}

// A temporary file a kill at the rename left beside the results: taken when it holds complete
// lines that extend what the results file holds.
QString extendingLeftover(const QString &resultsFile, const QByteArray &results)
{
    const QFileInfo info(resultsFile);
    const QDir dir = info.absoluteDir();
    QString best;
    qint64 bestSize = results.size();
    const QStringList entries = dir.entryList({info.fileName() + QStringLiteral(".*")},
                                              QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (!isSaveFileLeftover(entry, info.fileName()))
            continue;
        const ReadFile read = readRegularFile(dir.filePath(entry), maxResultsFileSize);
        if (read.ok && read.bytes.size() > bestSize && read.bytes.startsWith(results)
            && checkTextInput(read.bytes).ok()) {
            best = info.path() == QLatin1String(".") ? entry : QDir(info.path()).filePath(entry);
            bestSize = read.bytes.size();
        }
    }
    return best;
}

} // namespace

void readResumedResults(StudyRun &run, const QVector<PlanCase> &cases, QStringList &problems)
{
    const QString resultsName = run.resultsFile;
    const QStringList candidates = resumeCandidates(resultsName);
    if (candidates.isEmpty()) {
        problems << QStringLiteral("%1: nothing to resume: the file does not exist, and no "
                                   "answers of this participant were saved elsewhere")
                        .arg(resultsName);
        return;
    }
    QString name = candidates.first();
    std::optional<QByteArray> bytes = resultsFileBytes(name, problems);
    if (!bytes)
        return;
    if (QFileInfo(name).absoluteFilePath() == QFileInfo(resultsName).absoluteFilePath()) {
        const QString leftover = extendingLeftover(resultsName, *bytes);
        if (!leftover.isEmpty()) {
            name = leftover;
            bytes = resultsFileBytes(name, problems);
            if (!bytes)
                return;
        }
    }
    // Checked whole: a NUL, broken UTF-8 or a cut last line would otherwise shorten the file
    // unnoticed, and the first write would destroy what follows.
    const TextInput input = checkTextInput(*bytes);
    if (!input.ok()) {
        problems << input.problem(name);
        return;
    }
    QStringList lines = input.text.split(QLatin1Char('\n'));
    lines.removeLast(); // after the last LF

    if (lines.size() >= cases.size()) {
        problems << QStringLiteral("%1: holds %2 answers; the run has %3 cases, so there is "
                                   "nothing left to resume")
                        .arg(name)
                        .arg(lines.size())
                        .arg(cases.size());
        return;
    }
    for (int i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = parseResultLine(lines.at(i));
        if (!parsed.answer) {
            problems << QStringLiteral("%1:%2: %3").arg(name).arg(i + 1).arg(parsed.error);
            return;
        }
        const Answer &answer = *parsed.answer;
        const PlanCase &expected = cases.at(i);
        if (answer.sampleId != expected.sample || answer.source != expected.source) {
            problems << QStringLiteral("%1:%2: sample %3 (%4) is not case %5 of this run, "
                                       "sample %6 (%7): the file belongs to another plan")
                            .arg(name)
                            .arg(i + 1)
                            .arg(answer.sampleId)
                            .arg(quotedInput(answer.source))
                            .arg(i + 1)
                            .arg(expected.sample)
                            .arg(expected.source);
            return;
        }
        QString kept = lines.at(i);
        kept += QLatin1Char('\n');
        run.resumedLines.append(kept);
        run.resumedAnswers.append(answer);
    }
    run.resumedFrom = name;
}

} // namespace wallmatch
