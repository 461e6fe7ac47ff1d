#include "bysource.h"
#include "sourcechart.h"
#include "svgchart.h"

#include <QSet>
#include <QTest>

using namespace wallmatch;

namespace {

// A correct answer to sample s matches wall s with wall s (see the truth below); a wrong one
// matches wall 0 with wall 0, whose partner is wall 9.
QByteArray line(int sample, bool correct, const char *source, double seconds)
{
    const int wall = correct ? sample : 0;
    const int ms = qRound(seconds * 1000);
    return QString::asprintf("ind %d: Wall %d <==> Wall %d (%s) Time: %d:%02d.%03d Mouse: 1 2 "
                             "<==> 3 4\n",
                             sample, wall, wall, source, ms / 60000, ms / 1000 % 60, ms % 1000)
        .toUtf8();
}

// Four participants who met both sources, one who met Kestrel only. Worked out by hand:
//            Kestrel              Bramble            difference K - B
//            times    median ok   times  median ok   time   correct
//   A        3, 5     4.0    1/2  6, 8   7.0    2/2  -3.0   -0.5
//   B        2, 3     2.5    1/2  4, 4   4.0    2/2  -1.5   -0.5
//   C        1, 2     1.5    1/2  2, 3   2.5    2/2  -1.0   -0.5
//   results  6, 8     7.0    2/2  5.5,5.5 5.5   2/2  +1.5    0
//   D        2        2.0    1/1  -
// A's last line repeats a sample and source after the run's end and counts nowhere.
QVector<ResultsFile> studyFiles()
{
    QVector<ResultsFile> files;
    files.append(parseResultsFile(QStringLiteral("study/results_A.txt"),
                                  line(1, true, "Kestrel", 3) + line(2, false, "Kestrel", 5)
                                      + line(3, true, "Bramble", 6) + line(4, true, "Bramble", 8)
                                      + line(1, false, "Kestrel", 60)));
    files.append(parseResultsFile(QStringLiteral("results_B.txt"),
                                  line(1, true, "Bramble", 4) + line(2, true, "Bramble", 4)
                                      + line(3, true, "Kestrel", 2)
                                      + line(4, false, "Kestrel", 3)));
    files.append(parseResultsFile(QStringLiteral("results_C.txt"),
                                  line(1, true, "Kestrel", 1) + line(2, false, "Kestrel", 2)
                                      + line(3, true, "Bramble", 2) + line(4, true, "Bramble", 3)));
    files.append(parseResultsFile(QStringLiteral("results.txt"),
                                  line(3, true, "Kestrel", 6) + line(4, true, "Kestrel", 8)
                                      + line(1, true, "Bramble", 5.5)
                                      + line(2, true, "Bramble", 5.5)));
    files.append(parseResultsFile(QStringLiteral("results_D.txt"), line(1, true, "Kestrel", 2)));
    return files;
}

TruthFile studyTruth()
{
    return parseTruthFile(QStringLiteral("truth.csv"),
                          "sample,primary,secondary\n1,1,1\n2,2,2\n"
                          "3,3,3\n4,4,4\n"
                          "1,0,9\n2,0,9\n3,0,9\n4,0,9\n");
}

} // namespace

