#include "bysource.h"
#include "ranktests.h"

#include <QTest>

#include <cmath>

using namespace wallmatch;

class TestRankTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void friedman_data()
    {
        QTest::addColumn<QVector<QVector<double>>>("rows");
        QTest::addColumn<double>("statistic");
        QTest::addColumn<double>("p");

        // Worked by hand. Ranks per row: (1,2,3) (2,1,3) (1,3,2) (1,2.5,2.5); rank sums 5, 8.5,
        // 10.5 against 8 each: squares 9 + 0.25 + 6.25 = 15.5. Sum of squared ranks 55.5, less
        // n k (k+1)^2 / 4 = 48, leaves 7.5; statistic (k-1) 15.5 / 7.5 = 4.1333. With 2 degrees of
        // freedom chi-square's upper tail is exp(-x/2).
        QTest::newRow("three sources, a tie")
            << QVector<QVector<double>> {{1, 2, 3}, {2, 1, 3}, {1, 3, 2}, {1, 2, 2}} << 31.0 / 7.5
            << std::exp(-31.0 / 15);
        // No ties: rank sums 4, 8, 12 of 8; 12 n k (k+1) form: 12 / (4 3 4) (16 + 0 + 16) = 8,
        // exp(-4).
        QTest::newRow("same order everywhere")
            << QVector<QVector<double>> {{1, 2, 3}, {4, 5, 6}, {0.1, 0.2, 0.3}, {7, 8, 9}} << 8.0
            << std::exp(-4.0);
        // Four sources, two rows in opposite orders: rank sums all 5, statistic 0.
        QTest::newRow("opposite orders cancel")
            << QVector<QVector<double>> {{1, 2, 3, 4}, {4, 3, 2, 1}} << 0.0 << 1.0;
        QTest::newRow("all tied") << QVector<QVector<double>> {{2, 2, 2}, {5, 5, 5}} << 0.0 << 1.0;
    }

    void friedman()
    {
        QFETCH(QVector<QVector<double>>, rows);
        QFETCH(double, statistic);
        QFETCH(double, p);
        const FriedmanResult r = friedmanTest(rows);
        QCOMPARE(r.rows, rows.size());
        QVERIFY2(std::abs(r.statistic - statistic) < 1e-9,
                 qPrintable(QString::number(r.statistic)));
        QVERIFY2(std::abs(r.p - p) < 1e-9, qPrintable(QString::number(r.p, 'g', 12)));
    }

    void fourDegreesOfFreedom()
    {
        // Five sources, three rows in one order: rank sums 3, 6, 9, 12, 15 of 9; statistic
        // 12 / (3 5 6) (36 + 9 + 0 + 9 + 36) = 12. With 4 degrees of freedom the upper tail is
        // exp(-x/2) (1 + x/2) = 7 exp(-6).
        const FriedmanResult r =
            friedmanTest({{1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, {10, 20, 30, 40, 50}});
        QVERIFY(std::abs(r.statistic - 12) < 1e-9);
        QVERIFY(std::abs(r.p - 7 * std::exp(-6.0)) < 1e-12);
    }

    void holm_data()
    {
        QTest::addColumn<QVector<double>>("p");
        QTest::addColumn<QVector<double>>("adjusted");
        // Sorted 0.01, 0.03, 0.04 times 3, 2, 1: 0.03, 0.06, 0.04, then never below the last.
        QTest::newRow("three") << QVector<double> {0.01, 0.04, 0.03}
                               << QVector<double> {0.03, 0.06, 0.06};
        QTest::newRow("capped at 1") << QVector<double> {0.5, 0.6} << QVector<double> {1.0, 1.0};
        QTest::newRow("one") << QVector<double> {0.2} << QVector<double> {0.2};
        QTest::newRow("six pairs") << QVector<double> {0.001, 0.2, 0.01, 0.04, 0.3, 0.02}
                                   << QVector<double> {0.006, 0.4, 0.05, 0.12, 0.4, 0.08};
    }

    void holm()
    {
        QFETCH(QVector<double>, p);
        QFETCH(QVector<double>, adjusted);
        const QVector<double> got = holmAdjusted(p);
        QCOMPARE(got.size(), adjusted.size());
        for (int i = 0; i < got.size(); ++i)
            QVERIFY2(std::abs(got[i] - adjusted[i]) < 1e-12,
                     qPrintable(QString("%1: %2").arg(i).arg(got[i])));
    }

    void pText_data()
    {
        QTest::addColumn<double>("p");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.00012") << 0.00012 << "p = 0.00012";
        QTest::newRow("0.031") << 0.031 << "p = 0.031";
        QTest::newRow("0.5") << 0.5 << "p = 0.50";
        QTest::newRow("one") << 1.0 << "p = 1.0";
        QTest::newRow("1e-6 itself") << 1e-6 << "p = 0.0000010";
        QTest::newRow("4.8e-7") << 4.8e-7 << "p < 1e-6";
        QTest::newRow("zero") << 0.0 << "p < 1e-6";
    }

    void pText()
    {
        QFETCH(double, p);
        QFETCH(QString, text);
        QCOMPARE(pValueText(p), text);
    }

    void threeSourceComparisons()
    {
        // Three participants, three sources; medians per participant and source in the table.
        // Kestrel is fastest for all three, LGTNet slowest: Friedman as "same order everywhere"
        // with n = 3: rank sums 3, 6, 9 of 6, 12 / (3 3 4) 18 = 6, p = exp(-3). Each pair: three
        // differences one way, p = 2 / 8 = 0.25; Holm: 0.75 for all three.
        auto stats = [](const QString &source, double median) {
            SourceStats s;
            s.source = source;
            s.answers = 1;
            s.times.timed = 1;
            s.times.medianSeconds = median;
            return s;
        };
        QVector<ParticipantStats> participants;
        const double medians[3][3] = {{1, 2, 3}, {2, 4, 9}, {1.5, 1.6, 1.7}};
        for (int p = 0; p < 3; ++p)
            participants.append({QString("P%1").arg(p),
                                 {},
                                 {stats("Kestrel", medians[p][0]), stats("Bramble", medians[p][1]),
                                  stats("LGTNet", medians[p][2])}});
        // A participant without LGTNet is left out.
        participants.append({"P9", {}, {stats("Kestrel", 1), stats("Bramble", 9), SourceStats()}});
        const QVector<SourceComparison> rows =
            compareSources(participants, {"Kestrel", "Bramble", "LGTNet"}, false);
        QCOMPARE(rows.size(), 4); // Friedman and three pairs, time only
        QCOMPARE(rows[0].test, QString("friedman"));
        QCOMPARE(rows[0].participants, 3);
        QVERIFY(std::abs(rows[0].statistic - 6) < 1e-9);
        QVERIFY(std::abs(rows[0].p - std::exp(-3.0)) < 1e-9);
        QVERIFY(!rows[0].pHolm);
        for (int i = 1; i < 4; ++i) {
            QCOMPARE(rows[i].test, QString("wilcoxon"));
            QVERIFY(std::abs(rows[i].p - 0.25) < 1e-12);
            QVERIFY(rows[i].pHolm && std::abs(*rows[i].pHolm - 0.75) < 1e-12);
            QCOMPARE(rows[i].statistic, 0.0); // every difference negative
        }
        QCOMPARE(rows[3].sources, QStringList({"Bramble", "LGTNet"}));
        // Full agreement on the order: W = 6 / (3 * 2) = 1; every pair one way: r = -1.
        QVERIFY(rows[0].effectSize && std::abs(*rows[0].effectSize - 1) < 1e-12);
        for (int i = 1; i < 4; ++i)
            QVERIFY(rows[i].effectSize && std::abs(*rows[i].effectSize + 1) < 1e-12);
        // Three participants: the smallest exact Wilcoxon p is 2 / 8, 0.75 after Holm: said once
        // for the measure; Friedman's smallest (chi-square 6, 2 df: exp(-3)) is below 0.05.
        QVERIFY(std::abs(rows[1].smallestP - 0.25) < 1e-12);
        const QStringList warnings =
            designWarnings(rows, nullptr, {"Kestrel", "Bramble", "LGTNet"});
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().contains("smallest two-sided exact Wilcoxon p is 0.25 (0.75 "
                                           "after Holm over 3 pairs)"),
                 qPrintable(warnings.first()));
    }

    // Effect sizes worked by hand.
    void kendallW_data()
    {
        QTest::addColumn<QVector<QVector<double>>>("rows");
        QTest::addColumn<double>("w");
        // "three sources, a tie" above: chi-square 4.1333 over n (k - 1) = 4 * 2: 0.5167.
        QTest::newRow("a tie") << QVector<QVector<double>> {{1, 2, 3},
                                                            {2, 1, 3},
                                                            {1, 3, 2},
                                                            {1, 2, 2}}
                               << 31.0 / 7.5 / 8;
        // Two rows in opposite orders: rank sums equal, no agreement.
        QTest::newRow("opposite") << QVector<QVector<double>> {{1, 2, 3, 4}, {4, 3, 2, 1}} << 0.0;
        // Rows (1,2,3) (1,3,2) (1,2,3): rank sums 3, 7, 8 of 6; S = 9 + 1 + 4 = 14;
        // W = 12 S / (n^2 (k^3 - k)) = 168 / (9 * 24) = 0.7778.
        QTest::newRow("mostly agreed")
            << QVector<QVector<double>> {{1, 2, 3}, {1, 3, 2}, {1, 2, 3}} << 168.0 / 216;
    }
    void kendallW()
    {
        QFETCH(QVector<QVector<double>>, rows);
        QFETCH(double, w);
        const FriedmanResult f = friedmanTest(rows);
        const double got = wallmatch::kendallW(f.statistic, f.rows, int(rows.first().size()));
        QVERIFY2(std::abs(got - w) < 1e-9, qPrintable(QString::number(got)));
    }

    void rankBiserial_data()
    {
        QTest::addColumn<QVector<double>>("differences");
        QTest::addColumn<double>("r");
        // Ranks of |d|: 1 (0.5), 2 (-1), 3 (2), 4 (3): T+ = 1 + 3 + 4 = 8, T- = 2; r = 6 / 10.
        QTest::newRow("mixed") << QVector<double> {0.5, -1, 2, 3} << 0.6;
        // A zero is dropped; the tie |1| = |-1| shares ranks 1.5: T+ = 1.5 + 3, T- = 1.5; r = 0.5.
        QTest::newRow("zero and tie") << QVector<double> {0, 1, -1, 4} << 0.5;
        QTest::newRow("all negative") << QVector<double> {-1, -2, -3} << -1.0;
    }
    void rankBiserial()
    {
        QFETCH(QVector<double>, differences);
        QFETCH(double, r);
        const std::optional<double> got = wallmatch::rankBiserial(differences);
        QVERIFY(got);
        QVERIFY2(std::abs(*got - r) < 1e-12, qPrintable(QString::number(*got)));
        QVERIFY(!wallmatch::rankBiserial({0, 0}));
    }

    // A source whose truth is mostly -1 is named; one with few is not.
    void truthMostlyWithoutCounterpart()
    {
        const TruthFile truth =
            parseTruthFile("truth.csv",
                           "sample,source,primary wall,secondary wall\n1,Kestrel,0,1\n"
                           "1,Kestrel,1,-1\n1,Rev,0,-1\n1,Rev,1,-1\n1,Rev,2,0\n");
        const QStringList warnings = designWarnings({}, &truth, {"Kestrel", "Rev"});
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().contains("2 of 3 primary walls of Rev"),
                 qPrintable(warnings.first()));
    }
};

QTEST_GUILESS_MAIN(TestRankTests)
#include "tst_ranktests.moc"
