#include "assembler.h"
#include "clirun.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace wallmatch;

// What the companions write: never over one of their inputs or another of their outputs, and
// --force replaces only what the program itself made.
class TestHostileOutputs : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    static QByteArray answers(const QString &source)
    {
        return QStringLiteral("ind 1: Wall 2 <==> Wall 0 (%1) Time: 0:12.345 Mouse: 415 233 "
                              "<==> 980 301\n"
                              "ind 2: Wall 1 <==> Wall 3 (%1) Time: 0:02.000 Mouse: 5 6 <==> 7 8\n")
            .arg(source)
            .toUtf8();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(writeTestFile(path("results_P01.txt"), answers("Kestrel")));
        QVERIFY(writeTestFile(path("results_P02.txt"), answers("Bramble")));
        QVERIFY(writeTestFile(path("truth.csv"), "sample,primary wall,secondary wall\n1,2,0\n"));
        QVERIFY(writeTestFile(path("events_P01.csv"),
                              "session_ms,phase,case,sample,source,event,view,wall,x,y\n"));
        QVERIFY(QFile::link(path("results_P02.txt"), path("link_to_P02.txt")));
        QVERIFY(QDir().mkpath(path("rs")));
        QVERIFY(writeTestFile(path("corners.txt"), "100 100\n100 400\n"));
    }

    // Each refused before anything is read or written: the inputs stay byte for byte, the
    // exit status says the command line was wrong, and the message names the clash.
    void outputOntoInput_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("untouched");
        const QString report = QStringLiteral(WALLMATCH_REPORT_EXE);
        const QString prep = QStringLiteral(WALLMATCH_PREP_EXE);
        QTest::newRow("--csv results_*.txt, as the shell expands it")
            << report << QStringList {"--csv", "results_P01.txt", "results_P02.txt"}
            << "results_P01.txt: not written: it holds wallmatch answers"
            << "results_P01.txt";
        QTest::newRow("--trials over a link to an input")
            << report << QStringList {"--trials", "link_to_P02.txt", "results_P02.txt"}
            << "this is the input"
            << "results_P02.txt";
        QTest::newRow("--json over the truth, spelt another way")
            << report
            << QStringList {"--truth", "truth.csv", "--json", "rs/../truth.csv", "results_P01.txt"}
            << "this is the input"
            << "truth.csv";
        QTest::newRow("--trials over an event log read beside a results file")
            << report << QStringList {"--trials", "events_P01.csv", "results_P01.txt"}
            << "this is the input"
            << "events_P01.csv";
        QTest::newRow("--r-script FILE.csv without --trials: its data is the script")
            << report << QStringList {"--r-script", "rs/an.csv", "results_P01.txt"}
            << "rs/an.csv: not written: this is also the output"
            << "results_P01.txt";
        QTest::newRow("--csv and --source-csv to one file")
            << report
            << QStringList {"--csv", "out.csv", "--source-csv", "./out.csv", "results_P01.txt"}
            << "this is also the output"
            << "results_P01.txt";
        QTest::newRow("convert -o onto its input")
            << prep << QStringList {"convert", "corners.txt", "-o", "corners.txt"}
            << "corners.txt: not written: this is the input"
            << "corners.txt";
    }
    void outputOntoInput()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        QFETCH(QString, untouched);
        const QByteArray before = testfiles::readFile(path(untouched));
        const CliRun run = CliRun::run(program, args, dir.path());
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(testfiles::readFile(path(untouched)), before);
        QVERIFY(!QFile::exists(path("out.csv")));
        QVERIFY(!QFile::exists(path("rs/an.csv")));
    }

    // Replacing a tree touches no ".new" or ".old" beside it that the program did not make, and
    // never follows a link; a ".new" a killed run of its own left is cleared.
    void forceTouchesOnlyItsOwn_data()
    {
        QTest::addColumn<QString>("besideKind"); // link-new, folder-old, own-leftover-new
        QTest::addColumn<bool>("replaced");
        QTest::newRow("test_datasets.new -> elsewhere") << "link-new" << false;
        QTest::newRow("someone's test_datasets.new") << "folder-new" << false;
        QTest::newRow("someone's test_datasets.old") << "folder-old" << false;
        QTest::newRow("a leftover of a killed run") << "own-leftover-new" << true;
    }
    void forceTouchesOnlyItsOwn()
    {
        QFETCH(QString, besideKind);
        QFETCH(bool, replaced);
        QTemporaryDir out;
        const QString root = out.filePath("test_datasets");
        QVERIFY(QDir().mkpath(root + "/1"));
        QVERIFY(writeTestFile(root + "/1/old.txt", "old tree"));
        QVERIFY(QDir().mkpath(out.filePath("precious")));
        QVERIFY(writeTestFile(out.filePath("precious/thesis.tex"), "years of work"));
        if (besideKind == "link-new") {
            QVERIFY(QFile::link(out.filePath("precious"), root + ".new"));
        } else if (besideKind == "own-leftover-new") {
            QVERIFY(QDir().mkpath(root + ".new/1"));
            QVERIFY(writeTestFile(root + ".new/.wallmatch-prep-building", ""));
        } else {
            const QString beside = root + (besideKind == "folder-old" ? ".old" : ".new");
            QVERIFY(QDir().mkpath(beside));
            QVERIFY(writeTestFile(beside + "/notes.txt", "mine"));
        }
        AssembleResult result;
        const bool built = buildSampleTree(root, result, [](const QString &writeRoot) {
            return writeTestFile(writeRoot + "/new.txt", "new tree");
        });
        QCOMPARE(built, replaced);
        QCOMPARE(testfiles::readFile(out.filePath("precious/thesis.tex")),
                 QByteArray("years of work"));
        if (replaced) {
            QCOMPARE(testfiles::readFile(root + "/new.txt"), QByteArray("new tree"));
            QVERIFY(!QFile::exists(root + "/.wallmatch-prep-building"));
            QVERIFY(!QFile::exists(root + ".new"));
            QVERIFY(!QFile::exists(root + ".old"));
        } else {
            QCOMPARE(testfiles::readFile(root + "/1/old.txt"), QByteArray("old tree"));
            QVERIFY2(result.errors.value(0).message.contains("move it away or remove it"),
                     qPrintable(result.errors.value(0).text()));
            if (besideKind.startsWith("folder"))
                QCOMPARE(testfiles::readFile(root + (besideKind == "folder-old" ? ".old" : ".new")
                                             + "/notes.txt"),
                         QByteArray("mine"));
        }
    }

    // A build that fails part way (a corrupt third image) leaves no part of a tree: "nothing
    // was written" is then true, for a new tree as for a replaced one.
    void failedBuildLeavesNothing_data()
    {
        QTest::addColumn<bool>("replacing");
        QTest::newRow("new tree") << false;
        QTest::newRow("replacing a tree") << true;
    }
    void failedBuildLeavesNothing()
    {
        QFETCH(bool, replacing);
        QTemporaryDir out;
        const QString root = out.filePath("test_datasets");
        QVERIFY(QDir().mkpath(root));
        if (replacing)
            QVERIFY(writeTestFile(root + "/old.txt", "old tree"));
        QVERIFY(writeTestFile(out.filePath("corrupt.jpg"), "\xFF\xD8\xFF\xE0 not a JPEG"));
        AssembleResult result;
        const bool built = buildSampleTree(root, result, [&](const QString &writeRoot) {
            for (int sample = 1; sample <= 2; ++sample) {
                if (!QDir().mkpath(QStringLiteral("%1/%2").arg(writeRoot).arg(sample)))
                    return false;
                ++result.samplesWritten;
            }
            return writeViewImage(out.filePath("corrupt.jpg"), false, writeRoot + "/3.jpg",
                                  result.errors);
        });
        QVERIFY(!built);
        QCOMPARE(result.samplesWritten, 0);
        const QStringList left =
            QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QCOMPARE(left, replacing ? QStringList {"old.txt"} : QStringList());
        QVERIFY(!QFile::exists(root + ".new"));
    }
};

QTEST_GUILESS_MAIN(TestHostileOutputs)
#include "tst_hostileoutputs.moc"
