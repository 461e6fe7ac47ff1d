#include "reporttext.h"

#include "statistics.h"

#include <QStringList>

namespace wallmatch {

namespace {

QString seconds(double s)
{
    return QString::number(s, 'f', 3) + QStringLiteral(" s");
}

} // namespace

QString uncertainText(const Accuracy &a)
{
    return QStringLiteral("; of them %1 on uncertain truth (%2 correct)")
        .arg(a.uncertain)
        .arg(a.uncertainCorrect);
}

QString shareText(int part, int whole, ShareStyle style)
{
    const bool html = style == ShareStyle::Html;
    if (whole <= 0)
        return html ? QStringLiteral("–") : QStringLiteral("-");
    return QString::number(100.0 * part / whole, 'f', 1)
        + (html ? QStringLiteral(" %") : QStringLiteral("%"));
}

QString correctText(const Accuracy &a, ShareStyle style)
{
    QString text = QStringLiteral("%1 of %2 (%3)")
                       .arg(a.correct)
                       .arg(a.judged)
                       .arg(shareText(a.correct, a.judged, style));
    if (a.uncertain > 0)
        text += uncertainText(a);
    return text;
}

namespace {

void appendSummary(QStringList &out, const Summary &s, bool withTruth)
{
    out.append(s.name);
    out.append(
        QStringLiteral("  answers: %1 (%2 distinct samples, %3 past the end); %4 "
                       "lines not understood")
            .arg(s.answers)
            .arg(s.distinctSamples)
            .arg(s.pastEnd)
            .arg(s.complaints)
        + (s.unreadable > 0 ? QStringLiteral("; %1 files not read").arg(s.unreadable) : QString()));
    const TimeSummary &t = s.times;
    if (t.timed > 0)
        out.append(QStringLiteral("  time: median %1, mean %2, 90th percentile %3; %4 over an "
                                  "hour; %5 without time")
                       .arg(seconds(t.medianSeconds), seconds(t.meanSeconds), seconds(t.p90Seconds))
                       .arg(t.overAnHour)
                       .arg(t.untimed));
    else
        out.append(QStringLiteral("  time: none recorded; %1 without time").arg(t.untimed));
    if (withTruth) {
        const Accuracy &a = s.accuracy;
        QString line = QStringLiteral("  correct: ") + correctText(a, ShareStyle::Text);
        if (a.unjudged > 0)
            line += QStringLiteral("; %1 not judged").arg(a.unjudged);
        out.append(line);
    }
}

} // namespace

QString summaryText(const QVector<ResultsFile> &files, const TruthFile *truth)
{
    QStringList out;
    for (const ResultsFile &f : files) {
        if (f.unreadable) {
            out.append(f.name);
            out.append(QStringLiteral("  not read: %1").arg(f.unreadable->message));
            continue;
        }
        appendSummary(out, summarize(f.name, {f}, truth), truth);
    }
    if (files.size() > 1)
        appendSummary(
            out, summarize(QStringLiteral("overall (%1 files)").arg(files.size()), files, truth),
            truth);
    out.append(QStringLiteral("(times and correct matches count the answers of the run, not "
                              "those past its end)"));
    if (truth) {
        out.append(QStringLiteral("per sample: correct of judged answers"));
        for (const SampleAccuracy &s : accuracyPerSample(files, *truth)) {
            if (s.judged == 0) {
                out.append(
                    QStringLiteral("  %1: %2 answers, no truth").arg(s.sample).arg(s.answers));
                continue;
            }
            QString line = QStringLiteral("  %1: %2 of %3 (%4)")
                               .arg(s.sample)
                               .arg(s.correct)
                               .arg(s.judged)
                               .arg(shareText(s.correct, s.judged, ShareStyle::Text));
            if (s.uncertain > 0)
                line += QStringLiteral("; %1 on uncertain truth").arg(s.uncertain);
            if (s.judged < s.answers)
                line += QStringLiteral("; %1 not judged").arg(s.answers - s.judged);
            out.append(line);
        }
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString answersCsv(const QVector<ResultsFile> &files, const TruthFile *truth)
{
    QString csv = QStringLiteral("file,sample,wall1,wall2,source,seconds,x1,y1,x2,y2,correct\n");
    for (const ResultsFile &f : files) {
        for (const ResultAnswer &a : f.answers) {
            const QString secs =
                a.milliseconds ? QString::number(*a.milliseconds / 1000.0, 'f', 3) : QString();
            const QString correct = truth && (judge(*truth, a) != Verdict::NotJudged)
                ? QString::number((judge(*truth, a) == Verdict::Correct) ? 1 : 0)
                : QString();
            csv += QStringList {csvField(f.name),
                                QString::number(a.sampleId),
                                QString::number(a.wall1),
                                QString::number(a.wall2),
                                csvField(a.source),
                                secs,
                                QString::number(a.click1.x()),
                                QString::number(a.click1.y()),
                                QString::number(a.click2.x()),
                                QString::number(a.click2.y()),
                                correct}
                       .join(QLatin1Char(','))
                + QLatin1Char('\n');
        }
    }
    return csv;
}

} // namespace wallmatch
