// Faults while the real window runs: the disk fills up, the working folder turns read-only, a
// sample folder disappears, the results file cannot be written or kept. No answer is lost: they
// go to a fallback file the box names, or are written in place; when nothing at all can be
// written, failed writes are reported once per run of failures and every answer stays in
// memory, to be written with the next one that succeeds.
#include "fixturetree.h"
#include "hostile.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "permissions.h"
#include "renderarea.h"
#include "resultsstore.h"
#include "roomfixture.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using testfiles::readFile;
using testfiles::writeBytes;

namespace {

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
    // Heads of the answers the window took (see MainWindowProbe::answerHeads), in order.
    QStringList taken;

    void answer(int wall)
    {
        const int sample = MainWindowProbe::currentSampleId(window);
        const int before = answersInMemory();
        QTest::mouseClick(pano1, Qt::LeftButton, {}, fixture::boxWallCentre(false, wall));
        QTest::mouseClick(pano2, Qt::LeftButton, {}, fixture::boxWallCentre(true, wall));
        QTest::mouseClick(match, Qt::LeftButton);
        if (answersInMemory() > before)
            taken << QString::asprintf("ind %d: Wall %d <==> Wall %d", sample, wall, wall);
    }
    int answersInMemory() const { return MainWindowProbe::answersTaken(window); }
};

// What a session finds where it writes its results.
enum class Earlier {
    OthersEmpty,
    OthersFull,
    ReadOnlyFolder,
    ReadOnlyFolderWritableFile,
    LinkOutside,
    DanglingLink
};

} // namespace

Q_DECLARE_METATYPE(Earlier)

class TestResultFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;
    QTemporaryDir userDataDir;
    QString userData; // stands in for the user's data folder, the last fallback
    QString originalDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        QVERIFY(userDataDir.isValid());
        userData = userDataDir.path();
        qputenv("XDG_DATA_HOME", QFile::encodeName(userData));
        originalDir = QDir::currentPath();
    }

    void init()
    {
        QVERIFY(QDir::setCurrent(originalDir));
        QDir(tree.path()).removeRecursively();
        QDir(userData).removeRecursively();
        QVERIFY(QDir().mkpath(tree.path() + "/work"));
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 6));
    }

    void cleanup() { QVERIFY(QDir::setCurrent(originalDir)); }

    void fullDiskReportsOnceAndKeepsEveryAnswer()
    {
        const QString work = tree.path() + "/work";
        SmallDisk disk(work);
        qInfo("%s", disk.isReal() ? "a 64 KiB tmpfs" : "the file size limit");
        // The user's data folder, the last fallback, is on the full disk too.
        QVERIFY(QDir().mkpath(work + "/data"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(work + "/data"));
        QVERIFY(QFile::link(tree.path() + "/test_datasets", work + "/test_datasets"));
        QVERIFY(QDir::setCurrent(work));

        Run run;
        QVERIFY(disk.fill());
        run.answer(1);
        QCOMPARE(run.answerer.titles(), QStringList {"Results Not Saved"});
        QVERIFY2(run.answerer.texts().first().contains(QDir(work).absoluteFilePath("results.txt")),
                 qPrintable(run.answerer.texts().first()));
        run.answer(2); // still full: no second box in a row
        QCOMPARE(run.answerer.boxes.size(), 1);
        QCOMPARE(run.answersInMemory(), 2);

        disk.free();
        run.answer(3);
        QCOMPARE(run.answerer.boxes.size(), 1);
        QCOMPARE(MainWindowProbe::answerHeads(readFile("results.txt")), run.taken);
        QCOMPARE(run.answersInMemory(), 3);
        // Nothing half-made is left: no temporary file, no empty fallback file.
        QCOMPARE(QDir(work).entryList({"results*"}, QDir::Files), QStringList {"results.txt"});
        QVERIFY(QDir(work + "/data").entryList({"results*"}, QDir::Files, QDir::Name).isEmpty()
                || QDir(work + "/data").entryList(QDir::Files).isEmpty());
        qputenv("XDG_DATA_HOME", QFile::encodeName(userData));
    }

    // The folder turns read-only in the middle of a run: the results file, written by this
    // session, takes the new lines in place.
    void readOnlyFolderAppendsInPlace()
    {
        PermissionsApply permissions; // root, too, is refused by a read-only folder
        if (!permissions.isActive())
            QSKIP("cannot give up root's permission override");
        const QString work = tree.path() + "/work";
        QVERIFY(QFile::link(tree.path() + "/test_datasets", work + "/test_datasets"));
        QVERIFY(QDir::setCurrent(work));

        Run run;
        run.answer(1);
        QCOMPARE(readFile("results.txt").count('\n'), 1);

        const QFile::Permissions writable = QFile::permissions(work);
        QVERIFY(QFile::setPermissions(work, QFile::ReadOwner | QFile::ExeOwner));
        run.answer(2);
        run.answer(3);
        run.answerer.queue(QMessageBox::No);
        run.window.close();
        QCOMPARE(run.answerer.titles(), QStringList {"Close Confirmation"});
        QVERIFY(run.window.isVisible());
        QCOMPARE(MainWindowProbe::answerHeads(readFile("results.txt")), run.taken);
        QCOMPARE(run.answersInMemory(), 3);
        QVERIFY(QFile::setPermissions(work, writable));
    }

    void unwritableResults_data()
    {
        QTest::addColumn<Earlier>("earlier");
        QTest::addColumn<QString>("landing"); // "folder", "user data" or "results.txt"
        QTest::newRow("empty file of another user, sticky folder: fallback beside it")
            << Earlier::OthersEmpty << "folder";
        QTest::newRow("earlier file of another user, sticky folder: fallback beside it")
            << Earlier::OthersFull << "folder";
        QTest::newRow("read-only folder, earlier file: fallback in the user's data folder")
            << Earlier::ReadOnlyFolder << "user data";
        QTest::newRow("read-only folder, writable empty results.txt: written in place")
            << Earlier::ReadOnlyFolderWritableFile << "results.txt";
        QTest::newRow("link to an empty file outside: link kept aside, file written")
            << Earlier::LinkOutside << "results.txt";
        QTest::newRow("dangling link: link kept aside, file written")
            << Earlier::DanglingLink << "results.txt";
    }

    // The answers reach the disk whatever results.txt and its folder are; the box names the
    // file they went to, nothing earlier is changed and nothing outside the folder is touched.
    void unwritableResults()
    {
        QFETCH(Earlier, earlier);
        QFETCH(QString, landing);
        const QString work = tree.path() + "/work";
        const QString results = work + "/results.txt";
        const QString outside = tree.path() + "/outside.txt";
        const QByteArray earlierBytes = "ind 9: earlier subject\n";
        const bool othersFile = earlier == Earlier::OthersEmpty || earlier == Earlier::OthersFull;
        if (othersFile && ::geteuid() != 0)
            QSKIP("only root can give files to another user");
        QVERIFY(QFile::link(tree.path() + "/test_datasets", work + "/test_datasets"));
        switch (earlier) {
        case Earlier::OthersEmpty:
        case Earlier::OthersFull:
            QVERIFY(fixture::writeText(
                results, earlier == Earlier::OthersFull ? earlierBytes : QByteArray()));
            // /tmp-like: everyone may create files, only owners remove or replace them.
            QVERIFY(::chown(QFile::encodeName(results).constData(), 65534, 65534) == 0);
            QVERIFY(::chown(QFile::encodeName(work).constData(), 65534, 65534) == 0);
            QVERIFY(::chmod(QFile::encodeName(work).constData(), 01777) == 0);
            break;
        case Earlier::ReadOnlyFolder:
            QVERIFY(fixture::writeText(results, earlierBytes));
            break;
        case Earlier::ReadOnlyFolderWritableFile:
            QVERIFY(fixture::writeText(results, QByteArray()));
            break;
        case Earlier::LinkOutside:
            QVERIFY(fixture::writeText(outside, QByteArray()));
            QVERIFY(QFile::link(outside, results));
            break;
        case Earlier::DanglingLink:
            QVERIFY(QFile::link(outside, results));
            break;
        }
        const bool readOnly =
            earlier == Earlier::ReadOnlyFolder || earlier == Earlier::ReadOnlyFolderWritableFile;
        if (readOnly)
            QVERIFY(QFile::setPermissions(work, QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray resultsBefore = readFile(results);
        QVERIFY(QDir::setCurrent(work));
        {
            PermissionsApply permissions;
            if (!permissions.isActive())
                QSKIP("cannot give up root's permission override");
            Run run;
            run.answer(1);
            run.answer(2);
            run.answerer.queue(QMessageBox::Yes);
            run.window.close();
            QVERIFY(!run.window.isVisible());

            QString landed;
            if (landing == "results.txt") {
                QCOMPARE(run.answerer.titles(), QStringList {"Close Confirmation"});
                landed = results;
            } else {
                QCOMPARE(run.answerer.titles(),
                         QStringList({"Results Saved Elsewhere", "Close Confirmation"}));
                const QString dir = landing == "folder" ? work : userData + "/tst_resultfaults";
                const QStringList files = QDir(dir).entryList({"results-*.txt"}, QDir::Files);
                QCOMPARE(files.size(), 1);
                landed = QDir(dir).absoluteFilePath(files.first());
                QVERIFY2(run.answerer.texts().first().contains(landed),
                         qPrintable(run.answerer.texts().first()));
                QCOMPARE(readFile(results), resultsBefore); // the earlier file as it was
            }
            QCOMPARE(MainWindowProbe::answerHeads(readFile(landed)), run.taken);
            QCOMPARE(readFile(landed).count('\n'), 2);
        }
        QVERIFY(QDir::setCurrent(originalDir));
        if (readOnly)
            QVERIFY(QFile::setPermissions(work,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        if (earlier == Earlier::LinkOutside || earlier == Earlier::DanglingLink) {
            // The link itself is kept aside; nothing went through it.
            const QFileInfoList kept =
                QDir(work).entryInfoList({"results-*.txt"}, QDir::System | QDir::Files);
            QCOMPARE(kept.size(), 1);
            QVERIFY(kept.first().isSymLink());
            QCOMPARE(kept.first().symLinkTarget(), outside);
            QCOMPARE(QFileInfo::exists(outside), earlier == Earlier::LinkOutside);
            if (earlier == Earlier::LinkOutside)
                QCOMPARE(QFileInfo(outside).size(), 0);
        }
    }

    // A kill at the rename leaves the newest answers in the writer's temporary file: the next
    // session keeps it under a dated name, as an earlier results file; an empty one goes.
    void leftoverTemporaryFilesAreKept()
    {
        const QString path = tree.path() + "/work/results.txt";
        writeBytes(path, "ind 1: a\n");
        const QDateTime modified(QDate(2025, 1, 2), QTime(3, 4, 5));
        writeBytes(path + ".Ab12Cd", "ind 1: a\nind 2: b\n", modified);
        writeBytes(path + ".000000", QByteArray());
        writeBytes(path + ".notmine", "other\n"); // not a name the writer gives
        ResultsStore store(path);
        QCOMPARE(store.write({"ind 1: a\n", "ind 2: b\n", "ind 3: c\n"}), QString());
        QCOMPARE(store.keptLeftovers(),
                 QStringList {tree.path() + "/work/results-20250102-030405.txt"});
        QCOMPARE(readFile(store.keptLeftovers().first()), QByteArray("ind 1: a\nind 2: b\n"));
        QCOMPARE(readFile(store.keptFileName()), QByteArray("ind 1: a\n"));
        QCOMPARE(readFile(path), QByteArray("ind 1: a\nind 2: b\nind 3: c\n"));
        QVERIFY(!QFileInfo::exists(path + ".000000"));
        QCOMPARE(readFile(path + ".notmine"), QByteArray("other\n"));
    }

    // The working folder disappears in the middle of a run: the box says so and names the file
    // in the user's data folder that now holds every answer.
    void vanishedWorkingFolderIsNamed()
    {
        const QString work = tree.path() + "/work";
        QVERIFY(QFile::link(tree.path() + "/test_datasets", work + "/test_datasets"));
        QVERIFY(QDir::setCurrent(work));
        Run run;
        run.answer(1);
        QVERIFY(QDir(work).removeRecursively());
        run.answer(2);
        QCOMPARE(run.answerer.titles(), QStringList {"Results Saved Elsewhere"});
        const QString text = run.answerer.texts().first();
        QVERIFY2(text.startsWith("The working folder " + work + " no longer exists."),
                 qPrintable(text));
        const QDir data(userData + "/tst_resultfaults");
        const QStringList files = data.entryList({"results-*.txt"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(text.contains(data.absoluteFilePath(files.first())));
        QCOMPARE(MainWindowProbe::answerHeads(readFile(data.absoluteFilePath(files.first()))), run.taken);
        QVERIFY(!QFileInfo::exists(work)); // not made again
        QVERIFY(QDir::setCurrent(originalDir));
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
        QCOMPARE(MainWindowProbe::answerHeads(readFile("results.txt")), run.taken);

        run.answerer.queue(QMessageBox::Yes);
        run.window.close();
        QVERIFY(!run.window.isVisible());
        QCOMPARE(readFile("results.txt").count('\n'), 2);
    }
};

QTEST_MAIN(TestResultFaults)
#include "tst_resultfaults.moc"
