#include "fakeclock.h"
#include "fixturetree.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "startup.h"
#include "testfiles.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using testfiles::writeFile;

namespace {

std::unique_ptr<FakeClock> fakeClock;

// Everything the window shows in words: visible labels, buttons, group box titles, browsers,
// and its title.
QStringList visibleTexts(const MainWindow &window)
{
    QStringList texts {window.windowTitle()};
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (!widget->isVisible())
            continue;
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            texts << button->text();
        else if (auto *box = qobject_cast<QGroupBox *>(widget))
            texts << box->title();
        else if (auto *browser = qobject_cast<QTextBrowser *>(widget))
            texts << browser->toPlainText();
    }
    return texts;
}

// What would tell the participant the source, the time, earlier answers or wall numbers.
QStringList tells(const QStringList &texts)
{
    static const QRegularExpression told(
        "Kestrel|Bramble|CornerType|\\d:\\d\\d|Time|Wall \\d|wall:|Sample \\d|<===>|-1");
    QStringList found;
    for (const QString &text : texts) {
        if (told.match(text).hasMatch())
            found << text;
    }
    return found;
}

struct Window : StudyWindow
{
    using StudyWindow::StudyWindow;
    void answerBox(int w1, int w2)
    {
        QTest::mouseClick(pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, w1));
        QTest::mouseClick(pano2, Qt::LeftButton, {}, fixture::boxWallCentre(true, w2));
        fakeClock->advance(2000);
        QTest::mouseClick(match, Qt::LeftButton);
    }
    // The notice over the views, when one is shown.
    QLabel *notice() const
    {
        for (QLabel *label : window.findChildren<QLabel *>()) {
            if (label->isVisible() && label->objectName().isEmpty() && !label->text().isEmpty())
                return label;
        }
        return nullptr;
    }
};

} // namespace

