#include "bysource.h"

#include "ranktests.h"
#include "reporttext.h"
#include "sources.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

// Differences closer than this (relative) are equal: shares like 0.8 - 0.6 are not exact.
bool nearlyEqual(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

SourceStats statsOf(const QString &source, const QVector<ResultAnswer> &answers,
                    const TruthFile *truth)
{
    SourceStats s;
    s.source = source;
    QVector<ResultAnswer> mine;
    for (const ResultAnswer &a : answers) {
        if (a.source == source)
            mine.append(a);
    }
    s.answers = int(mine.size());
    s.times = summarizeTimes(mine);
    if (truth)
        s.accuracy = accuracyOf(mine, *truth);
    return s;
}

QString seconds(double s)
{
    return QString::number(s, 'f', 3) + QStringLiteral(" s");
}

// "p = 0.031" without its "p".
QString pValue(double p)
{
    const QString text = pValueText(p);
    return text.mid(text.indexOf(QLatin1Char(' ')) + 1);
}

QString sourceLine(const SourceStats &s, bool withTruth)
{
    QString line = QStringLiteral("%1 answers").arg(s.answers);
    if (s.times.timed > 0)
        line += QStringLiteral("; time: median %1, 90th percentile %2")
                    .arg(seconds(s.times.medianSeconds), seconds(s.times.p90Seconds));
    else
        line += QStringLiteral("; no time");
    if (withTruth) {
        const Accuracy &a = s.accuracy;
        line += QStringLiteral("; correct: %1 of %2").arg(a.correct).arg(a.judged);
        if (a.judged > 0)
            line += QStringLiteral(" (%1%)").arg(100.0 * a.share(), 0, 'f', 1);
        if (a.uncertain > 0)
            line += uncertainText(a);
    }
    return line;
}

QString participantCell(const SourceStats &s, bool withTruth)
{
    QString cell = QStringLiteral("%1 %2").arg(s.source).arg(s.answers);
    cell += s.times.timed > 0 ? QStringLiteral(", median %1").arg(seconds(s.times.medianSeconds))
                              : QStringLiteral(", no time");
    if (withTruth && s.accuracy.judged > 0)
        cell += QStringLiteral(", %1% correct").arg(100.0 * s.accuracy.share(), 0, 'f', 1);
    if (withTruth && s.accuracy.uncertain > 0)
        cell += QStringLiteral(" (%1 on uncertain truth)").arg(s.accuracy.uncertain);
    return cell;
}

// Which source the paired differences favour, and how sure that is.
QString verdict(const PairedComparison &c, const QString &first, const QString &second, bool time)
{
    const QString what = time ? QStringLiteral("faster") : QStringLiteral("more accurate");
    if (c.pairs == 0)
        return QStringLiteral("%1: no participant to compare").arg(what);
    if (nearlyEqual(c.meanDifference, 0))
        return QStringLiteral("%1: neither on average (Wilcoxon p %2)")
            .arg(what, pValue(c.wilcoxonP));
    // For time a lower value is better, for the share correct a higher one.
    const bool firstBetter = time ? c.meanDifference < 0 : c.meanDifference > 0;
    const QString amount = time
        ? QStringLiteral("%1 s").arg(std::abs(c.meanDifference), 0, 'f', 3)
        : QStringLiteral("%1 percentage points").arg(100 * std::abs(c.meanDifference), 0, 'f', 1);
    return QStringLiteral("%1 with %2, by %3 on average (Wilcoxon p %4)")
        .arg(what, firstBetter ? first : second, amount, pValue(c.wilcoxonP));
}

} // namespace

QStringList sourcesOf(const QVector<ResultsFile> &files)
{
    QStringList names;
    for (const ResultsFile &f : files)
        for (const ResultAnswer &a : f.runAnswers())
            names.append(a.source);
    return orderedSources(names);
}

