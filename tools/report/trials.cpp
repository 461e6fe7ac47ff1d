#include "trials.h"

#include "cli.h"
#include "cornerfile.h"
#include "csv.h"
#include "judgedanswers.h"
#include "reporttext.h"
#include "samplefolder.h"
#include "sources.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace wallmatch {

namespace {

const QStringList eventColumns = {QStringLiteral("session_ms"), QStringLiteral("phase"),
                                  QStringLiteral("case"),       QStringLiteral("sample"),
                                  QStringLiteral("source"),     QStringLiteral("event"),
                                  QStringLiteral("view"),       QStringLiteral("wall"),
                                  QStringLiteral("x"),          QStringLiteral("y")};

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
    const QStringList header = table.rows.first().fields;
    if (header != eventColumns) {
        log.complaints.append(
            {name, 1,
             QStringLiteral("the header must be \"%1\"").arg(eventColumns.join(QLatin1Char(',')))});
        return log;
    }
    QHash<int, qint64> presented;
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
        const qint64 ms = row.fields.at(0).toLongLong(&timeOk);
        if (!timeOk) {
            log.complaints.append(
                {name, row.line, QStringLiteral("session_ms is not a whole number")});
            return log;
        }
        // Practice cases are not in the results file, and session events (breaks, pauses)
        // belong to no case.
        if (row.fields.at(1) == QLatin1String("practice") || row.fields.at(2).isEmpty())
            continue;
        bool caseOk = false;
        const int caseNumber = row.fields.at(2).toInt(&caseOk);
        if (!caseOk || caseNumber < 1) {
            log.complaints.append(
                {name, row.line, QStringLiteral("case is not a positive whole number")});
            return log;
        }
        const QString &event = row.fields.at(5);
        CaseEvents &c = log.byCase[caseNumber];
        if (event == QLatin1String("present")) {
            if (!presented.contains(caseNumber))
                presented.insert(caseNumber, ms);
        } else if (event == QLatin1String("pick")) {
            ++c.picks;
            if (!c.firstPickSeconds && presented.contains(caseNumber))
                c.firstPickSeconds = (ms - presented.value(caseNumber)) / 1000.0;
        } else if (event == QLatin1String("miss")) {
            ++c.misses;
        }
    }
    return log;
}

std::optional<SessionEvents> readSessionEventsBeside(const QString &resultsFile,
                                                     QVector<Problem> &problems)
{
    static const QRegularExpression named(QStringLiteral("^results_([A-Za-z0-9_-]+)\\.txt$"));
    const QFileInfo info(resultsFile);
    const QRegularExpressionMatch m = named.match(info.fileName());
    if (!m.hasMatch())
        return std::nullopt;
    const QString name = info.dir().filePath(QStringLiteral("events_%1.csv").arg(m.captured(1)));
    const QFileInfo eventInfo(name);
    if (!eventInfo.exists())
        return std::nullopt;
    if (eventInfo.size() > maxEventLogBytes) {
        problems.append(
            {name, 0,
             QStringLiteral("larger than %1 MB; not read").arg(maxEventLogBytes / (1024 * 1024))});
        return std::nullopt;
    }
    const std::optional<QByteArray> content = readFileOrComplain(name, problems);
    if (!content)
        return std::nullopt;
    SessionEvents log = parseSessionEvents(name, *content);
    problems += log.complaints;
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
    for (const JudgedAnswer &a : judgedAnswers(files, truth)) {
        Trial t;
        t.participant = a.participant;
        t.file = a.file;
        t.line = a.line;
        t.phase = a.pastEnd ? QStringLiteral("after-end") : QStringLiteral("test");
        t.caseNumber = a.pastEnd ? 0 : ++casesSoFar[a.file];
        t.sample = a.sample;
        t.source = a.source;
        t.primaryWall = a.answer.wall1;
        t.secondaryWall = a.answer.wall2;
        // As in the summary, answers after the end are listed but not judged.
        t.judged = !a.pastEnd && a.verdict != Verdict::NotJudged;
        t.correct = t.judged && a.verdict == Verdict::Correct;
        t.seconds = a.seconds;
        t.click1 = a.answer.click1;
        t.click2 = a.answer.click2;
        if (const SessionEvents *log = logOf.value(a.file))
            t.events = a.pastEnd ? CaseEvents {} : log->byCase.value(t.caseNumber);
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
    csv += QStringLiteral("\r\n");
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
