#include "studyrun.h"

#include "cornerfile.h"
#include "nativepath.h"
#include "panosample.h"
#include "renderarea.h"
#include "samplefolder.h"
#include "sources.h"
#include "wallregions.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace wallmatch {

namespace {

// A results file is one short line per answer; anything far larger is not one.
constexpr qint64 maxResultsFileSize = 16 * 1024 * 1024;

QString shownFolder(int sampleId, bool secondary)
{
    return QStringLiteral("test_datasets/%1/%2")
        .arg(sampleId)
        .arg(secondary ? QStringLiteral("sec_pano") : QStringLiteral("pri_pano"));
}

QStringList panoramaProblems(int sampleId, bool secondary, CornerType source)
{
    const std::string folder = panoramaFolder(sampleId, secondary);
    const QString shown = shownFolder(sampleId, secondary);
    if (!QFileInfo(nativePath(folder)).isDir())
        return {QStringLiteral("folder %1 is missing").arg(shown)};
    QStringList problems;
    if (!QFileInfo(nativePath(folder + imageFileLiteral)).isFile())
        problems << QStringLiteral("%1/color.jpg is missing").arg(shown);
    // The loader stops at the first corner file it cannot open, so every file up to the shown
    // source's has to be there.
    for (int s = 0; s <= int(source); ++s) {
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
    sample.load(folder);
    if (sample.image.isNull())
        problems << QStringLiteral("%1/color.jpg cannot be read as an image (or is larger than "
                                   "8192 x 4096)")
                        .arg(shown);
    const QString cornerFile = QStringLiteral("%1/%2").arg(
        shown, cornerFileName(QString::fromLatin1(cornerSourceName(source))));
    if (sample.roomCorners.size() <= int(source)) {
        problems << QStringLiteral("%1 cannot be read").arg(cornerFile);
        return problems;
    }
    const QVector<CornerPoint> &corners = sample.roomCorners.at(source);
    if (corners.size() > RenderArea::maxShownCorners) {
        problems << QStringLiteral("%1 has %2 corners, more than the %3 a view shows")
                        .arg(cornerFile)
                        .arg(corners.size())
                        .arg(RenderArea::maxShownCorners);
    } else if (!sample.image.isNull() && BuildWallRegions(corners, sample.image.size()).isEmpty()) {
        problems << QStringLiteral("%1 gives no wall to pick").arg(cornerFile);
    }
    return problems;
}

} // namespace

QVector<PlanCase> fixedRunCases()
{
    QVector<PlanCase> cases;
    for (int sample = 1; sample <= 100; ++sample)
        cases.append({0, sample, QString::fromLatin1(cornerSourceName(CornerType::Kestrel))});
    return cases;
}

bool isValidParticipantId(const QString &id)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return allowed.match(id).hasMatch();
}

QString resultsFileFor(const QString &participant)
{
    return participant.isEmpty() ? QStringLiteral("results.txt")
                                 : QStringLiteral("results_%1.txt").arg(participant);
}

QString practiceFileFor(const QString &participant)
{
    return participant.isEmpty() ? QStringLiteral("practice.txt")
                                 : QStringLiteral("practice_%1.txt").arg(participant);
}

CornerType cornerTypeNamed(const QString &name)
{
    const int builtIn = builtInSourceIndex(name);
    return builtIn >= 0 ? CornerType(builtIn) : CornerType::Kestrel;
}

std::string panoramaFolder(int sampleId, bool secondary)
{
    return QString::asprintf(secondary ? ".\\test_datasets\\%d\\sec_pano"
                                       : ".\\test_datasets\\%d\\pri_pano",
                             sampleId)
        .toStdString();
}

QStringList checkPlanSamples(const QVector<PlanCase> &cases, const QString &planFile)
{
    QStringList problems;
    // A sample shown twice with one source is checked once.
    QHash<QPair<int, int>, QStringList> checked;
    for (const PlanCase &c : cases) {
        if (builtInSourceIndex(c.source) < 0) {
            problems << QStringLiteral("%1:%2: sample %3 (%4): the viewer shows %5 only")
                            .arg(planFile)
                            .arg(c.line)
                            .arg(c.sample)
                            .arg(c.source, builtInSourceNames().join(QStringLiteral(" and ")));
            continue;
        }
        const CornerType source = cornerTypeNamed(c.source);
        const QPair<int, int> key(c.sample, int(source));
        auto found = checked.find(key);
        if (found == checked.end())
            found = checked.insert(key,
                                   panoramaProblems(c.sample, false, source)
                                       + panoramaProblems(c.sample, true, source));
        for (const QString &text : found.value())
            problems << QStringLiteral("%1:%2: sample %3 (%4): %5")
                            .arg(planFile)
                            .arg(c.line)
                            .arg(c.sample)
                            .arg(c.source, text);
    }
    return problems;
}

void readResumedResults(StudyRun &run, const QVector<PlanCase> &cases, QStringList &problems)
{
    const QString name = run.resultsFile;
    const QFileInfo info(name);
    if (!info.exists()) {
        problems << QStringLiteral("%1: nothing to resume: the file does not exist").arg(name);
        return;
    }
    if (!info.isFile() || info.size() > maxResultsFileSize) {
        problems << QStringLiteral("%1: not a results file").arg(name);
        return;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("%1: cannot be read: %2").arg(name, file.errorString());
        return;
    }
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    lines.removeLast(); // after the last LF; a last line without one is taken as it is
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        lines.append(text.mid(text.lastIndexOf(QLatin1Char('\n')) + 1));

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
                            .arg(answer.source)
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
}

} // namespace wallmatch
