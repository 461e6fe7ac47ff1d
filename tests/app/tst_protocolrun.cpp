#include "fakeclock.h"
#include "fixturetree.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "renderarea.h"
#include "startup.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using testfiles::readFile;
using testfiles::writeFile;

namespace {

std::unique_ptr<FakeClock> fakeClock;

// The box room's walls: primary wall w is secondary wall w + 3 (mod 4).
QByteArray boxTruth(int samples)
{
    QByteArray csv = "sample,source,primary wall,secondary wall\n";
    for (int sample = 1; sample <= samples; ++sample) {
        for (int wall = 0; wall < 4; ++wall)
            csv += QString("%1,Kestrel,%2,%3\n").arg(sample).arg(wall).arg((wall + 3) % 4).toUtf8();
    }
    return csv;
}

struct Window : StudyWindow
{
    using StudyWindow::StudyWindow;

    // Clicks outside every wall (the ceiling), picks the walls, thinks a second and answers.
    void answerBox(int w1, int w2)
    {
        QTest::mouseClick(pano1, Qt::LeftButton, {}, QPoint(300, 10));
        QTest::mouseClick(pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, w1));
        QTest::mouseClick(pano2, Qt::LeftButton, {}, fixture::boxWallCentre(true, w2));
        fakeClock->advance(1000);
        QTest::mouseClick(match, Qt::LeftButton);
    }
    QString notice() const
    {
        for (QLabel *label : window.findChildren<QLabel *>()) {
            if (label->isVisible() && label->objectName().isEmpty() && !label->text().isEmpty())
                return label->text();
        }
        return {};
    }
};

QStringList lines(const QString &file)
{
    return QString::fromUtf8(readFile(file)).split('\n', Qt::SkipEmptyParts);
}

// Per case ("phase case"), the case time the events give: answer - present - paused stretches.
QMap<QString, qint64> caseTimesFromEvents(const QStringList &rows)
{
    QMap<QString, qint64> times;
    QMap<QString, qint64> pausedAt;
    for (const QString &row : rows.mid(1)) {
        const QStringList f = row.split(',');
        const QString key = f.at(1) + " " + f.at(2);
        const qint64 at = f.at(0).toLongLong();
        const QString event = f.at(5);
        if (event == "present" || event == "refused")
            times[key] = -at; // a refused answer starts the case time anew
        else if (event == "pause" || event == "break" || event == "focus-lost")
            pausedAt[key] = at;
        else if (event == "resume")
            times[key] -= at - pausedAt.value(key);
        else if (event == "answer")
            times[key] += at;
    }
    return times;
}

} // namespace

