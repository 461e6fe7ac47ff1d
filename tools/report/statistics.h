#ifndef STATISTICS_H
#define STATISTICS_H

#include "resultsfile.h"
#include "truthfile.h"

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

// What the truth file says of one answer, by the answer's own sample, source and walls.
Verdict judge(const TruthFile &truth, const Answer &answer);

// Answers for a sample and source the truth file covers whose primary wall has no row there:
// the file is incomplete, and such an answer cannot be judged. One problem per answer.
QVector<Problem> missingTruthRows(const QVector<ResultsFile> &files, const TruthFile &truth);

struct Accuracy
{
    int judged = 0; // answers whose primary wall has a row in the truth file
    int correct = 0;
    int unjudged = 0;
    int uncertain = 0; // of the judged: answers whose truth rows are all uncertain
    int uncertainCorrect = 0;

    double share() const { return judged > 0 ? double(correct) / judged : 0.0; }
};

Accuracy accuracyOf(const QVector<ResultAnswer> &answers, const TruthFile &truth);

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

Summary summarize(const QString &name, const QVector<ResultsFile> &files, const TruthFile *truth);

// How the run answers for one sample fared over all files.
struct SampleAccuracy
{
    int sample = 0;
    int answers = 0;
    int judged = 0;
    int correct = 0;
    int uncertain = 0; // of the judged, on rows all uncertain
    bool covered = false; // the truth file has rows for this sample (for a source answered)
};

QVector<SampleAccuracy> accuracyPerSample(const QVector<ResultsFile> &files,
                                          const TruthFile &truth);

} // namespace wallmatch

#endif // STATISTICS_H