QVector<SourceStats> statsBySource(const QVector<ResultsFile> &files, const QStringList &sources,
                                   const TruthFile *truth)
{
    QVector<ResultAnswer> run;
    for (const ResultsFile &f : files)
        run += f.runAnswers();
    QVector<SourceStats> stats;
    for (const QString &source : sources)
        stats.append(statsOf(source, run, truth));
    return stats;
}

QVector<ParticipantStats> statsByParticipant(const QVector<ResultsFile> &files,
                                             const QStringList &sources, const TruthFile *truth)
{
    QStringList order;
    QMap<QString, QVector<ResultsFile>> byParticipant;
    for (const ResultsFile &f : files) {
        const QString participant = participantOf(f.name);
        if (!byParticipant.contains(participant))
            order.append(participant);
        byParticipant[participant].append(f);
    }
    QVector<ParticipantStats> stats;
    for (const QString &participant : order) {
        ParticipantStats p;
        p.participant = participant;
        for (const ResultsFile &f : byParticipant.value(participant))
            p.files.append(f.name);
        p.bySource = statsBySource(byParticipant.value(participant), sources, truth);
        stats.append(p);
    }
    return stats;
}

double signTestP(int positive, int negative)
{
    const int n = positive + negative;
    if (n == 0)
        return 1;
    // P(X <= k) for X ~ Binomial(n, 1/2), doubled.
    const boost::math::binomial binomial(n, 0.5);
    return std::min(1.0, 2 * boost::math::cdf(binomial, std::min(positive, negative)));
}

double wilcoxonSignedRankP(const QVector<double> &differences, int maxExact)
{
    QVector<double> nonZero;
    for (double d : differences) {
        if (!nearlyEqual(d, 0))
            nonZero.append(d);
    }
    const int n = int(nonZero.size());
    if (n == 0)
        return 1;
    QVector<int> byMagnitude(n);
    for (int i = 0; i < n; ++i)
        byMagnitude[i] = i;
    std::sort(byMagnitude.begin(), byMagnitude.end(),
              [&](int a, int b) { return std::abs(nonZero.at(a)) < std::abs(nonZero.at(b)); });
    // Twice the ranks, so that shared (mean) ranks stay whole numbers.
    QVector<int> twiceRank(n);
    for (int i = 0; i < n;) {
        int j = i;
        while (j + 1 < n
               && nearlyEqual(std::abs(nonZero.at(byMagnitude.at(j + 1))),
                              std::abs(nonZero.at(byMagnitude.at(i)))))
            ++j;
        for (int m = i; m <= j; ++m)
            twiceRank[byMagnitude.at(m)] = i + j + 2; // (i + 1) + (j + 1)
        i = j + 1;
    }
    int observed = 0, total = 0;
    for (int i = 0; i < n; ++i) {
        total += twiceRank.at(i);
        if (nonZero.at(i) > 0)
            observed += twiceRank.at(i);
    }
    if (n > maxExact) {
        // The exact distribution would take n^3 steps; the normal one is close by then. The
        // variance is reduced for ties, and half a rank corrects for continuity.
        double tieTerm = 0;
        for (int i = 0; i < n;) {
            int j = i;
            while (j + 1 < n
                   && twiceRank.at(byMagnitude.at(j + 1)) == twiceRank.at(byMagnitude.at(i)))
                ++j;
            const double t = j - i + 1;
            tieTerm += t * t * t - t;
            i = j + 1;
        }
        const double mean = n * (n + 1.0) / 4;
        const double variance = n * (n + 1.0) * (2 * n + 1.0) / 24 - tieTerm / 48;
        const double distance = std::max(0.0, std::abs(observed / 2.0 - mean) - 0.5);
        if (variance <= 0)
            return 1.0;
        const boost::math::normal normal(0, std::sqrt(variance));
        return std::min(1.0, 2 * boost::math::cdf(boost::math::complement(normal, distance)));
    }
    // Under no shift every sign is equally likely: the distribution of the positive rank sum.
    QVector<double> probability(total + 1, 0.0);
    probability[0] = 1;
    for (int r : twiceRank) {
        for (int s = total; s >= 0; --s)
            probability[s] = 0.5 * (probability.at(s) + (s >= r ? probability.at(s - r) : 0.0));
    }
    double lower = 0, upper = 0;
    for (int s = 0; s <= total; ++s) {
        lower += s <= observed ? probability.at(s) : 0;
        upper += s >= observed ? probability.at(s) : 0;
    }
    return std::min(1.0, 2 * std::min(lower, upper));
}

