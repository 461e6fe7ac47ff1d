#include "fakeclock.h"
#include "fixturetree.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "renderarea.h"
#include "resultsstore.h"
#include "roomfixture.h"
#include "startup.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <memory>

using testfiles::readFile;
using testfiles::writeFile;

namespace {

std::unique_ptr<FakeClock> fakeClock;

QString boxLine(int sample, int w1, int w2, const char *source)
{
    const QPoint p1 = fixture::boxWallCentre(false, w1);
    const QPoint p2 = fixture::boxWallCentre(true, w2);
    return QString::asprintf("ind %d: Wall %d <==> Wall %d (%s) Time: 0:01.000 Mouse: %d %d <==> "
                             "%d %d\n",
                             sample, w1, w2, source, p1.x(), p1.y(), p2.x(), p2.y());
}

wallmatch::Startup startWith(const QStringList &options)
{
    // These tests read what the experimenter sees of a study run: the source, the log.
    const QStringList view =
        options.contains("--plan") ? QStringList {"--experimenter-view"} : QStringList();
    return wallmatch::prepareStartup(QStringList {"wallmatch"} + options + view);
}

// How strongly a pixel looks like the yellow of the wall outlines and corner lines on grey.
int yellowness(const QImage &image, int x, int y)
{
    int best = 0;
    for (int dx = -1; dx <= 1; ++dx) {
        const QColor c = image.pixelColor(x + dx, y);
        best = qMax(best, (c.red() + c.green()) / 2 - c.blue());
    }
    return best;
}

struct Window : StudyWindow
{
    using StudyWindow::StudyWindow;

    void answerAt(const QPoint &p1, const QPoint &p2)
    {
        QTest::mouseClick(pano1, Qt::LeftButton, {}, p1);
        QTest::mouseClick(pano2, Qt::LeftButton, {}, p2);
        fakeClock->advance(1000);
        MainWindowProbe::tick(window);
        QTest::mouseClick(match, Qt::LeftButton);
    }
    void answerBox(int w1, int w2)
    {
        answerAt(fixture::boxWallCentre(false, w1), fixture::boxWallCentre(true, w2));
    }
};

} // namespace

