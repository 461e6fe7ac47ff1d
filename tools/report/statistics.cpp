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

Accuracy accuracyOf(const QVector<ResultAnswer> &answers, const TruthTable &truth)
{
    Accuracy acc;
    for (const ResultAnswer &a : answers) {
        if (!truth.judges(a)) {
            ++acc.unjudged;
            continue;
        }
        ++acc.judged;
        acc.correct += truth.isCorrect(a) ? 1 : 0;
    }
    return acc;
}

Summary summarize(const QString &name, const QVector<ResultsFile> &files, const TruthTable *truth)
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

QVector<SampleAccuracy> accuracyPerSample(const QVector<ResultsFile> &files,
                                          const TruthTable &truth)
{
    QMap<int, SampleAccuracy> bySample;
    for (const ResultsFile &f : files) {
        for (const ResultAnswer &a : f.runAnswers()) {
            SampleAccuracy &s = bySample[a.sampleId];
            s.sample = a.sampleId;
            s.covered = truth.covers(a.sampleId);
            ++s.answers;
            s.correct += truth.isCorrect(a) ? 1 : 0;
        }
    }
    return bySample.values().toVector();
}

} // namespace wallmatch
