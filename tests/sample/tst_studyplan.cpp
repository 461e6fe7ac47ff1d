#include "studyplan.h"

#include <QtTest>

using namespace wallmatch;

class TestStudyPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cases"); // "sample source" per case, ';' between
        QTest::addColumn<QStringList>("problems");

        const QString f = "plan.csv";
        // clang-format off
        QTest::newRow("order kept") << "sample,source\n3,Bramble\n1,Kestrel\n2,Bramble\n"
            << "3 Bramble@2;1 Kestrel@3;2 Bramble@4" << QStringList();
        QTest::newRow("crlf, spaces, quotes, no last LF, blank line")
            << "sample, source\r\n 7 ,\"Kestrel\"\r\n\r\n12,Bramble" << "7 Kestrel@2;12 Bramble@4" << QStringList();
        QTest::newRow("empty file") << "" << "" << QStringList {"plan.csv:1: empty plan: the header \"sample,source\" is missing"};
        QTest::newRow("header only") << "sample,source\n" << "" << QStringList {"plan.csv:1: the plan has no cases"};
        QTest::newRow("wrong header") << "id,source\n1,Kestrel\n" << ""
            << QStringList {"plan.csv:1: the header must be \"sample,source\" or \"sample,source,phase\", not \"id,source\""};
        QTest::newRow("phase column") << "sample,source,phase\n1,Kestrel,practice\n2,Bramble,\n3,Kestrel,test\n"
            << "1 Kestrel@2 practice;2 Bramble@3;3 Kestrel@4" << QStringList();
        QTest::newRow("practice after a test case, unknown phase")
            << "sample,source,phase\n1,Kestrel,practice\n2,Kestrel,test\n3,Kestrel,practice\n4,Kestrel,warmup\n5,Kestrel\n"
            << "1 Kestrel@2 practice;2 Kestrel@3"
            << QStringList {f + ":4: a practice case after the test case of line 3: practice cases come first",
                            f + ":5: phase \"warmup\" is neither practice nor test",
                            f + ":6: 2 fields, expected 3 (sample,source,phase)"};
        QTest::newRow("each bad row with its line")
            << "sample,source\n1,Kestrel\n0,Kestrel\nx,Bramble\n4,kest rel\n5\n6,Bramble,extra\n-3,Bramble\n7,Bramble\n"
            << "1 Kestrel@2;7 Bramble@9"
            << QStringList {f + ":3: sample \"0\" is not a positive whole number",
                            f + ":4: sample \"x\" is not a positive whole number",
                            f + ":5: source \"kest rel\" is not a name of 1 to 32 letters, digits, - or _",
                            f + ":6: 1 fields, expected 2 (sample,source)",
                            f + ":7: 3 fields, expected 2 (sample,source)",
                            f + ":8: sample \"-3\" is not a positive whole number"};
        QTest::newRow("line of a row after a quoted line break")
            << "sample,source\n1,\"Kes\ntrel\"\n2,Bramble.\n" << ""
            << QStringList {f + ":2: source \"Kes\\x0atrel\" is not a name of 1 to 32 letters, digits, - or _",
                            f + ":4: source \"Bramble.\" is not a name of 1 to 32 letters, digits, - or _"};
        QTest::newRow("any source name, a sample more than once")
            << "sample,source\n1,LGTNet\n1,Kestrel\n2,kestrel\n1,Bramble\n" << "1 LGTNet@2;1 Kestrel@3;2 kestrel@4;1 Bramble@5" << QStringList();
        QTest::newRow("unclosed quote") << "sample,source\n1,\"Kestrel\n" << ""
            << QStringList {f + ":2: unbalanced quotes: a quoted field is not closed"};
        // clang-format on
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, cases);
        QFETCH(QStringList, problems);
        const StudyPlan plan = parseStudyPlan(text, "plan.csv");
        QStringList got;
        for (const PlanCase &c : plan.cases)
            got << QString("%1 %2@%3").arg(c.sample).arg(c.source).arg(c.line)
                    + (c.practice ? " practice" : "");
        QCOMPARE(got.join(';'), cases);
        QCOMPARE(plan.problems, problems);
    }

    void writtenPlanReadsBack()
    {
        const QVector<PlanCase> cases {{0, 5, "Bramble"}, {0, 1, "Kestrel"}, {0, 100, "Bramble"}};
        const QString text = studyPlanCsv(cases);
        QCOMPARE(text, QString("sample,source\n5,Bramble\n1,Kestrel\n100,Bramble\n"));
        const StudyPlan plan = parseStudyPlan(text, "p.csv");
        QVERIFY(plan.problems.isEmpty());
        QCOMPARE(plan.cases.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(plan.cases[i].sample, cases[i].sample);
            QCOMPARE(plan.cases[i].source, cases[i].source);
            QCOMPARE(plan.cases[i].line, i + 2);
        }
    }
};

QTEST_GUILESS_MAIN(TestStudyPlan)
#include "tst_studyplan.moc"
