#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "clirun.h"

// The program as a user runs it: help, exit status, complaints naming file and line, outputs.
class TestReportCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    // Runs without a display and without a platform chosen, as on a bare server.
    CliRun run(const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return CliRun::run(QStringLiteral(WALLMATCH_REPORT_EXE), args, dir.path(), env);
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QVERIFY(writeTestFile(dir.filePath(name), bytes));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        write(QStringLiteral("good.txt"),
              "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301\n"
              "ind 2: Wall 1 <==> Wall 3 (Kestrel) Time: 0:02.000 Mouse: 5 6 <==> 7 8\n");
        write(QStringLiteral("bad.txt"),
              "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301\n"
              "ind 2: Wall 1 <==> Wall 3 (Kestrel) Time: 0:02.000 Mouse: 5 6\n");
        write(QStringLiteral("truth.csv"),
              "sample,primary wall,secondary wall\n1,2,0\n2,0,3\n2,1,2\n");
        // No row for sample 2's primary wall 1; sample 1's wall 2 given two partners.
        write(QStringLiteral("lacking.csv"), "sample,primary wall,secondary wall\n1,2,0\n2,0,3\n");
        write(QStringLiteral("contradicting.csv"),
              "sample,primary wall,secondary wall\n1,2,0\n2,1,3\n1,2,0\n1,2,-1\n");
    }

    void help()
    {
        const CliRun r = run({"--help"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("--truth")));
        QVERIFY(r.out.contains(QStringLiteral("--plot")));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no file") << QStringList {};
        QTest::newRow("unknown option") << QStringList {"good.txt", "--chart", "x.png"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const CliRun r = run(args);
        QCOMPARE(r.status, 2);
        QVERIFY(!r.err.isEmpty());
    }

    void goodFileWithAllOutputs()
    {
        const CliRun r =
            run({"good.txt", "--truth", "truth.csv", "--csv", "out.csv", "--plot", "out.png"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("correct: 1 of 2 (50.0%)")), qPrintable(r.out));
        QFile csv(dir.filePath(QStringLiteral("out.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 3);
        const QImage chart(dir.filePath(QStringLiteral("out.png")));
        QVERIFY(!chart.isNull());
        QVERIFY(chart.width() >= 640 && chart.height() >= 400);
    }

    // Two sources: the comparison is printed, written per participant, and charted beside the
    // time per sample. One source (above) leaves the report as it was.
    void sourcesCompared()
    {
        write(QStringLiteral("results_P01.txt"),
              "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n"
              "ind 2: Wall 0 <==> Wall 3 (Bramble) Time: 0:05.000 Mouse: 1 2 <==> 3 4\n");
        write(QStringLiteral("results_P02.txt"),
              "ind 2: Wall 0 <==> Wall 3 (Kestrel) Time: 0:02.000 Mouse: 1 2 <==> 3 4\n"
              "ind 1: Wall 2 <==> Wall 1 (Bramble) Time: 0:04.000 Mouse: 1 2 <==> 3 4\n");
        const CliRun r = run({"results_P01.txt", "results_P02.txt", "--truth", "truth.csv",
                              "--source-csv", "sources.csv", "--plot", "sources.png"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("  P02: Kestrel 1, median 2.000 s, 100.0% correct "
                                               "| Bramble 1, median 4.000 s, 0.0% correct")),
                 qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("answer: faster with Kestrel, by 2.000 s")),
                 qPrintable(r.out));
        QFile csv(dir.filePath(QStringLiteral("sources.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().contains("\nP01,Bramble,1,1,5.000,5.000,1,1\n"));
        const QImage chart(dir.filePath(QStringLiteral("sources.png")));
        QVERIFY(chart.width() > chart.height() * 2);

        const CliRun single = run({"good.txt"});
        QVERIFY(!single.out.contains(QStringLiteral("by source")));
    }

    void malformedLineNamed()
    {
        const CliRun r = run({"bad.txt"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("bad.txt:2: ")), qPrintable(r.err));
        QVERIFY(r.out.contains(QStringLiteral("answers: 1 ")));
    }

    void missingFile()
    {
        const CliRun r = run({"nothere.txt", "good.txt"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("nothere.txt: cannot read: the file is missing")),
                 qPrintable(r.err));
        // Not counted as a line of it: the file has no lines.
        QVERIFY2(r.out.contains(QStringLiteral("nothere.txt\n  not read:")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("0 lines not understood; 1 files not read")),
                 qPrintable(r.out));
    }

    // A truth file must judge every answer for the samples it covers, and never say both "no
    // counterpart" and "this wall".
    void truthChecked_data()
    {
        QTest::addColumn<QString>("truth");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("correct");
        // The unjudgeable answer is not counted as wrong; the first of two partners stands.
        QTest::newRow("wall row missing")
            << "lacking.csv"
            << "good.txt:2: sample 2, Kestrel, primary wall 1: lacking.csv has no row"
            << "correct: 1 of 1 (100.0%)";
        QTest::newRow("contradicting rows")
            << "contradicting.csv"
            << "contradicting.csv:5: sample 1, primary wall 2: -1 (no counterpart) here, but "
               "secondary wall 0 on line 2"
            << "correct: 2 of 2 (100.0%)";
    }
    void truthChecked()
    {
        QFETCH(QString, truth);
        QFETCH(QString, error);
        QFETCH(QString, correct);
        const CliRun r = run({"good.txt", "--truth", truth});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(error), qPrintable(r.err));
        QVERIFY2(r.out.contains(correct), qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(TestReportCli)
#include "tst_reportcli.moc"
