#include "trials.h"

#include "cli.h"
#include "cornerfile.h"
#include "csv.h"
#include "eventlogformat.h"
#include "judgedanswers.h"
#include "participantfiles.h"
#include "reporttext.h"
#include "samplefolder.h"
#include "sessionfiles.h"
#include "sources.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include <cmath>

namespace wallmatch {

namespace {

// An event log has no business being larger than this; a bigger file is not read.
constexpr qint64 maxEventLogBytes = 256 * 1024 * 1024;

QString number(double value)
{
    return QString::number(value, 'f', 3);
}

} // namespace

SessionEvents parseSessionEvents(const QString &name, const QByteArray &content)
{
    SessionEvents log;
    log.file = name;
    // The program writes whole lines; a last one without its line feed was cut short by a
    // crash and is left out, as the program itself does on resuming.
    QByteArray whole = content;
    if (!whole.isEmpty() && !whole.endsWith('\n'))
        whole.truncate(whole.lastIndexOf('\n') + 1);
    const CsvTable table = parseCsv(QString::fromUtf8(whole));
    if (!table.error.isEmpty())
        log.complaints.append({name, table.errorLine, table.error});
    if (table.rows.isEmpty()) {
        if (table.error.isEmpty())
            log.complaints.append({name, 0, QStringLiteral("empty event log")});
        return log;
    }
    // Logs written before the onset columns are read as they stand.
    const QStringList header = table.rows.first().fields;
    const QStringList eventColumns =
        header == olderEventColumnNames() ? olderEventColumnNames() : eventColumnNames();
    if (header != eventColumns) {
        log.complaints.append(
            {name, 1,
             QStringLiteral("the header must be \"%1\"").arg(eventColumns.join(QLatin1Char(',')))});
        return log;
    }
    // The case clock runs from "present" and stands still from a pause, break or loss of focus
    // to the "resume" after it: a first pick is timed on that clock, as the answer is.
    struct CaseClockState
    {
        std::optional<qint64> presentedMs;
        std::optional<qint64> pausedSinceMs;
        qint64 pausedMs = 0;
        qint64 at(qint64 ms) const
        {
            return (pausedSinceMs ? *pausedSinceMs : ms) - *presentedMs - pausedMs;
        }
    };
    QHash<int, CaseClockState> clocks;
    for (int r = 1; r < table.rows.size(); ++r) {
        const CsvRow &row = table.rows.at(r);
        if (row.fields.size() == 1 && row.fields.first().isEmpty())
            continue; // a blank line
        if (row.fields.size() != eventColumns.size()) {
            log.complaints.append({name, row.line,
                                   QStringLiteral("%1 fields, expected %2")
                                       .arg(row.fields.size())
                                       .arg(eventColumns.size())});
            return log;
        }
        bool timeOk = false;
        auto field = [&row](EventColumn column) -> const QString & {
            return row.fields.at(int(column));
        };
        const qint64 ms = field(EventColumn::SessionMs).toLongLong(&timeOk);
        if (!timeOk) {
            log.complaints.append(
                {name, row.line, QStringLiteral("session_ms is not a whole number")});
            return log;
        }
        // Practice cases are not in the results file, and session events (breaks, pauses)
        // belong to no case.
        if (field(EventColumn::Phase) == eventPhaseName(true) || field(EventColumn::Case).isEmpty())
            continue;
        bool caseOk = false;
        const int caseNumber = field(EventColumn::Case).toInt(&caseOk);
        if (!caseOk || caseNumber < 1) {
            log.complaints.append(
                {name, row.line, QStringLiteral("case is not a positive whole number")});
            return log;
        }
        const std::optional<SessionEvent> event = sessionEventNamed(field(EventColumn::Event));
        CaseEvents &c = log.byCase[caseNumber];
        CaseClockState &clock = clocks[caseNumber];
        if (event == SessionEvent::Present) {
            if (!clock.presentedMs)
                clock.presentedMs = ms;
        } else if (event == SessionEvent::Pause || event == SessionEvent::Break
                   || event == SessionEvent::FocusLost) {
            if (clock.presentedMs && !clock.pausedSinceMs)
                clock.pausedSinceMs = ms;
        } else if (event == SessionEvent::Resume) {
            if (clock.pausedSinceMs)
                clock.pausedMs += qMax<qint64>(0, ms - *clock.pausedSinceMs);
            clock.pausedSinceMs.reset();
        } else if (event == SessionEvent::Pick) {
            ++c.picks;
            if (!c.firstPickSeconds && clock.presentedMs)
                c.firstPickSeconds = qMax<qint64>(0, clock.at(ms)) / 1000.0;
        } else if (event == SessionEvent::Miss) {
            ++c.misses;
        }
    }
    return log;
}

// The event logs that belong with a results file. A participant whose results files in the
// folder are one session (each the start of the longest: fallbacks and the files resumed from)
// has that session's events in all of its event logs, plain and dated, oldest first: a sitting
// resumed from a fallback writes its events under a name of its own. Otherwise each results
// file has the log of its own name only.
QStringList eventLogsBeside(const QString &resultsFile)
{
    const QFileInfo info(resultsFile);
    const std::optional<ParticipantFileOf> of = participantFileOf(info.fileName());
    const std::optional<QString> id = participantIdOf(resultsFile);
    if (!of || !id || of->kind != ParticipantFile::Results)
        return {};
    const QDir dir = info.dir();
    const QString ownSuffix = *id == of->participant ? of->dateSuffix : QString();
    QStringList results, events;
    const QStringList entries = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &entry : entries) {
        const std::optional<ParticipantFileOf> e = participantFileOf(entry);
        if (!e || participantIdOf(dir.filePath(entry)) != id)
            continue;
        if (e->kind == ParticipantFile::Results)
            results << dir.filePath(entry);
        else if (e->kind == ParticipantFile::Events)
            events << entry;
    }
    QVector<ResultsFile> read;
    for (const QString &name : qAsConst(results))
        read.append(readResultsFile(name));
    const auto longest =
        std::max_element(read.begin(), read.end(), [](const ResultsFile &a, const ResultsFile &b) {
            return a.answers.size() < b.answers.size();
        });
    bool oneSession = true;
    for (const ResultsFile &f : qAsConst(read))
        oneSession = oneSession && !f.unreadable && beginsWith(*longest, f);
    // The plain log first, then the dated ones by their dates.
    std::stable_sort(events.begin(), events.end(), [](const QString &a, const QString &b) {
        return participantFileOf(a)->dateSuffix < participantFileOf(b)->dateSuffix;
    });
    QStringList logs;
    for (const QString &entry : qAsConst(events))
        if (oneSession || participantFileOf(entry)->dateSuffix == ownSuffix)
            logs << dir.filePath(entry);
    return logs;
}

