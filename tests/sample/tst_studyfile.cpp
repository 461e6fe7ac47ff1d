#include "studyfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace wallmatch;

class TestStudyFile : public QObject
{
    Q_OBJECT

private slots:
    void writtenFileReadsBack();
    void refused_data();
    void refused();
    void missingFile();
};

void TestStudyFile::writtenFileReadsBack()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("plans")));
    QFile truth(dir.filePath(QStringLiteral("truth.csv")));
    QVERIFY(truth.open(QIODevice::WriteOnly));
    truth.close();
    StudyFile study;
    study.title = QStringLiteral("Kestrel or Bramble");
    study.sources = QStringList {QStringLiteral("Kestrel"), QStringLiteral("LGTNet")};
    study.practice = 3;
    study.truth = QStringLiteral("truth.csv");
    study.breakEvery = 20;
    study.fullScreen = true;
    study.pauseOnFocusLoss = true;
    QFile file(dir.filePath(QLatin1String(studyFileName)));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(studyFileJson(study));
    file.close();
    const StudyFileRead read = readStudyFile(dir.path());
    QCOMPARE(read.problems, QStringList());
    QCOMPARE(read.study.title, study.title);
    QCOMPARE(read.study.sources, study.sources);
    QCOMPARE(read.study.practice, 3);
    QCOMPARE(read.study.truth, study.truth);
    QCOMPARE(read.study.breakEvery, 20);
    QVERIFY(read.study.fullScreen && read.study.pauseOnFocusLoss);
    QCOMPARE(read.sha256.size(), 64);
    QCOMPARE(read.sha256, fileSha256(file.fileName()));
    QCOMPARE(studyPlanFile(read.study, dir.path(), QStringLiteral("P07")),
             dir.filePath(QStringLiteral("plans/P07.csv")));
}

void TestStudyFile::refused_data()
{
    QTest::addColumn<QByteArray>("fields"); // inside the object, after format, version, plans
    QTest::addColumn<QString>("problem");
    const QString f = QStringLiteral("S: ");
    QTest::newRow("no title") << QByteArray("\"sources\":[\"Kestrel\"]")
                              << f + QStringLiteral("title: missing");
    QTest::newRow("title a number") << QByteArray("\"title\":3,\"sources\":[\"Kestrel\"]")
                                    << f + QStringLiteral("title: must be a string");
    QTest::newRow("no sources") << QByteArray("\"title\":\"T\",\"sources\":[]")
                                << f
            + QStringLiteral("sources: must be a list of one or more source names");
    QTest::newRow("bad source") << QByteArray("\"title\":\"T\",\"sources\":[\"a b\"]")
                                << f + QStringLiteral("sources: source \"a b\"");
    QTest::newRow("source twice") << QByteArray(
        "\"title\":\"T\",\"sources\":[\"Kestrel\",\"Kestrel\"]")
                                  << f + QStringLiteral("sources: \"Kestrel\" is named twice");
    QTest::newRow("missing truth")
        << QByteArray("\"title\":\"T\",\"sources\":[\"Kestrel\"],\"truth\":\"none.csv\"")
        << f + QStringLiteral("truth: \"none.csv\" does not exist");
    QTest::newRow("truth a folder")
        << QByteArray("\"title\":\"T\",\"sources\":[\"Kestrel\"],\"truth\":\"plans\"")
        << f + QStringLiteral("truth: \"plans\" is not a regular file");
    QTest::newRow("fractional breaks")
        << QByteArray("\"title\":\"T\",\"sources\":[\"Kestrel\"],\"break_every\":2.5")
        << f + QStringLiteral("break_every: must be a whole number");
    QTest::newRow("negative practice")
        << QByteArray("\"title\":\"T\",\"sources\":[\"Kestrel\"],\"practice\":-1")
        << f + QStringLiteral("practice: must be a whole number");
    QTest::newRow("full screen as text")
        << QByteArray("\"title\":\"T\",\"sources\":[\"Kestrel\"],\"full_screen\":\"yes\"")
        << f + QStringLiteral("full_screen: must be true or false");
    QTest::newRow("unknown field")
        << QByteArray("\"title\":\"T\",\"sources\":[\"Kestrel\"],\"fullscreen\":true")
        << f + QStringLiteral("fullscreen: not a field of a study file");
    QTest::newRow("experimenter view not a flag")
        << QByteArray("\"title\":\"T\",\"sources\":[\"Kestrel\"],\"experimenter_view\":1")
        << f + QStringLiteral("experimenter_view: ");
}

void TestStudyFile::refused()
{
    QFETCH(QByteArray, fields);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("plans")));
    const QByteArray json =
        "{\"format\":\"wallmatch-study\",\"version\":1,\"plans\":\"plans\"," + fields + "}";
    const StudyFileRead read = parseStudyFile(json, QStringLiteral("S"), dir.path());
    QVERIFY2(read.problems.size() == 1, qPrintable(read.problems.join(QLatin1Char('\n'))));
    QVERIFY2(read.problems.first().startsWith(problem), qPrintable(read.problems.first()));
}

void TestStudyFile::missingFile()
{
    QTemporaryDir dir;
    const StudyFileRead none = readStudyFile(dir.path());
    QCOMPARE(none.problems.size(), 1);
    QVERIFY(none.problems.first().startsWith(
        dir.filePath(QStringLiteral("study.json: not a study file"))));
    const StudyFileRead notJson = parseStudyFile("{\"title\":", QStringLiteral("S"), dir.path());
    QVERIFY(notJson.problems.value(0).startsWith(QStringLiteral("S: not JSON:")));
}

QTEST_GUILESS_MAIN(TestStudyFile)
#include "tst_studyfile.moc"
