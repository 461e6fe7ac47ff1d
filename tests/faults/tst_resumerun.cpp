// A study session killed (SIGKILL) after case 2 of 5 and started again with --resume: the
// participant's results file ends with exactly the five cases of the plan, in its order, with
// their sources, the first two as the killed session wrote them.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "fixturetree.h"

namespace {

struct Case
{
    int sample;
    const char *source;
};
const Case plan[] = {
    {4, "Bramble"}, {2, "Kestrel"}, {5, "Kestrel"}, {1, "Bramble"}, {3, "Kestrel"}};

// The line the driver's answer n (counted within its session) leaves for a case.
QRegularExpression resultLine(const Case &c, int n)
{
    const int w1 = n % 4, w2 = (n / 4) % 4;
    const QPoint p1 = fixture::boxWallCentre(false, w1);
    const QPoint p2 = fixture::boxWallCentre(true, w2);
    return QRegularExpression(
        QString("^ind %1: Wall %2 <==> Wall %3 \\(%4\\) Time: (\\d+:\\d\\d\\.\\d{3})? "
                "Mouse: %5 %6 <==> %7 %8$")
            .arg(c.sample)
            .arg(w1)
            .arg(w2)
            .arg(c.source)
            .arg(p1.x())
            .arg(p1.y())
            .arg(p2.x())
            .arg(p2.y()));
}

} // namespace

class TestResumeRun : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;

    void start(QProcess &driver, int answers, bool stay, const QStringList &options)
    {
        driver.setWorkingDirectory(tree.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        driver.setProcessEnvironment(env);
        QStringList arguments {QString::number(answers), "0"};
        if (stay)
            arguments << "stay";
        driver.start(WALLMATCH_RUNDRIVER, arguments + QStringList {"--"} + options);
        QVERIFY(driver.waitForStarted());
    }

    QByteArray results()
    {
        QFile file(QDir(tree.path()).filePath("results_S1.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 5));
        QFile planFile(QDir(tree.path()).filePath("plan.csv"));
        QVERIFY(planFile.open(QIODevice::WriteOnly));
        planFile.write("sample,source\n");
        for (const Case &c : plan)
            planFile.write(QString("%1,%2\n").arg(c.sample).arg(c.source).toUtf8());
    }

    void killedAtCaseTwoThenResumed()
    {
        const QStringList options {"--plan", "plan.csv", "--participant", "S1"};
        QProcess killed;
        start(killed, 2, true, options);
        QByteArray output;
        while (!output.contains("answered 2") && killed.waitForReadyRead(30000))
            output += killed.readAllStandardOutput();
        QVERIFY2(output.contains("answered 2"), killed.readAllStandardError().constData());
        killed.kill();
        QVERIFY(killed.waitForFinished());
        QCOMPARE(killed.exitStatus(), QProcess::CrashExit);
        const QByteArray before = results();
        QCOMPARE(before.count('\n'), 2);

        QProcess resumed;
        start(resumed, 3, false, options + QStringList {"--resume"});
        QVERIFY(resumed.waitForFinished(60000));
        QVERIFY2(resumed.exitCode() == 0, resumed.readAllStandardError().constData());
        // The run ended by itself after the plan's last case, before the driver closed it.
        QVERIFY(resumed.readAllStandardOutput().contains("end page: Close"));

        const QByteArray after = results();
        QVERIFY(after.startsWith(before));
        const QList<QByteArray> lines = after.split('\n');
        QCOMPARE(lines.size(), 6); // five lines and the empty rest after the last LF
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < 5; ++i) {
            const int answerInSession = i < 2 ? i + 1 : i - 1;
            QVERIFY2(resultLine(plan[i], answerInSession).match(lines[i]).hasMatch(),
                     lines[i].constData());
        }
        QCOMPARE(QDir(tree.path()).entryList({"results-*"}, QDir::Files), QStringList());
    }

    // The same participant's file, another plan: nothing starts, the file is untouched.
    void resumeRefusesAnotherPlansResults()
    {
        QFile other(QDir(tree.path()).filePath("other.csv"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(
            "sample,source\n4,Bramble\n3,Kestrel\n5,Kestrel\n1,Bramble\n3,Bramble\n2,Kestrel\n");
        other.close();
        const QByteArray before = results();
        QVERIFY(!before.isEmpty());
        QProcess refused;
        start(refused, 1, false, {"--plan", "other.csv", "--participant", "S1", "--resume"});
        QVERIFY(refused.waitForFinished(60000));
        QCOMPARE(refused.exitCode(), 2);
        QVERIFY2(refused.readAllStandardError().contains(
                     "results_S1.txt:2: sample 2 (Kestrel) is not case 2 of this run, sample 3 "
                     "(Kestrel)"),
                 "no refusal naming the first line that differs");
        QCOMPARE(refused.readAllStandardOutput(), QByteArray("locked\n")); // no answer taken
        QCOMPARE(results(), before);
    }
};

QTEST_GUILESS_MAIN(TestResumeRun)
#include "tst_resumerun.moc"
