#include "sessionrecord.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using testfiles::readFile;
using testfiles::writeBytes;

namespace {

QJsonArray sessionsIn(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object().value("sessions").toArray();
}

} // namespace

class TestSessionRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isoTimesNameTheirOffset_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("text");
        const QDate d(2026, 12, 8);
        const QTime t(14, 3, 11);
        QTest::newRow("UTC") << QDateTime(d, t, Qt::UTC) << "2026-12-08T14:03:11Z";
        QTest::newRow("east") << QDateTime(d, t, Qt::OffsetFromUTC, 3600)
                              << "2026-12-08T14:03:11+01:00";
        QTest::newRow("west") << QDateTime(d, t, Qt::OffsetFromUTC, -5 * 3600 - 1800)
                              << "2026-12-08T14:03:11-05:30";
    }
    void isoTimesNameTheirOffset()
    {
        QFETCH(QDateTime, time);
        QFETCH(QString, text);
        QCOMPARE(wallmatch::isoWithOffset(time), text);
    }

    // The record is on disk from the start, is completed at the end, and a resumed sitting adds
    // its entry after the earlier one.
    void beginFinishResume()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("session_P3.json");
        wallmatch::SessionFacts facts;
        facts.participant = "P3";
        facts.planPath = dir.filePath("plan.csv");
        facts.planSha256 = "ab12";
        facts.options = QStringList {"--plan", "plan.csv", "--participant", "P3"};
        facts.screenSize = QSize(1920, 1080);
        facts.windowScale = 0.94;
        facts.eventTimestamps = true;
        const QDateTime start(QDate(2026, 12, 8), QTime(9, 0), Qt::OffsetFromUTC, 3600);
        {
            wallmatch::SessionRecord record(path);
            QCOMPARE(record.begin(facts, start), QString());
            const QJsonObject first = sessionsIn(path).at(0).toObject();
            QCOMPARE(first.value("start").toString(), QString("2026-12-08T09:00:00+01:00"));
            QVERIFY(first.value("end").isNull());
            QCOMPARE(first.value("completed").toBool(true), false);
            QCOMPARE(first.value("plan").toObject().value("sha256").toString(), QString("ab12"));
            QCOMPARE(first.value("screen").toObject().value("window_scale").toDouble(), 0.94);
            QCOMPARE(first.value("case_times_from_event_timestamps").toBool(), true);
            QCOMPARE(first.value("options").toArray().size(), 4);
            QVERIFY(!first.value("program").toObject().value("qt_version").toString().isEmpty());
            QCOMPARE(record.finish(2, 1, false, start.addSecs(60)), QString());
        }
        wallmatch::SessionRecord resumed(path);
        QCOMPARE(resumed.resumeExisting(), QString());
        QCOMPARE(resumed.begin(facts, start.addSecs(120)), QString());
        QCOMPARE(resumed.finish(5, 0, true, start.addSecs(180)), QString());
        const QJsonArray sessions = sessionsIn(path);
        QCOMPARE(sessions.size(), 2);
        QCOMPARE(sessions.at(0).toObject().value("test_cases_answered").toInt(), 2);
        QCOMPARE(sessions.at(0).toObject().value("end").toString(),
                 QString("2026-12-08T09:01:00+01:00"));
        QCOMPARE(sessions.at(1).toObject().value("test_cases_answered").toInt(), 5);
        QCOMPARE(sessions.at(1).toObject().value("completed").toBool(), true);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"session_P3.json"});
    }

    void brokenRecordIsNotResumed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("session.json");
        writeBytes(path, "{\"sessions\": [");
        wallmatch::SessionRecord record(path);
        QVERIFY(record.resumeExisting().contains("not a session record"));
    }
};

QTEST_MAIN(TestSessionRecord)
#include "tst_sessionrecord.moc"
