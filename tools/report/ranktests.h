#ifndef RANKTESTS_H
#define RANKTESTS_H

#include <QString>
#include <QVector>

namespace wallmatch {

// Friedman's test of k related samples: one row per participant, one value per source. Values
// are ranked within each row (ties share their mean rank); the statistic is corrected for ties
// and compared with chi-square of k - 1 degrees of freedom.
struct FriedmanResult
{
    int rows = 0;
    double statistic = 0;
    double p = 1;
    QVector<double> rankSums; // per column
};
FriedmanResult friedmanTest(const QVector<QVector<double>> &rows);

// Holm's step-down adjustment of p-values, for a family of tests: in the given order.
QVector<double> holmAdjusted(const QVector<double> &p);

// "p = 0.00012" (two significant digits), "p < 1e-6" below that.
QString pValueText(double p);

} // namespace wallmatch

#endif // RANKTESTS_H
