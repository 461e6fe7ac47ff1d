#include "clirun.h"
#include "sessionrecord.h"
#include "studyfile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

// The report of a study folder: files found there, participants' sessions checked against the
// study as set up, practice, event and session files never counted as participants.
class TestStudyReport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }
    CliRun run(const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return CliRun::run(QStringLiteral(WALLMATCH_REPORT_EXE), args, dir.path(), env);
    }
    // A sitting as wallmatch records it when started with --study.
    void recordSession(const QString &id, const QString &onsetMethod = {})
    {
        wallmatch::SessionFacts facts;
        facts.participant = id;
        facts.planPath = path(QStringLiteral("plans/%1.csv").arg(id));
        facts.planSha256 = wallmatch::fileSha256(facts.planPath);
        facts.truthPath = path("truth.csv");
        facts.truthSha256 = wallmatch::fileSha256(facts.truthPath);
        facts.studyFile = path("study.json");
        facts.studySha256 = wallmatch::fileSha256(facts.studyFile);
        facts.studyTitle = "Two rooms";
        wallmatch::SessionRecord record(path(QStringLiteral("session_%1.json").arg(id)));
        QCOMPARE(record.begin(facts), QString());
        if (!onsetMethod.isEmpty()) {
            record.noteOnsets({{onsetMethod, 3}}, 16.667);
            QCOMPARE(record.write(), QString());
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(dir.path()).mkpath("plans"));
        for (const char *id : {"P01", "P02"}) {
            QVERIFY(writeTestFile(path(QStringLiteral("plans/%1.csv").arg(id)),
                                  "sample,source,phase\n2,Kestrel,practice\n1,Kestrel,test\n"));
            QVERIFY(writeTestFile(path(QStringLiteral("results_%1.txt").arg(id)),
                                  "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:03.000 Mouse: 1 2 "
                                  "<==> 3 4\n"));
            QVERIFY(writeTestFile(path(QStringLiteral("practice_%1.txt").arg(id)),
                                  "ind 2: Wall 1 <==> Wall 1 (Kestrel) Time: 0:09.000 Mouse: 1 2 "
                                  "<==> 3 4\n"));
        }
        QVERIFY(writeTestFile(path("truth.csv"),
                              "sample,source,primary wall,secondary wall\n"
                              "1,Kestrel,2,0\n2,Kestrel,1,1\n"));
        QVERIFY(writeTestFile(path("study.json"),
                              R"({"format": "wallmatch-study", "version": 1, "title": "Two rooms",
                                  "sources": ["Kestrel"], "plans": "plans", "practice": 1,
                                  "truth": "truth.csv"})"));
    }

    void studyAsSetUpThenTruthChanged()
    {
        recordSession("P01");
        recordSession("P02");
        CliRun r = run({"--study", dir.path(), "--json", "report.json"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith("study: Two rooms"), qPrintable(r.out));
        QVERIFY2(r.out.contains("found: 2 results files, 2 practice files"), qPrintable(r.out));
        QVERIFY(r.out.contains("no difference"));
        QVERIFY(r.out.contains("results_P02.txt"));

        // The truth corrected after P01 ran: P01 is listed, P02 not.
        QVERIFY(writeTestFile(path("truth.csv"),
                              "sample,source,primary wall,secondary wall\n"
                              "1,Kestrel,2,0\n2,Kestrel,1,2\n"));
        recordSession("P02");
        r = run({"--study", dir.path(), "--json", "report.json"});
        QVERIFY2(r.out.contains("1 differences from the study as it is set up:\n  P01 (sitting "
                                "1): truth truth.csv:"),
                 qPrintable(r.out));
        QVERIFY(!r.out.contains("  P02"));
        QFile json(path("report.json"));
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonArray differences = QJsonDocument::fromJson(json.readAll())
                                           .object()
                                           .value("study")["differences"]
                                           .toArray();
        QCOMPARE(differences.size(), 1);
        QVERIFY(differences.at(0).toString().startsWith("P01 (sitting 1): truth"));
    }

    // Sittings whose case onsets rest on different things are named: their times are not
    // equally exact.
    void onsetMethodsThatDifferAreNamed()
    {
        recordSession("P01", "display-reported");
        recordSession("P02", "display-reported");
        CliRun r = run({"--study", dir.path()});
        QVERIFY2(r.out.contains("case onsets: display-reported in 2 sittings\n"),
                 qPrintable(r.out));
        QVERIFY(r.out.contains("no difference"));
        recordSession("P02", "server-round-trip");
        r = run({"--study", dir.path()});
        QVERIFY2(r.out.contains("case onsets: display-reported in 1 sitting, server-round-trip in "
                                "1 sitting\n"),
                 qPrintable(r.out));
        QVERIFY2(r.out.contains("case onsets differ between sittings, so do their times' "
                                "exactness: display-reported: P01 (sitting 1); "
                                "server-round-trip: P02 (sitting 1)"),
                 qPrintable(r.out));
    }

    void participantsFilesAreNoParticipants_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::newRow("practice") << QStringList {"practice_P01.txt"};
        QTest::newRow("practice, events and session")
            << QStringList {"practice_P02.txt", "session_P01.json", "events_P01.csv"};
    }
    void participantsFilesAreNoParticipants()
    {
        QFETCH(QStringList, inputs);
        QVERIFY(writeTestFile(path("events_P01.csv"), "session_ms,phase\n"));
        const CliRun r =
            run(QStringList {"results_P01.txt"} + inputs + QStringList {"--truth", "truth.csv"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.count("note: left out"), 1);
        for (const QString &input : qAsConst(inputs)) {
            QCOMPARE(r.out.count(input), 1); // in the note only
        }
        QVERIFY(r.out.contains("results_P01.txt\n"));
    }
};

QTEST_MAIN(TestStudyReport)
#include "tst_studyreport.moc"
