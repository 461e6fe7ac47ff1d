#include "bysource.h"
#include "judgedanswers.h"
#include "reporttext.h"
#include "resultsfile.h"
#include "sessionfiles.h"
#include "statistics.h"
#include "truthfile.h"

#include <QTest>

using namespace wallmatch;

namespace {

QByteArray resultLine(int sample, int w1, int w2, const char *time, const char *source = "Kestrel")
{
    return QString::asprintf("ind %d: Wall %d <==> Wall %d (%s) Time: %s Mouse: 10 20 <==> 30 40\n",
                             sample, w1, w2, source, time)
        .toUtf8();
}

QString complaintList(const QVector<Problem> &complaints)
{
    QStringList texts;
    for (const Problem &c : complaints)
        texts << c.text();
    return texts.join(QLatin1String(" | "));
}

} // namespace

class TestResults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void caseTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ms"); // -1: not a time
        QTest::newRow("zero") << "0:00.000" << qint64(0);
        QTest::newRow("seconds") << "0:12.345" << qint64(12345);
        QTest::newRow("minutes") << "9:59.999" << qint64(599999);
        QTest::newRow("ten minutes") << "10:00.001" << qint64(600001);
        QTest::newRow("unwrapped hour") << "61:05.000" << qint64(3665000);
        QTest::newRow("a day") << "1440:00.000" << qint64(86400000);
        QTest::newRow("empty") << "" << qint64(-1);
        QTest::newRow("one-digit seconds") << "0:1.000" << qint64(-1);
        QTest::newRow("sixty seconds") << "0:60.000" << qint64(-1);
        QTest::newRow("no milliseconds") << "1:05" << qint64(-1);
        QTest::newRow("four-digit milliseconds") << "1:05.0000" << qint64(-1);
        QTest::newRow("hours") << "1:01:05.000" << qint64(-1);
        QTest::newRow("negative") << "-1:00.000" << qint64(-1);
    }
    void caseTime()
    {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        const std::optional<qint64> parsed = parseCaseTime(text);
        QCOMPARE(parsed.value_or(-1), ms);
    }

    void goodLine()
    {
        const ParsedLine p = parseResultLine(QStringLiteral(
            "ind 7: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301"));
        QVERIFY2(p.answer, qPrintable(p.error));
        QCOMPARE(p.answer->sampleId, 7);
        QCOMPARE(p.answer->wall1, 2);
        QCOMPARE(p.answer->wall2, 0);
        QCOMPARE(p.answer->source, QStringLiteral("Kestrel"));
        QCOMPARE(p.answer->milliseconds, std::optional<qint64>(12345));
        QCOMPARE(p.answer->click1, QPoint(415, 233));
        QCOMPARE(p.answer->click2, QPoint(980, 301));
    }

    void goodLineVariants_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("source");
        QTest::addColumn<qint64>("ms"); // -1: no time
        QTest::newRow("empty time")
            << "ind 1: Wall 3 <==> Wall 1 (Kestrel) Time:  Mouse: 1 2 <==> 3 4"
            << "Kestrel" << qint64(-1);
        QTest::newRow("past an hour")
            << "ind 1: Wall 3 <==> Wall 1 (Bramble) Time: 61:05.000 Mouse: 1 2 <==> 3 4"
            << "Bramble" << qint64(3665000);
        QTest::newRow("carriage return")
            << "ind 1: Wall 3 <==> Wall 1 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\r"
            << "Kestrel" << qint64(1000);
        QTest::newRow("source with brackets and spaces")
            << "ind 1: Wall 3 <==> Wall 1 (Bramble (v2)) Time: 0:01.000 Mouse: 1 2 <==> 3 4"
            << "Bramble (v2)" << qint64(1000);
        QTest::newRow("negative mouse")
            << "ind 1: Wall 3 <==> Wall 1 (Kestrel) Time: 0:01.000 Mouse: -1 2 <==> 3 -4"
            << "Kestrel" << qint64(1000);
    }
    void goodLineVariants()
    {
        QFETCH(QString, line);
        QFETCH(QString, source);
        QFETCH(qint64, ms);
        const ParsedLine p = parseResultLine(line);
        QVERIFY2(p.answer, qPrintable(p.error));
        QCOMPARE(p.answer->source, source);
        QCOMPARE(p.answer->milliseconds.value_or(-1), ms);
        QCOMPARE(p.answer->wall1, 3);
        QCOMPARE(p.answer->wall2, 1);
    }

    void malformedLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("empty") << ""
                               << "empty line";
        QTest::newRow("log line") << "Sample 3: Wall 1 <===> Wall 2 (Kestrel) Time: 0:01.000"
                                  << "on-screen log";
        QTest::newRow("other text") << "hello"
                                    << "column 1: expected \"ind \"";
        QTest::newRow("short arrow")
            << "ind 3: Wall 1 <=> Wall 2 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4"
            << "column 14: expected \" <==> Wall \"";
        QTest::newRow("wall not a number")
            << "ind 3: Wall x <==> Wall 2 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4"
            << "column 13: expected the first wall";
        QTest::newRow("no mouse part") << "ind 3: Wall 1 <==> Wall 2 (Kestrel) Time: 0:01.000"
                                       << "\" Mouse: \"";
        QTest::newRow("cut short")
            << "ind 3: Wall 1 <==> Wall 2 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3"
            << "second mouse";
        QTest::newRow("trailing text")
            << "ind 3: Wall 1 <==> Wall 2 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4 5"
            << "unexpected text";
        QTest::newRow("bad time")
            << "ind 3: Wall 1 <==> Wall 2 (Kestrel) Time: 1.5s Mouse: 1 2 <==> 3 4"
            << "column 43: time \"1.5s\"";
        QTest::newRow("sample 0")
            << "ind 0: Wall 1 <==> Wall 2 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4"
            << "from 1";
        QTest::newRow("no wall selected")
            << "ind 3: Wall -1 <==> Wall 2 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4"
            << "a wall in each view";
    }
    void malformedLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, fragment);
        const ParsedLine p = parseResultLine(line);
        QVERIFY(!p.answer);
        QVERIFY2(p.error.contains(fragment), qPrintable(p.error));
    }

    // Every line ends up as an answer or a complaint with its number; repeated ids are past the
    // end.
    void fileLines()
    {
        const QByteArray content = resultLine(1, 0, 0, "0:01.000") + "garbage\n"
            + resultLine(2, 1, 1, "0:02.000") + "\n" + resultLine(2, 1, 1, "0:03.000")
            + resultLine(3, 1, 1, "");
        const ResultsFile f = parseResultsFile(QStringLiteral("r.txt"), content);
        QCOMPARE(f.lineCount, 6);
        QCOMPARE(f.answers.size() + f.complaints.size(), 6);
        QCOMPARE(f.complaints.size(), 2);
        QCOMPARE(f.complaints[0].text().left(8), QStringLiteral("r.txt:2:"));
        QCOMPARE(f.complaints[1].text(), QStringLiteral("r.txt:4: empty line"));
        QCOMPARE(f.answers.size(), 4);
        QCOMPARE(f.answers[2].line, 5);
        QCOMPARE(f.answers[2].sampleId, 2);
        QVERIFY(f.answers[2].pastEnd);
        QVERIFY(!f.answers[1].pastEnd);
        QVERIFY(!f.answers[3].pastEnd);
        QCOMPARE(f.runAnswers().size(), 3);
    }

    void percentiles_data()
    {
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<double>("expected");
        QTest::newRow("none") << QVector<double> {} << 0.5 << 0.0;
        QTest::newRow("one") << QVector<double> {4} << 0.9 << 4.0;
        QTest::newRow("odd median") << QVector<double> {1, 2, 10} << 0.5 << 2.0;
        QTest::newRow("even median") << QVector<double> {1, 2, 3, 10} << 0.5 << 2.5;
        QTest::newRow("90th of 1..11")
            << QVector<double> {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << 0.9 << 10.0;
        QTest::newRow("90th between") << QVector<double> {0, 10} << 0.9 << 9.0;
        QTest::newRow("max") << QVector<double> {1, 5} << 1.0 << 5.0;
    }
    void percentiles()
    {
        QFETCH(QVector<double>, values);
        QFETCH(double, fraction);
        QFETCH(double, expected);
        QCOMPARE(percentile(values, fraction), expected);
    }

    // A file worked out by hand: nine answers of 1..9 s, one of 61:05 (3665 s), one without a
    // time, one past the end (999 s, not counted in times or accuracy).
    void statisticsOfKnownFile()
    {
        QByteArray content;
        for (int i = 1; i <= 9; ++i)
            content +=
                resultLine(i, i % 2, 0,
                           qPrintable(QStringLiteral("0:%1.000").arg(i, 2, 10, QLatin1Char('0'))));
        content += resultLine(10, 1, 1, "61:05.000");
        content += resultLine(11, 0, 0, "");
        content += resultLine(11, 0, 0, "16:39.000");
        const ResultsFile f = parseResultsFile(QStringLiteral("s1.txt"), content);
        QVERIFY2(f.complaints.isEmpty(), qPrintable(complaintList(f.complaints)));

        // Truth: walls (1, 0) and (0, 1) for samples 1..9, (1, 1) and (0, 0) for 10; 11 has none.
        QByteArray csv = "sample,primary wall,secondary wall\n";
        for (int i = 1; i <= 9; ++i)
            csv += QByteArray::number(i) + ",1,0\n" + QByteArray::number(i) + ",0,1\n";
        csv += "10,1,1\n10,0,0\n";
        const TruthFile truth = parseTruthFile(QStringLiteral("truth.csv"), csv);
        QVERIFY2(truth.problems.isEmpty(), qPrintable(truth.problems.join('\n')));

        const Summary s = summarize(QStringLiteral("s1"), {f}, &truth);
        QCOMPARE(s.answers, 12);
        QCOMPARE(s.distinctSamples, 11);
        QCOMPARE(s.pastEnd, 1);
        QCOMPARE(s.times.timed, 10);
        QCOMPARE(s.times.untimed, 1);
        QCOMPARE(s.times.overAnHour, 1);
        QCOMPARE(s.times.medianSeconds, 5.5);
        QCOMPARE(s.times.meanSeconds, 371.0); // (45 + 3665) / 10
        QVERIFY(qFuzzyCompare(s.times.p90Seconds, 374.6)); // 9 + 0.1 * (3665 - 9)
        // Odd samples 1, 3, 5, 7, 9 answered (1, 0): right; even ones (0, 0): wrong; 10 right.
        QCOMPARE(s.accuracy.correct, 6);
        QCOMPARE(s.accuracy.judged, 10);
        QCOMPARE(s.accuracy.unjudged, 1);

        // Two subjects: the same file twice doubles the counts, not the samples.
        const Summary both = summarize(QStringLiteral("all"), {f, f}, &truth);
        QCOMPARE(both.answers, 24);
        QCOMPARE(both.distinctSamples, 11);
        QCOMPARE(both.accuracy.correct, 12);
        QCOMPARE(both.times.medianSeconds, 5.5);

        const QVector<SampleAccuracy> perSample = accuracyPerSample({f, f}, truth);
        QCOMPARE(perSample.size(), 11);
        QCOMPARE(perSample[0].sample, 1);
        QCOMPARE(perSample[0].correct, 2);
        QCOMPARE(perSample[0].answers, 2);
        QCOMPARE(perSample[0].judged, 2);
        QCOMPARE(perSample[1].correct, 0);
        QVERIFY(perSample[9].covered);
        QCOMPARE(perSample[9].correct, 2);
        QVERIFY(!perSample[10].covered);
        QCOMPARE(perSample[10].answers, 2); // past-the-end answers not counted
        QCOMPARE(perSample[10].judged, 0);
    }

    // Each answer is judged by its own source's rows; a sample shown again with another
    // source is a case of its own; what the truth cannot judge is in no share.
    void judgedBySource_data()
    {
        QTest::addColumn<QByteArray>("results");
        QTest::addColumn<QString>("cases"); // per answer: "line verdict", ';' between
        QTest::addColumn<QString>("shares"); // overall; then per source; then per sample
        // clang-format off
        QTest::newRow("own rows, -1, several rows")
            << resultLine(1, 0, 2, "0:01.000") + resultLine(1, 4, 1, "0:02.000", "LGTNet")
                   + resultLine(2, 1, 1, "0:03.000")
            << "1 right;2 right;3 right" << "3/3; Kestrel 2/2, LGTNet 1/1; 1: 2/2 2: 1/1";
        QTest::newRow("-1 is wrong, another source's rows do not judge")
            << resultLine(1, 3, 0, "0:01.000", "LGTNet") + resultLine(1, 3, 0, "0:02.000")
                   + resultLine(2, 1, 0, "0:03.000")
            << "1 wrong;2 unjudged;3 wrong" << "0/2; Kestrel 0/1, LGTNet 0/1; 1: 0/1 2: 0/1";
        QTest::newRow("repeated sample and source is past the end")
            << resultLine(1, 0, 2, "0:01.000") + resultLine(1, 4, 0, "0:02.000", "LGTNet")
                   + resultLine(1, 0, 1, "0:03.000")
            << "1 right;2 right;3 past" << "2/2; Kestrel 1/1, LGTNet 1/1; 1: 2/2";
        QTest::newRow("unjudged answers only")
            << resultLine(3, 0, 0, "0:01.000") + resultLine(1, 0, 0, "0:02.000", "Bramble")
            << "1 unjudged;2 unjudged" << "0/0; Kestrel 0/0, Bramble 0/0; 1: 0/0 3: 0/0";
        // clang-format on
    }

    void judgedBySource()
    {
        QFETCH(QByteArray, results);
        QFETCH(QString, cases);
        QFETCH(QString, shares);
        const TruthFile truth =
            parseTruthFile("t.csv",
                           "sample,source,primary wall,secondary wall\n"
                           "1,Kestrel,0,2\n1,LGTNet,3,-1\n1,LGTNet,4,0\n1,LGTNet,4,1\n"
                           "2,Kestrel,1,1\n");
        QVERIFY(truth.problems.isEmpty());
        const ResultsFile f = parseResultsFile("results_P1.txt", results);
        QStringList got;
        for (const JudgedAnswer &a : judgedAnswers({f}, &truth))
            got << QString("%1 %2").arg(a.line).arg(a.pastEnd                           ? "past"
                                                        : a.verdict == Verdict::Correct ? "right"
                                                        : a.verdict == Verdict::Wrong   ? "wrong"
                                                                                      : "unjudged");
        QCOMPARE(got.join(';'), cases);

        const Summary all = summarize("all", {f}, &truth);
        QStringList bySource;
        for (const SourceStats &s : statsBySource({f}, sourcesOf({f}), &truth))
            bySource
                << QString("%1 %2/%3").arg(s.source).arg(s.accuracy.correct).arg(s.accuracy.judged);
        QStringList bySample;
        for (const SampleAccuracy &s : accuracyPerSample({f}, truth))
            bySample << QString("%1: %2/%3").arg(s.sample).arg(s.correct).arg(s.judged);
        QCOMPARE(QString("%1/%2; %3; %4")
                     .arg(all.accuracy.correct)
                     .arg(all.accuracy.judged)
                     .arg(bySource.join(", "), bySample.join(' ')),
                 shares);
        // Every answer of the run is judged or counted apart as not judged.
        QCOMPARE(all.accuracy.judged + all.accuracy.unjudged, all.answers - all.pastEnd);
    }

    void csvColumns()
    {
        const QByteArray content = resultLine(1, 2, 0, "0:12.345")
            + resultLine(2, 1, 1, "", "Bramble") + resultLine(3, 0, 0, "1:00.000");
        const ResultsFile f = parseResultsFile(QStringLiteral("subject, A.txt"), content);
        const TruthFile truth = parseTruthFile(QStringLiteral("t"), "s,p,q\n1,2,0\n2,1,0\n");
        const QStringList rows = answersCsv({f}, &truth).split(QLatin1Char('\n'));
        QCOMPARE(rows.size(), 5); // header, three answers, remainder
        QCOMPARE(rows[0],
                 QStringLiteral("file,sample,wall1,wall2,source,seconds,x1,y1,x2,y2,correct"));
        QCOMPARE(rows[1], QStringLiteral("\"subject, A.txt\",1,2,0,Kestrel,12.345,10,20,30,40,1"));
        QCOMPARE(rows[2], QStringLiteral("\"subject, A.txt\",2,1,1,Bramble,,10,20,30,40,0"));
        QCOMPARE(rows[3], QStringLiteral("\"subject, A.txt\",3,0,0,Kestrel,60.000,10,20,30,40,"));
        QCOMPARE(rows[4], QString());

        // Without a truth table nothing is judged.
        const QStringList plain = answersCsv({f}, nullptr).split(QLatin1Char('\n'));
        QVERIFY(plain[1].endsWith(QStringLiteral(",40,")));
    }

    void summaryMentionsEverything()
    {
        const QByteArray content =
            resultLine(1, 2, 0, "0:10.000") + resultLine(1, 2, 0, "0:20.000") + "bad\n";
        const ResultsFile f = parseResultsFile(QStringLiteral("r.txt"), content);
        const TruthFile truth = parseTruthFile(QStringLiteral("t"), "s,p,q\n1,2,0\n");
        const QString text = summaryText({f}, &truth);
        QVERIFY2(text.contains(QStringLiteral(
                     "answers: 2 (1 distinct samples, 1 past the end); 1 lines not understood")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("median 10.000 s")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("correct: 1 of 1 (100.0%)")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("  1: 1 of 1 (100.0%)")), qPrintable(text));
    }

    // A participant's fallback file repeats the answers before it: each answer counts once, as
    // that participant's. Sessions that differ all count, and are named.
    void answersCountedOnce_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("answers"); // answers per file; the first n of the run
        QTest::addColumn<QList<int>>("differing"); // files whose answers are another session's
        QTest::addColumn<QStringList>("counted");
        QTest::addColumn<QStringList>("participants");
        QTest::addColumn<int>("notes");
        const QString p = QStringLiteral("results_P01.txt");
        const QString fallback = QStringLiteral("results_P01-20261208-101112.txt");
        QTest::newRow("fallback goes on")
            << QStringList {p, fallback} << QList<int> {2, 5} << QList<int> {}
            << QStringList {fallback} << QStringList {"P01"} << 1;
        QTest::newRow("results file longer")
            << QStringList {fallback, p} << QList<int> {2, 5} << QList<int> {} << QStringList {p}
            << QStringList {"P01"} << 1;
        QTest::newRow("empty results file")
            << QStringList {p, fallback} << QList<int> {0, 3} << QList<int> {}
            << QStringList {fallback} << QStringList {"P01"} << 1;
        QTest::newRow("same file twice") << QStringList {p, p} << QList<int> {3, 3} << QList<int> {}
                                         << QStringList {p} << QStringList {"P01"} << 1;
        QTest::newRow("restarted session")
            << QStringList {p, fallback} << QList<int> {2, 3} << QList<int> {1}
            << QStringList {p, fallback} << QStringList {"P01", "P01"} << 1;
        QTest::newRow("unnamed runs are their own")
            << QStringList {"results.txt", "results-20261208-101112.txt"} << QList<int> {2, 3}
            << QList<int> {1} << QStringList {"results.txt", "results-20261208-101112.txt"}
            << QStringList {"results.txt", "results-20261208-101112.txt"} << 0;
        QTest::newRow("unnamed fallback")
            << QStringList {"results.txt", "results-20261208-101112.txt"} << QList<int> {2, 3}
            << QList<int> {} << QStringList {"results-20261208-101112.txt"}
            << QStringList {"results-20261208-101112.txt"} << 1;
        QTest::newRow("another participant alike")
            << QStringList {p, "results_P01-2.txt", "results_P011.txt"} << QList<int> {2, 2, 2}
            << QList<int> {} << QStringList {p, "results_P01-2.txt", "results_P011.txt"}
            << QStringList {"P01", "P01-2", "P011"} << 0;
    }
    void answersCountedOnce()
    {
        QFETCH(QStringList, names);
        QFETCH(QList<int>, answers);
        QFETCH(QList<int>, differing);
        QFETCH(QStringList, counted);
        QFETCH(QStringList, participants);
        QFETCH(int, notes);
        QVector<ResultsFile> files;
        for (int i = 0; i < names.size(); ++i) {
            QByteArray text;
            for (int n = 1; n <= answers.at(i); ++n)
                text += resultLine(n, 1, 2, differing.contains(i) ? "0:02.000" : "0:01.000");
            files.append(parseResultsFile(names.at(i), text));
        }
        QStringList said;
        QStringList gotNames, gotParticipants;
        for (const ResultsFile &f : countedOnce(files, &said)) {
            gotNames << f.name;
            gotParticipants << participantOf(f.name);
        }
        QCOMPARE(gotNames, counted);
        QCOMPARE(gotParticipants, participants);
        QCOMPARE(said.size(), notes);
    }
};

QTEST_GUILESS_MAIN(TestResults)
#include "tst_results.moc"