std::optional<SessionEvents> readSessionEventsBeside(const QString &resultsFile,
                                                     QVector<Problem> &problems)
{
    const QStringList names = eventLogsBeside(resultsFile);
    if (names.isEmpty())
        return std::nullopt;
    // The logs' rows joined, each once: a fallback log repeats the rows before it.
    QByteArray joined;
    QSet<QByteArray> seen;
    for (const QString &name : names) {
        if (QFileInfo(name).size() > maxEventLogBytes) {
            problems.append({name, 0,
                             QStringLiteral("larger than %1 MB; not read")
                                 .arg(maxEventLogBytes / (1024 * 1024))});
            continue;
        }
        const std::optional<QByteArray> content = readFileOrComplain(name, problems);
        if (!content)
            continue;
        const SessionEvents log = parseSessionEvents(name, *content);
        problems += log.complaints;
        if (!log.complaints.isEmpty())
            continue;
        QList<QByteArray> lines = content->split('\n');
        lines.removeLast(); // after the last line feed, or a row cut short
        if (joined.isEmpty() && !lines.isEmpty())
            joined = lines.first() + '\n';
        for (int i = 1; i < lines.size(); ++i) {
            if (seen.contains(lines.at(i)))
                continue;
            seen.insert(lines.at(i));
            joined += lines.at(i) + '\n';
        }
    }
    if (joined.isEmpty())
        return std::nullopt;
    SessionEvents log = parseSessionEvents(names.join(QStringLiteral(", ")), joined);
    log.complaints.clear(); // each file's own were given above, at their lines
    return log;
}

