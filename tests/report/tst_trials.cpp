#include <QTemporaryDir>
#include <QTest>

#include "csv.h"
#include "judgedanswers.h"
#include "sessionfiles.h"
#include "testfiles.h"
#include "trials.h"

using namespace wallmatch;

// The tidy data: one row per answer, judged and correct as the truth says, valid RFC 4180.
class TestTrials : public QObject
{
    Q_OBJECT

    const QByteArray truthCsv = "sample,primary wall,secondary wall\n1,2,0\n2,0,3\n2,1,2\n";

    static QStringList header(bool events)
    {
        QStringList h = QStringLiteral("participant,file,line,phase,case,sample,source,"
                                       "primary_wall,secondary_wall,correct,judged,seconds,x1,y1,"
                                       "x2,y2")
                            .split(QLatin1Char(','));
        if (events)
            h << QStringLiteral("first_pick_seconds") << QStringLiteral("picks")
              << QStringLiteral("misses");
        return h << QStringLiteral("certain");
    }

    // The CSV read back by the project's RFC 4180 reader, rows as column -> value.
    static QVector<QHash<QString, QString>> readBack(const QString &csv, bool events)
    {
        const CsvTable table = parseCsv(csv);
        [&] { QVERIFY2(table.error.isEmpty(), qPrintable(table.error)); }();
        QVector<QHash<QString, QString>> rows;
        if (table.rows.isEmpty())
            return rows;
        [&] { QCOMPARE(table.rows.first().fields, header(events)); }();
        for (int r = 1; r < table.rows.size(); ++r) {
            QHash<QString, QString> row;
            for (int c = 0; c < table.rows.at(r).fields.size(); ++c)
                row.insert(header(events).value(c, QStringLiteral("extra")),
                           table.rows.at(r).fields.at(c));
            rows.append(row);
        }
        return rows;
    }

private Q_SLOTS:
    void rowsPerAnswer_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("results");
        QTest::addColumn<bool>("withTruth");
        QTest::addColumn<QByteArray>("truthFile");
        // Per row: phase, case, correct, judged, seconds, certain.
        QTest::addColumn<QStringList>("expected");
        const QByteArray three =
            "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301\n"
            "ind 2: Wall 1 <==> Wall 3 (Bramble) Time:  Mouse: 5 6 <==> 7 8\n"
            "ind 3: Wall 0 <==> Wall 1 (Kestrel) Time: 1:02.000 Mouse: 5 6 <==> 7 8\n";
        QTest::newRow("judged right, judged wrong, sample without truth")
            << "results_P01.txt" << three << true << truthCsv
            << QStringList {"test 1 1 1 12.345 1", "test 2 0 1  1", "test 3  0 62.000 "};
        // Certain unless every row of the primary wall is uncertain, whichever row matched.
        QTest::newRow("uncertain rows")
            << "results_P01.txt" << three << true
            << QByteArray("sample,source,primary wall,secondary wall,certain\n1,Kestrel,2,0,0\n"
                          "2,Bramble,1,2,0\n2,Bramble,1,3,0\n3,Kestrel,0,1,0\n3,Kestrel,0,2,1\n")
            << QStringList {"test 1 1 1 12.345 0", "test 2 1 1  0", "test 3 1 1 62.000 1"};
        QTest::newRow("no truth: nothing judged")
            << "results_P01.txt" << three << false << truthCsv
            << QStringList {"test 1  0 12.345 ", "test 2  0  ", "test 3  0 62.000 "};
        QTest::newRow("answer after the end: listed, not judged")
            << "results_P02.txt"
            << QByteArray(
                   "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n"
                   "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:02.000 Mouse: 1 2 <==> 3 4\n")
            << true << truthCsv << QStringList {"test 1 1 1 1.000 1", "after-end   0 2.000 "};
        QTest::newRow("file name with comma and quote")
            << "my \"run\", day 2.txt"
            << QByteArray(
                   "ind 2: Wall 0 <==> Wall 3 (Kestrel) Time: 0:03.500 Mouse: 1 2 <==> 3 4\n")
            << true << truthCsv << QStringList {"test 1 1 1 3.500 1"};
    }
    void rowsPerAnswer()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, results);
        QFETCH(bool, withTruth);
        QFETCH(QByteArray, truthFile);
        QFETCH(QStringList, expected);
        const TruthFile truth = parseTruthFile(QStringLiteral("truth.csv"), truthFile);
        QVERIFY2(truth.problems.isEmpty(), qPrintable(truth.problems.join(QLatin1Char('\n'))));
        const ResultsFile file = parseResultsFile(fileName, results);
        QVERIFY(file.complaints.isEmpty());
        const QString csv = trialsCsv(trialsOf({file}, withTruth ? &truth : nullptr));
        QVERIFY(csv.endsWith(QStringLiteral("\r\n")));
        const QVector<QHash<QString, QString>> rows = readBack(csv, false);
        QCOMPARE(int(rows.size()), int(expected.size()));
        for (int r = 0; r < rows.size(); ++r) {
            const QHash<QString, QString> &row = rows.at(r);
            QCOMPARE(int(row.size()), int(header(false).size()));
            QCOMPARE(row.value("file"), fileName);
            QCOMPARE(row.value("line"), QString::number(r + 1));
            QCOMPARE(QStringList({row.value("phase"), row.value("case"), row.value("correct"),
                                  row.value("judged"), row.value("seconds"), row.value("certain")})
                         .join(QLatin1Char(' ')),
                     expected.at(r));
            const Answer &a = file.answers.at(r);
            QCOMPARE(row.value("sample").toInt(), a.sampleId);
            QCOMPARE(row.value("primary_wall").toInt(), a.wall1);
            QCOMPARE(row.value("secondary_wall").toInt(), a.wall2);
            QCOMPARE(row.value("source"), a.source);
            QCOMPARE(QPoint(row.value("x2").toInt(), row.value("y2").toInt()), a.click2);
        }
        if (fileName.contains(QLatin1Char('"')))
            QVERIFY2(csv.contains(QStringLiteral(",\"my \"\"run\"\", day 2.txt\",")),
                     qPrintable(csv));
        else if (fileName.startsWith(QLatin1String("results_")))
            QCOMPARE(rows.first().value("participant"), fileName.mid(8, 3));
    }

    // Events beside the results: per case the picks, misses and the time to the first pick;
    // practice cases and events outside a case are not counted.
    // Logs as written now, with the onset columns, and as written before them.
    void eventColumns_data()
    {
        QTest::addColumn<bool>("onsetColumns");
        QTest::newRow("onset columns") << true;
        QTest::newRow("older columns") << false;
    }
    void eventColumns()
    {
        QFETCH(bool, onsetColumns);
        const QByteArray results =
            "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301\n"
            "ind 2: Wall 0 <==> Wall 3 (Kestrel) Time: 0:02.000 Mouse: 5 6 <==> 7 8\n";
        const QByteArray events = "session_ms,phase,case,sample,source,event,view,wall,x,y\n"
                                  "100,practice,1,9,Kestrel,present,,,,\n"
                                  "900,practice,1,9,Kestrel,pick,primary,1,4,5\n"
                                  "1000,test,1,1,Kestrel,present,,,,\n"
                                  "2500,test,1,1,Kestrel,miss,primary,-1,4,5\n"
                                  "3250,test,1,1,Kestrel,pick,primary,1,4,5\n"
                                  "5000,test,1,1,Kestrel,pick,primary,2,4,5\n"
                                  "9000,test,1,1,Kestrel,pick,secondary,0,4,5\n"
                                  "9100,test,1,1,Kestrel,answer,,,,\n"
                                  "9200,test,,,,break,,,,\n"
                                  "20000,test,2,2,Kestrel,present,,,,\n"
                                  "20000,test,2,2,Kestrel,pa"; // cut short by a crash
        QTemporaryDir dir;
        QVERIFY(testfiles::writeFile(dir.filePath("results_P07.txt"), results));
        QByteArray written = events;
        if (onsetColumns) {
            QList<QByteArray> lines = events.split('\n');
            lines[0] += ",frame_sent_ms,presented_ms,onset";
            for (int i = 1; i + 1 < lines.size(); ++i) // the last, cut short, stays so
                lines[i] +=
                    lines.at(i).contains(",present,") ? ",12.250,20.125,display-reported" : ",,,";
            written = lines.join('\n');
        }
        QVERIFY(testfiles::writeFile(dir.filePath("events_P07.csv"), written));
        QVERIFY(testfiles::writeFile(dir.filePath("results_P08.txt"), results));
        QVector<ResultsFile> files {readResultsFile(dir.filePath("results_P07.txt")),
                                    readResultsFile(dir.filePath("results_P08.txt"))};
        QVector<Problem> problems;
        QVector<std::optional<SessionEvents>> logs;
        for (const ResultsFile &f : files)
            logs.append(readSessionEventsBeside(f.name, problems));
        QVERIFY(problems.isEmpty());
        QVERIFY(logs.at(0) && !logs.at(1));
        const QVector<QHash<QString, QString>> rows =
            readBack(trialsCsv(trialsOf(files, nullptr, logs)), true);
        QCOMPARE(int(rows.size()), 4);
        const auto events3 = [&](int r) {
            return QStringList({rows.at(r).value("first_pick_seconds"), rows.at(r).value("picks"),
                                rows.at(r).value("misses")})
                .join(QLatin1Char(' '));
        };
        QCOMPARE(events3(0), QStringLiteral("2.250 3 1"));
        QCOMPARE(events3(1), QStringLiteral(" 0 0")); // presented, nothing picked before the crash
        QCOMPARE(events3(2), QStringLiteral("  ")); // no log beside this file
        QCOMPARE(events3(3), QStringLiteral("  "));
    }

    // A sitting resumed from a fallback file writes its events under another dated name; the
    // unnamed results.txt has events.csv. Every case finds its picks.
    void eventsJoinedAcrossNames_data()
    {
        QTest::addColumn<QStringList>("names"); // results files, first the one reported
        QTest::addColumn<QStringList>("logs"); // event logs: case 1's rows, then case 2's
        QTest::addColumn<QString>("expected"); // picks of case 1 and 2
        QTest::newRow("resumed from a fallback")
            << QStringList {"results_C-20250101-120000.txt", "results_C.txt"}
            << QStringList {"events_C-20250101-120000.csv", "events_C-20250101-130500.csv"}
            << "1 2";
        QTest::newRow("fallback log repeating the rows before it")
            << QStringList {"results_C-20250101-120000.txt"}
            << QStringList {"events_C.csv", "events_C-20250101-130500.csv"} << "1 2";
        QTest::newRow("unnamed results")
            << QStringList {"results.txt"} << QStringList {"events.csv", "events.csv"} << "1 2";
    }
    void eventsJoinedAcrossNames()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, logs);
        QFETCH(QString, expected);
        const QByteArray line1 =
            "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n";
        const QByteArray line2 =
            "ind 2: Wall 0 <==> Wall 3 (Kestrel) Time: 0:02.000 Mouse: 5 6 <==> 7 8\n";
        const QByteArray header = "session_ms,phase,case,sample,source,event,view,wall,x,y\n";
        const QByteArray case1 = "100,test,1,1,Kestrel,present,,,,\n"
                                 "600,test,1,1,Kestrel,pick,primary,2,1,2\n";
        const QByteArray case2 = "50,test,2,2,Kestrel,present,,,,\n"
                                 "250,test,2,2,Kestrel,pick,primary,0,5,6\n"
                                 "450,test,2,2,Kestrel,pick,secondary,3,7,8\n";
        QTemporaryDir dir;
        // The reported file holds both answers; another holds the first (the file resumed from).
        QVERIFY(testfiles::writeFile(dir.filePath(names.first()), line1 + line2));
        for (const QString &name : names.mid(1))
            QVERIFY(testfiles::writeFile(dir.filePath(name), line1));
        if (logs.at(0) == logs.at(1)) {
            QVERIFY(testfiles::writeFile(dir.filePath(logs.at(0)), header + case1 + case2));
        } else {
            QVERIFY(testfiles::writeFile(dir.filePath(logs.at(0)), header + case1));
            // The later log repeats the earlier one's rows when it is a fallback of it.
            const bool repeats = QTest::currentDataTag()
                == QLatin1String("fallback log repeating the rows before it");
            QVERIFY(testfiles::writeFile(dir.filePath(logs.at(1)),
                                         header + (repeats ? case1 : QByteArray()) + case2));
        }
        const QVector<ResultsFile> files {readResultsFile(dir.filePath(names.first()))};
        QVector<Problem> problems;
        const QVector<std::optional<SessionEvents>> events {
            readSessionEventsBeside(files.first().name, problems)};
        QVERIFY(problems.isEmpty());
        const QVector<QHash<QString, QString>> rows =
            readBack(trialsCsv(trialsOf(files, nullptr, events)), true);
        QCOMPARE(int(rows.size()), 2);
        QCOMPARE(rows.at(0).value("picks") + ' ' + rows.at(1).value("picks"), expected);
    }

    // An ID ending like a date (earlier versions took one) is not another participant's
    // fallback when its own session record names it.
    void datedIdWithItsRecordIsItsOwn()
    {
        QTemporaryDir dir;
        QVERIFY(testfiles::writeFile(
            dir.filePath("results_C.txt"),
            "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n"));
        QVERIFY(testfiles::writeFile(
            dir.filePath("results_C-20250101-120000.txt"),
            "ind 1: Wall 1 <==> Wall 1 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n"));
        QVERIFY(testfiles::writeFile(dir.filePath("session_C-20250101-120000.json"),
                                     R"({"sessions": [{"participant": "C-20250101-120000"}]})"));
        // C's own fallback, whose record (a fallback too) names C.
        QVERIFY(testfiles::writeFile(
            dir.filePath("results_C-20250101-130000.txt"),
            "ind 1: Wall 3 <==> Wall 3 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n"));
        QVERIFY(testfiles::writeFile(dir.filePath("session_C-20250101-130000.json"),
                                     R"({"sessions": [{"participant": "C"}]})"));
        QCOMPARE(participantOf(dir.filePath("results_C-20250101-120000.txt")),
                 QStringLiteral("C-20250101-120000"));
        QCOMPARE(participantOf(dir.filePath("results_C-20250101-130000.txt")), QStringLiteral("C"));
        QVector<ResultsFile> files;
        for (const char *name : {"results_C.txt", "results_C-20250101-120000.txt"})
            files.append(readResultsFile(dir.filePath(name)));
        QStringList notes;
        QCOMPARE(int(countedOnce(files, &notes).size()), 2);
        QVERIFY2(notes.isEmpty(), qPrintable(notes.join('\n'))); // no "C answered in 2 sessions"
        const QVector<QHash<QString, QString>> rows =
            readBack(trialsCsv(trialsOf(files, nullptr)), false);
        QCOMPARE(rows.at(0).value("participant"), QStringLiteral("C"));
        QCOMPARE(rows.at(1).value("participant"), QStringLiteral("C-20250101-120000"));
    }

    // Text fields read back as written, and a spreadsheet shows them as text, never runs them.
    void textFieldsStayText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("plain") << "Kestrel"
                               << "Kestrel"
                               << "Kestrel";
        QTest::newRow("comma") << "a,b"
                               << "\"a,b\""
                               << "a,b";
        QTest::newRow("quote") << "a\"b"
                               << "\"a\"\"b\""
                               << "a\"b";
        QTest::newRow("CR inside") << "a\rb"
                                   << "\"a\rb\""
                                   << "a\rb";
        QTest::newRow("formula") << "=HYPERLINK(\"x\")"
                                 << "\"'=HYPERLINK(\"\"x\"\")\""
                                 << "'=HYPERLINK(\"x\")";
        QTest::newRow("plus") << "+SUM(1,2)"
                              << "\"'+SUM(1,2)\""
                              << "'+SUM(1,2)";
        QTest::newRow("minus") << "-P1"
                               << "\"'-P1\""
                               << "'-P1";
        QTest::newRow("at") << "@x"
                            << "\"'@x\""
                            << "'@x";
        QTest::newRow("tab") << "\tx"
                             << "\"'\tx\""
                             << "'\tx";
        QTest::newRow("CR first") << "\rx"
                                  << "\"'\rx\""
                                  << "'\rx";
    }
    void textFieldsStayText()
    {
        QFETCH(QString, text);
        QFETCH(QString, written);
        QFETCH(QString, readBack);
        QCOMPARE(csvField(text), written);
        const CsvTable table = parseCsv(csvField(text) + QStringLiteral(",next\n"));
        QVERIFY(table.error.isEmpty());
        QCOMPARE(table.rows.first().fields, QStringList({readBack, QStringLiteral("next")}));
    }

    void badEventLogs_data()
    {
        QTest::addColumn<QByteArray>("events");
        QTest::addColumn<int>("line");
        QTest::newRow("wrong header") << QByteArray("ms,phase\n1,test\n") << 1;
        QTest::newRow("short row")
            << QByteArray("session_ms,phase,case,sample,source,event,view,wall,x,y\n1,test,1\n")
            << 2;
        QTest::newRow("time not a number")
            << QByteArray("session_ms,phase,case,sample,source,event,view,wall,x,y\n"
                          "1,test,1,1,Kestrel,present,,,,\nsoon,test,1,1,Kestrel,pick,,,,\n")
            << 3;
        QTest::newRow("unbalanced quote")
            << QByteArray("session_ms,phase,case,sample,source,event,view,wall,x,y\n"
                          "1,test,1,1,\"Kestrel,present,,,,\n")
            << 2;
    }
    void badEventLogs()
    {
        QFETCH(QByteArray, events);
        QFETCH(int, line);
        const SessionEvents log = parseSessionEvents(QStringLiteral("events_P01.csv"), events);
        QCOMPARE(int(log.complaints.size()), 1);
        QCOMPARE(log.complaints.first().line, line);
    }
};

QTEST_GUILESS_MAIN(TestTrials)
#include "tst_trials.moc"
