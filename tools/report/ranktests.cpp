#include "ranktests.h"

#include <boost/math/distributions/chi_squared.hpp>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace wallmatch {

FriedmanResult friedmanTest(const QVector<QVector<double>> &rows)
{
    FriedmanResult result;
    result.rows = int(rows.size());
    if (rows.isEmpty() || rows.first().size() < 2)
        return result;
    const int k = int(rows.first().size());
    const int n = int(rows.size());
    result.rankSums = QVector<double>(k, 0.0);
    double sumOfSquares = 0; // of all ranks, which ties lower
    for (const QVector<double> &row : rows) {
        QVector<int> order(k);
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return row.at(a) < row.at(b); });
        for (int i = 0; i < k;) {
            int j = i;
            while (j + 1 < k && row.at(order.at(j + 1)) == row.at(order.at(i)))
                ++j;
            const double rank = (i + j + 2) / 2.0;
            for (int m = i; m <= j; ++m) {
                result.rankSums[order.at(m)] += rank;
                sumOfSquares += rank * rank;
            }
            i = j + 1;
        }
    }
    const double meanRankSum = n * (k + 1) / 2.0;
    double spread = 0;
    for (double r : result.rankSums)
        spread += (r - meanRankSum) * (r - meanRankSum);
    const double denominator = sumOfSquares - n * k * (k + 1.0) * (k + 1.0) / 4;
    if (denominator <= 1e-12) // every row tied throughout: nothing to tell the sources apart
        return result;
    result.statistic = (k - 1) * spread / denominator;
    const boost::math::chi_squared chi(k - 1);
    result.p = boost::math::cdf(boost::math::complement(chi, result.statistic));
    return result;
}

QVector<double> holmAdjusted(const QVector<double> &p)
{
    const int m = int(p.size());
    QVector<int> order(m);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return p.at(a) < p.at(b); });
    QVector<double> adjusted(m);
    double running = 0;
    for (int i = 0; i < m; ++i) {
        running = std::max(running, std::min(1.0, (m - i) * p.at(order.at(i))));
        adjusted[order.at(i)] = running;
    }
    return adjusted;
}

QString pValueText(double p)
{
    if (p < 1e-6)
        return QStringLiteral("p < 1e-6");
    if (p >= 1)
        return QStringLiteral("p = 1.0");
    const int decimals = std::max(0, 1 - int(std::floor(std::log10(p))));
    return QStringLiteral("p = ") + QString::number(p, 'f', decimals);
}

} // namespace wallmatch
