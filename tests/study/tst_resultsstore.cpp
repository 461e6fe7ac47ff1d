#include "permissions.h"
#include "resultsstore.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using testfiles::readFile;
using testfiles::writeBytes;

namespace {

const QVector<QString> threeLines = {
    "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301\n",
    "ind 2: Wall 1 <==> Wall 3 (Kestrel) Time: 0:01.050 Mouse: 1 2 <==> 3 4\n",
    QString::fromUtf8("ind 3: Wall 0 <==> Wall 0 (K\u00e9strel) Time:  Mouse: 0 0 <==> 0 0\n"),
};

} // namespace

class TestResultsStore : public QObject
{
    Q_OBJECT

    QTemporaryDir userData; // stands in for the user's data folder, the last fallback

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(userData.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
    }

    void bytesAreLinesInOrderAsUtf8()
    {
        const QByteArray bytes = wallmatch::resultsBytes(threeLines);
        QCOMPARE(bytes.count('\n'), 3);
        QVERIFY(!bytes.contains('\r'));
        QVERIFY(bytes.startsWith("ind 1: "));
        QVERIFY(bytes.endsWith("0 0 <==> 0 0\n"));
        QVERIFY(bytes.contains("K\xc3\xa9strel"));
        QCOMPARE(wallmatch::resultsBytes({}), QByteArray());
    }

