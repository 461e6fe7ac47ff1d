#include "caseclock.h"
#include "inputmoments.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

// On Qt's wayland platform (run under a compositor: tests/e2e/on_weston.sh), input events'
// own timestamps time the answers. A headless compositor gives clients no input, so the events
// are made here, stamped as a compositor stamps them: CLOCK_MONOTONIC ms cut to 32 bits.
class TestWaylandInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        QVERIFY(CaseClock::eventTimesFromWindowSystem());
    }

    void spaceTimes_data()
    {
        QTest::addColumn<qint64>("offsetMs"); // the stamp against now
        QTest::addColumn<bool>("stampUsed"); // else the press counts when handled
        QTest::newRow("just now") << qint64(-1) << true;
        QTest::newRow("while the program was busy") << qint64(-800) << true;
        QTest::newRow("minutes old") << qint64(-9 * 60 * 1000) << true;
        QTest::newRow("too old") << qint64(-11 * 60 * 1000) << false;
        QTest::newRow("slightly ahead") << qint64(5) << false; // taken as now
        QTest::newRow("far ahead") << qint64(60 * 1000) << false;
    }
    // A Space press answers at its stamp where the stamp can be one of a recent event, and at
    // the moment it is handled otherwise, never in the future.
    void spaceTimes()
    {
        QFETCH(qint64, offsetMs);
        QFETCH(bool, stampUsed);
        QElapsedTimer clock;
        clock.start();
        const qint64 stampMs = clock.msecsSinceReference() + offsetMs;
        QPushButton match;
        InputMoments input;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        press.setTimestamp(ulong(quint32(stampMs)));
        const qint64 before = CaseClock::now();
        QVERIFY(input.spacePressed(press, &match));
        const qint64 at = input.take(&match);
        const qint64 after = CaseClock::now();
        if (stampUsed) {
            QCOMPARE(at, stampMs);
        } else {
            QVERIFY2(
                at >= before && at <= after,
                qPrintable(QStringLiteral("%1 not in [%2, %3]").arg(at).arg(before).arg(after)));
        }
    }

    // A press stamped before the case's frame left was meant for an earlier case: dropped.
    void earlierPressDropped()
    {
        QWidget window;
        QPushButton *match = new QPushButton(&window);
        InputMoments input;
        input.presented(CaseClock::now());
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        press.setTimestamp(ulong(quint32(CaseClock::now() - 50)));
        std::optional<qint64> pressAt;
        QVERIFY(input.filter(&window, match, &press, pressAt));
        press.setTimestamp(ulong(quint32(CaseClock::now())));
        QVERIFY(!input.filter(&window, match, &press, pressAt));
    }
};

QTEST_MAIN(TestWaylandInput)
#include "tst_waylandinput.moc"