double wilcoxonPositiveRankSum(const QVector<double> &differences)
{
    QVector<double> magnitudes;
    for (double d : differences)
        if (!nearlyEqual(d, 0))
            magnitudes.append(std::abs(d));
    std::sort(magnitudes.begin(), magnitudes.end());
    double sum = 0;
    for (double d : differences) {
        if (nearlyEqual(d, 0) || d < 0)
            continue;
        int below = 0, equal = 0;
        for (double m : magnitudes) {
            if (nearlyEqual(m, d))
                ++equal;
            else if (m < d)
                ++below;
        }
        sum += below + (equal + 1) / 2.0;
    }
    return sum;
}

PairedComparison comparePaired(const QVector<double> &differences)
{
    PairedComparison c;
    c.pairs = int(differences.size());
    double sum = 0;
    for (double d : differences) {
        sum += d;
        if (nearlyEqual(d, 0))
            ++c.zero;
        else if (d > 0)
            ++c.positive;
        else
            ++c.negative;
    }
    c.meanDifference = c.pairs > 0 ? sum / c.pairs : 0;
    c.signTestP = signTestP(c.positive, c.negative);
    c.wilcoxonP = wilcoxonSignedRankP(differences);
    return c;
}

namespace {

// A participant's value with one source on a measure, when there is one.
std::optional<double> measureOf(const SourceStats &s, bool time)
{
    if (time)
        return s.times.timed > 0 ? std::optional<double>(s.times.medianSeconds) : std::nullopt;
    return s.accuracy.judged > 0 ? std::optional<double>(s.accuracy.share()) : std::nullopt;
}

} // namespace

QVector<SourceComparison> compareSources(const QVector<ParticipantStats> &participants,
                                         const QStringList &sources, bool withTruth)
{
    QVector<SourceComparison> rows;
    const int k = int(sources.size());
    if (k < 2)
        return rows;
    for (const bool time : {true, false}) {
        if (!time && !withTruth)
            continue;
        const QString measure = time ? QStringLiteral("time") : QStringLiteral("accuracy");
        if (k == 2) {
            QVector<double> differences;
            for (const ParticipantStats &p : participants) {
                const std::optional<double> a = measureOf(p.bySource.at(0), time);
                const std::optional<double> b = measureOf(p.bySource.at(1), time);
                if (a && b)
                    differences.append(*a - *b);
            }
            const PairedComparison c = comparePaired(differences);
            // Zero differences would only make it larger: the design's bound is by participants.
            const double smallest = smallestExactPairedP(c.pairs);
            rows.append({measure, QStringLiteral("sign"), sources, c.pairs, double(c.positive),
                         c.signTestP, std::nullopt, std::nullopt, smallest});
            rows.append({measure, QStringLiteral("wilcoxon"), sources, c.pairs,
                         wilcoxonPositiveRankSum(differences), c.wilcoxonP, std::nullopt,
                         rankBiserial(differences), smallest});
            continue;
        }
        QVector<QVector<double>> table; // participants with all k, one column per source
        for (const ParticipantStats &p : participants) {
            QVector<double> row;
            for (const SourceStats &s : p.bySource) {
                if (const std::optional<double> v = measureOf(s, time))
                    row.append(*v);
            }
            if (row.size() == k)
                table.append(row);
        }
        const FriedmanResult f = friedmanTest(table);
        const boost::math::chi_squared chi(k - 1);
        rows.append(
            {measure, QStringLiteral("friedman"), sources, f.rows, f.statistic, f.p, std::nullopt,
             f.rows > 0 ? std::optional<double>(kendallW(f.statistic, f.rows, k)) : std::nullopt,
             f.rows > 0 ? boost::math::cdf(boost::math::complement(chi, double(f.rows) * (k - 1)))
                        : 1.0});
        QVector<SourceComparison> pairs;
        QVector<double> pairP;
        for (int i = 0; i < k; ++i) {
            for (int j = i + 1; j < k; ++j) {
                QVector<double> differences;
                for (const QVector<double> &row : table)
                    differences.append(row.at(i) - row.at(j));
                SourceComparison c {measure,
                                    QStringLiteral("wilcoxon"),
                                    QStringList {sources.at(i), sources.at(j)},
                                    int(table.size()),
                                    wilcoxonPositiveRankSum(differences),
                                    wilcoxonSignedRankP(differences),
                                    std::nullopt,
                                    rankBiserial(differences),
                                    smallestExactPairedP(int(table.size()))};
                pairP.append(c.p);
                pairs.append(c);
            }
        }
        const QVector<double> holm = holmAdjusted(pairP);
        for (int i = 0; i < pairs.size(); ++i) {
            SourceComparison c = pairs.at(i);
            c.pHolm = holm.at(i);
            rows.append(c);
        }
    }
    return rows;
}

