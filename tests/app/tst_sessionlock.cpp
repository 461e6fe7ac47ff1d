#include "sessionlock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSessionLock : public QObject
{
    Q_OBJECT

    QTemporaryDir userData;

    // A lock file as QLockFile writes it: process id, application, host.
    static bool writeLock(const QString &path, qint64 pid, const QString &host, int ageSeconds)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(QByteArray::number(pid) + "\nwallmatch\n" + host.toUtf8() + "\n");
        return f.flush()
            && f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                             QFileDevice::FileModificationTime);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(userData.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
        QCoreApplication::setApplicationName("wallmatch");
    }

    // Participants of one folder lock their own results files; the same one twice is refused.
    void onePerResultsFile()
    {
        QTemporaryDir dir;
        wallmatch::SessionLock p1(dir.filePath("results_P01.txt"));
        wallmatch::SessionLock p2(dir.filePath("results_P02.txt"));
        wallmatch::SessionLock again(dir.filePath("results_P01.txt"));
        QVERIFY(p1.tryLock());
        QVERIFY(p2.tryLock());
        QCOMPARE(p1.lockFileName(), dir.filePath("results_P01.txt.lock"));
        QVERIFY(!again.tryLock());
        QVERIFY2(again.refusal().contains(dir.filePath("results_P01.txt") + " (process "
                                          + QString::number(QCoreApplication::applicationPid())),
                 qPrintable(again.refusal()));
    }

    // A lock that cannot be known to be dead is never taken over: it is named with its path,
    // host, process and age, and how to remove it. A dead process's lock on this computer is.
    void foreignLocks_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("deadProcess");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("says");
        QTest::newRow("another host")
            << "labpc-07" << false << false << "The lock was made on another computer, labpc-07";
        QTest::newRow("another host, old") << "labpc-07" << true << false << "labpc-07";
        QTest::newRow("this host, dead process")
            << QSysInfo::machineHostName() << true << true << "";
    }
    void foreignLocks()
    {
        QFETCH(QString, host);
        QFETCH(bool, deadProcess);
        QFETCH(bool, taken);
        QFETCH(QString, says);
        QTemporaryDir dir;
        qint64 pid = QCoreApplication::applicationPid();
        if (deadProcess) {
            pid = 999999; // no process
            while (QFile::exists(QString("/proc/%1").arg(pid)))
                --pid;
        }
        const QString lockFile = dir.filePath("results_P01.txt.lock");
        QVERIFY(writeLock(lockFile, pid, host, 3 * 24 * 3600 + 7200));
        wallmatch::SessionLock lock(dir.filePath("results_P01.txt"));
        QCOMPARE(lock.tryLock(), taken);
        if (taken)
            return;
        const QString why = lock.refusal();
        QVERIFY2(why.contains(says), qPrintable(why));
        QVERIFY2(
            why.contains(QString("process %1 on %2, locked 3 days 2 h ago").arg(pid).arg(host)),
            qPrintable(why));
        QVERIFY2(why.contains("remove the lock file " + lockFile), qPrintable(why));
        QVERIFY(QFile::exists(lockFile));
    }

    void age_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("seconds") << 40 << "40 s";
        QTest::newRow("minutes") << 12 * 60 + 5 << "12 min";
        QTest::newRow("hours") << 3 * 3600 + 5 * 60 << "3 h 5 min";
        QTest::newRow("a day") << 24 * 3600 + 60 << "1 day 0 h";
        QTest::newRow("future") << -30 << "0 s";
    }
    void age()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(wallmatch::ageText(now.addSecs(-seconds), now), text);
    }
};

QTEST_GUILESS_MAIN(TestSessionLock)
#include "tst_sessionlock.moc"
