#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "clirun.h"

// The program as a user runs it: help, exit status, and errors that name the file and line.
class TestPrepCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    CliRun run(const QStringList &args)
    {
        return CliRun::run(QStringLiteral(WALLMATCH_PREP_EXE), args, dir.path());
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QVERIFY(writeTestFile(dir.filePath(name), bytes));
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void help_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("overview") << QStringList {"--help"} << "assemble PLAN.csv OUT_DIR";
        QTest::newRow("convert") << QStringList {"convert", "--help"} << "--width";
        QTest::newRow("assemble") << QStringList {"assemble", "--help"} << "--force";
        QTest::newRow("plan") << QStringList {"plan", "--help"} << "--participants";
        QTest::newRow("zind") << QStringList {"zind", "--help"} << "--annotated-as";
        QTest::newRow("truth") << QStringList {"truth", "--help"} << "yaw degrees";
        QTest::newRow("preview") << QStringList {"preview", "--help"} << "--sample";
    }
    void help()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        const CliRun r = run(args);
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(expected), qPrintable(r.out));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList {};
        QTest::newRow("unknown command") << QStringList {"bake"};
        QTest::newRow("unknown option") << QStringList {"convert", "--colour", "x.txt"};
        QTest::newRow("no input") << QStringList {"convert"};
        QTest::newRow("bad width") << QStringList {"convert", "x.txt", "--width", "wide"};
        QTest::newRow("bad format") << QStringList {"convert", "x.txt", "--format", "xml"};
        QTest::newRow("zind without OUT_DIR") << QStringList {"zind", "tour"};
        QTest::newRow("zind, bad layout") << QStringList {"zind", "tour", "out", "--layout", "all"};
        QTest::newRow("zind, bad source")
            << QStringList {"zind", "tour", "out", "--source", "Heron"};
        QTest::newRow("zind, bad angle")
            << QStringList {"zind", "tour", "out", "--max-angle", "wide"};
        QTest::newRow("truth without poses") << QStringList {"truth", "tree"};
        QTest::newRow("preview, bad sample")
            << QStringList {"preview", "tree", "out", "--sample", "0"};
        const QStringList plan {"plan", "--participants", "2", "--samples", "1-4", "--seed", "1"};
        QTest::newRow("plan without OUT_DIR") << plan;
        QTest::newRow("plan without seed")
            << QStringList {"plan", "--participants", "2", "--samples", "1-4", "out"};
        QTest::newRow("plan without samples")
            << QStringList {"plan", "--participants", "2", "--seed", "1", "out"};
        QTest::newRow("plan, no participants")
            << (plan + QStringList {"--participants", "0", "out"});
        QTest::newRow("plan, invalid source name")
            << (plan + QStringList {"--sources", "Kestrel,Owl.2", "out"});
        QTest::newRow("plan, source twice")
            << (plan + QStringList {"--sources", "Owl,Kestrel,Owl", "out"});
        QTest::newRow("plan, bad order") << (plan + QStringList {"--order", "random", "out"});
        QTest::newRow("plan, bad samples") << QStringList {
            "plan", "--participants", "2", "--samples", "4-1", "--seed", "1", "out"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const CliRun r = run(args);
        QCOMPARE(r.status, 2);
        QVERIFY(!r.err.isEmpty());
    }

    // Inputs that are not regular files are refused at once, texts cut short or altered at
    // their line, and counts beyond what one run holds before anything is made.
    void hostileInputs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QVERIFY(QProcess::execute("mkfifo", {dir.filePath("fifo")}) == 0);
        const QByteArray header = "sample,primary image,primary Kestrel,primary Bramble,secondary "
                                  "image,secondary Kestrel,secondary Bramble\n";
        write("nul.csv", header + QByteArray("1,a.jpg\0,b.txt,,c.jpg,d.txt,\n", 29));
        write("torn.csv", header + "1,a.jpg,b.txt,,c.jpg,d.txt,");
        QByteArray many = header;
        for (int n = 1; n <= 10001; ++n)
            many += QByteArray::number(n) + ",a.jpg,b.txt,,c.jpg,d.txt,\n";
        write("many.csv", many);
        write("commas.csv", QByteArray(",\n").repeated(8 * 1024 * 1024));
        write("room.json",
              "{\"uv\": [[0.25, 0.3], [0.25, 0.7], [0.5, 0.3], [0.5, 0.7], "
              "[0.75, 0.3], [0.75, 0.7]]}");
        QTest::newRow("convert device")
            << QStringList {"convert", "/dev/zero"} << 1
            << "/dev/zero: cannot read: not a regular file (a character device)";
        QTest::newRow("convert FIFO") << QStringList {"convert", "fifo"} << 1 << "a FIFO";
        QTest::newRow("convert onto a device")
            << QStringList {"convert", "room.json", "-o", "/dev/null"} << 1
            << "a character device is not replaced";
        QTest::newRow("assemble device")
            << QStringList {"assemble", "/dev/zero", "out"} << 1 << "a character device";
        QTest::newRow("assemble FIFO") << QStringList {"assemble", "fifo", "out"} << 1 << "a FIFO";
        QTest::newRow("assemble NUL") << QStringList {"assemble", "nul.csv", "out"} << 1
                                      << "nul.csv:2: a NUL byte at column 8";
        write("fifoimage.csv", header + "1,fifo,room.json,,fifo,room.json,\n");
        QTest::newRow("assemble FIFO image") << QStringList {"assemble", "fifoimage.csv", "out"}
                                             << 1 << "not a regular file (a FIFO)";
        QTest::newRow("assemble torn") << QStringList {"assemble", "torn.csv", "out"} << 1
                                       << "torn.csv:2: the last line has no line end";
        QTest::newRow("assemble 10001 samples") << QStringList {"assemble", "many.csv", "out"} << 1
                                                << "many.csv:10002: more than 10000 samples";
        QTest::newRow("assemble 8 million lines") << QStringList {"assemble", "commas.csv", "out"}
                                                  << 1 << "commas.csv:11001: more than 11000 lines";
        QTest::newRow("plan, 2^31-1 participants")
            << QStringList {"plan", "--participants", "2147483647", "--samples",
                            "1-4",  "--seed",         "1",          "out"}
            << 2 << "--participants must be a whole number from 1 to 10000";
        QTest::newRow("plan, ten million cases")
            << QStringList {"plan",   "--participants", "10000", "--samples",
                            "1-1000", "--seed",         "1",     "out"}
            << 2 << "10000000 cases; at most 1000000";
        QTest::newRow("plan, quoted bounded")
            << QStringList {"plan",
                            "--participants",
                            "2",
                            "--samples",
                            QString(5000, 'x'),
                            "--seed",
                            "1",
                            "out"}
            << 2 << QString(80, 'x') + QChar(0x2026) + "\" is not";
    }
    void hostileInputs()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, says);
        const CliRun r = run(args);
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.contains(says), qPrintable(r.err.left(2000)));
        QVERIFY(r.err.size() < 20000); // never an echo of the input
        QVERIFY(!QFileInfo::exists(dir.filePath("out")));
        QVERIFY(!QFileInfo("/dev/null").isFile());
    }

    // truth recomputes the samples it is given and keeps every other row, and the old file.
    void truthKeepsOtherRowsAndOldFile_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("sample1"); // its rows afterwards
        QTest::newRow("poses of sample 1")
            << QStringList {"truth", "t", "poses.csv"}
            << QStringList {"1,Kestrel,0,0", "1,Kestrel,1,1", "1,Kestrel,2,2", "1,Kestrel,3,3",
                            "1,Est,0,0",     "1,Est,1,1",     "1,Est,2,2",     "1,Est,3,3"};
        // Est is Kestrel's ring reversed: its walls 0..3 are Kestrel's 1, 0, 3, 2.
        QTest::newRow("through Kestrel's rows")
            << QStringList {"truth", "t", "--reference", "Kestrel"}
            << QStringList {"1,Kestrel,0,1", "1,Kestrel,1,2", "1,Kestrel,2,3", "1,Kestrel,3,0",
                            "1,Est,0,3",     "1,Est,1,0",     "1,Est,2,1",     "1,Est,3,2"};
    }
    void truthKeepsOtherRowsAndOldFile()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, sample1);
        QDir(dir.filePath("t")).removeRecursively();
        // A box room around the camera; Est numbers its walls the other way round.
        const QByteArray kestrel = "0 0 2 2 1\n0 0 -2 2 1\n0 0 -2 -2 1\n0 0 2 -2 1\n"
                                   "0 0 2 2 -1\n0 0 -2 2 -1\n0 0 -2 -2 -1\n0 0 2 -2 -1\n";
        const QByteArray est = "0 0 -2 -2 1\n0 0 -2 2 1\n0 0 2 2 1\n0 0 2 -2 1\n"
                               "0 0 -2 -2 -1\n0 0 -2 2 -1\n0 0 2 2 -1\n0 0 2 -2 -1\n";
        for (const char *sample : {"1", "2"}) {
            for (const char *view : {"pri_pano", "sec_pano"}) {
                const QString folder = QStringLiteral("t/test_datasets/%1/%2/").arg(sample, view);
                QVERIFY(QDir().mkpath(dir.filePath(folder)));
                write(folder + "pred_corner.txt", kestrel);
                write(folder + "pred_corner_Est.txt", est);
            }
        }
        const QByteArray old = "sample,source,primary wall,secondary wall\n"
                               "1,Kestrel,0,1\n1,Kestrel,1,2\n1,Kestrel,2,3\n1,Kestrel,3,0\n"
                               "2,Kestrel,0,-1\n2,Est,3,1\n";
        write("t/test_datasets/truth.csv", old);
        write("poses.csv", "sample,view,x,y,yaw degrees\n1,primary,0,0,0\n1,secondary,0,0,0\n");
        const CliRun r = run(args);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QFile truth(dir.filePath("t/test_datasets/truth.csv"));
        QVERIFY(truth.open(QIODevice::ReadOnly));
        QStringList rows = QString::fromUtf8(truth.readAll()).split('\n', Qt::SkipEmptyParts);
        rows.removeFirst();
        QStringList expected = sample1;
        // Sample 2 had no poses and is the reference's too: its rows stay as they were, except
        // that Est's come through Kestrel's with the reference.
        if (args.contains("--reference"))
            expected << "2,Kestrel,0,-1"
                     << "2,Est,0,-1"
                     << "2,Est,1,-1"
                     << "2,Est,2,-1"
                     << "2,Est,3,-1";
        else
            expected << "2,Kestrel,0,-1"
                     << "2,Est,3,1";
        for (QString &row : rows)
            row = row.section(',', 0, 3);
        rows.sort();
        expected.sort();
        QVERIFY2(rows == expected, qPrintable(rows.join(' ') + " | " + r.out));
        const QStringList kept =
            QDir(dir.filePath("t/test_datasets")).entryList({"truth-*.csv"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QFile keptFile(dir.filePath("t/test_datasets/" + kept.first()));
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), old);
        QVERIFY2(r.out.contains("kept the old truth.csv as"), qPrintable(r.out));
    }

    void convertWritesCornerFile()
    {
        write(QStringLiteral("room.json"),
              "{\"z0\": 50.0, \"z1\": -50.0, \"uv\": [[0.25, 0.3], [0.25, 0.7], [0.5, 0.3], "
              "[0.5, 0.7], [0.75, 0.3], [0.75, 0.7]]}");
        const CliRun r = run({"convert", "room.json", "-o", "pred_corner.txt"});
        QCOMPARE(r.status, 0);
        QFile f(dir.filePath(QStringLiteral("pred_corner.txt")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 7); // six corners and the remainder after the last line feed
        QVERIFY(lines.at(0).startsWith("256 153.6 "));
        QVERIFY(lines.at(3).startsWith("256 358.4 "));
    }

    void convertErrorNamesFileAndLine()
    {
        write(QStringLiteral("bad.txt"), "100 150\n100 350\n300 160\n320 340\n600 150\n600 350\n");
        const CliRun r = run({"convert", "bad.txt", "-o", "never.txt"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("bad.txt:3: ")), qPrintable(r.err));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("never.txt"))));
    }

    void assembleErrorNamesPlanAndLine()
    {
        write(QStringLiteral("plan.csv"),
              "sample,a,b,c,d,e,f\n1,a.jpg,a.txt,,b.jpg,b.txt,\n"
              "1,a.jpg,a.txt,,b.jpg,b.txt,\n");
        const CliRun r = run({"assemble", "plan.csv", "out"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("plan.csv:3: ")), qPrintable(r.err));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out"))));
    }

    void planWritesOnePlanPerParticipant()
    {
        const QStringList args {"plan", "--participants", "3",  "--samples",
                                "1-6",  "--seed",         "42", "plans"};
        CliRun r = run(args);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        for (const char *name : {"plans/P01.csv", "plans/P02.csv", "plans/P03.csv"}) {
            QFile f(dir.filePath(QLatin1String(name)));
            QVERIFY2(f.open(QIODevice::ReadOnly), name);
            const QList<QByteArray> lines = f.readAll().split('\n');
            QCOMPARE(lines.size(), 8); // header, six cases, remainder after the last line feed
            QCOMPARE(lines.at(0), QByteArray("sample,source"));
        }
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("plans/P04.csv"))));

        // Existing plans stay unless --force is given.
        write(QStringLiteral("plans/P02.csv"), "sample,source\n1,Kestrel\n");
        r = run(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("P02.csv")), qPrintable(r.err));
        QFile kept(dir.filePath(QStringLiteral("plans/P02.csv")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("sample,source\n1,Kestrel\n"));
        kept.close();
        r = run(args + QStringList {"--force"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll().count('\n'), 7);
    }

    void planNamesGrowWithParticipants()
    {
        const CliRun r = run({"plan", "--participants", "100", "--samples", "1-2", "--sources",
                              "kestrel", "--order", "fixed", "many"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("many/P001.csv"))));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("many/P100.csv"))));
        QFile f(dir.filePath(QStringLiteral("many/P050.csv")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("sample,source\n1,Kestrel\n2,Kestrel\n"));
    }
};

QTEST_GUILESS_MAIN(TestPrepCli)
#include "tst_prepcli.moc"
