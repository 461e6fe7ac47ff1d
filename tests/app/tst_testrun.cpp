#include "fakeclock.h"
#include "fixturetree.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "renderarea.h"
#include "resultsstore.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using testfiles::readFile;

namespace {

// Every case clock of the test reads this one; it moves only when a test says so.
FakeClock *testClock = nullptr;

// Timestamps with this bit are times on the fake clock; others (QTest's own counters) mean
// nothing, as on the offscreen platform.
constexpr ulong stamped = 1ul << 40;
std::optional<qint64> stampedTime(ulong timestamp)
{
    if (!(timestamp & stamped))
        return std::nullopt;
    return qint64(timestamp & (stamped - 1));
}

// The lines of results.txt; none while it does not exist.
QStringList resultFileLines()
{
    QFile f("results.txt");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

enum class Start { Idle, Running, Paused, RunningNoSample, PausedNoSample };
enum class Event { StartTest, Pause, MatchBothWalls, MatchOneWall, Space, ClickViewport };

const QString hintS = "Please Press Start button to begin test.";
const QString hintR = "Pleaase Press Resume button to continue testing.";
const QString hintWall = "Please select wall before matching.";

// The plainly started window and what a subject does in it.
struct Subject : StudyWindow
{
    void enterViewport()
    {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(viewport, &enter);
    }
    // A real click on a wall of the box room in each view.
    void pickWalls(int w1, int w2)
    {
        QTest::mouseClick(pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, w1));
        QTest::mouseClick(pano2, Qt::LeftButton, {}, fixture::boxWallCentre(true, w2));
    }
    // A press and its release, or an auto-repeat press alone.
    void space(bool autoRepeat = false)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", autoRepeat);
        QCoreApplication::sendEvent(&window, &press);
        if (!autoRepeat)
            spaceEvent(QEvent::KeyRelease, 0);
    }
    // Whether the case clock runs: the display moves with the clock, and back. The ticks stop a
    // paused clock's display timer, as its next real tick would.
    bool clockRunning()
    {
        MainWindowProbe::tick(window);
        const QImage before = lcd->grab().toImage();
        testClock->advance(1000);
        MainWindowProbe::tick(window);
        const bool moved = lcd->grab().toImage() != before;
        testClock->advance(-1000);
        MainWindowProbe::tick(window);
        return moved;
    }
    int answers() const { return MainWindowProbe::answersTaken(window); }
    // Key and mouse events as the window system would stamp them, at a time on the fake clock.
    void spaceEvent(QEvent::Type type, qint64 at, bool autoRepeat = false)
    {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, " ", autoRepeat);
        event.setTimestamp(at ? stamped | ulong(at) : 0);
        QCoreApplication::sendEvent(&window, &event);
    }
    void clickAt(QWidget *widget, QPoint pos, qint64 at)
    {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            event.setTimestamp(stamped | ulong(at));
            QCoreApplication::sendEvent(widget, &event);
        }
    }
    void clickAt(QWidget *widget, qint64 at) { clickAt(widget, widget->rect().center(), at); }
    QStringList logLines() const
    {
        const QString text = log->toPlainText();
        return text.isEmpty() ? QStringList() : text.split('\n');
    }
    void answer(int w1, int w2, qint64 thinkMs)
    {
        pickWalls(w1, w2);
        testClock->advance(thinkMs);
        MainWindowProbe::tick(window);
        QTest::mouseClick(match, Qt::LeftButton);
    }
};

} // namespace

Q_DECLARE_METATYPE(Start)
Q_DECLARE_METATYPE(Event)