QVector<Trial> trialsOf(const QVector<ResultsFile> &files, const TruthFile *truth,
                        const QVector<std::optional<SessionEvents>> &logs)
{
    QHash<QString, const SessionEvents *> logOf;
    for (int f = 0; f < files.size() && f < logs.size(); ++f) {
        if (logs.at(f))
            logOf.insert(files.at(f).name, &*logs.at(f));
    }
    QVector<Trial> trials;
    QHash<QString, int> casesSoFar; // per file
    // The session numbers its cases as it presents them, one answer each: the n-th answer of a
    // file is case n of its log, after-end answers included, so none shifts the others.
    QHash<QString, int> answersSoFar;
    for (const JudgedAnswer &a : judgedAnswers(files, truth)) {
        Trial t;
        t.participant = a.participant;
        t.file = a.file;
        t.line = a.line;
        t.phase = a.pastEnd ? QStringLiteral("after-end") : QStringLiteral("test");
        t.caseNumber = a.pastEnd ? 0 : ++casesSoFar[a.file];
        const int presentedAs = ++answersSoFar[a.file];
        t.sample = a.sample;
        t.source = a.source;
        t.primaryWall = a.answer.wall1;
        t.secondaryWall = a.answer.wall2;
        // As in the summary, answers after the end are listed but not judged.
        t.judged = !a.pastEnd && a.verdict != Verdict::NotJudged;
        t.correct = t.judged && a.verdict == Verdict::Correct;
        t.certain = !a.uncertain;
        t.seconds = a.seconds;
        t.click1 = a.answer.click1;
        t.click2 = a.answer.click2;
        if (const SessionEvents *log = logOf.value(a.file))
            t.events = a.pastEnd ? CaseEvents {} : log->byCase.value(presentedAs);
        trials.append(t);
    }
    return trials;
}

