#ifndef BYSOURCE_H
#define BYSOURCE_H

#include "judgedanswers.h"
#include "resultsfile.h"
#include "statistics.h"
#include "truthfile.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

namespace wallmatch {

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

// The positive-rank sum W+ of the Wilcoxon signed-rank test, as wilcoxonSignedRankP ranks.
double wilcoxonPositiveRankSum(const QVector<double> &differences);

// One test of the sources against each other on one measure, over the participants that have
// a value with every source it compares.
struct SourceComparison
{
    QString measure; // "time" (per-participant median) or "accuracy" (share correct)
    QString test; // "friedman", "wilcoxon" or "sign"
    QStringList sources; // the first two in a paired test: differences are first minus second
    int participants = 0;
    double statistic = 0; // chi-square, W+ or the count of positive differences
    double p = 1;
    std::optional<double> pHolm; // pairwise tests among three or more sources, per measure
    // Kendall's W with Friedman's test, the matched-pairs rank-biserial r with Wilcoxon's; none
    // without participants.
    std::optional<double> effectSize;
    // The smallest p the test can give with these participants (the exact distribution's, for
    // Friedman the chi-square at its largest statistic).
    double smallestP = 0;
};

// Kendall's coefficient of concordance from Friedman's statistic of n rows and k sources,
// chi-square / (n (k - 1)): 0 no agreement among participants on the order, 1 full agreement.
double kendallW(double friedmanStatistic, int rows, int sources);
// The matched-pairs rank-biserial correlation of paired differences, (T+ - T-) / (T+ + T-) over
// the signed-rank sums with zeros dropped: +1 every difference positive, -1 every one negative.
// None without a difference other than zero.
std::optional<double> rankBiserial(const QVector<double> &differences);
// The smallest two-sided p of the exact sign or Wilcoxon signed-rank test with n pairs: all
// differences one way, 2 / 2^n.
double smallestExactPairedP(int pairs);

// Warnings about what the design and the truth can show: a test that cannot reach p < 0.05 with
// this many participants, a source whose truth is mostly -1 (no counterpart).
QStringList designWarnings(const QVector<SourceComparison> &comparisons, const TruthFile *truth,
                           const QStringList &sources);

// With two sources: the sign and Wilcoxon tests of each measure. With k >= 3: per measure, over
// the participants with values for all k, Friedman's test and the Wilcoxon test of every pair,
// Holm-adjusted within the measure. Accuracy only with a truth file.
QVector<SourceComparison> compareSources(const QVector<ParticipantStats> &participants,
                                         const QStringList &sources, bool withTruth);

// The report by source: per source, per participant, and the comparisons: paired over the
// participants who met both of two sources, or Friedman and pairwise tests of three or more.
// Empty when the run answers show fewer than two sources.
QString bySourceText(const QVector<ResultsFile> &files, const TruthFile *truth);

// One row per participant and source under the header
// participant,source,answers,timed,median seconds,p90 seconds,judged,correct,uncertain
// (times empty without any; judged, correct and uncertain, the judged answers whose truth rows
// are all uncertain, empty without a truth table).
QString bySourceCsv(const QVector<ResultsFile> &files, const TruthFile *truth);

} // namespace wallmatch

#endif // BYSOURCE_H
