// The real program killed (SIGKILL) at random moments of a scripted 20-answer run, between
// answers and in the middle of one: results.txt is never missing once an answer is through,
// never cut short, and holds only answered lines, in order. A complete run ends cleanly, which
// in the sanitizer build also means without a leak of our own.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "answer.h"
#include "answertesting.h"
#include "fixturetree.h"

namespace {

const int answers = 20;

// The answer n of the driver leaves in results.txt. Its time is left out: it is empty when the
// answer came before the display's first tick.
wallmatch::Answer expectedAnswer(int n)
{
    wallmatch::Answer a;
    a.sampleId = n;
    a.wall1 = n % 4;
    a.wall2 = (n / 4) % 4;
    a.source = QStringLiteral("Kestrel");
    a.click1 = fixture::boxWallCentre(false, a.wall1);
    a.click2 = fixture::boxWallCentre(true, a.wall2);
    return a;
}

int answeredCount(const QByteArray &output)
{
    return int(output.count("answered "));
}

} // namespace

class TestKillRun : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;

    void removeResults()
    {
        QDir dir(tree.path());
        for (const QString &name : dir.entryList({"results*"}, QDir::Files))
            QVERIFY(dir.remove(name));
    }

    void start(QProcess &driver, int count, int thinkMs, bool stay = false,
               const QStringList &options = {})
    {
        driver.setWorkingDirectory(tree.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        driver.setProcessEnvironment(env);
        driver.setProcessChannelMode(QProcess::SeparateChannels);
        QStringList arguments {QString::number(count), QString::number(thinkMs)};
        if (stay)
            arguments << "stay"; // so that the kill always finds it running
        if (!options.isEmpty())
            arguments << "--" << options;
        driver.start(WALLMATCH_RUNDRIVER, arguments);
        QVERIFY(driver.waitForStarted());
    }

    // Checks the results file against the answers the driver reported before it died.
    void checkResults(int confirmed, const QString &name = "results.txt")
    {
        QFile file(QDir(tree.path()).filePath(name));
        if (!file.exists()) {
            QCOMPARE(confirmed, 0);
            return;
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY2(content.isEmpty() || content.endsWith('\n'), content.right(80).constData());
        const QList<QByteArray> lines = content.split('\n').mid(0, content.count('\n'));
        // Every reported answer is on disk; at most one more that was written but not yet
        // reported.
        QVERIFY2(
            lines.size() >= confirmed && lines.size() <= confirmed + 1,
            qPrintable(QString("%1 lines, %2 answers reported").arg(lines.size()).arg(confirmed)));
        for (int i = 0; i < lines.size(); ++i) {
            const QString line = QString::fromUtf8(lines.at(i));
            const wallmatch::ParsedLine parsed = wallmatch::parseResultLine(line);
            QVERIFY2(parsed.answer, qPrintable(line + QStringLiteral(": ") + parsed.error));
            wallmatch::Answer expected = expectedAnswer(i + 1);
            expected.milliseconds = parsed.answer->milliseconds;
            QCOMPARE(*parsed.answer, expected);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), answers + 1));
    }

    void killAtRandomMoments_data()
    {
        QTest::addColumn<int>("thinkMs");
        QTest::addColumn<int>("killAfter"); // answers reported before the kill is timed
        QTest::addColumn<int>("delayMs"); // then this long
        QRandomGenerator random(20240611);
        for (int trial = 0; trial < 20; ++trial) {
            // Even trials answer in a tight loop, so that the kill mostly lands inside an
            // answer (sample loading, writing); odd ones think 80 ms, so that it mostly lands
            // between answers.
            const bool tight = trial % 2 == 0;
            const int thinkMs = tight ? 0 : 80;
            const int killAfter = int(random.bounded(answers));
            const int delayMs = int(random.bounded(tight ? 40 : 100));
            QTest::addRow("%s, after answer %d + %d ms",
                          tight ? "during answers" : "between answers", killAfter, delayMs)
                << thinkMs << killAfter << delayMs;
        }
    }

    void killAtRandomMoments()
    {
        QFETCH(int, thinkMs);
        QFETCH(int, killAfter);
        QFETCH(int, delayMs);
        removeResults();

        QProcess driver;
        start(driver, answers, thinkMs, true);
        QByteArray output;
        QElapsedTimer waited;
        waited.start();
        while (answeredCount(output) < killAfter && driver.state() == QProcess::Running
               && waited.elapsed() < 60000) {
            driver.waitForReadyRead(100);
            output += driver.readAllStandardOutput();
        }
        QTest::qSleep(delayMs);
        QVERIFY2(driver.state() == QProcess::Running, driver.readAllStandardError().constData());
        driver.kill();
        QVERIFY(driver.waitForFinished());
        output += driver.readAllStandardOutput();
        QCOMPARE(driver.exitStatus(), QProcess::CrashExit);
        QVERIFY(answeredCount(output) >= killAfter);
        checkResults(answeredCount(output));
    }

    // A second instance for the same results file refuses at once, naming the file and the first
    // instance; the first goes on and keeps every answer.
    void secondInstanceRefuses()
    {
        removeResults();
        QProcess first;
        start(first, 8, 60);
        QByteArray output;
        while (answeredCount(output) < 1 && first.waitForReadyRead(20000))
            output += first.readAllStandardOutput();
        QVERIFY(output.startsWith("locked\n"));

        QProcess second;
        start(second, 3, 0);
        QVERIFY(second.waitForFinished(20000));
        const QByteArray refused = second.readAllStandardOutput();
        QCOMPARE(second.exitCode(), 3);
        const QString expected = QString("refused: Another wallmatch session is writing %1 "
                                         "(process %2 on ")
                                     .arg(QDir(tree.path()).canonicalPath() + "/results.txt")
                                     .arg(first.processId());
        QVERIFY2(refused.startsWith(expected.toUtf8()), refused.constData());
        QVERIFY2(refused.endsWith("box: Results File In Use\n"), refused.constData());

        QVERIFY(first.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 0);
        output += first.readAllStandardOutput();
        QCOMPARE(answeredCount(output), 8);
        checkResults(8);
        QVERIFY(!QFile::exists(QDir(tree.path()).filePath("results.txt.lock")));
    }

    // Two participants run at once from one folder, each keeping every answer in their own
    // file; neither is refused.
    void twoParticipantsAtOnce()
    {
        removeResults();
        QProcess p1, p2;
        start(p1, 8, 40, false, {"--participant", "P01"});
        start(p2, 8, 40, false, {"--participant", "P02"});
        QVERIFY(p1.waitForFinished(60000));
        QVERIFY(p2.waitForFinished(60000));
        const QByteArray out1 = p1.readAllStandardOutput();
        const QByteArray out2 = p2.readAllStandardOutput();
        QVERIFY2(p1.exitCode() == 0, out1.constData());
        QVERIFY2(p2.exitCode() == 0, out2.constData());
        QVERIFY(out1.startsWith("locked\n") && out2.startsWith("locked\n"));
        QCOMPARE(answeredCount(out1), 8);
        QCOMPARE(answeredCount(out2), 8);
        checkResults(8, "results_P01.txt");
        checkResults(8, "results_P02.txt");
        QCOMPARE(QDir(tree.path()).entryList({"*.lock"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // After a kill the next session starts as usual, takes over the dead one's lock and keeps
    // the killed one's file aside.
    void nextSessionAfterKill()
    {
        removeResults();
        QProcess killed;
        start(killed, answers, 0, true);
        QByteArray output;
        while (answeredCount(output) < 3 && killed.waitForReadyRead(20000))
            output += killed.readAllStandardOutput();
        killed.kill();
        QVERIFY(killed.waitForFinished());
        output += killed.readAllStandardOutput();
        checkResults(answeredCount(output));
        QVERIFY(QFile::exists(QDir(tree.path()).filePath("results.txt.lock")));
        QFile earlier(QDir(tree.path()).filePath("results.txt"));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        const QByteArray before = earlier.readAll();
        earlier.close();

        QProcess next;
        start(next, 2, 0);
        QVERIFY(next.waitForFinished(60000));
        QCOMPARE(next.exitCode(), 0);
        const QStringList kept = QDir(tree.path()).entryList({"results-*.txt"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QFile keptFile(QDir(tree.path()).filePath(kept.first()));
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), before);
        checkResults(2);
    }

    // Twenty answers and an accepted exit. In the sanitizer build the driver exits non-zero on a
    // leak, an invalid access or undefined behaviour in any of it.
    void completeRunEndsCleanly()
    {
        removeResults();
        QProcess driver;
        start(driver, answers, 0);
        QVERIFY(driver.waitForFinished(120000));
        const QByteArray output = driver.readAllStandardOutput();
        const QByteArray errors = driver.readAllStandardError();
        QVERIFY2(driver.exitStatus() == QProcess::NormalExit && driver.exitCode() == 0,
                 errors.right(4000).constData());
        QVERIFY2(!errors.contains("Sanitizer"), errors.right(4000).constData());
        QCOMPARE(answeredCount(output), answers);
        QVERIFY(output.endsWith("closed\n"));
        QVERIFY2(!output.contains("box: Results Not Saved"), output.constData());
        checkResults(answers);
    }
};

QTEST_GUILESS_MAIN(TestKillRun)
#include "tst_killrun.moc"
