#include "statistics.h"

#include <QMap>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace wallmatch {

namespace {
constexpr qint64 HourMs = 3600 * 1000;
}

double percentile(const QVector<double> &sorted, double fraction)
{
    if (sorted.isEmpty())
        return 0;
    const double pos = std::max(0.0, std::min(1.0, fraction)) * (sorted.size() - 1);
    const int lo = int(std::floor(pos));
    const int hi = std::min(lo + 1, int(sorted.size()) - 1);
    return sorted.at(lo) + (sorted.at(hi) - sorted.at(lo)) * (pos - lo);
}

TimeSummary summarizeTimes(const QVector<ResultAnswer> &answers)
{
    TimeSummary s;
    QVector<double> seconds;
    for (const ResultAnswer &a : answers) {
        if (!a.milliseconds) {
            ++s.untimed;
            continue;
        }
        seconds.append(*a.milliseconds / 1000.0);
        s.overAnHour += *a.milliseconds > HourMs ? 1 : 0;
    }
    std::sort(seconds.begin(), seconds.end());
    s.timed = int(seconds.size());
    if (s.timed > 0) {
        s.meanSeconds = std::accumulate(seconds.cbegin(), seconds.cend(), 0.0) / s.timed;
        s.medianSeconds = percentile(seconds, 0.5);
        s.p90Seconds = percentile(seconds, 0.9);
    }
    return s;
}

Verdict judge(const TruthFile &truth, const Answer &answer)
{
    return truth.judge(answer.sampleId, answer.source, answer.wall1, answer.wall2);
}

QVector<Problem> missingTruthRows(const QVector<ResultsFile> &files, const TruthFile &truth)
{
    QVector<Problem> problems;
    for (const ResultsFile &f : files) {
        for (const ResultAnswer &a : f.answers) {
            if (truth.covers(a.sampleId, a.source) && !truth.hasRow(a.sampleId, a.source, a.wall1))
                problems.append({f.name, a.line,
                                 QStringLiteral("sample %1, %2, primary wall %3: %4 has no row "
                                                "for this wall")
                                     .arg(a.sampleId)
                                     .arg(a.source)
                                     .arg(a.wall1)
                                     .arg(truth.file)});
        }
    }
    return problems;
}

Accuracy accuracyOf(const QVector<ResultAnswer> &answers, const TruthFile &truth)
{
    Accuracy acc;
    for (const ResultAnswer &a : answers) {
        const Verdict verdict = judge(truth, a);
        if (verdict == Verdict::NotJudged) {
            ++acc.unjudged;
            continue;
        }
        ++acc.judged;
        acc.correct += verdict == Verdict::Correct ? 1 : 0;
        if (!truth.certain(a.sampleId, a.source, a.wall1)) {
            ++acc.uncertain;
            acc.uncertainCorrect += verdict == Verdict::Correct ? 1 : 0;
        }
    }
    return acc;
}

Summary summarize(const QString &name, const QVector<ResultsFile> &files, const TruthFile *truth)
{
    Summary s;
    s.name = name;
    s.files = int(files.size());
    QSet<int> samples;
    QVector<ResultAnswer> run;
    for (const ResultsFile &f : files) {
        s.answers += int(f.answers.size());
        s.complaints += int(f.complaints.size());
        s.unreadable += f.unreadable ? 1 : 0;
        for (const ResultAnswer &a : f.answers) {
            samples.insert(a.sampleId);
            s.pastEnd += a.pastEnd ? 1 : 0;
        }
        run += f.runAnswers();
    }
    s.distinctSamples = int(samples.size());
    s.times = summarizeTimes(run);
    if (truth)
        s.accuracy = accuracyOf(run, *truth);
    return s;
}

QVector<SampleAccuracy> accuracyPerSample(const QVector<ResultsFile> &files, const TruthFile &truth)
{
    QMap<int, SampleAccuracy> bySample;
    for (const ResultsFile &f : files) {
        for (const ResultAnswer &a : f.runAnswers()) {
            SampleAccuracy &s = bySample[a.sampleId];
            s.sample = a.sampleId;
            s.covered = s.covered || truth.covers(a.sampleId, a.source);
            ++s.answers;
            const Verdict verdict = judge(truth, a);
            s.judged += verdict != Verdict::NotJudged ? 1 : 0;
            s.correct += verdict == Verdict::Correct ? 1 : 0;
            s.uncertain +=
                verdict != Verdict::NotJudged && !truth.certain(a.sampleId, a.source, a.wall1) ? 1
                                                                                               : 0;
        }
    }
    return bySample.values().toVector();
}

} // namespace wallmatch
