#ifndef BYSOURCE_H
#define BYSOURCE_H

#include "resultsfile.h"
#include "statistics.h"
#include "truthfile.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

// The participant of "results_ID.txt" is ID; any other results file (the unnamed
// "results.txt" among them) stands for a participant of its own, named by the file.
QString participantOf(const QString &fileName);

// The corner sources of the run answers: Kestrel and Bramble first, any other by name.
QStringList sourcesOf(const QVector<ResultsFile> &files);

// Answers of the run with one source.
struct SourceStats
{
    QString source;
    int answers = 0;
    TimeSummary times;
    Accuracy accuracy; // with a truth table only
};

QVector<SourceStats> statsBySource(const QVector<ResultsFile> &files, const QStringList &sources,
                                   const TruthFile *truth);

// One participant's answers per source, in the order of `sources`. Files naming the same
// participant are taken together.
struct ParticipantStats
{
    QString participant;
    QStringList files;
    QVector<SourceStats> bySource;
};

QVector<ParticipantStats> statsByParticipant(const QVector<ResultsFile> &files,
                                             const QStringList &sources, const TruthFile *truth);

// Paired differences, one per participant (first source minus second), tested for a shift
// away from zero with two-sided exact tests.
struct PairedComparison
{
    int pairs = 0;
    int positive = 0; // first source's value larger
    int negative = 0;
    int zero = 0;
    double meanDifference = 0;
    double signTestP = 1;
    double wilcoxonP = 1;
};

PairedComparison comparePaired(const QVector<double> &differences);

// Two-sided exact sign test of `positive` against `negative` signs (zeros left out before).
double signTestP(int positive, int negative);
// Two-sided exact Wilcoxon signed-rank test: zero differences are dropped, tied absolute values
// share their mean rank, and the exact distribution is taken over those ranks (beyond
// `maxExact` differences its normal approximation, corrected for ties and continuity).
double wilcoxonSignedRankP(const QVector<double> &differences, int maxExact = 300);

// The report by source: per source, per participant, and the paired comparison of the first
// two sources over the participants who met both. Empty when the run answers show fewer than
// two sources.
QString bySourceText(const QVector<ResultsFile> &files, const TruthFile *truth);

// One row per participant and source under the header
// participant,source,answers,timed,median seconds,p90 seconds,judged,correct
// (times empty without any; judged and correct empty without a truth table).
QString bySourceCsv(const QVector<ResultsFile> &files, const TruthFile *truth);

} // namespace wallmatch

#endif // BYSOURCE_H
