#ifndef STATISTICS_H
#define STATISTICS_H

#include "resultsfile.h"
#include "truthtable.h"

#include <QString>
#include <QVector>

namespace wallmatch {

// The value below which the given fraction of the sorted values lies, interpolating linearly
// between neighbours (fraction 0.5 is the median). 0 for no values.
double percentile(const QVector<double> &sortedValues, double fraction);

struct TimeSummary
{
    int timed = 0;
    int untimed = 0; // answers logged before the first time display, with an empty time
    double medianSeconds = 0;
    double meanSeconds = 0;
    double p90Seconds = 0;
    int overAnHour = 0;
};

TimeSummary summarizeTimes(const QVector<ResultAnswer> &answers);

struct Accuracy
{
    int judged = 0; // answers whose primary wall has a row in the truth table
    int correct = 0;
    int unjudged = 0;

    double share() const { return judged > 0 ? double(correct) / judged : 0.0; }
};

Accuracy accuracyOf(const QVector<ResultAnswer> &answers, const TruthTable &truth);

// One subject's file, or all files together. Times and accuracy count the answers of the run
// only; answers past its end are counted but not judged.
struct Summary
{
    QString name;
    int files = 0;
    int answers = 0;
    int distinctSamples = 0;
    int pastEnd = 0;
    int complaints = 0;
    int unreadable = 0; // files that could not be read at all
    TimeSummary times;
    Accuracy accuracy;
};

Summary summarize(const QString &name, const QVector<ResultsFile> &files, const TruthTable *truth);

// How the run answers for one sample fared over all files.
struct SampleAccuracy
{
    int sample = 0;
    int answers = 0;
    int correct = 0;
    bool covered = false; // the truth table has rows for this sample
};

QVector<SampleAccuracy> accuracyPerSample(const QVector<ResultsFile> &files,
                                          const TruthTable &truth);

} // namespace wallmatch

#endif // STATISTICS_H