    void keptName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QDateTime>("modified");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("name");
        const QDateTime t(QDate(2026, 3, 4), QTime(5, 6, 7));
        QTest::newRow("plain") << "results.txt" << t << 1 << "results-20260304-050607.txt";
        QTest::newRow("second") << "results.txt" << t << 2 << "results-20260304-050607-2.txt";
        QTest::newRow("tenth") << "results.txt" << t << 10 << "results-20260304-050607-10.txt";
        QTest::newRow("participant")
            << "results_P01.txt" << t << 1 << "results_P01-20260304-050607.txt";
        QTest::newRow("participant second")
            << "results_P-7_b.txt" << t << 3 << "results_P-7_b-20260304-050607-3.txt";
        QTest::newRow("other file")
            << "events_P01.txt" << t << 1 << "events_P01-20260304-050607.txt";
    }
    void keptName()
    {
        QFETCH(QString, file);
        QFETCH(QDateTime, modified);
        QFETCH(int, counter);
        QFETCH(QString, name);
        QCOMPARE(wallmatch::datedFileName(file, modified, counter), name);
        QVERIFY(wallmatch::isDatedFileOf(name, file));
        QVERIFY(!wallmatch::isDatedFileOf(file, file));
        QCOMPARE(wallmatch::undatedFileName(name), file);
        QCOMPARE(wallmatch::undatedFileName(file), file);
        // Another participant's whose ID starts alike is not this one's.
        QVERIFY(!wallmatch::isDatedFileOf(name, QString(file).replace(".txt", "1.txt")));
    }

    // A resumed session goes on in the file it was resumed from: a fallback file takes the later
    // answers too; the lines of a temporary file left by a kill go to the results file, which
    // replaces it.
    void resumesWhereTheAnswersAre_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("writtenTo");
        QTest::addColumn<bool>("sourceRemains");
        QTest::newRow("results file") << "results_P1.txt"
                                      << "results_P1.txt" << true;
        QTest::newRow("fallback") << "results_P1-20260101-000000.txt"
                                  << "results_P1-20260101-000000.txt" << true;
        QTest::newRow("temporary file") << "results_P1.txt.Ab12Cd"
                                        << "results_P1.txt" << false;
    }
    void resumesWhereTheAnswersAre()
    {
        QFETCH(QString, source);
        QFETCH(QString, writtenTo);
        QFETCH(bool, sourceRemains);
        QTemporaryDir dir;
        const QString results = dir.filePath("results_P1.txt");
        const QByteArray earlier = wallmatch::resultsBytes(threeLines.mid(0, 1));
        writeBytes(results, earlier);
        writeBytes(dir.filePath(source), wallmatch::resultsBytes(threeLines.mid(0, 2)));
        ResultsStore store(results);
        store.resumeFrom(dir.filePath(source));
        QCOMPARE(store.write(threeLines), QString());
        QCOMPARE(readFile(dir.filePath(writtenTo)), wallmatch::resultsBytes(threeLines));
        QCOMPARE(QFileInfo::exists(dir.filePath(source)), sourceRemains);
        if (writtenTo != "results_P1.txt")
            QCOMPARE(readFile(results), earlier); // not touched
        QVERIFY(store.keptFileName().isEmpty());
        QVERIFY(store.keptLeftovers().isEmpty());
    }

    // A participant's earlier file and fallback keep the ID in their names.
    void participantFilesKeepTheId()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("results_P07.txt");
        writeBytes(path, "ind 1: earlier\n", QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
        ResultsStore store(path);
        QCOMPARE(store.write(threeLines), QString());
        QCOMPARE(QFileInfo(store.keptFileName()).fileName(),
                 QString("results_P07-20260102-030405.txt"));
    }

    // Every file of a participant keeps its ID when kept aside.
    void keptFileKeepsItsName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("counter");
        QTest::addColumn<QString>("name");
        QTest::newRow("results") << "results.txt" << 1 << "results-20261208-121453.txt";
        QTest::newRow("participant") << "results_P02.txt" << 1 << "results_P02-20261208-121453.txt";
        QTest::newRow("events, second")
            << "events_P02.csv" << 2 << "events_P02-20261208-121453-2.csv";
        QTest::newRow("session") << "session.json" << 1 << "session-20261208-121453.json";
    }
    void keptFileKeepsItsName()
    {
        QFETCH(QString, file);
        QFETCH(int, counter);
        QFETCH(QString, name);
        const QDateTime t(QDate(2026, 12, 8), QTime(12, 14, 53));
        QCOMPARE(wallmatch::datedFileName(file, t, counter), name);
    }

    void writesAndRewrites()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        ResultsStore store(path);
        QCOMPARE(store.write(threeLines.mid(0, 1)), QString());
        QCOMPARE(readFile(path), wallmatch::resultsBytes(threeLines.mid(0, 1)));
        QCOMPARE(store.write(threeLines), QString());
        QCOMPARE(readFile(path), wallmatch::resultsBytes(threeLines));
        QVERIFY(store.keptFileName().isEmpty());
        // No temporary file is left beside the results.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"results.txt"});
    }

    void noAnswersGiveAnEmptyFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        writeBytes(path, QByteArray()); // an empty earlier file is simply replaced
        ResultsStore store(path);
        QCOMPARE(store.write({}), QString());
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"results.txt"});
    }

    void earlierSessionIsKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        const QDateTime modified(QDate(2025, 12, 31), QTime(23, 59, 58));
        writeBytes(path, "ind 1: earlier subject\n", modified);
        // A file of that name already exists: the counter picks the next free one.
        writeBytes(dir.filePath("results-20251231-235958.txt"), "older still\n");

        ResultsStore store(path);
        QCOMPARE(store.write(threeLines.mid(0, 2)), QString());
        const QString kept = dir.filePath("results-20251231-235958-2.txt");
        QCOMPARE(store.keptFileName(), kept);
        QCOMPARE(readFile(kept), QByteArray("ind 1: earlier subject\n"));
        QCOMPARE(readFile(dir.filePath("results-20251231-235958.txt")),
                 QByteArray("older still\n"));
        QCOMPARE(readFile(path), wallmatch::resultsBytes(threeLines.mid(0, 2)));

        // Later writes of the same process rewrite the file, they keep nothing more.
        QCOMPARE(store.write(threeLines), QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
        QCOMPARE(readFile(path), wallmatch::resultsBytes(threeLines));
    }

    void readOnlyFolderKeepsEarlierFileAndWritesToUserData()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        writeBytes(path, "earlier\n");
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        ResultsStore store(path);
        QString error;
        {
            // Root, too, is refused by a read-only folder once it gives up its override.
            PermissionsApply permissions;
            QVERIFY(permissions.isActive());
            error = store.write(threeLines);
        }
        QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(error, QString());
        QCOMPARE(readFile(path), QByteArray("earlier\n"));
        QVERIFY2(store.currentFileName().startsWith(userData.path()),
                 qPrintable(store.currentFileName()));
        QCOMPARE(readFile(store.currentFileName()), wallmatch::resultsBytes(threeLines));
        QVERIFY(store.takeNotice().contains(store.currentFileName()));
    }

    // Works for root too, who ignores permissions: a folder where the file should be. It is
    // left alone; the answers go to a new file beside it, and stay there.
    void unwritableTargetIsLeftAloneAndAnswersGoBesideIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        QVERIFY(QDir(dir.path()).mkdir("results.txt"));
        ResultsStore store(path);
        QCOMPARE(store.write(threeLines.mid(0, 1)), QString());
        const QString fallback = store.currentFileName();
        QCOMPARE(QFileInfo(fallback).absolutePath(), QFileInfo(path).absolutePath());
        QVERIFY(QFileInfo(fallback).fileName().startsWith("results-"));
        const QString notice = store.takeNotice();
        QVERIFY2(notice.contains(QFileInfo(path).absoluteFilePath()), qPrintable(notice));
        QVERIFY2(notice.contains(fallback), qPrintable(notice));
        QCOMPARE(store.write(threeLines), QString());
        QCOMPARE(store.currentFileName(), fallback);
        QCOMPARE(store.takeNotice(), QString()); // said once
        QCOMPARE(readFile(fallback), wallmatch::resultsBytes(threeLines));
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(store.keptFileName().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestResultsStore)
#include "tst_resultsstore.moc"
