#include "eventlog.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using testfiles::readFile;
using testfiles::writeBytes;
using wallmatch::EventLog;
using wallmatch::LoggedEvent;

Q_DECLARE_METATYPE(wallmatch::LoggedEvent)

namespace {

LoggedEvent makeEvent(qint64 at, const char *name, int view = 0, int wall = -1,
                      std::optional<QPoint> pixel = {})
{
    LoggedEvent e;
    e.atMs = at;
    e.caseNumber = 2;
    e.sample = 17;
    e.source = "Bramble";
    e.event = name;
    e.view = view;
    e.wall = wall;
    e.pixel = pixel;
    return e;
}

} // namespace

class TestEventLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rows_data()
    {
        QTest::addColumn<LoggedEvent>("event");
        QTest::addColumn<QString>("row");
        LoggedEvent practice = makeEvent(10500, "present");
        practice.practice = true;
        LoggedEvent outside = makeEvent(10000, "focus-lost");
        outside.caseNumber = 0;
        LoggedEvent comma = makeEvent(10001, "answer");
        comma.source = "My \"net\", v2";
        QTest::newRow("present") << practice << "500,practice,2,17,Bramble,present,,,,,,,\n";
        QTest::newRow("pick") << makeEvent(12345, "pick", 2, 3, QPoint(415, 233))
                              << "2345,test,2,17,Bramble,pick,2,3,415,233,,,\n";
        QTest::newRow("miss") << makeEvent(11000, "miss", 1, -1, QPoint(0, 511))
                              << "1000,test,2,17,Bramble,miss,1,,0,511,,,\n";
        QTest::newRow("wall 0") << makeEvent(10000, "pick", 1, 0, QPoint(1, 2))
                                << "0,test,2,17,Bramble,pick,1,0,1,2,,,\n";
        QTest::newRow("outside a case") << outside << "0,test,,,Bramble,focus-lost,,,,,,,\n";
        LoggedEvent shown = makeEvent(10500, "present");
        shown.onset = wallmatch::CaseOnset {10500, 10483251, 10500750,
                                            wallmatch::OnsetMethod::DisplayReported, 16.667};
        QTest::newRow("display-reported onset")
            << shown << "500,test,2,17,Bramble,present,,,,,483.251,500.750,display-reported\n";
        LoggedEvent handled = makeEvent(10500, "present");
        handled.onset = wallmatch::CaseOnset {
            10500, 10500000, std::nullopt, wallmatch::OnsetMethod::ServerRoundTrip, {}};
        QTest::newRow("round-trip onset")
            << handled << "500,test,2,17,Bramble,present,,,,,500.000,,server-round-trip\n";
        QTest::newRow("quoted source")
            << comma << "1,test,2,17,\"My \"\"net\"\", v2\",answer,,,,,,,\n";
    }
    void rows()
    {
        QFETCH(LoggedEvent, event);
        QFETCH(QString, row);
        const EventLog log("unused.csv", 10000);
        QCOMPARE(log.row(event), row);
    }

    // A resumed session keeps every complete row of the earlier one and appends its own.
    void resumeAppends_data()
    {
        QTest::addColumn<QByteArray>("earlier");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("keptRows");
        QTest::addColumn<QByteArray>("padding"); // what each kept row gains
        const QByteArray header = EventLog::header.toUtf8();
        QTest::newRow("no file") << QByteArray("<none>") << "" << 0 << QByteArray();
        QTest::newRow("two rows") << header
                + "1,test,1,3,Kestrel,present,,,,,0.5,1.25,display-reported\n"
                  "2,test,1,3,Kestrel,answer,,,,,,,\n"
                                  << "" << 2 << QByteArray();
        QTest::newRow("a row cut by a crash")
            << header + "1,test,1,3,Kestrel,present,,,,,,,handled\n2,test,1,3,Kes"
            << "" << 1 << QByteArray();
        QTest::newRow("not a log")
            << QByteArray("ind 1: Wall 0\n") << "not an event log" << 0 << QByteArray();
        // Written before the onset columns: the rows get them, empty, under the new header.
        QTest::newRow("older columns")
            << QByteArray("session_ms,phase,case,sample,source,event,view,wall,x,y\n"
                          "1,test,1,3,Kestrel,present,,,,\n2,test,1,3,Kestrel,answer,,,,\n")
            << "" << 2 << QByteArray(",,,");
    }
    void resumeAppends()
    {
        QFETCH(QByteArray, earlier);
        QFETCH(QString, problem);
        QFETCH(int, keptRows);
        QFETCH(QByteArray, padding);
        QTemporaryDir dir;
        const QString path = dir.filePath("events_P1.csv");
        if (earlier != "<none>")
            writeBytes(path, earlier);
        EventLog log(path, 0);
        const QString error = log.resumeExisting();
        if (!problem.isEmpty()) {
            QVERIFY2(error.contains(problem), qPrintable(error));
            QCOMPARE(readFile(path), earlier); // untouched
            return;
        }
        QCOMPARE(error, QString());
        log.add(makeEvent(5, "present"));
        QCOMPARE(log.write(), QString());
        const QList<QByteArray> lines = readFile(path).split('\n');
        QCOMPARE(lines.size(), 1 + keptRows + 1 + 1); // header, rows, the new one, after last LF
        QCOMPARE(lines.first() + '\n', EventLog::header.toUtf8());
        for (int i = 1; i <= keptRows; ++i)
            QCOMPARE(lines.at(i), earlier.split('\n').at(i) + padding);
        QCOMPARE(lines.at(keptRows + 1), QByteArray("5,test,2,17,Bramble,present,,,,,,,"));
        // Nothing of the earlier log was kept aside: it is continued, not replaced.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"events_P1.csv"});
    }

    // Without --resume an earlier log is kept aside under its own name, not overwritten.
    void earlierLogIsKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("events.csv");
        writeBytes(path, "old\n", QDateTime(QDate(2026, 12, 8), QTime(12, 14, 53)));
        EventLog log(path, 0);
        QCOMPARE(log.write(), QString());
        QCOMPARE(readFile(path), EventLog::header.toUtf8());
        QCOMPARE(readFile(dir.filePath("events-20261208-121453.csv")), QByteArray("old\n"));
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
