// Sample trees with folders and files missing, misnamed, unreadable or looping, met by the real
// window in the middle of a run: sample 1 is answered, sample 2 is the broken one.
#include "fixturetree.h"
#include "hostile.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "permissions.h"
#include "renderarea.h"
#include "testfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using testfiles::readFile;

namespace {

enum class Damage {
    None,
    NoSampleFolder,
    NoSecPano,
    ImageIsFolder,
    Unreadable,
    LinkLoop,
    FileLinkLoop
};

const QByteArray notFound = "\nPredicted corner points from Kestrel not found!\n";
const QByteArray pri2 = ".\\test_datasets\\2\\pri_pano";
const QByteArray sec2 = ".\\test_datasets\\2\\sec_pano";

bool damage(Damage what)
{
    QDir sample("test_datasets/2");
    switch (what) {
    case Damage::None:
        return true;
    case Damage::NoSampleFolder:
        return sample.removeRecursively();
    case Damage::NoSecPano:
        return QDir(sample.filePath("sec_pano")).removeRecursively();
    case Damage::ImageIsFolder:
        return QFile::remove(sample.filePath("pri_pano/color.jpg"))
            && sample.mkpath("pri_pano/color.jpg");
    case Damage::Unreadable:
        return QFile::setPermissions(sample.filePath("pri_pano/color.jpg"), {})
            && QFile::setPermissions(sample.filePath("pri_pano/pred_corner.txt"), {});
    case Damage::LinkLoop:
        // pri_pano names itself: every path through it fails with "too many levels of links".
        return QDir(sample.filePath("pri_pano")).removeRecursively()
            && ::symlink("pri_pano", QFile::encodeName(sample.filePath("pri_pano")).constData())
            == 0;
    case Damage::FileLinkLoop: {
        // The image and the corner file point at each other.
        const QByteArray image = QFile::encodeName(sample.filePath("pri_pano/color.jpg"));
        const QByteArray corners = QFile::encodeName(sample.filePath("pri_pano/pred_corner.txt"));
        return QFile::remove(image) && QFile::remove(corners)
            && ::symlink("pred_corner.txt", image.constData()) == 0
            && ::symlink("color.jpg", corners.constData()) == 0;
    }
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Damage)

class TestHostileFolders : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;
    QString originalDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        originalDir = QDir::currentPath();
    }
    void cleanupTestCase() { QDir::setCurrent(originalDir); }