QString trialsCsv(const QVector<Trial> &trials)
{
    bool withEvents = false;
    for (const Trial &t : trials)
        withEvents = withEvents || t.events.has_value();
    QString csv = QStringLiteral("participant,file,line,phase,case,sample,source,primary_wall,"
                                 "secondary_wall,correct,judged,seconds,x1,y1,x2,y2");
    bool withLayout = false;
    for (const Trial &t : trials)
        withLayout = withLayout || t.layout[0] || t.layout[1];
    if (withEvents)
        csv += QStringLiteral(",first_pick_seconds,picks,misses");
    if (withLayout)
        csv += QStringLiteral(",iou2d_primary,iou2d_secondary,iou2d,floor_error_primary,"
                              "floor_error_secondary,floor_error");
    csv += QStringLiteral(",certain\r\n");
    for (const Trial &t : trials) {
        QStringList row {csvField(t.participant),
                         csvField(t.file),
                         QString::number(t.line),
                         t.phase,
                         t.caseNumber > 0 ? QString::number(t.caseNumber) : QString(),
                         QString::number(t.sample),
                         csvField(t.source),
                         QString::number(t.primaryWall),
                         QString::number(t.secondaryWall),
                         t.judged ? QString::number(t.correct ? 1 : 0) : QString(),
                         QString::number(t.judged ? 1 : 0),
                         t.seconds ? number(*t.seconds) : QString(),
                         QString::number(t.click1.x()),
                         QString::number(t.click1.y()),
                         QString::number(t.click2.x()),
                         QString::number(t.click2.y())};
        if (withEvents) {
            const bool known = t.events.has_value();
            row << (known && t.events->firstPickSeconds ? number(*t.events->firstPickSeconds)
                                                        : QString())
                << (known ? QString::number(t.events->picks) : QString())
                << (known ? QString::number(t.events->misses) : QString());
        }
        if (withLayout) {
            const std::optional<LayoutAgreement> mean = meanLayout(t);
            const auto value = [](const std::optional<LayoutAgreement> &a, bool iou) {
                if (!a)
                    return QString();
                const double v = iou ? a->iou2d : a->floorBoundaryPixels;
                return std::isfinite(v) ? QString::number(v, 'f', 4) : QString();
            };
            row << value(t.layout[0], true) << value(t.layout[1], true) << value(mean, true)
                << value(t.layout[0], false) << value(t.layout[1], false) << value(mean, false);
        }
        row << (t.judged ? QString::number(t.certain ? 1 : 0) : QString());
        csv += row.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return csv;
}

std::optional<LayoutAgreement> meanLayout(const Trial &trial)
{
    if (!trial.layout[0] || !trial.layout[1])
        return std::nullopt;
    return LayoutAgreement {
        (trial.layout[0]->iou2d + trial.layout[1]->iou2d) / 2,
        (trial.layout[0]->floorBoundaryPixels + trial.layout[1]->floorBoundaryPixels) / 2};
}

int addLayoutMetrics(QVector<Trial> &trials, const QString &tree, const QString &reference,
                     QVector<Problem> &problems)
{
    // Corner files are read once each; a few per sample and source, never large.
    constexpr qint64 maxCornerFileBytes = 1024 * 1024;
    QHash<QString, std::optional<QVector<CornerPoint>>> corners;
    const auto cornersOf = [&](int sample, int view,
                               const QString &source) -> std::optional<QVector<CornerPoint>> {
        const QString name = QDir(tree).filePath(
            QStringLiteral("%1/%2/%3")
                .arg(sample)
                .arg(QLatin1String(viewFolderNames[view]), cornerFileName(source)));
        if (corners.contains(name))
            return corners.value(name);
        std::optional<QVector<CornerPoint>> read;
        QFile file(name);
        if (!QFileInfo(name).isFile())
            problems.append({name, 0, QStringLiteral("no corner file for the layout metrics")});
        else if (file.size() > maxCornerFileBytes || !file.open(QIODevice::ReadOnly))
            problems.append({name, 0, QStringLiteral("corner file not readable")});
        else
            read = parseCorners(file.readAll()).roomCorners;
        corners.insert(name, read);
        return read;
    };
    QHash<QString, std::optional<LayoutAgreement>> agreements;
    int given = 0;
    for (Trial &t : trials) {
        for (int view = 0; view < 2; ++view) {
            const QString key = QStringLiteral("%1/%2/%3").arg(t.sample).arg(view).arg(t.source);
            if (!agreements.contains(key)) {
                const std::optional<QVector<CornerPoint>> shown =
                    cornersOf(t.sample, view, t.source);
                const std::optional<QVector<CornerPoint>> ref =
                    shown ? cornersOf(t.sample, view, reference) : std::nullopt;
                std::optional<LayoutAgreement> agreement;
                QString why;
                if (shown && ref) {
                    agreement = layoutAgreement(*shown, *ref, QSize(1024, 512), &why);
                    if (!agreement)
                        problems.append({QStringLiteral("sample %1").arg(t.sample), 0,
                                         QStringLiteral("%1 against %2, %3 view: %4")
                                             .arg(t.source, reference,
                                                  QLatin1String(viewFolderNames[view]), why)});
                }
                agreements.insert(key, agreement);
            }
            t.layout[view] = agreements.value(key);
        }
        given += t.layout[0] && t.layout[1] ? 1 : 0;
    }
    return given;
}

} // namespace wallmatch
