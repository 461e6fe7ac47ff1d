#include "answer.h"

#include <QTest>
#include <QTime>

class TestTimeText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void format_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0:00.000";
        QTest::newRow("millis") << qint64(7) << "0:00.007";
        QTest::newRow("seconds") << qint64(12345) << "0:12.345";
        QTest::newRow("minute") << qint64(60000) << "1:00.000";
        QTest::newRow("ten minutes has nine characters") << qint64(600000) << "10:00.000";
        QTest::newRow("just under an hour") << qint64(3599999) << "59:59.999";
        QTest::newRow("an hour keeps its minutes") << qint64(3600000) << "60:00.000";
        QTest::newRow("61 min 5 s") << qint64(61 * 60000 + 5000) << "61:05.000";
        QTest::newRow("a day") << qint64(24 * 3600000) << "1440:00.000";
        QTest::newRow("negative is zero") << qint64(-5) << "0:00.000";
    }
    void format()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(wallmatch::formatCaseTime(ms), text);
    }

    // Below an hour the text is exactly what QTime's "m:ss.zzz" gives.
    void matchesQTimeBelowAnHour()
    {
        for (qint64 ms = 0; ms < 3600000; ms += 997)
            QCOMPARE(wallmatch::formatCaseTime(ms),
                     QTime(0, 0, 0, 0).addMSecs(int(ms)).toString(QStringLiteral("m:ss.zzz")));
    }
};

QTEST_APPLESS_MAIN(TestTimeText)
#include "tst_timetext.moc"
