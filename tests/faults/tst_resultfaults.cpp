// Faults while the real window runs: the disk fills up, the working folder turns read-only, a
// sample folder disappears. No answer is lost: failed writes are reported once per run of
// failures and every answer stays in memory, to be written with the next one that succeeds.
#include "fixturetree.h"
#include "hostile.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "renderarea.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A small file system of its own for the working folder, which the test can fill up. As root it
// is a real one: a 64 KiB tmpfs mounted in a mount namespace of this process only, so that it
// vanishes with the process. Otherwise the file size limit (RLIMIT_FSIZE) stands in for it:
// writes past it fail just as on a full disk.
class SmallDisk
{
public:
    explicit SmallDisk(const QString &folder)
        : folder(folder)
    {
        const QByteArray path = QFile::encodeName(folder);
        mounted = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
            && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && ::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") == 0;
        std::signal(SIGXFSZ, SIG_IGN);
    }
    ~SmallDisk()
    {
        free();
        if (mounted)
            ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    }
    bool isReal() const { return mounted; }

    bool fill()
    {
        if (!mounted) {
            rlimit limit {};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            saved = limit;
            limit.rlim_cur = 0;
            return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
        QFile filler(folder + "/filler");
        if (!filler.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) { }
        return true;
    }

    void free()
    {
        if (!mounted && saved.rlim_cur != 0) {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            saved = {};
        }
        QFile::remove(folder + "/filler");
    }

private:
    QString folder;
    bool mounted = false;
    rlimit saved {};
};

struct Run
{
    MainWindow window;
    RenderArea *pano1 = window.findChild<RenderArea *>("pano1");
    RenderArea *pano2 = window.findChild<RenderArea *>("pano2");
    QPushButton *match = window.findChild<QPushButton *>("matchBtn");
    ModalAnswerer answerer;

    Run()
    {
        window.show();
        QTest::mouseClick(window.findChild<QPushButton *>("startBtn"), Qt::LeftButton);
    }
    void answer(int wall)
    {
        QTest::mouseClick(pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, wall));
        QTest::mouseClick(pano2, Qt::LeftButton, {}, fixture::boxWallCentre(true, wall));
        QTest::mouseClick(match, Qt::LeftButton);
    }
    int answersInMemory() const { return MainWindowProbe::resultLines(window).size(); }
    QByteArray answersBytes() const
    {
        QByteArray bytes;
        for (const QString &line : MainWindowProbe::resultLines(window))
            bytes += line.toUtf8();
        return bytes;
    }
};

} // namespace

class TestResultFaults : public QObject
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

    void init()
    {
        nextSampleId = 1;
        QVERIFY(QDir::setCurrent(originalDir));
        QDir(tree.path()).removeRecursively();
        QVERIFY(QDir().mkpath(tree.path() + "/work"));
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 6));
    }

    void cleanup() { QVERIFY(QDir::setCurrent(originalDir)); }

    void fullDiskReportsOnceAndKeepsEveryAnswer()
    {
        const QString work = tree.path() + "/work";
        SmallDisk disk(work);
        qInfo("%s", disk.isReal() ? "a 64 KiB tmpfs" : "the file size limit");
        QVERIFY(QFile::link(tree.path() + "/test_datasets", work + "/test_datasets"));
        QVERIFY(QDir::setCurrent(work));

        Run run;
        run.answer(1);
        const QByteArray first = readFile("results.txt");
        QCOMPARE(first.count('\n'), 1);

        QVERIFY(disk.fill());
        run.answer(2);
        QCOMPARE(run.answerer.titles(), QStringList {"Results Not Saved"});
        run.answer(3); // still full: no second box in a row
        QCOMPARE(run.answerer.boxes.size(), 1);
        QCOMPARE(run.answersInMemory(), 3);
        QCOMPARE(readFile("results.txt"), first); // the last good file, whole

        disk.free();
        run.answer(0);
        QCOMPARE(run.answerer.boxes.size(), 1);
        QCOMPARE(readFile("results.txt"), run.answersBytes());
        QCOMPARE(run.answersInMemory(), 4);
        QVERIFY(QDir(work).entryList({"results.txt.*"}, QDir::Files).isEmpty());
    }

    void readOnlyFolderReportsOnceAndKeepsEveryAnswer()
    {
        hostile::PermissionsApply permissions; // root, too, is refused by a read-only folder
        if (!permissions.isActive())
            QSKIP("cannot give up root's permission override");
        const QString work = tree.path() + "/work";
        QVERIFY(QFile::link(tree.path() + "/test_datasets", work + "/test_datasets"));
        QVERIFY(QDir::setCurrent(work));

        Run run;
        run.answer(1);
        const QByteArray first = readFile("results.txt");
        QCOMPARE(first.count('\n'), 1);

        const QFile::Permissions writable = QFile::permissions(work);
        QVERIFY(QFile::setPermissions(work, QFile::ReadOwner | QFile::ExeOwner));
        run.answer(2);
        run.answer(3);
        QCOMPARE(run.answerer.titles(), QStringList {"Results Not Saved"});
        QVERIFY2(run.answerer.texts().first().contains(QDir(work).absoluteFilePath("results.txt")),
                 qPrintable(run.answerer.texts().first()));
        QCOMPARE(readFile("results.txt"), first);
        QCOMPARE(run.answersInMemory(), 3);

        // A close while it is still read-only: the box, then the question; a refusal keeps
        // the run going.
        run.answerer.queue(QMessageBox::Ok);
        run.answerer.queue(QMessageBox::No);
        run.window.close();
        QCOMPARE(run.answerer.titles(),
                 QStringList({"Results Not Saved", "Results Not Saved", "Close Confirmation"}));
        QVERIFY(run.window.isVisible());

        QVERIFY(QFile::setPermissions(work, writable));
        run.answer(0);
        QCOMPARE(readFile("results.txt"), run.answersBytes());
        QCOMPARE(run.answersInMemory(), 4);
    }

    // The folder of the sample on screen disappears: it was read, the answer is taken. The
    // folder of a later sample disappears: that sample shows nothing and cannot be answered,
    // the answers so far stay on disk, and the window still closes as usual.
    void vanishingFolderOnlyEmptiesItsSample()
    {
        QVERIFY(QDir::setCurrent(tree.path()));
        Run run;
        QVERIFY(QDir("test_datasets/1").removeRecursively());
        QVERIFY(!hostile::paintsNothing(hostile::render(*run.pano1)));
        // Gone before it is read, which is while sample 2 is on screen.
        QVERIFY(QDir("test_datasets/3").removeRecursively());
        run.answer(1);
        QCOMPARE(MainWindowProbe::currentSampleId(run.window), 2);

        {
            hostile::StdoutCapture quiet; // the loader names the missing corner files
            run.answer(2);
        }
        QCOMPARE(MainWindowProbe::currentSampleId(run.window), 3);
        QVERIFY(hostile::paintsNothing(hostile::render(*run.pano1)));
        QVERIFY(hostile::paintsNothing(hostile::render(*run.pano2)));
        run.answer(3);
        QCOMPARE(run.answerer.texts(), QStringList {"Please select wall before matching."});
        QCOMPARE(run.answersInMemory(), 2);
        QCOMPARE(readFile("results.txt"), run.answersBytes());

        run.answerer.queue(QMessageBox::Yes);
        run.window.close();
        QVERIFY(!run.window.isVisible());
        QCOMPARE(readFile("results.txt").count('\n'), 2);
    }
};

QTEST_MAIN(TestResultFaults)
#include "tst_resultfaults.moc"
