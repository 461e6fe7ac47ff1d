#include <QFile>
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