class TestRun : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;
    QString originalDir;
    FakeClock fakeClock;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 100));
        originalDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tree.path()));
        testClock = &fakeClock;
        CaseClock::setEventTimeMapper(stampedTime);
    }
    void cleanupTestCase()
    {
        CaseClock::setEventTimeMapper(nullptr);
        testClock = nullptr;
        QDir::setCurrent(originalDir);
    }
    void init()
    {
        for (const QString &name : QDir().entryList({"results*"}, QDir::AllEntries)) {
            QFile::remove(name);
            QDir(name).removeRecursively();
        }
    }

    void transition_data()
    {
        QTest::addColumn<Start>("from");
        QTest::addColumn<Event>("event");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("viewportOn");
        QTest::addColumn<bool>("startOn");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("sampleId"); // folder now shown
        QTest::addColumn<int>("answers");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("labels"); // wall labels after the event

        const QString p1 = "Progress:1/100";
        // clang-format off
        QTest::newRow("idle: start") << Start::Idle << Event::StartTest << "" << true << false << true << 1 << 0 << p1 << "-1 -1";
        QTest::newRow("idle: pause") << Start::Idle << Event::Pause << "" << true << true << true << 0 << 0 << p1 << "-1 -1";
        QTest::newRow("idle: match") << Start::Idle << Event::MatchBothWalls << hintS << false << true << false << 0 << 0 << p1 << "1 2";
        QTest::newRow("idle: space") << Start::Idle << Event::Space << hintS << false << true << false << 0 << 0 << p1 << "1 2";
        QTest::newRow("idle: click") << Start::Idle << Event::ClickViewport << hintS << false << true << false << 0 << 0 << p1 << "-1 -1";
        QTest::newRow("running: pause") << Start::Running << Event::Pause << "" << false << false << false << 1 << 0 << p1 << "-1 -1";
        QTest::newRow("running: one wall") << Start::Running << Event::MatchOneWall << hintWall << true << false << true << 1 << 0 << p1 << "1 -1";
        QTest::newRow("running: match") << Start::Running << Event::MatchBothWalls << "" << true << false << true << 2 << 1 << "Progress:2/100" << "-1 -1";
        QTest::newRow("running: space") << Start::Running << Event::Space << "" << true << false << true << 2 << 1 << "Progress:2/100" << "-1 -1";
        QTest::newRow("running: click picks") << Start::Running << Event::ClickViewport << "" << true << false << true << 1 << 0 << p1 << "0 -1";
        QTest::newRow("paused: resume") << Start::Paused << Event::Pause << "" << true << false << true << 1 << 0 << p1 << "-1 -1";
        QTest::newRow("paused: match") << Start::Paused << Event::MatchBothWalls << hintR << false << false << false << 1 << 0 << p1 << "1 2";
        QTest::newRow("paused: space") << Start::Paused << Event::Space << hintR << false << false << false << 1 << 0 << p1 << "1 2";
        QTest::newRow("paused: click") << Start::Paused << Event::ClickViewport << hintR << false << false << false << 1 << 0 << p1 << "-1 -1";
        QTest::newRow("running w/o sample: pause") << Start::RunningNoSample << Event::Pause << "" << false << true << false << 0 << 0 << p1 << "-1 -1";
        QTest::newRow("running w/o sample: match") << Start::RunningNoSample << Event::MatchOneWall << hintWall << true << true << true << 0 << 0 << p1 << "1 -1";
        QTest::newRow("running w/o sample: start") << Start::RunningNoSample << Event::StartTest << "" << true << false << true << 1 << 0 << p1 << "-1 -1";
        QTest::newRow("paused w/o sample: resume") << Start::PausedNoSample << Event::Pause << "" << true << true << true << 0 << 0 << p1 << "-1 -1";
        QTest::newRow("paused w/o sample: match") << Start::PausedNoSample << Event::MatchBothWalls << hintS << false << true << false << 0 << 0 << p1 << "1 2";
        QTest::newRow("paused w/o sample: click") << Start::PausedNoSample << Event::ClickViewport << hintS << false << true << false << 0 << 0 << p1 << "-1 -1";
        QTest::newRow("paused w/o sample: start") << Start::PausedNoSample << Event::StartTest << "" << true << false << true << 1 << 0 << p1 << "-1 -1";
        // clang-format on
    }

    void transition()
    {
        QFETCH(Start, from);
        QFETCH(Event, event);
        QFETCH(QString, hint);
        QFETCH(bool, viewportOn);
        QFETCH(bool, startOn);
        QFETCH(bool, running);
        QFETCH(int, sampleId);
        QFETCH(int, answers);
        QFETCH(QString, progress);
        QFETCH(QString, labels);

        Subject ui;
        ui.window.show();
        ModalAnswerer answerer;
        switch (from) {
        case Start::Idle:
            break;
        case Start::Running:
            QTest::mouseClick(ui.start, Qt::LeftButton);
            break;
        case Start::Paused:
            QTest::mouseClick(ui.start, Qt::LeftButton);
            QTest::mouseClick(ui.pause, Qt::LeftButton);
            break;
        case Start::RunningNoSample:
            QTest::mouseClick(ui.pause, Qt::LeftButton);
            break;
        case Start::PausedNoSample:
            QTest::mouseClick(ui.pause, Qt::LeftButton);
            QTest::mouseClick(ui.pause, Qt::LeftButton);
            break;
        }
        QCOMPARE(answerer.boxes.size(), 0);
        testClock->advance(700);
        MainWindowProbe::tick(ui.window);

        switch (event) {
        case Event::StartTest:
            QTest::mouseClick(ui.start, Qt::LeftButton);
            break;
        case Event::Pause:
            QTest::mouseClick(ui.pause, Qt::LeftButton);
            break;
        case Event::MatchBothWalls:
        case Event::Space:
            // The labels as a pick would leave them; the views may be disabled or empty.
            Q_EMIT ui.pano1->clicked(1);
            Q_EMIT ui.pano2->clicked(2);
            if (event == Event::Space)
                ui.space();
            else
                QTest::mouseClick(ui.match, Qt::LeftButton);
            break;
        case Event::MatchOneWall:
            Q_EMIT ui.pano1->clicked(1);
            QTest::mouseClick(ui.match, Qt::LeftButton);
            break;
        case Event::ClickViewport:
            ui.enterViewport();
            QTest::mouseClick(ui.pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, 0));
            break;
        }

        if (hint.isEmpty()) {
            QCOMPARE(answerer.boxes.size(), 0);
        } else {
            QCOMPARE(answerer.boxes.size(), 1);
            QCOMPARE(answerer.boxes[0].title, QString("Viewport Region"));
            QCOMPARE(answerer.boxes[0].text, hint);
        }
        QCOMPARE(ui.viewport->isEnabled(), viewportOn);
        QCOMPARE(ui.start->isEnabled(), startOn);
        QCOMPARE(ui.clockRunning(), running);
        QCOMPARE(MainWindowProbe::currentSampleId(ui.window), sampleId);
        QCOMPARE(ui.answers(), answers);
        QCOMPARE(ui.progress->text(), progress);
        QCOMPARE(ui.wall1->text() + ' ' + ui.wall2->text(), labels);
        QCOMPARE(ui.type->text(), QString("Kestrel"));

        // Whenever the clock runs, the display timer runs with it.
        if (running)
            QVERIFY(MainWindowProbe::displayTimerId(ui.window) != -1);
        // A refused answer or a new case starts the clock from zero.
        if (event == Event::MatchOneWall || event == Event::StartTest || answers > 0) {
            MainWindowProbe::tick(ui.window);
            QVERIFY(MainWindowProbe::showsTime(ui.window, "0:00.000"));
        }
    }

    void noHintOutsideViewportOrForOtherButtons()
    {
        Subject ui;
        ui.window.show();
        ModalAnswerer answerer;
        QTest::mouseClick(&ui.window, Qt::LeftButton, {}, QPoint(1400, 1000));
        ui.enterViewport();
        QTest::mouseClick(ui.pano1, Qt::RightButton, {}, QPoint(100, 100));
        QTest::mouseClick(ui.pano2, Qt::MiddleButton, {}, QPoint(100, 100));
        QCOMPARE(answerer.boxes.size(), 0);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(ui.viewport, &leave);
        QTest::mouseClick(ui.pano1, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(answerer.boxes.size(), 0);
        // A double click inside acts as a press.
        ui.enterViewport();
        QTest::mouseDClick(ui.pano1, Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(answerer.boxes.size() >= 1);
        QCOMPARE(answerer.boxes.last().text, hintS);
    }

    void firstAnswerLinesAndProgress()
    {
        Subject ui;
        ui.window.show();
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        ui.pickWalls(2, 3);
        QCOMPARE(ui.wall1->text(), QString("2"));
        QCOMPARE(ui.wall2->text(), QString("3"));
        testClock->advance(12345);
        MainWindowProbe::tick(ui.window);
        QTest::mouseClick(ui.match, Qt::LeftButton);
        QCOMPARE(answerer.boxes.size(), 0);

        QCOMPARE(ui.logLines(),
                 QStringList {"Sample 1: Wall 2 <===> Wall 3 (Kestrel) Time: 0:12.345"});
        const QPoint p1 = fixture::boxWallCentre(false, 2);
        const QPoint p2 = fixture::boxWallCentre(true, 3);
        const QString expected =
            QString("ind 1: Wall 2 <==> Wall 3 (Kestrel) Time: 0:12.345 Mouse: "
                    "%1 %2 <==> %3 %4\n")
                .arg(p1.x())
                .arg(p1.y())
                .arg(p2.x())
                .arg(p2.y());
        QCOMPARE(ui.progress->text(), QString("Progress:2/100"));
        QCOMPARE(MainWindowProbe::currentSampleId(ui.window), 2);
        QCOMPARE(ui.wall1->text(), QString("-1"));
        QCOMPARE(ui.wall2->text(), QString("-1"));
        // On disk without a close, exactly as a close would write it.
        QTRY_COMPARE(readFile("results.txt"), expected.toUtf8());
    }

    // The display's tick decides nothing of what is logged.
    void answerBeforeFirstTickLogsItsTime()
    {
        Subject ui;
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        ui.pickWalls(0, 0);
        testClock->advance(37);
        QTest::mouseClick(ui.match, Qt::LeftButton);
        QCOMPARE(ui.logLines(),
                 QStringList {"Sample 1: Wall 0 <===> Wall 0 (Kestrel) Time: 0:00.037"});
        QTRY_VERIFY(resultFileLines().value(0).contains("Time: 0:00.037 Mouse: "));
    }

    // Every moment is the input event's own timestamp, not when it is handled (later on the clock).
    void timesFromEventTimestamps_data()
    {
        QTest::addColumn<QString>("script"); // steps "what@ms" after the presentation at 0
        QTest::addColumn<QString>("logged"); // the logged case time; empty: no answer
        QTest::addColumn<QString>("display"); // the time display 151 ms after the last step
        QTest::addColumn<int>("boxes");

        // clang-format off
        QTest::newRow("Space at 1049") << "space@1049" << "0:01.049" << "0:00.151" << 0;
        QTest::newRow("Match click at 1049") << "match@1049" << "0:01.049" << "0:00.151" << 0;
        QTest::newRow("pause of 2000 between events") << "pause@400 pause@2400 space@3049" << "0:01.049" << "0:00.151" << 0;
        QTest::newRow("refused at 700 restarts from there") << "unpick@0 space@700" << "" << "0:00.301" << 1;
        QTest::newRow("Space before presentation dropped") << "space@-1" << "" << "0:00.301" << 0;
        QTest::newRow("click before presentation dropped") << "unpick@0 pick@-3 space@900" << "" << "0:00.301" << 1;
        // clang-format on
    }

    void timesFromEventTimestamps()
    {
        QFETCH(QString, script);
        QFETCH(QString, logged);
        QFETCH(QString, display);
        QFETCH(int, boxes);

        Subject ui;
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        const qint64 presented = testClock->now();
        // "unpick": the first view's wall is left unpicked.
        if (script.startsWith("unpick"))
            QTest::mouseClick(ui.pano2, Qt::LeftButton, {}, fixture::boxWallCentre(true, 2));
        else
            ui.pickWalls(1, 2);
        for (const QString &step : script.split(' ')) {
            const QString what = step.section('@', 0, 0);
            const qint64 at = presented + step.section('@', 1).toLongLong();
            testClock->setNow(qMax(testClock->now(), at) + 150); // handled late
            if (what == "space") {
                ui.spaceEvent(QEvent::KeyPress, at);
                ui.spaceEvent(QEvent::KeyRelease, at + 80);
            } else if (what == "match") {
                ui.clickAt(ui.match, at);
            } else if (what == "pause") {
                ui.clickAt(ui.pause, at);
            } else if (what == "pick") {
                ui.clickAt(ui.pano1, fixture::boxWallCentre(false, 3), at);
            }
        }
        testClock->advance(151);
        MainWindowProbe::tick(ui.window);

        if (!logged.isEmpty())
            QTRY_COMPARE(resultFileLines().size(), 1);
        const QStringList lines = resultFileLines();
        if (logged.isEmpty()) {
            QCOMPARE(lines.size(), 0);
        } else {
            QVERIFY2(lines[0].contains("Time: " + logged + " Mouse:"), qPrintable(lines[0]));
            QCOMPARE(ui.logLines().value(0).section("Time: ", 1), logged);
        }
        QVERIFY(MainWindowProbe::showsTime(ui.window, display));
        QVERIFY(ui.wall1->text() != "3"); // a stale click picks nothing
        QCOMPARE(answerer.boxes.size(), boxes);
    }

    // A held Space answers once: X repeats it with or without the auto-repeat flag, as a release
    // and a press with one timestamp, or as presses alone. No repeat is refused with a hint,
    // although the new case has no walls picked.
    void heldSpaceAnswersOnce_data()
    {
        QTest::addColumn<bool>("flagged");
        QTest::addColumn<bool>("withReleases");
        QTest::newRow("flagged, release and press") << true << true;
        QTest::newRow("unflagged, release and press") << false << true;
        QTest::newRow("flagged presses") << true << false;
        QTest::newRow("unflagged presses") << false << false;
    }

    void heldSpaceAnswersOnce()
    {
        QFETCH(bool, flagged);
        QFETCH(bool, withReleases);
        Subject ui;
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        ui.pickWalls(1, 1);
        qint64 at = testClock->now() + 500;
        testClock->setNow(at + 1);
        ui.spaceEvent(QEvent::KeyPress, at);
        QCOMPARE(ui.answers(), 1);
        at = testClock->now() + 500;
        for (int i = 0; i < 30; ++i, at += 33) {
            testClock->setNow(at + 1);
            if (withReleases)
                ui.spaceEvent(QEvent::KeyRelease, at, flagged);
            ui.spaceEvent(QEvent::KeyPress, at, flagged);
        }
        ui.spaceEvent(QEvent::KeyRelease, at + 10);
        QCOMPARE(ui.answers(), 1);
        QCOMPARE(answerer.boxes.size(), 0);

        // The next press is an answer again (here refused: no walls picked yet).
        testClock->setNow(at + 200);
        ui.spaceEvent(QEvent::KeyPress, at + 100);
        QCOMPARE(answerer.texts(), QStringList {hintWall});
    }

    void spaceAnswersOncePerPress()
    {
        Subject ui;
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        ui.pickWalls(1, 1);
        ui.spaceEvent(QEvent::KeyPress, 0);
        QCOMPARE(ui.answers(), 1);
        // Held down: the repeats answer nothing, not even with a hint.
        ui.pickWalls(1, 1);
        ui.space(true);
        ui.space(true);
        QCOMPARE(ui.answers(), 1);
        QCOMPARE(answerer.boxes.size(), 0);
        ui.spaceEvent(QEvent::KeyRelease, 0);
        ui.space();
        QCOMPARE(ui.answers(), 2);
        // Other keys do nothing.
        ui.pickWalls(1, 1);
        QTest::keyClick(&ui.window, Qt::Key_Return);
        QTest::keyClick(&ui.window, Qt::Key_M);
        QCOMPARE(ui.answers(), 2);
    }

    void logClearedAfterEveryTenthAnswer()
    {
        Subject ui;
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        for (int i = 1; i <= 9; ++i)
            ui.answer(0, 0, 10);
        QCOMPARE(ui.logLines().size(), 9);
        ui.answer(0, 0, 10);
        QCOMPARE(ui.logLines().size(), 0);
        ui.answer(1, 2, 10);
        QCOMPARE(ui.logLines().size(), 1);
        QVERIFY(ui.logLines()[0].startsWith("Sample 11: Wall 1 <===> Wall 2"));
        QCOMPARE(ui.answers(), 11);
    }

    void pauseExcludesPausedTime()
    {
        Subject ui;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        testClock->advance(1500);
        MainWindowProbe::tick(ui.window);
        QVERIFY(MainWindowProbe::showsTime(ui.window, "0:01.500"));
        QVERIFY(!MainWindowProbe::showsTime(ui.window, "0:01.501"));

        QTest::mouseClick(ui.pause, Qt::LeftButton);
        testClock->advance(2000);
        // One last tick shows the frozen time and stops the display timer.
        QVERIFY(MainWindowProbe::tick(ui.window));
        QVERIFY(MainWindowProbe::showsTime(ui.window, "0:01.500"));
        QCOMPARE(MainWindowProbe::displayTimerId(ui.window), -1);
        testClock->advance(60000);

        QTest::mouseClick(ui.pause, Qt::LeftButton);
        testClock->advance(500);
        QVERIFY(MainWindowProbe::tick(ui.window));
        QVERIFY(MainWindowProbe::showsTime(ui.window, "0:02.000"));

        // Paused and resumed before any tick: one display timer, the time still continues.
        QTest::mouseClick(ui.pause, Qt::LeftButton);
        QTest::mouseClick(ui.pause, Qt::LeftButton);
        testClock->advance(250);
        QVERIFY(MainWindowProbe::tick(ui.window));
        QVERIFY(MainWindowProbe::showsTime(ui.window, "0:02.250"));

        ModalAnswerer answerer;
        ui.pickWalls(3, 3);
        QTest::mouseClick(ui.match, Qt::LeftButton);
        QTRY_VERIFY(readFile("results.txt").contains("Time: 0:02.250 Mouse:"));
        testClock->advance(40);
        MainWindowProbe::tick(ui.window);
        QVERIFY(MainWindowProbe::showsTime(ui.window, "0:00.040"));
    }

    void refusedAnswerRestartsClock()
    {
        Subject ui;
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        testClock->advance(5000);
        MainWindowProbe::tick(ui.window);
        QTest::mouseClick(ui.pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, 1));
        QTest::mouseClick(ui.match, Qt::LeftButton);
        QCOMPARE(answerer.texts(), QStringList {hintWall});
        testClock->advance(30);
        MainWindowProbe::tick(ui.window);
        QVERIFY(MainWindowProbe::showsTime(ui.window, "0:00.030"));
        QCOMPARE(ui.answers(), 0);
        QCOMPARE(ui.wall1->text(), QString("1"));
    }

    void longCasesKeepTheirMinutes()
    {
        Subject ui;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        testClock->advance((61 * 60 + 5) * 1000);
        MainWindowProbe::tick(ui.window);
        QVERIFY(MainWindowProbe::showsTime(ui.window, "61:05.000"));
    }

    // A whole run through the real widgets, ended by the last answer.
    void completeRun()
    {
        Subject ui;
        ui.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ui.window));
        ModalAnswerer answerer;
        answerer.queue(QMessageBox::Ok);
        answerer.queue(QMessageBox::No); // refuse the exit: the run is Ended
        QTest::mouseClick(ui.start, Qt::LeftButton);

        QByteArray expected;
        for (int n = 1; n <= 100; ++n) {
            const int w1 = n % 4, w2 = (n / 4) % 4;
            const qint64 think = 1000 + n;
            ui.answer(w1, w2, think);
            const QPoint p1 = fixture::boxWallCentre(false, w1);
            const QPoint p2 = fixture::boxWallCentre(true, w2);
            expected +=
                QString::asprintf("ind %d: Wall %d <==> Wall %d (Kestrel) Time: 0:%02d.%03d "
                                  "Mouse: %d %d <==> %d %d\n",
                                  n, w1, w2, int(think / 1000), int(think % 1000), p1.x(), p1.y(),
                                  p2.x(), p2.y())
                    .toUtf8();
            if (n < 100) {
                QTRY_COMPARE(readFile("results.txt"), expected);
                QCOMPARE(ui.progress->text(), QString("Progress:%1/100").arg(n + 1));
            }
        }
        QCOMPARE(answerer.titles(), QStringList({"Information", "Close Confirmation"}));
        QCOMPARE(answerer.texts(), QStringList({"Well done! You finished test.", "Exit?"}));
        QCOMPARE(readFile("results.txt"), expected);
        QCOMPARE(expected.count('\n'), 100);
        QCOMPARE(ui.progress->text(), QString("Progress:100/100"));
        QVERIFY(ui.window.isVisible());
        QVERIFY(!ui.viewport->isEnabled());
        QVERIFY(!ui.clockRunning());
        QCOMPARE(MainWindowProbe::currentSampleId(ui.window), 100);

        // Ended: resuming and answering again gives a duplicate of the last sample's id.
        answerer.clear();
        answerer.queue(QMessageBox::Ok);
        answerer.queue(QMessageBox::Yes);
        QTest::mouseClick(ui.pause, Qt::LeftButton);
        QCOMPARE(ui.wall1->text(), QString::number(100 % 4));
        ui.space();
        QCOMPARE(answerer.texts(), QStringList({"Well done! You finished test.", "Exit?"}));
        QVERIFY(!ui.window.isVisible());
        const QList<QByteArray> lines = readFile("results.txt").split('\n');
        QCOMPARE(lines.size(), 102);
        QVERIFY(lines[100].startsWith("ind 100: Wall 0 <==> Wall 1"));
        QCOMPARE(ui.logLines().last().left(12), QString("Sample 101: "));
    }

    void closeBeforeAnyAnswerLeavesEmptyFile()
    {
        Subject ui;
        ui.window.show();
        ModalAnswerer answerer;
        answerer.queue(QMessageBox::No);
        ui.window.close();
        QCOMPARE(answerer.texts(), QStringList {"Exit?"});
        QCOMPARE(answerer.titles(), QStringList {"Close Confirmation"});
        QVERIFY(ui.window.isVisible());
        QVERIFY(QFile::exists("results.txt"));
        QCOMPARE(QFile("results.txt").size(), 0);
    }

    void refusedExitThenMoreAnswers()
    {
        Subject ui;
        ui.window.show();
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        ui.answer(1, 1, 100);
        answerer.queue(QMessageBox::No);
        ui.window.close();
        QVERIFY(ui.window.isVisible());
        // The run goes on: the clock counted through the question.
        QVERIFY(ui.clockRunning());
        const QByteArray first = readFile("results.txt");
        QCOMPARE(first.count('\n'), 1);
        ui.answer(2, 2, 100);
        ui.answer(3, 3, 100);
        answerer.queue(QMessageBox::Yes);
        ui.window.close();
        QVERIFY(!ui.window.isVisible());
        const QByteArray all = readFile("results.txt");
        QVERIFY(all.startsWith(first));
        QCOMPARE(all.count('\n'), 3);
        QVERIFY(!all.contains('\r'));
        QCOMPARE(MainWindowProbe::answerHeads(all),
                 QStringList({"ind 1: Wall 1 <==> Wall 1", "ind 2: Wall 2 <==> Wall 2",
                              "ind 3: Wall 3 <==> Wall 3"}));
    }

    void earlierSessionFileIsKept()
    {
        {
            QFile earlier("results.txt");
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write(
                "ind 1: Wall 0 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 1 <==> 1 1\n");
        }
        Subject ui;
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        ui.answer(1, 2, 10);
        QTRY_VERIFY(readFile("results.txt").startsWith("ind 1: Wall 1 <==> Wall 2"));
        const QStringList kept = QDir().entryList({"results-*.txt"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QVERIFY(readFile(kept[0]).startsWith("ind 1: Wall 0 <==> Wall 0"));
        QCOMPARE(answerer.boxes.size(), 0);
    }

    // Works for root too: a folder stands where the results file should be written. The answers
    // go to a new file beside it, the box says so once, and every later answer goes there.
    void unwritableResultsGoToAFallbackFile()
    {
        QVERIFY(QDir().mkdir("results.txt"));
        Subject ui;
        ui.window.show();
        ModalAnswerer answerer;
        QTest::mouseClick(ui.start, Qt::LeftButton);
        ui.answer(1, 1, 10);
        QTRY_COMPARE(answerer.titles(), QStringList {"Results Saved Elsewhere"});
        const QStringList fallback = QDir().entryList({"results-*.txt"}, QDir::Files);
        QCOMPARE(fallback.size(), 1);
        QVERIFY(answerer.texts()[0].contains(QDir::current().absoluteFilePath("results.txt")));
        QVERIFY(answerer.texts()[0].contains(QDir::current().absoluteFilePath(fallback[0])));
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Warning);
        // The next case's clock starts only after the box.
        QVERIFY(ui.clockRunning());
        MainWindowProbe::tick(ui.window);
        QVERIFY(MainWindowProbe::showsTime(ui.window, "0:00.000"));

        ui.answer(2, 2, 10);
        QVERIFY(QDir().rmdir("results.txt")); // writable again: the answers stay where they went
        answerer.queue(QMessageBox::No);
        ui.window.close();
        QCOMPARE(answerer.titles(), QStringList({"Results Saved Elsewhere", "Close Confirmation"}));
        QCOMPARE(MainWindowProbe::answerHeads(readFile(fallback[0])),
                 QStringList({"ind 1: Wall 1 <==> Wall 1", "ind 2: Wall 2 <==> Wall 2"}));
        QVERIFY(!QFile::exists("results.txt"));
    }

    void setTotalNumChangesOnlyTheLabel()
    {
        Subject ui;
        QVERIFY(QMetaObject::invokeMethod(&ui.window, "setTotalNum", Q_ARG(uint, 7u)));
        QCOMPARE(ui.progress->text(), QString("Progress:1/7"));
    }
};

QTEST_MAIN(TestRun)
#include "tst_testrun.moc"