    void init()
    {
        QVERIFY(QDir::setCurrent(originalDir));
        QDir(tree.path()).removeRecursively();
        QVERIFY(QDir().mkpath(tree.path()));
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 2));
        QVERIFY(QDir::setCurrent(tree.path()));
    }

    void brokenSample_data()
    {
        QTest::addColumn<Damage>("what");
        QTest::addColumn<bool>("pano1Drawn");
        QTest::addColumn<bool>("pano2Drawn");
        QTest::addColumn<QByteArray>("diagnostics");

        QTest::newRow("intact sample: both views drawn, answer taken")
            << Damage::None << true << true << QByteArray();
        QTest::newRow("missing sample folder: both views draw nothing, two lines on stdout")
            << Damage::NoSampleFolder << false << false
            << pri2 + "//pred_corner.txt" + notFound + sec2 + "//pred_corner.txt" + notFound;
        QTest::newRow("missing sec_pano: second view draws nothing, one line on stdout")
            << Damage::NoSecPano << true << false << sec2 + "//pred_corner.txt" + notFound;
        // An image that is there but cannot be read says why; a missing one stays silent.
        const QByteArray image = pri2 + "//color.jpg\nPanorama image not readable: ";
        const QByteArray loop = "Too many levels of symbolic links\n";
        QTest::newRow("folder named color.jpg: first view draws nothing, image line")
            << Damage::ImageIsFolder << false << true << image + "not a regular file (a folder)\n";
        QTest::newRow(
            "unreadable files (mode 000, root too): first view draws nothing, stdout lines")
            << Damage::Unreadable << false << true
            << image + "Permission denied\n" + pri2 + "//pred_corner.txt" + notFound;
        QTest::newRow("folder is a link to itself: first view draws nothing, stdout lines")
            << Damage::LinkLoop << false << true
            << image + loop + pri2 + "//pred_corner.txt" + notFound;
        QTest::newRow("image and corner file link to each other: first view nothing, stdout lines")
            << Damage::FileLinkLoop << false << true
            << image + loop + pri2 + "//pred_corner.txt" + notFound;
    }

    // The broken sample shows what can be shown; when a view has nothing to pick, every answer
    // is refused with the hint. The run stays usable: it pauses and resumes, and a close still
    // writes the first answer and asks before exiting.
    void brokenSample()
    {
        QFETCH(Damage, what);
        QFETCH(bool, pano1Drawn);
        QFETCH(bool, pano2Drawn);
        QFETCH(QByteArray, diagnostics);

        // Root reads and writes whatever the permissions say; without that override it is
        // refused like any other user.
        PermissionsApply permissions;
        if (what == Damage::Unreadable && !permissions.isActive())
            QSKIP("cannot give up root's permission override");

        MainWindow window;
        auto *pano1 = window.findChild<RenderArea *>("pano1");
        auto *pano2 = window.findChild<RenderArea *>("pano2");
        auto *match = window.findChild<QPushButton *>("matchBtn");
        auto *pause = window.findChild<QPushButton *>("pauseBtn");
        window.show();
        ModalAnswerer answerer;
        // Before the start: sample 2 is read while sample 1 is shown.
        QVERIFY(damage(what));
        QTest::mouseClick(window.findChild<QPushButton *>("startBtn"), Qt::LeftButton);
        QTest::mouseClick(pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, 1));
        QTest::mouseClick(pano2, Qt::LeftButton, {}, fixture::boxWallCentre(true, 1));

        QElapsedTimer timer;
        timer.start();
        QByteArray printed;
        {
            hostile::StdoutCapture capture;
            QTest::mouseClick(match, Qt::LeftButton); // answers sample 1, loads sample 2
            printed = capture.text();
        }
        QCOMPARE(MainWindowProbe::currentSampleId(window), 2);
        QCOMPARE(printed, diagnostics);
        QCOMPARE(!hostile::paintsNothing(hostile::render(*pano1)), pano1Drawn);
        QCOMPARE(!hostile::paintsNothing(hostile::render(*pano2)), pano2Drawn);

        QTest::mouseClick(pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, 2));
        QTest::mouseClick(pano2, Qt::LeftButton, {}, fixture::boxWallCentre(true, 2));
        const bool answerable = pano1Drawn && pano2Drawn;
        QTest::mouseClick(match, Qt::LeftButton);
        QCOMPARE(answerer.texts(),
                 answerable ? QStringList() : QStringList {"Please select wall before matching."});
        QCOMPARE(MainWindowProbe::answersTaken(window), answerable ? 2 : 1);

        // Pause and resume: the display timer stops at its next tick and starts again.
        QTest::mouseClick(pause, Qt::LeftButton);
        MainWindowProbe::tick(window);
        QCOMPARE(MainWindowProbe::displayTimerId(window), -1);
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(MainWindowProbe::displayTimerId(window) != -1);
        answerer.clear();
        answerer.queue(QMessageBox::Yes);
        window.close();
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(answerer.texts(), QStringList {"Exit?"});
        QVERIFY(!window.isVisible());
        const QByteArray results = readFile("results.txt");
        QVERIFY2(results.startsWith("ind 1: Wall 1 <==> Wall 1 (Kestrel)"), results.constData());
        QCOMPARE(results.count('\n'), answerable ? 2 : 1);
        qInfo("took %lld ms", elapsed);
        QVERIFY2(elapsed < hostile::budgetMs(), qPrintable(QString("%1 ms").arg(elapsed)));
    }
};

QTEST_MAIN(TestHostileFolders)
#include "tst_hostilefolders.moc"
