#include "fakeclock.h"
#include "studysession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using wallmatch::PlanCase;
using wallmatch::SessionEvent;
using wallmatch::StudyProtocol;
using wallmatch::StudyRun;
using wallmatch::StudySession;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The event column of every row after the header.
QStringList loggedEvents(const QString &path)
{
    QStringList events;
    const QList<QByteArray> rows = readFile(path).split('\n');
    for (int i = 1; i < rows.size(); ++i) {
        if (!rows.at(i).isEmpty())
            events << QString::fromUtf8(rows.at(i).split(',').value(5));
    }
    return events;
}

} // namespace

class TestStudySession : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // A run writing into the temporary folder; cases given as "sample:source" ("p" marks
    // practice), none for the fixed run.
    StudyRun runOf(const QStringList &cases = {}, bool protocolFiles = false)
    {
        StudyRun run;
        for (const QString &c : cases) {
            const bool practice = c.startsWith('p');
            run.cases.append({0, c.mid(practice ? 1 : 0).section(':', 0, 0).toInt(),
                              c.section(':', 1), practice});
            run.practiceCases += practice ? 1 : 0;
        }
        run.resultsFile = dir.filePath("results.txt");
        run.practiceFile = dir.filePath("practice.txt");
        run.eventsFile = dir.filePath("events.csv");
        run.sessionFile = dir.filePath("session.json");
        run.protocolFiles = protocolFiles;
        return run;
    }

    static void pick(StudySession &session, int wall1, int wall2)
    {
        session.pickWall(1, wall1);
        session.pickPoint(1, QPoint(10 + wall1, 20));
        session.pickWall(2, wall2);
        session.pickPoint(2, QPoint(30 + wall2, 40));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        for (const QString &name : QDir(dir.path()).entryList(QDir::Files))
            QVERIFY(QFile::remove(dir.filePath(name)));
    }

    // A plain start is samples 1 to 100 in order, Kestrel's walls, the next one read ahead until
    // the last.
    void plainStartIsTheFixedRun()
    {
        StudySession session(runOf());
        QCOMPARE(session.currentSample(), 0);
        QCOMPARE(session.currentSource(), QString("Kestrel"));
        QCOMPARE(session.caseCount(), 100);
        QCOMPARE(session.progressText(), QString("Progress:1/100"));
        QVector<int> shown;
        for (int i = 0; i < 100; ++i) {
            shown << session.advance().sample;
            const std::optional<PlanCase> next = session.following();
            QCOMPARE(bool(next), i < 99);
            QCOMPARE(next ? next->sample : 0, i < 99 ? i + 2 : 0);
            pick(session, 0, 1);
            QVERIFY(!session.answer(0).refused);
        }
        QCOMPARE(shown.first(), 1);
        QCOMPARE(shown.last(), 100);
        QVERIFY(std::is_sorted(shown.begin(), shown.end()));
        QCOMPARE(session.resultLines().size(), 100);
        QVERIFY(session.finishWrite().error.isEmpty());
        QCOMPARE(readFile(dir.filePath("results.txt")).count('\n'), 100);
    }

    // The case time: from the presentation, without paused stretches, to the answer's moment.
    void answerTakesItsTimeAndWalls_data()
    {
        QTest::addColumn<QString>("script"); // "what@ms" after the presentation at 0
        QTest::addColumn<QString>("line"); // the result line; empty: refused

        // clang-format off
        QTest::newRow("answer at 1049") << "pick@0 answer@1049"
            << "ind 7: Wall 2 <==> Wall 3 (Bramble) Time: 0:01.049 Mouse: 12 20 <==> 33 40\n";
        QTest::newRow("pause of 2000") << "pick@0 pause@400 pause@2400 answer@3049"
            << "ind 7: Wall 2 <==> Wall 3 (Bramble) Time: 0:01.049 Mouse: 12 20 <==> 33 40\n";
        QTest::newRow("two pauses") << "pick@0 pause@400 pause@2400 pause@2600 pause@3000 answer@3449"
            << "ind 7: Wall 2 <==> Wall 3 (Bramble) Time: 0:01.049 Mouse: 12 20 <==> 33 40\n";
        QTest::newRow("one wall refused") << "pick1@0 answer@700" << "";
        QTest::newRow("refused restarts the time") << "pick1@0 answer@700 restart@700 pick@800 answer@1000"
            << "ind 7: Wall 2 <==> Wall 3 (Bramble) Time: 0:00.300 Mouse: 12 20 <==> 33 40\n";
        // clang-format on
    }
    void answerTakesItsTimeAndWalls()
    {
        QFETCH(QString, script);
        QFETCH(QString, line);
        FakeClock clock(5000);
        StudySession session(runOf({"7:Bramble", "8:Kestrel"}));
        QCOMPARE(session.advance().sample, 7);
        session.restartClock(5000);
        StudySession::Answered answered;
        for (const QString &step : script.split(' ')) {
            const QString what = step.section('@', 0, 0);
            const qint64 at = 5000 + step.section('@', 1).toLongLong();
            clock.setNow(at + 150); // handled late: the step's own moment counts
            if (what == "pick")
                pick(session, 2, 3);
            else if (what == "pick1")
                session.pickWall(1, 2);
            else if (what == "pause")
                session.toggleClock(at);
            else if (what == "restart")
                session.restartClock(at);
            else if (what == "answer")
                answered = session.answer(at);
        }
        QCOMPARE(answered.refused, line.isEmpty());
        QCOMPARE(session.resultLines().value(0), line);
        QCOMPARE(session.caseNumber(), line.isEmpty() ? 1 : 2);
        if (line.isEmpty())
            return;
        QCOMPARE(answered.logLine.section("Time: ", 1), line.section("Time: ", 1).left(8));
        QCOMPARE(answered.step, StudyProtocol::Step::NextCase);
        QVERIFY(session.finishWrite().error.isEmpty());
        QCOMPARE(readFile(dir.filePath("results.txt")), line.toUtf8());
        // The next case starts with no wall picked.
        QCOMPARE(session.advance().sample, 8);
        QCOMPARE(session.pickedWall(1), -1);
        QCOMPARE(session.pickedWall(2), -1);
        QVERIFY(session.answer(clock.now()).refused);
    }

    // Every tenth answer empties the log after its line; the last answer finishes the run, and an
    // answer past the end repeats the last case.
    void answersStepThroughTheRun()
    {
        QStringList cases;
        for (int i = 1; i <= 11; ++i)
            cases << QString("%1:Kestrel").arg(i);
        StudySession session(runOf(cases));
        QVector<bool> clears;
        QVector<StudyProtocol::Step> steps;
        for (int i = 0; i < 12; ++i) {
            session.advance();
            pick(session, 1, 1);
            const StudySession::Answered a = session.answer(0);
            clears << a.clearsLog;
            steps << a.step;
            QCOMPARE(a.answer.sampleId, qMin(i + 1, 11));
        }
        QCOMPARE(clears.count(true), 1);
        QVERIFY(clears.at(9));
        QCOMPARE(steps.at(9), StudyProtocol::Step::NextCase);
        QCOMPARE(steps.at(10), StudyProtocol::Step::Finished);
        QCOMPARE(steps.at(11), StudyProtocol::Step::Finished);
        QVERIFY(session.resultLines().at(11).startsWith("ind 11: "));
    }

    // Practice answers go to their own file, are judged against the truth, and hold the case at
    // its time while the feedback shows; the event log records the whole sitting.
    void practiceFeedbackAndEvents()
    {
        FakeClock clock(1000);
        StudyRun run = runOf({"p3:Kestrel", "4:Kestrel"}, true);
        run.truth = [](int sample, const QString &, int primary) {
            wallmatch::TruthWall wall;
            if (sample == 3 && primary == 2) {
                wall.kind = wallmatch::TruthWall::Wall;
                wall.walls = {5};
            }
            return wall;
        };
        StudySession session(run);
        QCOMPARE(session.progressText(), QString("Practice:1/1"));
        session.advance();
        session.restartClock(1000);
        pick(session, 2, 4);
        const StudySession::Answered practice = session.answer(1800);
        QVERIFY(practice.practice);
        QCOMPARE(practice.step, StudyProtocol::Step::Feedback);
        QVERIFY(session.resultLines().isEmpty());
        const std::optional<wallmatch::PracticeFeedback> feedback =
            session.feedbackFor(practice.answer);
        QVERIFY(feedback);
        QVERIFY(!feedback->correct);
        QVERIFY(session.holding());
        QVERIFY(!session.running());
        clock.advance(1500);
        QCOMPARE(session.caseTimeAt(clock.now()), qint64(800));
        QCOMPARE(session.afterFeedback(), StudyProtocol::Step::NextCase);
        QVERIFY(!session.holding());

        QCOMPARE(session.advance().sample, 4);
        session.restartClock(4000);
        session.holdFor(SessionEvent::Break);
        session.toggleClock(4100);
        session.toggleClock(4200);
        session.toggleClock(4300);
        pick(session, 0, 0);
        session.toggleClock(4400);
        QCOMPARE(session.answer(4500).step, StudyProtocol::Step::Finished);
        QVERIFY(session.saveNow().error.isEmpty());
        session.finishRecord();

        QVERIFY(readFile(dir.filePath("practice.txt")).startsWith("ind 3: Wall 2 <==> Wall 4 "));
        QVERIFY(readFile(dir.filePath("results.txt")).startsWith("ind 4: Wall 0 <==> Wall 0 "));
        QCOMPARE(loggedEvents(dir.filePath("events.csv")),
                 QStringList({"present", "answer", "present", "break", "resume", "pause", "resume",
                              "answer"}));
        QVERIFY(readFile(dir.filePath("events.csv")).contains("\n3100,test,1,4,Kestrel,break,"));
        QVERIFY(readFile(dir.filePath("session.json")).contains("\"completed\": true"));
    }

    // Each presentation is logged with when its frame was sent and shown; the session record
    // names what the onsets rested on, "mixed" once a case fell back, and the refresh period.
    void onsetsAreRecorded()
    {
        FakeClock clock(1000);
        StudySession session(runOf({"1:Kestrel", "2:Kestrel"}, true));
        session.advance();
        session.caseShown({1016, 1000250, 1016667, wallmatch::OnsetMethod::DisplayReported, {}});
        session.restartClock(1016);
        pick(session, 0, 0);
        session.answer(2000);
        const auto record = [this] {
            return QJsonDocument::fromJson(readFile(dir.filePath("session.json")))
                .object()
                .value("sessions")
                .toArray()
                .last()
                .toObject();
        };
        // Written as soon as the first onset says how cases start.
        QCOMPARE(record().value("onset_method").toString(), QString("display-reported"));
        QVERIFY(record().value("refresh_period_ms").isNull());

        session.advance();
        session.caseShown(
            {2020, 2010000, std::nullopt, wallmatch::OnsetMethod::ServerRoundTrip, 16.6667});
        session.restartClock(2020);
        pick(session, 1, 1);
        session.answer(3000);
        QVERIFY(session.saveNow().error.isEmpty());
        session.finishRecord();
        const QJsonObject sitting = record();
        QCOMPARE(sitting.value("onset_method").toString(), QString("mixed"));
        QCOMPARE(sitting.value("onset_methods").toObject(),
                 QJsonObject({{"display-reported", 1}, {"server-round-trip", 1}}));
        QCOMPARE(sitting.value("refresh_period_ms").toDouble(), 16.667);
        const QList<QByteArray> rows = readFile(dir.filePath("events.csv")).split('\n');
        QCOMPARE(rows.at(1),
                 QByteArray("16,test,1,1,Kestrel,present,,,,,0.250,16.667,"
                            "display-reported"));
        QCOMPARE(rows.at(3),
                 QByteArray("1020,test,2,2,Kestrel,present,,,,,1010.000,,"
                            "server-round-trip"));
    }

    // A resumed session goes on after the answers it found, keeping them in the file.
    void resumedSessionGoesOn()
    {
        StudyRun run = runOf({"1:Kestrel", "2:Bramble", "3:Kestrel"});
        const QString kept = "ind 1: Wall 0 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 2 <==> "
                             "3 4\n";
        QFile file(run.resultsFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kept.toUtf8());
        file.close();
        run.resume = true;
        run.resumedLines = {kept};
        StudySession session(run);
        QCOMPARE(session.currentSource(), QString("Bramble"));
        QCOMPARE(session.caseNumber(), 2);
        QCOMPARE(session.progressText(), QString("Progress:2/3"));
        QCOMPARE(session.advance().sample, 2);
        pick(session, 1, 2);
        const StudySession::Answered a = session.answer(0);
        QVERIFY(a.logLine.startsWith("Sample 2: "));
        QVERIFY(session.finishWrite().error.isEmpty());
        const QByteArray written = readFile(run.resultsFile);
        QVERIFY(written.startsWith(kept.toUtf8()));
        QVERIFY(written.endsWith("Mouse: 11 20 <==> 32 40\n"));
        QCOMPARE(written.count('\n'), 2);
    }
};

QTEST_MAIN(TestStudySession)
#include "tst_studysession.moc"
