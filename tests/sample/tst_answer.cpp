#include "answer.h"
#include "answertesting.h"
#include "csv.h"

#include <QTest>

using namespace wallmatch;

Q_DECLARE_METATYPE(wallmatch::Answer)

class TestAnswer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What the program writes, the report reads back as the same answer, and the bytes are the
    // ones results.txt has always held.
    void roundTrip_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("line");
        Answer a;
        a.sampleId = 7;
        a.wall1 = 2;
        a.wall2 = 0;
        a.source = QStringLiteral("Kestrel");
        a.milliseconds = 12345;
        a.click1 = {415, 233};
        a.click2 = {980, 301};
        QTest::newRow("documented example")
            << a
            << "ind 7: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301\n";
        Answer untimed = a;
        untimed.milliseconds.reset();
        untimed.source = QStringLiteral("Bramble");
        QTest::newRow("no time yet")
            << untimed
            << "ind 7: Wall 2 <==> Wall 0 (Bramble) Time:  Mouse: 415 233 <==> 980 301\n";
        Answer long_ = a;
        long_.sampleId = 100;
        long_.wall1 = 11;
        long_.milliseconds = 61 * 60000 + 5000;
        long_.click1 = {-3, 0};
        long_.source = QStringLiteral("Kästrel (v2)");
        QTest::newRow("past an hour, odd source") << long_
                                                  << "ind 100: Wall 11 <==> Wall 0 (Kästrel (v2)) "
                                                     "Time: 61:05.000 Mouse: -3 0 <==> 980 301\n";
    }
    void roundTrip()
    {
        QFETCH(Answer, answer);
        QFETCH(QString, line);
        QCOMPARE(resultLine(answer), line);
        const ParsedLine parsed = parseResultLine(line.chopped(1));
        QVERIFY2(parsed.answer, qPrintable(parsed.error));
        QCOMPARE(*parsed.answer, answer);
        QCOMPARE(parseResultLine(line.chopped(1) + QLatin1Char('\r')).answer, parsed.answer);
    }

    // A failed comparison names every field of both answers.
    void failedComparisonIsReadable()
    {
        Answer a;
        a.sampleId = 7;
        a.wall1 = 2;
        a.wall2 = 0;
        a.source = QStringLiteral("Bramble");
        a.milliseconds = 12345;
        a.click1 = {415, 233};
        a.click2 = {980, 301};
        char *text = toString(a);
        const QString shown = QString::fromUtf8(text);
        delete[] text;
        QCOMPARE(shown,
                 QStringLiteral("Answer(sample 7, walls 2 <==> 0, Bramble, time 12345 ms, clicks "
                                "415 233 <==> 980 301)"));
    }

    void logLineHasThreeEquals()
    {
        Answer a;
        a.sampleId = 40;
        a.wall1 = 1;
        a.wall2 = 3;
        a.source = QStringLiteral("Kestrel");
        a.milliseconds = 600000;
        QCOMPARE(logLine(a, 12),
                 QStringLiteral("Sample 12: Wall 1 <===> Wall 3 (Kestrel) Time: 10:00.000"));
        // The log line is not a result line.
        QVERIFY(!parseResultLine(logLine(a, 12)).answer);
    }

    void csv_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rows"); // fields joined by |, rows by /, each row "line:"
        QTest::addColumn<QString>("error"); // "line: fragment", empty when none
        QTest::newRow("plain") << "a,b\n1,2\n"
                               << "1:a|b/2:1|2"
                               << "";
        QTest::newRow("CRLF, no final break") << "a,b\r\n1,2"
                                              << "1:a|b/2:1|2"
                                              << "";
        QTest::newRow("quoted comma and quote") << "1,\"x, \"\"y\"\"\",z\n"
                                                << "1:1|x, \"y\"|z"
                                                << "";
        QTest::newRow("quoted line break counts lines") << "\"a\nb\",c\n2,3\n"
                                                        << "1:a\nb|c/3:2|3"
                                                        << "";
        QTest::newRow("blanks around quotes, kept in plain fields") << "1, \"a b\" , c \n"
                                                                    << "1:1|a b| c "
                                                                    << "";
        QTest::newRow("empty fields and empty line") << ",\n\nx\n"
                                                     << "1:|/2:/3:x"
                                                     << "";
        QTest::newRow("byte-order mark") << QString(QChar(0xFEFF)) + "a\n"
                                         << "1:a"
                                         << "";
        QTest::newRow("unclosed quote") << "a\n\"b,c\nd\n"
                                        << "1:a"
                                        << "2: not closed";
        QTest::newRow("text after closing quote") << "\"a\"b,c\n"
                                                  << ""
                                                  << "1: after the closing";
        QTest::newRow("bare quote") << "a,b\"c\n"
                                    << ""
                                    << "1: quote inside";
    }
    void csv()
    {
        QFETCH(QString, text);
        QFETCH(QString, rows);
        QFETCH(QString, error);
        const CsvTable table = parseCsv(text);
        QStringList shown;
        for (const CsvRow &row : table.rows)
            shown << QString::number(row.line) + QLatin1Char(':')
                    + row.fields.join(QLatin1Char('|'));
        QCOMPARE(shown.join(QLatin1Char('/')), rows);
        if (error.isEmpty()) {
            QCOMPARE(table.error, QString());
        } else {
            const QString where = QStringLiteral("%1: %2").arg(table.errorLine).arg(table.error);
            QVERIFY2(where.startsWith(error.section(QLatin1Char(':'), 0, 0) + QLatin1Char(':'))
                         && where.contains(error.section(QLatin1String(": "), 1)),
                     qPrintable(where));
        }
    }
};

QTEST_APPLESS_MAIN(TestAnswer)
#include "tst_answer.moc"
