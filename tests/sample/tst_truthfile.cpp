#include "truthfile.h"

#include <QtTest>

using namespace wallmatch;

Q_DECLARE_METATYPE(Verdict)

namespace {

QString verdictName(Verdict v)
{
    return v == Verdict::Correct ? "right" : v == Verdict::Wrong ? "wrong" : "unjudged";
}

} // namespace

class TestTruthFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("perSource");
        QTest::addColumn<QString>("problem"); // a part of the problems; empty: none

        const QByteArray h4 = "sample,source,primary wall,secondary wall\n";
        // clang-format off
        QTest::newRow("four columns") << h4 + "1,Kestrel,0,2\n1,LGTNet,3,-1\n1,LGTNet,4,0\n1,LGTNet,4,1\n" << 4 << true << "";
        QTest::newRow("three columns") << QByteArray("sample,primary wall,secondary wall\n1,0,2\n2,1,1\n") << 2 << false << "";
        QTest::newRow("no header keeps the first row") << QByteArray("1,0,2\n2,1,1\n") << 2 << false << "";
        QTest::newRow("no header, four columns") << QByteArray("1,A,0,2\n") << 1 << true << "";
        QTest::newRow("CRLF and spaces") << QByteArray("s,p,q\r\n1, 0, 2\r\n") << 1 << false << "";
        QTest::newRow("quoted fields") << QByteArray("\"sample\",\"primary, wall\",q\n\"1\", \"0\" ,2\n") << 1 << false << "";
        QTest::newRow("bad number") << QByteArray("s,p,q\n1,0,2\n2,one,1\n") << 1 << false << "truth.csv:3: primary wall \"one\" is not";
        QTest::newRow("four fields in a three-column file") << QByteArray("s,p,q\n1,0,2,3\n") << 0 << false << "truth.csv:2: 4 fields, expected 3 (sample,primary wall,secondary wall)";
        QTest::newRow("three fields in a four-column file") << h4 + "1,0,2\n" << 0 << true << "truth.csv:2: 3 fields, expected 4";
        QTest::newRow("primary wall -1") << QByteArray("s,p,q\n1,-1,2\n") << 0 << false << "truth.csv:2: primary wall \"-1\"";
        QTest::newRow("secondary wall -2") << h4 + "1,A,0,-2\n" << 0 << true << "truth.csv:2: secondary wall \"-2\"";
        QTest::newRow("sample 0") << h4 + "0,A,0,1\n" << 0 << true << "truth.csv:2: sample \"0\"";
        QTest::newRow("bad source") << h4 + "1,A B,0,1\n" << 0 << true << "truth.csv:2: source \"A B\" is not a name";
        QTest::newRow("empty line") << QByteArray("s,p,q\n1,0,2\n\n2,0,0\n") << 2 << false << "truth.csv:3: empty line";
        QTest::newRow("header only") << QByteArray("s,p,q\n") << 0 << false << "truth.csv: no rows below the header";
        QTest::newRow("unknown header") << QByteArray("a,b\n1,2\n") << 0 << true << "truth.csv:1: the header must be";
        QTest::newRow("same row twice") << QByteArray("s,p,q\n1,0,2\n1,0,2\n") << 1 << false << "";
        QTest::newRow("several walls are fine") << QByteArray("s,p,q\n1,0,2\n1,0,3\n") << 2 << false << "";
        QTest::newRow("-1 beside a wall")
            << h4 + "1,A,0,2\n1,A,1,0\n1,A,0,-1\n" << 2 << true
            << "truth.csv:4: sample 1, A, primary wall 0: -1 (no counterpart) here, but secondary wall 2 on line 2";
        QTest::newRow("a wall beside -1")
            << QByteArray("s,p,q\n1,0,-1\n1,0,3\n") << 1 << false
            << "truth.csv:3: sample 1, primary wall 0: secondary wall 3 here, but -1 (no counterpart) on line 2";
        QTest::newRow("same walls, other sources") << h4 + "1,A,0,-1\n1,B,0,3\n" << 2 << true << "";
        QTest::newRow("five columns") << QByteArray("sample,source,primary wall,secondary wall,certain\n1,A,0,2,1\n1,A,1,0,0\n") << 2 << true << "";
        QTest::newRow("certain neither 1 nor 0") << QByteArray("s,so,p,q,c\n1,A,0,2,yes\n") << 0 << true << "truth.csv:2: certain \"yes\" is not 1 or 0";
        QTest::newRow("four fields in a five-column file") << QByteArray("s,so,p,q,c\n1,A,0,2\n") << 0 << true << "truth.csv:2: 4 fields, expected 5";
        QTest::newRow("unclosed quote") << QByteArray("s,p,q\n1,0,2\n\"2,0,1\n") << 1 << false << "truth.csv:3: unbalanced quotes";
        // clang-format on
    }

    void parse()
    {
        QFETCH(QByteArray, csv);
        QFETCH(int, rows);
        QFETCH(bool, perSource);
        QFETCH(QString, problem);
        const TruthFile t = parseTruthFile("truth.csv", csv);
        QCOMPARE(t.rows.size(), rows);
        if (rows > 0)
            QCOMPARE(t.perSource, perSource);
        const QString problems = t.problems.join('\n');
        if (problem.isEmpty())
            QVERIFY2(t.problems.isEmpty(), qPrintable(problems));
        else
            QVERIFY2(problems.contains(problem), qPrintable(problems));
    }

    void judge_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("sample");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("primary");
        QTest::addColumn<int>("secondary");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<bool>("covered");

        const QByteArray four = "sample,source,primary wall,secondary wall\n"
                                "1,Kestrel,0,2\n1,LGTNet,3,-1\n1,LGTNet,4,0\n1,LGTNet,4,1\n";
        const QByteArray three = "sample,primary wall,secondary wall\n1,0,2\n1,1,-1\n";
        // clang-format off
        QTest::newRow("own row, right") << four << 1 << "Kestrel" << 0 << 2 << "right" << true;
        QTest::newRow("own row, wrong") << four << 1 << "Kestrel" << 0 << 1 << "wrong" << true;
        QTest::newRow("another source's row does not judge") << four << 1 << "Kestrel" << 4 << 0 << "unjudged" << true;
        QTest::newRow("source without rows") << four << 1 << "Bramble" << 0 << 2 << "unjudged" << false;
        QTest::newRow("-1: every answer wrong") << four << 1 << "LGTNet" << 3 << 0 << "wrong" << true;
        QTest::newRow("-1 answered as -1 is not right either") << four << 1 << "LGTNet" << 3 << -1 << "wrong" << true;
        QTest::newRow("several rows: first") << four << 1 << "LGTNet" << 4 << 0 << "right" << true;
        QTest::newRow("several rows: second") << four << 1 << "LGTNet" << 4 << 1 << "right" << true;
        QTest::newRow("several rows: neither") << four << 1 << "LGTNet" << 4 << 2 << "wrong" << true;
        QTest::newRow("other sample") << four << 2 << "Kestrel" << 0 << 2 << "unjudged" << false;
        QTest::newRow("three columns: any source") << three << 1 << "Bramble" << 0 << 2 << "right" << true;
        QTest::newRow("three columns: -1") << three << 1 << "Whatever" << 1 << 0 << "wrong" << true;
        QTest::newRow("three columns: no row") << three << 1 << "Kestrel" << 5 << 0 << "unjudged" << true;
        // clang-format on
    }

    void judge()
    {
        QFETCH(QByteArray, csv);
        QFETCH(int, sample);
        QFETCH(QString, source);
        QFETCH(int, primary);
        QFETCH(int, secondary);
        QFETCH(QString, verdict);
        QFETCH(bool, covered);
        const TruthFile t = parseTruthFile("t.csv", csv);
        QVERIFY2(t.problems.isEmpty(), qPrintable(t.problems.join('\n')));
        QCOMPARE(verdictName(t.judge(sample, source, primary, secondary)), verdict);
        QCOMPARE(t.covers(sample, source), covered);
    }

    void certainty_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("primary");
        QTest::addColumn<bool>("certain");
        QTest::addColumn<QString>("certainOnly"); // the verdict of 0 -> 2 with certainOnly

        const QByteArray five = "sample,source,primary wall,secondary wall,certain\n"
                                "1,A,0,2,0\n1,A,0,3,0\n1,A,1,2,0\n1,A,1,4,1\n1,A,2,-1,1\n";
        // clang-format off
        QTest::newRow("all rows uncertain") << five << 0 << false << "unjudged";
        QTest::newRow("one row certain") << five << 1 << true << "right";
        QTest::newRow("-1, certain") << five << 2 << true << "wrong";
        QTest::newRow("four columns: certain") << QByteArray("s,so,p,q\n1,A,0,2\n") << 0 << true << "right";
        QTest::newRow("three columns: certain") << QByteArray("s,p,q\n1,0,2\n") << 0 << true << "right";
        // clang-format on
    }

    void certainty()
    {
        QFETCH(QByteArray, csv);
        QFETCH(int, primary);
        QFETCH(bool, certain);
        QFETCH(QString, certainOnly);
        TruthFile t = parseTruthFile("t.csv", csv);
        QVERIFY2(t.problems.isEmpty(), qPrintable(t.problems.join('\n')));
        QCOMPARE(t.certain(1, "A", primary), certain);
        QVERIFY(t.hasRow(1, "A", primary));
        t.certainOnly = true;
        QCOMPARE(verdictName(t.judge(1, "A", primary, 2)), certainOnly);
    }

    void writtenFileReadsBack()
    {
        const QVector<TruthRow> rows {
            {3, "Kestrel", 0, 2}, {3, "LGTNet", 1, -1}, {12, "B-2", 4, 0}};
        const QByteArray csv = truthFileCsv(rows);
        QCOMPARE(csv,
                 QByteArray("sample,source,primary wall,secondary wall\n3,Kestrel,0,2\n"
                            "3,LGTNet,1,-1\n12,B-2,4,0\n"));
        // With an uncertain row, every row says whether it is certain, and reads back so.
        QVector<TruthRow> withUncertain = rows;
        withUncertain[2].certain = false;
        const QByteArray five = truthFileCsv(withUncertain);
        QVERIFY2(
            five.startsWith("sample,source,primary wall,secondary wall,certain\n3,Kestrel,0,2,1\n"),
            five.constData());
        const TruthFile back = parseTruthFile("w5.csv", five);
        QVERIFY(back.problems.isEmpty());
        QCOMPARE(back.rows.size(), 3);
        QVERIFY(back.rows[0].certain);
        QVERIFY(!back.rows[2].certain);
        const TruthFile t = parseTruthFile("w.csv", csv);
        QVERIFY(t.problems.isEmpty());
        QVERIFY(t.perSource);
        QCOMPARE(t.rows.size(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(t.rows[i].sample, rows[i].sample);
            QCOMPARE(t.rows[i].source, rows[i].source);
            QCOMPARE(t.rows[i].primaryWall, rows[i].primaryWall);
            QCOMPARE(t.rows[i].secondaryWall, rows[i].secondaryWall);
            QCOMPARE(t.rows[i].line, i + 2);
        }
    }

    void unreadableFile()
    {
        const TruthFile t = readTruthFile("/nonexistent/truth.csv");
        QVERIFY(t.isEmpty());
        QCOMPARE(t.problems.size(), 1);
        QVERIFY2(t.problems.first().startsWith("/nonexistent/truth.csv: cannot be read"),
                 qPrintable(t.problems.first()));
    }
};

QTEST_GUILESS_MAIN(TestTruthFile)
#include "tst_truthfile.moc"