double kendallW(double friedmanStatistic, int rows, int sources)
{
    return rows > 0 && sources > 1 ? friedmanStatistic / (double(rows) * (sources - 1)) : 0.0;
}

std::optional<double> rankBiserial(const QVector<double> &differences)
{
    int nonZero = 0;
    for (const double d : differences)
        nonZero += nearlyEqual(d, 0) ? 0 : 1;
    if (nonZero == 0)
        return std::nullopt;
    // Mean ranks for ties keep the sum of all ranks at n (n + 1) / 2.
    const double total = nonZero * (nonZero + 1.0) / 2;
    const double positive = wilcoxonPositiveRankSum(differences);
    return (positive - (total - positive)) / total;
}

double smallestExactPairedP(int pairs)
{
    return pairs <= 0 ? 1.0 : std::min(1.0, 2 * std::pow(0.5, pairs));
}

QStringList designWarnings(const QVector<SourceComparison> &comparisons, const TruthFile *truth,
                           const QStringList &sources)
{
    QStringList warnings;
    for (const SourceComparison &c : comparisons) {
        if (c.participants == 0 || c.test == QLatin1String("sign"))
            continue;
        // The pairs are Holm-adjusted: the smallest p of a family of m is m times one's.
        const int family = c.pHolm ? int(sources.size() * (sources.size() - 1) / 2) : 1;
        const double smallest = std::min(1.0, c.smallestP * family);
        if (smallest < 0.05)
            continue;
        const QString text = c.test == QLatin1String("friedman")
            ? QStringLiteral("%1: with %2 participants Friedman's test cannot reach p < 0.05 "
                             "(its smallest p is %3)")
                  .arg(c.measure)
                  .arg(c.participants)
                  .arg(smallest, 0, 'g', 3)
            : QStringLiteral("%1: with %2 participants the smallest two-sided exact Wilcoxon p "
                             "is %3%4: no pair can reach p < 0.05")
                  .arg(c.measure)
                  .arg(c.participants)
                  .arg(c.smallestP, 0, 'g', 3)
                  .arg(family > 1 ? QStringLiteral(" (%1 after Holm over %2 pairs)")
                                        .arg(smallest, 0, 'g', 3)
                                        .arg(family)
                                  : QString());
        if (!warnings.contains(text))
            warnings.append(text);
    }
    if (truth) {
        for (const QString &source : sources) {
            int rows = 0, none = 0;
            for (const TruthRow &r : truth->rows) {
                if (!r.source.isEmpty() && r.source != source)
                    continue;
                ++rows;
                none += r.secondaryWall < 0 ? 1 : 0;
            }
            if (rows > 0 && 2 * none > rows)
                warnings.append(QStringLiteral("truth: %1 of %2 primary walls of %3 have no "
                                               "counterpart (-1); most of its answers cannot "
                                               "be right")
                                    .arg(none)
                                    .arg(rows)
                                    .arg(source));
        }
    }
    return warnings;
}