// A study run as the participant sees it, page by page, and as the experimenter does with
// --experimenter-view.
class TestParticipantView : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;
    QString originalDir;

    wallmatch::Startup startWith(QStringList options)
    {
        return wallmatch::prepareStartup(QStringList {"wallmatch", "--plan", "plan.csv",
                                                      "--participant", "P1", "--truth", "truth.csv",
                                                      "--break-every", "2"}
                                         + options);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 6));
        originalDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tree.path()));
        QVERIFY(writeFile("plan.csv",
                          "sample,source,phase\n5,Kestrel,practice\n6,Kestrel,practice\n"
                          "1,Kestrel,test\n2,Bramble,test\n3,Kestrel,test\n"
                          "4,Bramble,test\n"));
        // Sample 5's primary wall 0 has no counterpart: the longest feedback there is.
        QByteArray truth = "sample,source,primary wall,secondary wall\n5,Kestrel,0,-1\n";
        for (int wall = 0; wall < 4; ++wall)
            truth += QString("6,Kestrel,%1,%2\n").arg(wall).arg((wall + 3) % 4).toUtf8();
        QVERIFY(writeFile("truth.csv", truth));
        fakeClock = std::make_unique<FakeClock>();
    }
    void cleanupTestCase()
    {
        fakeClock.reset();
        QDir::setCurrent(originalDir);
    }
    void init() { testfiles::removeSessionFiles(); }

    void everyPageOfARun_data()
    {
        QTest::addColumn<bool>("experimenter");
        QTest::newRow("participant") << false;
        QTest::newRow("experimenter") << true;
    }
    void everyPageOfARun()
    {
        QFETCH(bool, experimenter);
        const wallmatch::Startup start =
            startWith(experimenter ? QStringList {"--experimenter-view"} : QStringList());
        QCOMPARE(start.problems, QStringList());
        Window ui(start.run);
        ui.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ui.window));
        ModalAnswerer answerer;
        answerer.queue(QMessageBox::Yes);
        QStringList seen; // every page's texts
        auto look = [&](const char *page) {
            const QStringList texts = visibleTexts(ui.window);
            seen << texts;
            if (!experimenter)
                QVERIFY2(tells(texts).isEmpty(),
                         qPrintable(QString(page) + ": " + tells(texts).join(" | ")));
        };

        // No Start Test: Begin presents the first case at once.
        QVERIFY(ui.pageText().contains("Press Begin when you are ready."));
        look("opening");
        ui.begin();
        QVERIFY(!ui.page());
        QCOMPARE(MainWindowProbe::currentSampleId(ui.window), 5);
        QVERIFY(ui.window.studySession().running());
        look("case");

        QTest::mouseClick(ui.match, Qt::LeftButton); // no wall picked
        QVERIFY(ui.pageText().startsWith("Please click a wall in each panorama first"));
        QCOMPARE(answerer.texts(), QStringList()); // a page, no box
        look("refused");
        QVERIFY(ui.pressPageButton());

        ui.answerBox(0, 1);
        QLabel *feedback = ui.notice();
        QVERIFY(feedback);
        QVERIFY(feedback->text().contains("not seen in the bottom one"));
        // The whole note is inside the label: wrapped, never clipped.
        QVERIFY2(feedback->height() >= feedback->heightForWidth(feedback->width()),
                 qPrintable(QString("%1 < %2")
                                .arg(feedback->height())
                                .arg(feedback->heightForWidth(feedback->width()))));
        look("feedback");
        QTRY_VERIFY_WITH_TIMEOUT(!ui.notice(), 5000);
        QCOMPARE(ui.progress->text(), experimenter ? "Practice:2/2" : "Practice 2 of 2");
        ui.answerBox(1, 0);
        QTRY_VERIFY_WITH_TIMEOUT(ui.window.studySession().protocol().testAnswered() == 0
                                     && !ui.window.studySession().protocol().inPractice()
                                     && !ui.notice(),
                                 5000);
        QCOMPARE(ui.progress->text(), experimenter ? "Progress:1/4" : "Case 1 of 4");
        ui.answerBox(2, 1);
        look("second test case");
        ui.answerBox(3, 2);
        QVERIFY(ui.notice());
        look("break");
        QTest::mouseClick(ui.pause, Qt::LeftButton);
        QVERIFY(!ui.notice());
        QTest::mouseClick(ui.pause, Qt::LeftButton);
        QCOMPARE(ui.notice()->text(), QString("Paused. Press Resume to continue."));
        look("pause");
        QTest::mouseClick(ui.pause, Qt::LeftButton);
        ui.answerBox(0, 3);
        ui.answerBox(1, 0);
        QVERIFY(ui.pageText().startsWith("Thank you! You have finished."));
        QVERIFY(ui.pageText().contains("Please tell the experimenter."));
        look("end");
        QCOMPARE(answerer.texts(), QStringList());
        QVERIFY(ui.pressPageButton());
        QCOMPARE(answerer.texts(), QStringList({"Exit?"}));
        QVERIFY(!ui.window.isVisible());

        // The experimenter sees what the participant does not: the sources, times and the log.
        const QString all = seen.join('\n');
        for (const char *shown : {"Kestrel", "Bramble", "Time: 0:02.000", "Wall 2 <===> Wall 1"})
            QCOMPARE(all.contains(shown), experimenter);
    }

    // A resumed session opens with where it stands and Begin, not with the instructions.
    void resumeWelcomesBack()
    {
        QVERIFY(writeFile("intro.md", "# Instructions\n\nThe first two cases are practice.\n"));
        {
            const wallmatch::Startup start = startWith({"--instructions", "intro.md"});
            QCOMPARE(start.problems, QStringList());
            Window ui(start.run);
            ui.window.show();
            ModalAnswerer answerer;
            answerer.queue(QMessageBox::Yes);
            QVERIFY(ui.pageText().contains("The first two cases are practice."));
            ui.begin();
            ui.answerBox(0, 1);
            QTRY_VERIFY_WITH_TIMEOUT(!ui.notice(), 5000);
            ui.answerBox(1, 0);
            QTRY_VERIFY_WITH_TIMEOUT(!ui.notice() && ui.progress->text() == "Case 1 of 4", 5000);
            ui.answerBox(2, 1);
            ui.answerBox(3, 2);
            ui.window.close();
        }
        const wallmatch::Startup start = startWith({"--instructions", "intro.md", "--resume"});
        QCOMPARE(start.problems, QStringList());
        Window ui(start.run);
        ui.window.show();
        ModalAnswerer answerer;
        QCOMPARE(ui.pageText(),
                 QString("Welcome back. You are at case 3 of 4.\n"
                         "Press Begin to go on."));
        QVERIFY(tells(visibleTexts(ui.window)).isEmpty());
        ui.begin();
        QVERIFY(!ui.page());
        QCOMPARE(MainWindowProbe::currentSampleId(ui.window), 3);
        QCOMPARE(ui.progress->text(), QString("Case 3 of 4"));
        QVERIFY(ui.window.studySession().running());
    }
};

QTEST_MAIN(TestParticipantView)
#include "tst_participantview.moc"