class TestBySource : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void participants_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("participant");
        QTest::newRow("named") << "results_P07.txt"
                               << "P07";
        QTest::newRow("in a folder") << "day2/results_anna-1_b.txt"
                                     << "anna-1_b";
        QTest::newRow("unnamed") << "day2/results.txt"
                                 << "day2/results.txt";
        QTest::newRow("not an ID") << "results_a b.txt"
                                   << "results_a b.txt";
        QTest::newRow("other name") << "subject3.txt"
                                    << "subject3.txt";
    }
    void participants()
    {
        QFETCH(QString, file);
        QFETCH(QString, participant);
        QCOMPARE(participantOf(file), participant);
    }

    void perSource()
    {
        const QVector<ResultsFile> files = studyFiles();
        const TruthFile truth = studyTruth();
        QCOMPARE(sourcesOf(files), (QStringList {"Kestrel", "Bramble"}));
        const QVector<SourceStats> stats = statsBySource(files, sourcesOf(files), &truth);
        // Kestrel: 1 2 2 2 3 3 5 6 8; Bramble: 2 3 4 4 5.5 5.5 6 8 (Kestrel's 60 s is past the
        // end).
        QCOMPARE(stats.at(0).answers, 9);
        QCOMPARE(stats.at(0).times.medianSeconds, 3.0);
        QCOMPARE(stats.at(0).times.p90Seconds, 6.4);
        QCOMPARE(stats.at(0).accuracy.correct, 6);
        QCOMPARE(stats.at(0).accuracy.judged, 9);
        QCOMPARE(stats.at(1).answers, 8);
        QCOMPARE(stats.at(1).times.medianSeconds, 4.75);
        QCOMPARE(stats.at(1).times.p90Seconds, 6.6);
        QCOMPARE(stats.at(1).accuracy.correct, 8);
    }

    void pairedComparison()
    {
        const QString text = bySourceText(studyFiles(), nullptr);
        // Time: differences -3, -1.5, -1, +1.5; ranks 4, 2.5, 1, 2.5; positive rank sum 2.5, and
        // 4 of the 16 sign patterns reach 2.5 or less: p = 0.5. Sign test: 1 of 4, p = 10/16.
        QVERIFY2(text.contains(QStringLiteral(
                     "time: 4 participants with both; median lower with Kestrel for 3, with "
                     "Bramble for 1, equal for 0; mean difference -1.000 s; sign test p = 0.63, "
                     "Wilcoxon signed-rank p = 0.50")),
                 qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("correct")));
        QVERIFY2(text.contains(QStringLiteral(
                     "answer: faster with Kestrel, by 1.000 s on average (Wilcoxon p = 0.50)\n")),
                 qPrintable(text));

        const TruthFile truth = studyTruth();
        const QString judged = bySourceText(studyFiles(), &truth);
        // Correct: -0.5 three times and one tie; both tests p = 2 / 8.
        QVERIFY2(judged.contains(QStringLiteral(
                     "correct: 4 participants with both; more correct with Kestrel for 0, with "
                     "Bramble for 3, equal for 1; mean difference -37.5 percentage points; sign "
                     "test p = "
                     "0.25, Wilcoxon signed-rank p = 0.25")),
                 qPrintable(judged));
        QVERIFY2(judged.contains(QStringLiteral(
                     "; more accurate with Bramble, by 37.5 percentage points on average "
                     "(Wilcoxon p = 0.25)")),
                 qPrintable(judged));
        QVERIFY2(judged.contains(QStringLiteral(
                     "  results.txt: Kestrel 2, median 7.000 s, 100.0% correct | Bramble 2, "
                     "median 5.500 s, 100.0% correct")),
                 qPrintable(judged));
        QVERIFY2(judged.contains(QStringLiteral("  D: Kestrel 1, median 2.000 s, 100.0% correct "
                                                "| Bramble 0, no time")),
                 qPrintable(judged));
    }

    void tests_data()
    {
        QTest::addColumn<QVector<double>>("differences");
        QTest::addColumn<double>("sign");
        QTest::addColumn<double>("wilcoxon");
        QTest::newRow("none") << QVector<double> {} << 1.0 << 1.0;
        QTest::newRow("all zero") << QVector<double> {0, 0} << 1.0 << 1.0;
        // 5 of 5 one way: 2 / 32 for both.
        QTest::newRow("five negative") << QVector<double> {-1, -2, -3, -4, -5} << 0.0625 << 0.0625;
        // Positive rank sum 1 of 15: sums 0 and 1 of 32 patterns; sign test (1 + 5) / 32 twice.
        QTest::newRow("one small positive")
            << QVector<double> {-4, -3, -2, -1, 0.5} << 0.375 << 0.125;
        // Differences of shares that are equal but not in floating point share one rank: rank
        // sum 3 x 2.5 of 10, reached or passed by 5 of 16 patterns. (Ranked apart: p = 0.5.)
        QTest::newRow("tied shares")
            << QVector<double> {0.8 - 0.6, 0.6 - 0.4, 0.4 - 0.2, -0.2} << 0.625 << 0.625;
        // 20 of 20 one way: 2 / 2^20.
        QTest::newRow("twenty") << QVector<double>(20, 1.5) << 2.0 / 1048576 << 2.0 / 1048576;
    }
    void tests()
    {
        QFETCH(QVector<double>, differences);
        QFETCH(double, sign);
        QFETCH(double, wilcoxon);
        const PairedComparison c = comparePaired(differences);
        QVERIFY(qAbs(c.signTestP - sign) < 1e-12);
        QVERIFY2(qAbs(c.wilcoxonP - wilcoxon) < 1e-12, qPrintable(QString::number(c.wilcoxonP)));
    }

    // The normal approximation, used for many participants, agrees with the exact test.
    void approximationAgrees()
    {
        QVector<double> d;
        for (int i = 1; i <= 300; ++i)
            d.append(i % 9 % 2 == 0 && i % 9 < 7 ? -i : i); // 4 of 9 negative
        d[5] = d[6] = 6.5; // a tie
        const double exact = wilcoxonSignedRankP(d);
        const double approximate = wilcoxonSignedRankP(d, 0);
        QVERIFY2(exact > 0.01 && exact < 0.5 && qAbs(exact - approximate) < 0.002,
                 qPrintable(QStringLiteral("%1 against %2").arg(exact).arg(approximate)));
    }

    // The last column counts the judged answers on rows that are all uncertain; an answer after
    // the run's end counts nowhere (A's repeat of sample 1 stands on an uncertain row).
    void csvRows_data()
    {
        QTest::addColumn<QByteArray>("truthFile");
        QTest::addColumn<QStringList>("expected"); // rows 1, 2, 5 and 10
        QTest::newRow("all certain")
            << QByteArray("sample,primary,secondary\n1,1,1\n2,2,2\n3,3,3\n4,4,4\n1,0,9\n2,0,9\n"
                          "3,0,9\n4,0,9\n")
            << QStringList {"A,Kestrel,2,2,4.000,4.800,2,1,0", "A,Bramble,2,2,7.000,7.800,2,2,0",
                            "C,Kestrel,2,2,1.500,1.900,2,1,0", "D,Bramble,0,0,,,0,0,0"};
        QTest::newRow("some uncertain")
            << QByteArray("sample,source,primary,secondary,certain\n"
                          "1,Kestrel,1,1,1\n2,Kestrel,2,2,1\n3,Kestrel,3,3,1\n4,Kestrel,4,4,1\n"
                          "1,Kestrel,0,9,0\n2,Kestrel,0,9,0\n3,Kestrel,0,9,1\n4,Kestrel,0,9,1\n"
                          "1,Bramble,1,1,1\n2,Bramble,2,2,1\n3,Bramble,3,3,0\n4,Bramble,4,4,1\n"
                          "3,Bramble,3,4,1\n4,Bramble,4,5,0\n")
            << QStringList {"A,Kestrel,2,2,4.000,4.800,2,1,1", "A,Bramble,2,2,7.000,7.800,2,2,0",
                            "C,Kestrel,2,2,1.500,1.900,2,1,1", "D,Bramble,0,0,,,0,0,0"};
    }
    void csvRows()
    {
        QFETCH(QByteArray, truthFile);
        QFETCH(QStringList, expected);
        const TruthFile truth = parseTruthFile(QStringLiteral("truth.csv"), truthFile);
        QVERIFY2(truth.problems.isEmpty(), qPrintable(truth.problems.join(QLatin1Char('\n'))));
        const QStringList rows = bySourceCsv(studyFiles(), &truth).split(QLatin1Char('\n'));
        QCOMPARE(rows.size(), 1 + 5 * 2 + 1);
        QCOMPARE(rows.at(0),
                 QStringLiteral("participant,source,answers,timed,median seconds,"
                                "p90 seconds,judged,correct,uncertain"));
        QCOMPARE(QStringList({rows.at(1), rows.at(2), rows.at(5), rows.at(10)}), expected);
    }

    // Sources take the palette in the order they come: up to eight, no two alike in colour, and
    // none of the first 64 alike in both colour and marker.
    void sourcesHaveTheirOwnColours()
    {
        const QStringList names {"Kestrel",    "HNet",   "Rev", "LGTNet",
                                 "HorizonNet", "DOPNet", "E",   "F"};
        QSet<QRgb> colours;
        for (const QString &name : names)
            colours.insert(sourceColour(names, name).rgb());
        QCOMPARE(int(colours.size()), 8);
        QCOMPARE(sourceColour(names, "HNet"), seriesColour(1));
        QVERIFY(sourceColour(names, "HNet") != sourceColour(names, "Rev"));
        QSet<QPair<QRgb, int>> styles;
        for (int i = 0; i < 64; ++i)
            styles.insert(qMakePair(seriesColour(i).rgb(), int(markerShape(i))));
        QCOMPARE(int(styles.size()), 64);
    }

    // One box per source, each in its own colour.
    void chartShowsEachSource()
    {
        const QImage chart = renderSourceChart(studyFiles(), QSize(600, 500));
        QCOMPARE(chart.size(), QSize(600, 500));
        for (const QString &source : {QStringLiteral("Kestrel"), QStringLiteral("Bramble")}) {
            const QColor colour = sourceColour(sourcesOf(studyFiles()), source);
            int near = 0;
            for (int y = 0; y < chart.height(); ++y) {
                for (int x = 0; x < chart.width(); ++x) {
                    const QColor c = chart.pixelColor(x, y);
                    near += qAbs(c.red() - colour.red()) < 20
                            && qAbs(c.green() - colour.green()) < 20
                            && qAbs(c.blue() - colour.blue()) < 20
                        ? 1
                        : 0;
                }
            }
            QVERIFY2(near > 500, qPrintable(QStringLiteral("%1: %2 pixels").arg(source).arg(near)));
        }
    }
};

QTEST_MAIN(TestBySource)
#include "tst_bysource.moc"
