#include "clirun.h"
#include "fixturetree.h"
#include "instructionspage.h"
#include "sessionlock.h"
#include "studyplan.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace wallmatch;

// The study folder: plans that could not be answered as written, instructions that are not
// text or name files that are not pictures, sessions that cannot lock their results file.
class TestHostileStudy : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // A (sample, source) asked twice among the test cases could not be told from its repeat
    // in the results; a plan of practice only ends with an empty results file.
    void plansRefused_data()
    {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("problem"); // empty: accepted
        QTest::newRow("a test case repeated")
            << "sample,source\n1,Kestrel\n2,Kestrel\n1,Kestrel\n"
            << "P.csv:4: sample 1 with source Kestrel again (first on line 2)";
        QTest::newRow("practice only")
            << "sample,source,phase\n1,Kestrel,practice\n2,Bramble,practice\n"
            << "P.csv:1: the plan has practice cases only";
        QTest::newRow("one sample, two sources") << "sample,source\n1,Kestrel\n1,Bramble\n"
                                                 << "";
        QTest::newRow("a practice case shown again as a test")
            << "sample,source,phase\n1,Kestrel,practice\n1,Kestrel,test\n"
            << "";
    }
    void plansRefused()
    {
        QFETCH(QString, plan);
        QFETCH(QString, problem);
        const StudyPlan parsed = parseStudyPlan(plan, "P.csv");
        if (problem.isEmpty()) {
            QCOMPARE(parsed.problems, QStringList());
            return;
        }
        QCOMPARE(parsed.problems.size(), 1);
        QVERIFY2(parsed.problems.first().startsWith(problem), qPrintable(parsed.problems.first()));
    }

    // Instructions are text like every other input: a NUL or invalid UTF-8 is named with its
    // line instead of cutting the page short or showing U+FFFD.
    void instructionsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem"); // empty: read
        QTest::newRow("a NUL") << QByteArray("# Welcome\nclick\0 here\n", 22)
                               << "instructions.md:2: a NUL byte at column 6";
        QTest::newRow("Latin-1, not UTF-8")
            << QByteArray("# Willkommen\nW\xe4hlen Sie\n") << "instructions.md:2: invalid UTF-8";
        QTest::newRow("no line end at the end") << QByteArray("# Welcome\nclick") << "";
    }
    void instructionsText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        QVERIFY(writeTestFile(dir.filePath("instructions.md"), bytes));
        QStringList problems;
        const Instructions page = readInstructions(dir.filePath("instructions.md"), problems);
        if (problem.isEmpty()) {
            QCOMPARE(problems, QStringList());
            QVERIFY(page.text.startsWith("# Welcome\nclick"));
            return;
        }
        QVERIFY(page.isEmpty());
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().startsWith(dir.filePath(problem)), qPrintable(problems.first()));
    }

    // Pictures named in instructions: only regular files, of bounded declared size, are shown;
    // a device or FIFO neither fills the memory nor freezes the window.
    void instructionsImages_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("shown");
        QTest::newRow("a picture beside the page") << "ok.png" << true;
        QTest::newRow("/dev/zero") << "/dev/zero" << false;
        QTest::newRow("a FIFO") << "pipe.png" << false;
        QTest::newRow("a header claiming 20000 x 20000") << "huge.png" << false;
    }
    void instructionsImages()
    {
        QFETCH(QString, source);
        QFETCH(bool, shown);
        QVERIFY(QImage(40, 20, QImage::Format_RGB32).save(dir.filePath("ok.png")));
        if (!QFile::exists(dir.filePath("pipe.png")))
            QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.png")).constData(), 0600), 0);
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QImage(8, 8, QImage::Format_RGB32).save(&buffer, "PNG");
        }
        // IHDR's width and height follow the signature (8), length (4) and type (4).
        png.replace(16, 8, QByteArray::fromHex("00004e2000004e20"));
        QVERIFY(writeTestFile(dir.filePath("huge.png"), png));
        QVERIFY(writeTestFile(dir.filePath("page.md"),
                              QStringLiteral("# Look\n\n![room](%1)\n").arg(source).toUtf8()));
        QStringList problems;
        const Instructions page = readInstructions(dir.filePath("page.md"), problems);
        QCOMPARE(problems, QStringList());
        InstructionsPage widget;
        widget.showInstructions(page);
        auto *browser = widget.findChild<InstructionsBrowser *>("textBrowser");
        QVERIFY(browser);
        // Through the document, as the page's layout asks for its pictures.
        const QVariant image =
            browser->document()->resource(QTextDocument::ImageResource, QUrl(source));
        // Refused: a transparent pixel in its place.
        QCOMPARE(image.value<QImage>().size(), shown ? QSize(40, 20) : QSize(1, 1));
    }

    // No lock file can be made (a full disk, a folder that takes no file, nowhere to fall back
    // to): the session does not start, and says why and what to do.
    void noLockNoSession()
    {
        QVERIFY(writeTestFile(dir.filePath("plain-file"), "x"));
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("plain-file/data")));
        SessionLock lock(dir.filePath("plain-file/results_F.txt"));
        const bool locked = lock.tryLock();
        qputenv("XDG_DATA_HOME", saved);
        QVERIFY(!locked);
        QVERIFY2(lock.refusal().contains("Could not lock")
                     && lock.refusal().contains("Free some space on the disk"),
                 qPrintable(lock.refusal()));
    }

    // A start refused because the participant has answers leaves no lock file behind for the
    // next computer on a shared folder, also when the results file is a FIFO (which blocked the
    // start until it was killed, its lock left in place).
    void refusedStartLeavesNoLock_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("answers in results_C.txt") << false;
        QTest::newRow("results_C.txt a FIFO") << true;
    }
    void refusedStartLeavesNoLock()
    {
        QFETCH(bool, fifo);
        QTemporaryDir study;
        QVERIFY(fixture::writeBoxRoomTree(study.path(), 2));
        QVERIFY(writeTestFile(study.filePath("plan.csv"), "sample,source\n1,Kestrel\n2,Kestrel\n"));
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(study.filePath("results_C.txt")).constData(), 0600),
                     0);
        else
            QVERIFY(writeTestFile(study.filePath("results_C.txt"),
                                  "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 2 "
                                  "<==> 3 4\n"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_DATA_HOME", dir.filePath("userdata"));
        const CliRun run =
            CliRun::run(QStringLiteral(WALLMATCH_EXE), {"--plan", "plan.csv", "--participant", "C"},
                        study.path(), env);
        QCOMPARE(run.status, 2); // -1: still blocked after 30 s
        QVERIFY2(run.err.contains("--resume"), qPrintable(run.err));
        QCOMPARE(QDir(study.path()).entryList({"*.lock"}, QDir::Files | QDir::Hidden),
                 QStringList());
        QCOMPARE(QDir(dir.filePath("userdata")).entryList({"*"}, QDir::NoDotAndDotDot),
                 QStringList());
    }
};

QTEST_MAIN(TestHostileStudy)
#include "tst_hostilestudy.moc"