QString bySourceText(const QVector<ResultsFile> &files, const TruthFile *truth)
{
    const QStringList sources = sourcesOf(files);
    if (sources.size() < 2)
        return {};
    const bool withTruth = truth != nullptr;
    QStringList out;
    out.append(QStringLiteral("by source (answers of the run)"));
    for (const SourceStats &s : statsBySource(files, sources, truth))
        out.append(QStringLiteral("  %1: %2").arg(s.source, sourceLine(s, withTruth)));

    const QVector<ParticipantStats> participants = statsByParticipant(files, sources, truth);
    out.append(QStringLiteral("per participant: answers, median time%1")
                   .arg(withTruth ? QStringLiteral(", correct") : QString()));
    QVector<double> timeDifferences, accuracyDifferences;
    for (const ParticipantStats &p : participants) {
        QStringList cells;
        for (const SourceStats &s : p.bySource)
            cells.append(participantCell(s, withTruth));
        QString line =
            QStringLiteral("  %1: %2").arg(p.participant, cells.join(QLatin1String(" | ")));
        if (p.files.size() > 1)
            line += QStringLiteral(" (%1 files)").arg(p.files.size());
        out.append(line);
        const SourceStats &first = p.bySource.at(0);
        const SourceStats &second = p.bySource.at(1);
        if (first.times.timed > 0 && second.times.timed > 0)
            timeDifferences.append(first.times.medianSeconds - second.times.medianSeconds);
        if (withTruth && first.accuracy.judged > 0 && second.accuracy.judged > 0)
            accuracyDifferences.append(first.accuracy.share() - second.accuracy.share());
    }

    if (sources.size() > 2) {
        out.append(QStringLiteral("%1 sources over the participants with values for all of them "
                                  "(two-sided p-values; pairs Holm-adjusted per measure)")
                       .arg(sources.size()));
        for (const SourceComparison &c : compareSources(participants, sources, withTruth)) {
            const QString what = c.measure == QLatin1String("time") ? QStringLiteral("time")
                                                                    : QStringLiteral("correct");
            if (c.test == QLatin1String("friedman")) {
                out.append(c.participants > 0
                               ? QStringLiteral("  %1: Friedman chi-square %2, %3 df, %4 "
                                                "participants, %5, Kendall's W %6")
                                     .arg(what)
                                     .arg(c.statistic, 0, 'f', 3)
                                     .arg(sources.size() - 1)
                                     .arg(c.participants)
                                     .arg(pValueText(c.p))
                                     .arg(c.effectSize.value_or(0), 0, 'f', 2)
                               : QStringLiteral("  %1: no participant has values with all %2 "
                                                "sources")
                                     .arg(what)
                                     .arg(sources.size()));
                continue;
            }
            if (c.participants == 0)
                continue;
            out.append(
                QStringLiteral("    %1 - %2: Wilcoxon W+ %3, %4, Holm %5%6")
                    .arg(c.sources.at(0), c.sources.at(1))
                    .arg(c.statistic)
                    .arg(pValueText(c.p), pValueText(c.pHolm.value_or(1)),
                         c.effectSize
                             ? QStringLiteral(", rank-biserial r %1").arg(*c.effectSize, 0, 'f', 2)
                             : QString()));
        }
        for (const QString &w :
             designWarnings(compareSources(participants, sources, withTruth), truth, sources))
            out.append(QStringLiteral("  warning: ") + w);
        return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }

    const QString a = sources.at(0), b = sources.at(1);
    out.append(QStringLiteral("paired over participants, %1 against %2 (difference %1 - %2; "
                              "two-sided p-values, exact up to 300 participants)")
                   .arg(a, b));
    const PairedComparison time = comparePaired(timeDifferences);
    if (time.pairs > 0)
        out.append(QStringLiteral("  time: %1 participants with both; median lower with %2 for "
                                  "%3, with %4 for %5, equal for %6; mean difference %7 s; sign "
                                  "test p %8, Wilcoxon signed-rank p %9")
                       .arg(time.pairs)
                       .arg(a)
                       .arg(time.negative)
                       .arg(b)
                       .arg(time.positive)
                       .arg(time.zero)
                       .arg(QString::number(time.meanDifference, 'f', 3), pValue(time.signTestP),
                            pValue(time.wilcoxonP)));
    else
        out.append(QStringLiteral("  time: no participant has timed answers with both"));
    if (withTruth) {
        const PairedComparison acc = comparePaired(accuracyDifferences);
        if (acc.pairs > 0)
            out.append(
                QStringLiteral("  correct: %1 participants with both; more correct with %2 "
                               "for %3, with %4 for %5, equal for %6; mean difference %7 "
                               "percentage points; sign test p %8, Wilcoxon signed-rank p %9")
                    .arg(acc.pairs)
                    .arg(a)
                    .arg(acc.positive)
                    .arg(b)
                    .arg(acc.negative)
                    .arg(acc.zero)
                    .arg(QString::number(100 * acc.meanDifference, 'f', 1), pValue(acc.signTestP),
                         pValue(acc.wilcoxonP)));
        else
            out.append(QStringLiteral("  correct: no participant has judged answers with both"));
    }
    for (const SourceComparison &c : compareSources(participants, sources, withTruth)) {
        if (c.test == QLatin1String("wilcoxon") && c.effectSize)
            out.append(QStringLiteral("  %1: rank-biserial r %2 (%3 - %4)")
                           .arg(c.measure == QLatin1String("time") ? QStringLiteral("time")
                                                                   : QStringLiteral("correct"))
                           .arg(*c.effectSize, 0, 'f', 2)
                           .arg(a, b));
    }
    for (const QString &w :
         designWarnings(compareSources(participants, sources, withTruth), truth, sources))
        out.append(QStringLiteral("  warning: ") + w);
    QString answer = verdict(time, a, b, true);
    if (withTruth)
        answer += QStringLiteral("; ") + verdict(comparePaired(accuracyDifferences), a, b, false);
    out.append(QStringLiteral("  answer: ") + answer);
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString bySourceCsv(const QVector<ResultsFile> &files, const TruthFile *truth)
{
    QString csv = QStringLiteral(
        "participant,source,answers,timed,median seconds,p90 seconds,judged,correct,uncertain\n");
    const QStringList sources = sourcesOf(files);
    for (const ParticipantStats &p : statsByParticipant(files, sources, truth)) {
        for (const SourceStats &s : p.bySource) {
            const bool timed = s.times.timed > 0;
            csv += QStringList {csvField(p.participant),
                                csvField(s.source),
                                QString::number(s.answers),
                                QString::number(s.times.timed),
                                timed ? QString::number(s.times.medianSeconds, 'f', 3) : QString(),
                                timed ? QString::number(s.times.p90Seconds, 'f', 3) : QString(),
                                truth ? QString::number(s.accuracy.judged) : QString(),
                                truth ? QString::number(s.accuracy.correct) : QString(),
                                truth ? QString::number(s.accuracy.uncertain) : QString()}
                       .join(QLatin1Char(','))
                + QLatin1Char('\n');
        }
    }
    return csv;
}

} // namespace wallmatch
