#include "caseclock.h"
#include "fakeclock.h"

#include <QtTest>

// The fake clock the run tests rely on: it alone moves the case clocks while it lives, and it
// puts back what it replaced.
class TestFakeClock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movesOnlyWhenTold()
    {
        FakeClock fake(5000);
        CaseClock clock;
        QVERIFY(!clock.isValid());
        QCOMPARE(clock.elapsed(), 0);
        clock.restart();
        QCOMPARE(CaseClock::now(), 5000);
        QCOMPARE(clock.elapsed(), 0);
        fake.advance(1234);
        QCOMPARE(clock.elapsed(), 1234);
        QCOMPARE(CaseClock::now(), 6234);
    }

    void restoresWhatItReplaced()
    {
        FakeClock outer(100);
        {
            FakeClock inner(7);
            QCOMPARE(CaseClock::now(), 7);
        }
        QCOMPARE(CaseClock::now(), 100);
    }

    void realClockAfterwards()
    {
        {
            FakeClock fake(-1000000);
            QCOMPARE(CaseClock::now(), -1000000);
        }
        // The monotonic clock counts from the first read in the process: never below zero.
        const qint64 first = CaseClock::now();
        QVERIFY(first >= 0);
        QVERIFY(CaseClock::now() >= first);
    }
};

QTEST_GUILESS_MAIN(TestFakeClock)
#include "tst_fakeclock.moc"
