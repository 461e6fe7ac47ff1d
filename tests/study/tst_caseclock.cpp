#include "caseclock.h"
#include "fakeclock.h"

#include <QTest>

// X server times (32-bit CLOCK_MONOTONIC milliseconds) mapped onto the full monotonic clock.
class TestCaseClock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void serverTime_data()
    {
        QTest::addColumn<quint32>("server");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<qint64>("expected"); // -1: cannot be a recent event's time

        const qint64 wrap = qint64(1) << 32;
        QTest::newRow("same ms") << quint32(500000) << qint64(500000) << qint64(500000);
        QTest::newRow("handled 40 ms late") << quint32(500000) << qint64(500040) << qint64(500000);
        QTest::newRow("after a wrap") << quint32(0xfffffffe) << wrap + 3 << wrap - 2;
        QTest::newRow("two wraps") << quint32(7) << 2 * wrap + 9 << 2 * wrap + 7;
        QTest::newRow("ahead by a coarse tick")
            << quint32(500004) << qint64(500000) << qint64(500000);
        QTest::newRow("far ahead") << quint32(501000) << qint64(500000) << qint64(-1);
        QTest::newRow("older than ten minutes") << quint32(100) << qint64(700000) << qint64(-1);
        QTest::newRow("counter of synthesized events")
            << quint32(3) << qint64(86400000) << qint64(-1);
        QTest::newRow("before the clock began") << quint32(0xfffffff0) << qint64(5) << qint64(-1);
    }

    void serverTime()
    {
        QFETCH(quint32, server);
        QFETCH(qint64, now);
        QFETCH(qint64, expected);
        const std::optional<qint64> mapped = CaseClock::serverTimeToMonotonic(server, now);
        QCOMPARE(mapped.value_or(-1), expected);
    }

    // Offscreen, a timestamp means nothing here: a fresh reading stands in for it.
    void unrelatedTimestampsReadTheClock()
    {
        FakeClock fake(123456);
        QCOMPARE(CaseClock::mapEventTime(123000), std::optional<qint64>());
        QCOMPARE(CaseClock::eventTime(123000), qint64(123456));
        CaseClock::setEventTimeMapper([](ulong stamp) { return std::optional<qint64>(stamp); });
        QCOMPARE(CaseClock::eventTime(123000), qint64(123000));
        CaseClock::setEventTimeMapper(nullptr);
    }

    void stretchEndsAtAGivenMoment()
    {
        CaseClock clock;
        QCOMPARE(clock.elapsedAt(100), qint64(0));
        clock.restartAt(1000);
        QCOMPARE(clock.elapsedAt(3049), qint64(2049));
        QCOMPARE(clock.elapsedAt(999), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestCaseClock)
#include "tst_caseclock.moc"
