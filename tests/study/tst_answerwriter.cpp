#include "answerwriter.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using testfiles::readFile;

namespace {

QVector<QString> lines(int count)
{
    QVector<QString> all;
    for (int i = 1; i <= count; ++i)
        all.append(QStringLiteral("line %1\n").arg(i));
    return all;
}

} // namespace

class TestAnswerWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Written on the writer's thread without the caller waiting; finish() reports it once.
    void writeReportsOnce()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("results.txt");
        AnswerWriter writer(file);
        writer.write(lines(2));
        QTRY_COMPARE(readFile(file), QByteArray("line 1\nline 2\n"));
        const AnswerWriter::Outcome outcome = writer.finish();
        QCOMPARE(outcome.error, QString());
        QCOMPARE(outcome.notice, QString());
    }

    // However many writes queue up, the file ends with the newest lines, and writeNow returns
    // only once they are on disk, with the outcome of everything not yet taken.
    void writeNowWaitsForTheNewestLines_data()
    {
        QTest::addColumn<int>("queued");
        QTest::newRow("none queued") << 0;
        QTest::newRow("one queued") << 1;
        QTest::newRow("many queued") << 50;
    }
    void writeNowWaitsForTheNewestLines()
    {
        QFETCH(int, queued);
        QTemporaryDir dir;
        const QString file = dir.filePath("results.txt");
        AnswerWriter writer(file);
        for (int n = 1; n <= queued; ++n)
            writer.write(lines(n));
        const AnswerWriter::Outcome outcome = writer.writeNow(lines(queued + 1));
        QCOMPARE(outcome.error, QString());
        QCOMPARE(readFile(file), resultsBytes(queued + 1));
    }

    // A folder where the results file should be: the answers go to a new file beside it, and
    // the notice saying so comes once.
    void fallbackNoticeComesOnce()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("results.txt"));
        AnswerWriter writer(dir.filePath("results.txt"));
        writer.write(lines(1));
        const AnswerWriter::Outcome first = writer.finish();
        QCOMPARE(first.error, QString());
        QVERIFY(first.notice.contains(dir.filePath("results.txt")));
        const AnswerWriter::Outcome second = writer.writeNow(lines(2));
        QCOMPARE(second.error, QString());
        QCOMPARE(second.notice, QString());
        const QStringList fallback = QDir(dir.path()).entryList({"results-*.txt"}, QDir::Files);
        QCOMPARE(fallback.size(), 1);
        QVERIFY(first.notice.contains(fallback[0]));
        QCOMPARE(readFile(dir.filePath(fallback[0])), QByteArray("line 1\nline 2\n"));
    }

    // Closing the program does not lose a write still waiting.
    void destructorFinishesTheWrite()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("results.txt");
        {
            AnswerWriter writer(file);
            writer.write(lines(3));
        }
        QCOMPARE(readFile(file), resultsBytes(3));
    }

private:
    static QByteArray resultsBytes(int count) { return wallmatch::resultsBytes(lines(count)); }
};

QTEST_GUILESS_MAIN(TestAnswerWriter)
#include "tst_answerwriter.moc"