class TestProtocolRun : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;
    QString originalDir;

    // Two practice and four test cases with feedback, or six test cases.
    wallmatch::StudyRun protocolRun(bool practice = true)
    {
        const wallmatch::Startup start = wallmatch::prepareStartup(
            {"wallmatch", "--plan", practice ? "training.csv" : "plan.csv", "--participant", "P5",
             "--break-every", "2", "--truth", "truth.csv", "--experimenter-view"});
        [&] { QCOMPARE(start.problems, QStringList()); }();
        [&] { QCOMPARE(start.run.practiceCases, practice ? 2 : 0); }();
        return start.run;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 6));
        originalDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tree.path()));
        QVERIFY(writeFile("plan.csv",
                          "sample,source\n1,Kestrel\n2,Kestrel\n3,Kestrel\n4,Kestrel\n"
                          "5,Kestrel\n6,Kestrel\n"));
        QVERIFY(writeFile("training.csv",
                          "sample,source,phase\n1,Kestrel,practice\n"
                          "2,Kestrel,practice\n3,Kestrel,\n4,Kestrel,test\n"
                          "5,Kestrel,test\n6,Kestrel,test\n"));
        QVERIFY(writeFile("truth.csv", boxTruth(6)));
        fakeClock = std::make_unique<FakeClock>();
    }
    void cleanupTestCase()
    {
        fakeClock.reset();
        QDir::setCurrent(originalDir);
    }
    void init() { testfiles::removeSessionFiles(); }

    // Two practice cases with feedback, four test cases with a break after the second.
    void practiceFeedbackBreakAndEvents()
    {
        Window ui(protocolRun());
        ui.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ui.window));
        ModalAnswerer answerer;
        answerer.queue(QMessageBox::Yes);
        QCOMPARE(ui.progress->text(), QString("Practice:1/2"));
        ui.begin();

        ui.answerBox(0, 0); // wrong: wall 0 is wall 3 below
        QCOMPARE(ui.notice(), QString("Not the same wall"));
        // The right wall's outline is green on its column, and only there.
        const QImage shown = ui.pano2->grab().toImage();
        auto greenIn = [&shown](int x) {
            int n = 0;
            for (int y = 0; y < shown.height(); ++y) {
                const QColor c = shown.pixelColor(x, y);
                n += c.green() > 180 && c.red() < 80 && c.blue() < 80;
            }
            return n;
        };
        QVERIFY(greenIn(fixture::boxWallCentre(true, 3).x()) >= 4);
        QCOMPARE(greenIn(fixture::boxWallCentre(true, 1).x()), 0);
        // Answers and pauses during the feedback count for nothing.
        QTest::mouseClick(ui.match, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(ui.progress->text(), QString("Practice:2/2"), 5000);
        QCOMPARE(ui.notice(), QString());

        ui.answerBox(1, 0);
        QCOMPARE(ui.notice(), QString("Correct"));
        QTRY_COMPARE_WITH_TIMEOUT(ui.progress->text(), QString("Progress:1/4"), 5000);

        ui.answerBox(2, 1);
        QCOMPARE(ui.progress->text(), QString("Progress:2/4"));
        ui.answerBox(3, 2);
        QCOMPARE(ui.progress->text(), QString("Progress:3/4"));
        QCOMPARE(ui.notice(), QString("Take a short break. Press Resume to continue."));
        fakeClock->advance(60000); // the break
        QTest::mouseClick(ui.pause, Qt::LeftButton);
        QCOMPARE(ui.notice(), QString());
        ui.answerBox(0, 3);
        ui.answerBox(1, 0);
        QVERIFY(ui.pageText().startsWith("Thank you! You have finished."));
        QVERIFY(ui.pressPageButton()); // Close
        QCOMPARE(answerer.texts(), QStringList({"Exit?"}));

        QCOMPARE(lines("practice_P5.txt").size(), 2);
        QVERIFY(lines("practice_P5.txt")
                    .at(0)
                    .startsWith("ind 1: Wall 0 <==> Wall 0 (Kestrel) Time: 0:01.000"));
        const QStringList results = lines("results_P5.txt");
        QCOMPARE(results.size(), 4);
        for (int i = 0; i < 4; ++i)
            QVERIFY2(results.at(i).startsWith(QString("ind %1: ").arg(i + 3))
                         && results.at(i).contains("Time: 0:01.000"),
                     qPrintable(results.at(i))); // the break is in no case's time

        const QStringList rows = lines("events_P5.csv");
        QCOMPARE(rows.first(),
                 QString("session_ms,phase,case,sample,source,event,view,wall,x,y,"
                         "frame_sent_ms,presented_ms,onset"));
        const QMap<QString, qint64> times = caseTimesFromEvents(rows);
        QCOMPARE(times.keys(),
                 QStringList({"practice 1", "practice 2", "test 1", "test 2", "test 3", "test 4"}));
        for (const qint64 t : times)
            QCOMPARE(t, qint64(1000));
        QCOMPARE(rows.filter(",break,").size(), 1);
        QCOMPARE(rows.filter(",test,3,5,Kestrel,resume,").size(), 1);
        QCOMPARE(rows.filter(",miss,1,,300,10").size(), 6);
        const QPoint p = fixture::boxWallCentre(true, 3);
        QCOMPARE(
            rows.filter(QString(",test,3,5,Kestrel,pick,2,3,%1,%2").arg(p.x()).arg(p.y())).size(),
            1);

        const QJsonArray sessions = QJsonDocument::fromJson(readFile("session_P5.json"))
                                        .object()
                                        .value("sessions")
                                        .toArray();
        QCOMPARE(sessions.size(), 1);
        const QJsonObject s = sessions.at(0).toObject();
        QCOMPARE(s.value("test_cases_answered").toInt(), 4);
        QCOMPARE(s.value("practice_cases_answered").toInt(), 2);
        QCOMPARE(s.value("completed").toBool(), true);
        QCOMPARE(s.value("participant").toString(), QString("P5"));
        QVERIFY(!s.value("end").toString().isEmpty());
    }

    // An earlier session's files: refused without --resume or --restart; --restart keeps them
    // aside with the ID; --resume appends to the event log and the session record.
    void earlierSession_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("practice");
        QTest::newRow("neither") << QString() << 2;
        QTest::newRow("restart") << "--restart" << 2;
        QTest::newRow("resume") << "--resume" << 0;
    }
    void earlierSession()
    {
        QFETCH(QString, option);
        QFETCH(int, practice);
        {
            Window ui(protocolRun(practice));
            ui.window.show();
            ModalAnswerer answerer;
            answerer.queue(QMessageBox::Yes);
            ui.begin();
            if (practice) {
                ui.answerBox(0, 3);
                QTRY_COMPARE_WITH_TIMEOUT(ui.progress->text(), QString("Practice:2/2"), 5000);
                ui.answerBox(1, 0);
                QTRY_COMPARE_WITH_TIMEOUT(ui.progress->text(), QString("Progress:1/4"), 5000);
            }
            ui.answerBox(2, 1);
            ui.answerBox(3, 2);
            ui.window.close();
        }
        const QByteArray earlierEvents = readFile("events_P5.csv");
        QStringList args {"wallmatch",     "--plan", practice ? "training.csv" : "plan.csv",
                          "--participant", "P5",     "--experimenter-view"};
        if (!option.isEmpty())
            args << option;
        const wallmatch::Startup start = wallmatch::prepareStartup(args);
        if (option.isEmpty()) {
            QCOMPARE(start.problems.size(), 1);
            const QString text = start.problems.first();
            QVERIFY2(text.contains("results_P5.txt holds 2 answers")
                         && text.contains("practice_P5.txt holds 2 practice answers")
                         && text.contains("--resume") && text.contains("--restart"),
                     qPrintable(text));
            return;
        }
        QCOMPARE(start.problems, QStringList());
        if (option == "--restart") {
            const QStringList kept = QDir().entryList({"*_P5-*"}, QDir::Files);
            QCOMPARE(kept.size(), 4);
            for (const char *prefix : {"results_P5-", "practice_P5-", "events_P5-", "session_P5-"})
                QCOMPARE(kept.filter(QRegularExpression(QString("^") + prefix + "\\d{8}-\\d{6}\\."))
                             .size(),
                         1);
            QVERIFY(!QFile::exists("results_P5.txt"));
            return;
        }
        Window ui(start.run);
        ui.window.show();
        ModalAnswerer answerer;
        answerer.queue(QMessageBox::Yes);
        QCOMPARE(ui.progress->text(), QString("Progress:3/6"));
        ui.begin();
        ui.answerBox(0, 3);
        ui.window.close();
        const QByteArray events = readFile("events_P5.csv");
        QVERIFY(events.startsWith(earlierEvents));
        QVERIFY(events.mid(earlierEvents.size()).contains(",test,3,3,Kestrel,answer,"));
        QCOMPARE(events.count("session_ms"), 1);
        QCOMPARE(lines("results_P5.txt").size(), 3);
        const QJsonArray sessions = QJsonDocument::fromJson(readFile("session_P5.json"))
                                        .object()
                                        .value("sessions")
                                        .toArray();
        QCOMPARE(sessions.size(), 2);
    }
};

QTEST_MAIN(TestProtocolRun)
#include "tst_protocolrun.moc"
