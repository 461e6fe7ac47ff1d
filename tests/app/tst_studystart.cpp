#include "fixturetree.h"
#include "sessionlock.h"
#include "sessionrecord.h"
#include "startup.h"
#include "studystart.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using testfiles::writeFile;

// Starts with --study: the study file stands for its options, the command line overrides it, and
// a participant whose first start left no answer starts plainly.
class TestStudyStart : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;
    QString originalDir;

    QString path(const QString &name) const { return tree.filePath(name); }
    QStringList args(const QStringList &options) const
    {
        return QStringList {"wallmatch", "--study", tree.path()} + options;
    }
    // The session prepared in the study folder, as the program does after expanding.
    wallmatch::Startup prepared(const wallmatch::StudyStart &study)
    {
        const QString before = QDir::currentPath();
        QDir::setCurrent(study.folder);
        wallmatch::Startup start = wallmatch::prepareStartup(study.arguments);
        QDir::setCurrent(before);
        return start;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 4));
        QVERIFY(QDir(tree.path()).mkpath("plans"));
        QVERIFY(writeFile(path("plans/P01.csv"),
                          "sample,source,phase\n4,Kestrel,practice\n"
                          "1,Kestrel,test\n2,Bramble,test\n"));
        QVERIFY(writeFile(path("plans/P02.csv"), "sample,source\n1,Kestrel\n"));
        QVERIFY(writeFile(path("plans/P03.csv"),
                          "sample,source,phase\n4,Kestrel,practice\n"
                          "1,LGTNet,test\n"));
        QVERIFY(writeFile(path("truth.csv"),
                          "sample,source,primary wall,secondary wall\n4,Kestrel,0,3\n"));
        QVERIFY(writeFile(path("intro.md"), "# Welcome\n"));
        QVERIFY(writeFile(path("study.json"),
                          R"({"format": "wallmatch-study", "version": 1, "title": "Box rooms",
                              "sources": ["Kestrel", "Bramble"], "plans": "plans",
                              "practice": 1, "instructions": "intro.md", "truth": "truth.csv",
                              "break_every": 2, "full_screen": true,
                              "pause_on_focus_loss": true})"));
        originalDir = QDir::currentPath();
    }
    void init()
    {
        for (const QString &name :
             QDir(tree.path())
                 .entryList({"results*", "practice*", "events*", "session*"}, QDir::Files))
            QFile::remove(path(name));
    }

    void studyFileStandsForItsOptions()
    {
        const wallmatch::StudyStart study =
            wallmatch::expandStudyArguments(args({"--participant", "P01"}));
        QCOMPARE(study.problems, QStringList());
        QVERIFY(study.study);
        QCOMPARE(study.overrides, QStringList());
        const wallmatch::Startup start = prepared(study);
        QCOMPARE(start.problems, QStringList());
        QCOMPARE(start.run.cases.size(), 3);
        QCOMPARE(start.run.practiceCases, 1);
        QCOMPARE(start.run.breakEvery, 2);
        QVERIFY(start.run.pauseOnFocusLoss);
        QVERIFY(start.fullScreen);
        QVERIFY(start.run.participantView);
        QVERIFY(bool(start.run.truth));
        QCOMPARE(start.run.facts.planPath, path("plans/P01.csv"));
        QCOMPARE(start.run.facts.truthSha256, wallmatch::fileSha256(path("truth.csv")));
        QCOMPARE(start.run.facts.instructionsSha256, wallmatch::fileSha256(path("intro.md")));
        QVERIFY(start.run.facts.afterPracticePath.isEmpty());
    }

    void commandLineOverridesAndIsNoted()
    {
        QVERIFY(writeFile(path("other.csv"),
                          "sample,source,phase\n3,Kestrel,practice\n"
                          "2,Kestrel,test\n"));
        // A relative path on the command line is the caller's, not the study folder's.
        QVERIFY(QDir::setCurrent(tree.path()));
        const wallmatch::StudyStart study = wallmatch::expandStudyArguments(
            args({"--participant", "P01", "--plan", "other.csv", "--break-every", "5"}));
        QDir::setCurrent(originalDir);
        QCOMPARE(study.problems, QStringList());
        QCOMPARE(study.overrides, (QStringList {"plan", "break-every"}));
        const wallmatch::Startup start = prepared(study);
        QCOMPARE(start.problems, QStringList());
        QCOMPARE(start.run.cases.value(1).sample, 2);
        QCOMPARE(start.run.breakEvery, 5);

        wallmatch::SessionFacts facts = start.run.facts;
        wallmatch::noteStudy(facts, study, args({"--participant", "P01"}));
        wallmatch::SessionRecord record(path("session_P01.json"));
        QCOMPARE(record.begin(facts), QString());
        const QJsonObject sitting = record.document().value("sessions")[0].toObject();
        const QJsonObject pinned = sitting.value("study").toObject();
        QCOMPARE(pinned.value("sha256").toString().toLatin1(),
                 wallmatch::fileSha256(path("study.json")));
        QCOMPARE(pinned.value("title").toString(), QString("Box rooms"));
        QCOMPARE(pinned.value("overridden_options").toVariant().toStringList(),
                 (QStringList {"plan", "break-every"}));
        QCOMPARE(sitting.value("truth")["sha256"].toString().toLatin1(),
                 wallmatch::fileSha256(path("truth.csv")));
        QVERIFY(sitting.value("instructions_after_practice").isNull());
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("problem");
        QTest::newRow("no participant") << QStringList() << "--study needs --participant ID";
        QTest::newRow("no plan for the ID")
            << QStringList {"--participant", "P09"} << "P09.csv: no plan for participant P09";
        QTest::newRow("practice short")
            << QStringList {"--participant", "P02"} << "P02.csv: 0 practice cases, but";
        QTest::newRow("other source") << QStringList {"--participant", "P03"}
                                      << "P03.csv:3: source LGTNet is not one of the study's";
    }
    void refused()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, problem);
        const wallmatch::StudyStart study = wallmatch::expandStudyArguments(args(options));
        QVERIFY2(study.problems.join('\n').contains(problem),
                 qPrintable(study.problems.join('\n')));
    }

    // A first start that ended before any answer leaves files but nothing to resume.
    void participantWithoutAnswersStartsPlainly()
    {
        QVERIFY(writeFile(path("events_P01.csv"), "session_ms,phase,case\n"));
        QVERIFY(writeFile(path("session_P01.json"), "{\"sessions\": []}\n"));
        const wallmatch::StudyStart study =
            wallmatch::expandStudyArguments(args({"--participant", "P01"}));
        const wallmatch::Startup start = prepared(study);
        QCOMPARE(start.problems, QStringList());
        QVERIFY(!QFile::exists(path("events_P01.csv")));
        QCOMPARE(QDir(tree.path()).entryList({"events_P01-*.csv"}).size(), 1);

        // One practice answer is something to resume: refused as before.
        QVERIFY(writeFile(path("practice_P01.txt"),
                          "ind 1: Wall 0 <==> Wall 3 (Kestrel) Time: 0:01.000 Mouse: 1 1 <==> "
                          "1 1\n"));
        const wallmatch::Startup again = prepared(study);
        QVERIFY(again.problems.join('\n').contains("--resume"));
    }

    // --participant next: the plan least used by finished and running sessions; a dropout's plan
    // is given again, under a new ID.
    void nextTakesTheLeastUsedPlan()
    {
        QTemporaryDir study;
        QVERIFY(fixture::writeBoxRoomTree(study.path(), 2));
        QVERIFY(QDir(study.path()).mkpath("plans"));
        for (const char *plan : {"plans/A.csv", "plans/B.csv"})
            QVERIFY(writeFile(study.filePath(plan), "sample,source\n1,Kestrel\n"));
        QVERIFY(writeFile(study.filePath("study.json"),
                          R"({"format": "wallmatch-study", "version": 1, "title": "Next",
                              "sources": ["Kestrel"], "plans": "plans"})"));
        auto next = [&] {
            const wallmatch::StudyStart start = wallmatch::expandStudyArguments(
                {"wallmatch", "--study", study.path(), "--participant", "next"});
            return start.problems.isEmpty()
                ? start.participant + " " + QFileInfo(start.planFile).fileName()
                : start.problems.join('\n');
        };
        auto sitting = [&](const QString &id, const QString &plan, bool completed) {
            wallmatch::SessionFacts facts;
            facts.participant = id;
            facts.planPath = study.filePath(plan);
            wallmatch::SessionRecord record(study.filePath("session_" + id + ".json"));
            QCOMPARE(record.begin(facts), QString());
            if (completed)
                QCOMPARE(record.finish(1, 0, true), QString());
        };
        QCOMPARE(next(), QString("A A.csv"));
        sitting("A", "plans/A.csv", true);
        QCOMPARE(next(), QString("B B.csv"));
        {
            // B running: its lock held by a live session.
            sitting("B", "plans/B.csv", false);
            wallmatch::SessionLock running(study.filePath("results_B.txt"));
            QVERIFY(running.tryLock());
            QCOMPARE(next(), QString("A-2 A.csv"));
        }
        // B dropped out: its plan is given again, under an ID of its own.
        QCOMPARE(next(), QString("B-2 B.csv"));
        const wallmatch::StudyStart start = wallmatch::expandStudyArguments(
            {"wallmatch", "--study", study.path(), "--participant", "next"});
        QVERIFY(start.arguments.contains("B-2"));
        QVERIFY(!start.arguments.contains("next"));
    }
};

QTEST_MAIN(TestStudyStart)
#include "tst_studystart.moc"