class TestStudyRun : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;
    QTemporaryDir userData; // stands in for the user's data folder
    QString originalDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        QVERIFY(userData.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 6));
        // Sample 7: Kestrel sees the box room, Bramble six walls.
        for (const char *view : {"pri_pano", "sec_pano"})
            QVERIFY(fixture::writePanoFolder(tree.path() + "/test_datasets/7/" + view,
                                             QSize(1024, 512), fixture::boxRoomCorners(),
                                             fixture::sixWallRoom()));
        // LGTNet, a source of no built-in name, sees sample 7 as Bramble does.
        for (const char *view : {"pri_pano", "sec_pano"})
            QVERIFY(
                QFile::copy(tree.path() + "/test_datasets/7/" + view + "/pred_corner_Bramble.txt",
                            tree.path() + "/test_datasets/7/" + view + "/pred_corner_LGTNet.txt"));
        originalDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tree.path()));
        fakeClock = std::make_unique<FakeClock>();
    }
    void cleanupTestCase()
    {
        fakeClock.reset();
        QDir::setCurrent(originalDir);
    }
    void init()
    {
        for (const QString &name :
             QDir().entryList({"results*", "*.csv"}, QDir::Files | QDir::Hidden))
            QFile::remove(name);
    }

    void planRunsItsCasesInOrderWithTheirSources()
    {
        QVERIFY(writeFile("plan.csv", "sample,source\n3,Bramble\n1,Kestrel\n2,Bramble\n"));
        const wallmatch::Startup start = startWith({"--plan", "plan.csv", "--participant", "P07"});
        QCOMPARE(start.problems, QStringList());
        Window ui(start.run);
        ui.window.show();
        ModalAnswerer answerer;
        answerer.queue(QMessageBox::Yes);
        QCOMPARE(ui.progress->text(), QString("Progress:1/3"));
        ui.begin();
        QCOMPARE(ui.type->text(), QString("Bramble"));
        ui.answerBox(1, 2);
        QCOMPARE(ui.progress->text(), QString("Progress:2/3"));
        QCOMPARE(ui.type->text(), QString("Kestrel"));
        ui.answerBox(3, 0);
        QCOMPARE(ui.progress->text(), QString("Progress:3/3"));
        QCOMPARE(ui.type->text(), QString("Bramble"));
        ui.answerBox(2, 2);
        QVERIFY(ui.pageText().startsWith("Thank you! You have finished."));
        QVERIFY(ui.pressPageButton()); // Close
        QCOMPARE(answerer.texts(), QStringList({"Exit?"}));
        QVERIFY(!ui.window.isVisible());
        QCOMPARE(readFile("results_P07.txt"),
                 (boxLine(3, 1, 2, "Bramble") + boxLine(1, 3, 0, "Kestrel")
                  + boxLine(2, 2, 2, "Bramble"))
                     .toUtf8());
        QVERIFY(!QFile::exists("results.txt"));
    }

    // Sample 7's Bramble corners are six walls at azimuths 20, 75, 140, ... degrees; Kestrel's
    // the box room's four at 45, 135, ... The views must draw and pick Bramble's.
    void brambleRowShowsAndRecordsBrambleWalls()
    {
        QVERIFY(writeFile("plan.csv", "sample,source\n7,Bramble\n"));
        const wallmatch::Startup start = startWith({"--plan", "plan.csv"});
        QCOMPARE(start.problems, QStringList());
        Window ui(start.run);
        ui.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ui.window));
        ModalAnswerer answerer;
        ui.begin();

        const QImage shown = ui.pano1->grab().toImage();
        auto column = [](double degrees) { return qRound(degrees / 360.0 * 1024); };
        for (double az : fixture::sixWallAzimuths())
            QVERIFY2(yellowness(shown, column(az), 256) > 60, qPrintable(QString::number(az)));
        for (double az : {45.0, 135.0, 225.0, 315.0})
            QVERIFY2(yellowness(shown, column(az), 256) < 20, qPrintable(QString::number(az)));

        // 107 degrees lies in Bramble's wall 1 (75 to 140), Kestrel's wall 0 (45 to 135).
        const QPoint inWall1(column(107), 256);
        ui.answerAt(inWall1, inWall1);
        const QString line = QString::fromUtf8(readFile("results.txt"));
        QVERIFY2(line.startsWith("ind 7: Wall 1 <==> Wall 1 (Bramble) Time: 0:01.000 Mouse: "),
                 qPrintable(line));
        QVERIFY(ui.pageText().startsWith("Thank you! You have finished."));
        QVERIFY(ui.pressPageButton()); // Close
        QCOMPARE(answerer.texts(), QStringList({"Exit?"}));
    }

    // A sample shown with three sources, one of them not built in: each case draws and records
    // its own source's walls, and the label names the first case's source before the start.
    void namedSourcesShowTheirOwnWalls_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::newRow("LGTNet first") << QStringList {"LGTNet", "Kestrel", "Bramble"};
        QTest::newRow("Kestrel first") << QStringList {"Kestrel", "LGTNet", "Bramble"};
    }
    void namedSourcesShowTheirOwnWalls()
    {
        QFETCH(QStringList, sources);
        QString plan = "sample,source\n";
        for (const QString &s : sources)
            plan += "7," + s + "\n";
        QVERIFY(writeFile("plan.csv", plan.toUtf8()));
        const wallmatch::Startup start = startWith({"--plan", "plan.csv"});
        QCOMPARE(start.problems, QStringList());
        Window ui(start.run);
        ui.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ui.window));
        ModalAnswerer answerer;
        answerer.queue(QMessageBox::Yes);
        QCOMPARE(ui.type->text(), sources.first());
        ui.begin();
        auto column = [](double degrees) { return qRound(degrees / 360.0 * 1024); };
        const QPoint inWall1(column(107), 256);
        QString expected;
        for (const QString &source : sources) {
            QCOMPARE(ui.type->text(), source);
            const QImage shown = ui.pano2->grab().toImage();
            const bool sixWalls = source != "Kestrel";
            for (double az : fixture::sixWallAzimuths())
                QVERIFY2((yellowness(shown, column(az), 256) > 60) == sixWalls,
                         qPrintable(source + QString::number(az)));
            for (double az : {45.0, 135.0, 225.0, 315.0})
                QVERIFY2((yellowness(shown, column(az), 256) > 60) == !sixWalls,
                         qPrintable(source + QString::number(az)));
            // 107 degrees: wall 1 of the six, wall 0 of the box.
            ui.answerAt(inWall1, inWall1);
            expected +=
                QString("ind 7: Wall %1 <==> Wall %1 (%2) ").arg(sixWalls ? 1 : 0).arg(source);
        }
        QStringList lines = QString::fromUtf8(readFile("results.txt")).split('\n');
        lines.removeLast();
        QCOMPARE(lines.size(), sources.size());
        QString got;
        for (const QString &line : lines)
            got += line.left(line.indexOf("Time:"));
        QCOMPARE(got, expected);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("resultsFile"); // written first as results_P1.txt
        QTest::addColumn<QStringList>("expected"); // each a problem's beginning, in order

        const QByteArray two = (boxLine(2, 0, 0, "Kestrel") + boxLine(1, 0, 0, "Bramble")).toUtf8();
        const QStringList resume {"--plan", "plan.csv", "--participant", "P1", "--resume"};
        // clang-format off
        QTest::newRow("participant with a slash") << QStringList {"--participant", "a/b"} << QByteArray()
            << QStringList {"participant ID 'a/b': use 1 to 64 letters, digits, - and _"};
        QTest::newRow("empty participant") << QStringList {"--participant", ""} << QByteArray()
            << QStringList {"participant ID '': use 1 to 64 letters, digits, - and _"};
        QTest::newRow("unknown option") << QStringList {"--plans", "x"} << QByteArray()
            << QStringList {"Unknown option 'plans'.", "Try 'wallmatch --help'"};
        QTest::newRow("no such plan") << QStringList {"--plan", "nowhere.csv"} << QByteArray()
            << QStringList {"nowhere.csv: not a plan file"};
        QTest::newRow("resume: no file") << resume << QByteArray()
            << QStringList {"results_P1.txt: nothing to resume"};
        QTest::newRow("resume: another plan's file") << resume
            << (boxLine(2, 0, 0, "Kestrel") + boxLine(1, 0, 0, "Kestrel")).toUtf8()
            << QStringList {"results_P1.txt:2: sample 1 (Kestrel) is not case 2 of this run, sample 1 (Bramble)"};
        QTest::newRow("resume: another order") << resume << (boxLine(1, 0, 0, "Bramble")).toUtf8()
            << QStringList {"results_P1.txt:1: sample 1 (Bramble) is not case 1 of this run, sample 2 (Kestrel)"};
        QTest::newRow("resume: the fixed run's file") << QStringList {"--participant", "P1", "--resume"} << two
            << QStringList {"results_P1.txt:1: sample 2 (Kestrel) is not case 1 of this run, sample 1 (Kestrel)"};
        QTest::newRow("resume: nothing left") << resume << two + boxLine(3, 0, 0, "Kestrel").toUtf8()
            << QStringList {"results_P1.txt: holds 3 answers; the run has 3 cases"};
        QTest::newRow("resume: not a results line") << resume << two.left(30) + "\n"
            << QStringList {"results_P1.txt:1: "};
        QTest::newRow("participant with a line feed") << QStringList {"--participant", "P01\n"} << QByteArray()
            << QStringList {"participant ID 'P01\\x0a': use 1 to 64"};
        // Its files would be the dated files of participant C, and a resume of C would take them.
        QTest::newRow("participant ending like a date") << QStringList {"--plan", "plan.csv", "--participant", "C-20250101-120000"} << QByteArray()
            << QStringList {"participant ID 'C-20250101-120000' ends like a date, as the kept and fallback files of participant 'C'"};
        QTest::newRow("participant ending like a second fallback") << QStringList {"--participant", "C-20250101-120000-2"} << QByteArray()
            << QStringList {"participant ID 'C-20250101-120000-2' ends like a date"};
        QTest::newRow("participant of 65 characters") << QStringList {"--participant", QString(65, 'p')} << QByteArray()
            << QStringList {"participant ID '" + QString(65, 'p')};
        // Checked whole: the rows or answers after a NUL, a broken character or a cut line are
        // never silently dropped.
        QTest::newRow("resume: NUL") << resume << two + QByteArray("\0", 1) + two
            << QStringList {"results_P1.txt:3: a NUL byte"};
        QTest::newRow("resume: invalid UTF-8") << resume << two.left(20) + "\xFF" + two.mid(20)
            << QStringList {"results_P1.txt:1: invalid UTF-8 at column 21"};
        QTest::newRow("resume: torn last line") << resume << two.left(two.size() - 1)
            << QStringList {"results_P1.txt:2: the last line has no line end"};
        // clang-format on
    }

    void planInputCheckedWhole_data()
    {
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<QString>("expected");
        QTest::newRow("NUL") << QByteArray("sample,source\n2,Kestrel\0\n1,Bramble\n", 35)
                             << "plan.csv:2: a NUL byte at column 10";
        QTest::newRow("invalid UTF-8") << QByteArray("sample,source\n2,Kestrel\n1,Br\xE4mble\n")
                                       << "plan.csv:3: invalid UTF-8 at column 5";
        QTest::newRow("torn") << QByteArray("sample,source\n2,Kestrel\n1,Bramble")
                              << "plan.csv:3: the last line has no line end";
    }
    void planInputCheckedWhole()
    {
        QFETCH(QByteArray, plan);
        QFETCH(QString, expected);
        QVERIFY(writeFile("plan.csv", plan));
        const wallmatch::Startup start = startWith({"--plan", "plan.csv"});
        QCOMPARE(start.problems.size(), 1);
        QVERIFY2(start.problems.first().startsWith(expected), qPrintable(start.problems.first()));
        QVERIFY(start.run.cases.isEmpty());
    }

    // Resume takes the participant's newest answers wherever they went, and says which file.
    void resumeFindsNewestAnswers_data()
    {
        QTest::addColumn<QString>("source"); // the file expected to be resumed from
        QTest::addColumn<int>("answers");
        const QString data = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + "/wallmatch/";
        QTest::newRow("results file") << "results_P3.txt" << 1;
        QTest::newRow("fallback beside it") << "results_P3-20260101-000000.txt" << 2;
        QTest::newRow("fallback in the data folder")
            << data + "results_P3-20260101-000000.txt" << 3;
        QTest::newRow("temporary file of a kill at the rename") << "results_P3.txt.Ab12Cd" << 2;
    }
    void resumeFindsNewestAnswers()
    {
        QFETCH(QString, source);
        QFETCH(int, answers);
        QVERIFY(
            writeFile("plan.csv", "sample,source\n1,Kestrel\n2,Bramble\n3,Kestrel\n4,Kestrel\n"));
        const QVector<QString> lines {boxLine(1, 0, 0, "Kestrel"), boxLine(2, 1, 1, "Bramble"),
                                      boxLine(3, 2, 2, "Kestrel")};
        const QByteArray first = wallmatch::resultsBytes(lines.mid(0, 1));
        const QByteArray newest = wallmatch::resultsBytes(lines.mid(0, answers));
        QVERIFY(writeFile("results_P3.txt", first));
        {
            // An hour old: the fallback files are newer.
            QFile f("results_P3.txt");
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                  QFileDevice::FileModificationTime));
        }
        // Another participant's newer file, and a temporary file that does not extend the
        // results, are never taken.
        QVERIFY(writeFile("results_P33-20260101-000000.txt", wallmatch::resultsBytes(lines)));
        QVERIFY(writeFile("results_P3.txt.Zz99Zz", boxLine(4, 0, 0, "Kestrel").toUtf8() + first));
        if (source != "results_P3.txt") {
            QVERIFY(QDir().mkpath(QFileInfo(source).path()));
            QVERIFY(writeFile(source, newest));
        }
        const wallmatch::Startup start =
            startWith({"--plan", "plan.csv", "--participant", "P3", "--resume"});
        if (source.startsWith('/'))
            QVERIFY(QFile::remove(source));
        QCOMPARE(start.problems, QStringList());
        QCOMPARE(start.run.resumedFrom, source);
        QCOMPARE(wallmatch::resultsBytes(start.run.resumedLines), newest);
        QCOMPARE(start.run.resumedAnswers.size(), answers);
    }

    void refusals()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, resultsFile);
        QFETCH(QStringList, expected);
        QVERIFY(writeFile("plan.csv", "sample,source\n2,Kestrel\n1,Bramble\n3,Kestrel\n"));
        if (!resultsFile.isNull())
            QVERIFY(writeFile("results_P1.txt", resultsFile));
        const wallmatch::Startup start = startWith(options);
        QCOMPARE(start.problems.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(start.problems[i].startsWith(expected[i]), qPrintable(start.problems[i]));
    }

    // Every sample a plan names is checked before the window opens, each problem on the line
    // of its case.
    void planSamplesCheckedBeforeStart()
    {
        QTemporaryDir broken;
        QVERIFY(fixture::writeBoxRoomTree(broken.path(), 6));
        const QString data = broken.path() + "/test_datasets/";
        QVERIFY(QDir(data + "2").removeRecursively());
        QVERIFY(QFile::remove(data + "3/sec_pano/pred_corner_Bramble.txt"));
        QVERIFY(QFile::remove(data + "4/pri_pano/pred_corner.txt"));
        QVERIFY(writeFile(data + "5/pri_pano/color.jpg", "not an image"));
        QVERIFY(writeFile(data + "6/sec_pano/pred_corner.txt", ""));
        const QString plan = broken.path() + "/plan.csv";
        QVERIFY(writeFile(plan,
                          "sample,source\n1,Bramble\n2,Kestrel\n3,Kestrel\n3,Bramble\n4,Bramble\n"
                          "5,Kestrel\n6,Kestrel\n6,Bramble\n"));
        QVERIFY(QDir::setCurrent(broken.path()));
        const wallmatch::Startup start = startWith({"--plan", plan});
        QVERIFY(QDir::setCurrent(tree.path()));
        const QString p = plan + ":";
        QCOMPARE(
            start.problems,
            QStringList({
                p + "3: sample 2 (Kestrel): folder test_datasets/2/pri_pano is missing",
                p + "3: sample 2 (Kestrel): folder test_datasets/2/sec_pano is missing",
                p
                    + "5: sample 3 (Bramble): test_datasets/3/sec_pano/pred_corner_Bramble.txt "
                      "(Bramble's corners) is missing",
                p
                    + "6: sample 4 (Bramble): test_datasets/4/pri_pano/pred_corner.txt is "
                      "missing; Bramble's corners are read only after it",
                p
                    + "7: sample 5 (Kestrel): test_datasets/5/pri_pano/color.jpg cannot be "
                      "read as an image (or is larger than 8192 x 4096)",
                p
                    + "8: sample 6 (Kestrel): test_datasets/6/sec_pano/pred_corner.txt gives "
                      "no wall to pick",
            }));
    }

    // The plan check speaks once: a fault in many samples is one counted line, a missing tree
    // one line naming where it was looked for, and a source the plan never shows is not looked
    // at. Narrow walls are notes, which stop nothing.
    void planCheckSpeaksOnce()
    {
        QTemporaryDir study;
        QVERIFY(fixture::writeBoxRoomTree(study.path(), 5));
        const QString data = study.path() + "/test_datasets/";
        for (int n : {1, 3, 4, 5})
            QVERIFY(QFile::remove(data + QString("%1/sec_pano/pred_corner_Bramble.txt").arg(n)));
        const QString plan = study.path() + "/plan.csv";
        QVERIFY(writeFile(plan, "sample,source\n1,Kestrel\n2,Kestrel\n3,Kestrel\n"));
        QVERIFY(QDir::setCurrent(study.path()));
        const wallmatch::Startup kestrelOnly = startWith({"--plan", plan});
        QVERIFY(writeFile(plan,
                          "sample,source\n1,Bramble\n2,Bramble\n3,Bramble\n4,Bramble\n"
                          "5,Bramble\n"));
        const wallmatch::Startup bramble = startWith({"--plan", plan});
        QVERIFY(QDir(data).removeRecursively());
        const wallmatch::Startup noTree = startWith({"--plan", plan});
        QVERIFY(QDir::setCurrent(tree.path()));
        QCOMPARE(kestrelOnly.problems, QStringList());
        QCOMPARE(kestrelOnly.notes, QStringList());
        QCOMPARE(bramble.problems,
                 QStringList({plan
                              + ": Bramble: test_datasets/N/sec_pano/pred_corner_Bramble.txt "
                                "(Bramble's corners) is missing, in 4 samples: 1, 3, 4, 5"}));
        QCOMPARE(noTree.problems,
                 QStringList({plan + ": no sample folder " + study.path()
                              + "/test_datasets: none of the plan's samples can be shown"}));
    }

    // Killed after two of five answers, then started again with --resume: the session goes on
    // at case 3 as if it had never stopped.
    void resumeContinuesTheSession()
    {
        QVERIFY(writeFile(
            "plan.csv", "sample,source\n5,Kestrel\n4,Bramble\n3,Kestrel\n2,Bramble\n1,Kestrel\n"));
        const QByteArray earlier =
            (boxLine(5, 1, 1, "Kestrel") + boxLine(4, 2, 3, "Bramble")).toUtf8();
        QVERIFY(writeFile("results_P2.txt", earlier));
        const wallmatch::Startup start =
            startWith({"--plan", "plan.csv", "--participant", "P2", "--resume"});
        QCOMPARE(start.problems, QStringList());
        Window ui(start.run);
        ModalAnswerer answerer;
        QCOMPARE(ui.progress->text(), QString("Progress:3/5"));
        QCOMPARE(MainWindowProbe::answersTaken(ui.window), 2);
        QCOMPARE(ui.log->toPlainText(),
                 QString("Sample 1: Wall 1 <===> Wall 1 (Kestrel) Time: 0:01.000\n"
                         "Sample 2: Wall 2 <===> Wall 3 (Bramble) Time: 0:01.000"));
        ui.begin();
        QCOMPARE(ui.type->text(), QString("Kestrel"));
        ui.answerBox(0, 1);
        QTRY_COMPARE(readFile("results_P2.txt"), earlier + boxLine(3, 0, 1, "Kestrel").toUtf8());
        QVERIFY(ui.log->toPlainText().endsWith(
            "Sample 3: Wall 0 <===> Wall 1 (Kestrel) Time: 0:01.000"));
        // The resumed file is the session's own: nothing was kept aside.
        QCOMPARE(QDir().entryList({"results-*"}, QDir::Files), QStringList());
        QCOMPARE(ui.type->text(), QString("Bramble"));
    }

    // Without a plan the fixed run resumes: the log's count of ten goes on too.
    void fixedRunResumesAfterTwelve()
    {
        QString earlier;
        for (int n = 1; n <= 12; ++n)
            earlier += boxLine(n, 0, 0, "Kestrel");
        QVERIFY(writeFile("results.txt", earlier.toUtf8()));
        const wallmatch::Startup start = startWith({"--resume"});
        QCOMPARE(start.problems, QStringList());
        Window ui(start.run);
        ModalAnswerer answerer;
        QCOMPARE(ui.progress->text(), QString("Progress:13/100"));
        QCOMPARE(ui.log->toPlainText().count('\n'), 1); // samples 11 and 12
        ui.begin();
        QCOMPARE(MainWindowProbe::currentSampleId(ui.window), 13);
        QCOMPARE(ui.type->text(), QString("Kestrel"));
    }
};

QTEST_MAIN(TestStudyRun)
#include "tst_studyrun.moc"
