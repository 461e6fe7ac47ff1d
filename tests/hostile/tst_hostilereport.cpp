#include "clirun.h"
#include "mixedmodels.h"
#include "resultsfile.h"
#include "trials.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace wallmatch;

// The report: times from the event log on the case clock, rows that stay with their answers,
// an R run that can be bounded and leaves nothing running.
class TestHostileReport : public QObject
{
    Q_OBJECT

    static QByteArray eventRow(qint64 ms, int caseNumber, const char *event, int wall = -1)
    {
        return QByteArray::number(ms) + ",test," + QByteArray::number(caseNumber) + ",1,Kestrel,"
            + event + (wall >= 0 ? ",1," + QByteArray::number(wall) + ",10,20\n" : ",,,,\n");
    }

    static QByteArray header()
    {
        return "session_ms,phase,case,sample,source,event,view,wall,x,y\n";
    }

private Q_SLOTS:
    // The first pick is timed as the answer is: from the case appearing, pauses, breaks and
    // lost focus left out.
    void firstPickOnCaseClock_data()
    {
        QTest::addColumn<QByteArray>("events");
        QTest::addColumn<double>("seconds");
        QTest::newRow("no pause") << eventRow(1000, 1, "present") + eventRow(1819, 1, "pick", 2)
                                  << 0.819;
        QTest::newRow("a two-minute break before the pick") << eventRow(1000, 1, "present")
                + eventRow(1300, 1, "break") + eventRow(121300, 1, "resume")
                + eventRow(121819, 1, "pick", 2) << 0.819;
        QTest::newRow("pause and lost focus") << eventRow(1000, 1, "present")
                + eventRow(1100, 1, "pause") + eventRow(5100, 1, "resume")
                + eventRow(5200, 1, "focus-lost") + eventRow(9200, 1, "resume")
                + eventRow(9819, 1, "pick", 2) << 0.819;
        QTest::newRow("a break before the case appeared does not count")
            << eventRow(500, 1, "break") + eventRow(900, 1, "resume") + eventRow(1000, 1, "present")
                + eventRow(1819, 1, "pick", 2)
            << 0.819;
    }
    void firstPickOnCaseClock()
    {
        QFETCH(QByteArray, events);
        QFETCH(double, seconds);
        const SessionEvents log = parseSessionEvents("events_P.csv", header() + events);
        QCOMPARE(log.complaints.size(), 0);
        QVERIFY(log.byCase.value(1).firstPickSeconds.has_value());
        QCOMPARE(*log.byCase.value(1).firstPickSeconds, seconds);
    }

    // An answer repeating a sample and source is listed after the end, yet it was a case the
    // session presented: the answers after it keep their own events, not the repeat's.
    void eventsStayWithTheirAnswers()
    {
        const QByteArray results =
            "ind 1: Wall 0 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n"
            "ind 2: Wall 1 <==> Wall 1 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n"
            "ind 1: Wall 2 <==> Wall 2 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n"
            "ind 3: Wall 3 <==> Wall 3 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> 3 4\n";
        QByteArray events = header();
        for (int c = 1; c <= 4; ++c) {
            events += eventRow(c * 10000, c, "present");
            for (int p = 0; p < c; ++p) // case c has c picks
                events += eventRow(c * 10000 + 100 * (p + 1), c, "pick", p);
        }
        const ResultsFile file = parseResultsFile("results_P.txt", results);
        const QVector<Trial> trials =
            trialsOf({file}, nullptr, {parseSessionEvents("events_P.csv", events)});
        QCOMPARE(trials.size(), 4);
        QCOMPARE(trials[2].phase, QString("after-end"));
        QCOMPARE(trials[3].sample, 3);
        QCOMPARE(trials[3].caseNumber, 3);
        QVERIFY(trials[3].events.has_value());
        QCOMPARE(trials[3].events->picks, 4);
        QCOMPARE(trials[1].events->picks, 2);
    }

    // R and everything it started end at the limit; the limit is the user's to set.
    void rStoppedWithItsChildren()
    {
        QTemporaryDir dir;
        const QString pidFile = dir.filePath("child.pid");
        const QString fake = dir.filePath("Rscript");
        QVERIFY(writeTestFile(fake,
                              QStringLiteral("#!/bin/sh\nsleep 300 &\necho $! > '%1'\nwait\n")
                                  .arg(pidFile)
                                  .toUtf8()));
        QVERIFY(QFile::setPermissions(fake, QFile::ReadOwner | QFile::ExeOwner));
        QVector<Trial> trials;
        for (const char *source : {"Kestrel", "Bramble"}) {
            Trial t;
            t.participant = "P";
            t.phase = "test";
            t.source = source;
            t.seconds = 1;
            trials.append(t);
        }
        const MixedModels models = fitMixedModels(trials, {"Kestrel", "Bramble"}, fake, 1000);
        QVERIFY(models.failed);
        QVERIFY2(models.unavailable.contains("R took longer than 1 s"),
                 qPrintable(models.unavailable));
        QFile pid(pidFile);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        const QByteArray child = pid.readAll().trimmed();
        QVERIFY(!child.isEmpty());
        // Gone, or a zombie waiting for init to reap it: no longer running either way.
        const auto running = [&] {
            QFile stat("/proc/" + child + "/stat");
            if (!stat.open(QIODevice::ReadOnly))
                return false;
            const QByteArray text = stat.readAll();
            return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
        };
        QTRY_VERIFY_WITH_TIMEOUT(!running(), 10000);

        const CliRun bad = CliRun::run(QStringLiteral(WALLMATCH_REPORT_EXE),
                                       {"--r-timeout", "0", "results.txt"}, dir.path());
        QCOMPARE(bad.status, 2);
        QVERIFY2(bad.err.contains("--r-timeout"), qPrintable(bad.err));
    }
};

QTEST_GUILESS_MAIN(TestHostileReport)
#include "tst_hostilereport.moc"
