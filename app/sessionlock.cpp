#include "sessionlock.h"

#include "messagebox.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <cstdio>

namespace wallmatch {

QString sessionLockFileName(const QString &resultsFile)
{
    return resultsFile + QStringLiteral(".lock");
}

QString ageText(const QDateTime &since, const QDateTime &now)
{
    const qint64 seconds = qMax<qint64>(0, since.secsTo(now));
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    const qint64 minutes = seconds / 60;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    const qint64 hours = minutes / 60;
    if (hours < 24)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(minutes % 60);
    const qint64 days = hours / 24;
    return (days == 1 ? QStringLiteral("%1 day %2 h") : QStringLiteral("%1 days %2 h"))
        .arg(days)
        .arg(hours % 24);
}

SessionLock::SessionLock(const QString &resultsFile)
    : resultsFile(QFileInfo(resultsFile).absoluteFilePath())
{
}

SessionLock::~SessionLock() = default;

QString SessionLock::lockFileName() const
{
    return lockPath;
}

bool SessionLock::tryLockAt(const QString &path)
{
    lock = std::make_unique<QLockFile>(path);
    lockPath = path;
    // Only a lock whose process is gone is stale: a session may run for hours. QLockFile can
    // tell that only for a process on this computer; one of another host is kept.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return true;
    if (lock->error() != QLockFile::LockFailedError)
        return false;
    qint64 pid = 0;
    QString host;
    QString application;
    const bool known = lock->getLockInfo(&pid, &host, &application);
    const QFileInfo info(path);
    const QString age = info.exists() ? ageText(info.lastModified(), QDateTime::currentDateTime())
                                      : QStringLiteral("an unknown time");
    const bool otherHost = known && !host.isEmpty() && host != QSysInfo::machineHostName();
    const QString holder =
        QCoreApplication::translate("SessionLock", "process %1 on %2, locked %3 ago")
            .arg(known ? QString::number(pid) : QStringLiteral("unknown"),
                 known && !host.isEmpty() ? host : QStringLiteral("unknown host"), age);
    why = QCoreApplication::translate(
              "SessionLock",
              "Another wallmatch session is writing %1 (%2).\n\n"
              "Its answers are written there, so this one does not start. Finish the other "
              "session first, or start this one with another participant ID.\n\n")
              .arg(QDir::toNativeSeparators(resultsFile), holder);
    if (otherHost)
        why += QCoreApplication::translate(
                   "SessionLock",
                   "The lock was made on another computer, %1, so whether that session still "
                   "runs cannot be checked from here. ")
                   .arg(host);
    why += QCoreApplication::translate("SessionLock",
                                       "If no such session runs any more, remove the lock file "
                                       "%1 and start again.")
               .arg(QDir::toNativeSeparators(path));
    return false;
}

bool SessionLock::tryLock()
{
    why.clear();
    if (tryLockAt(sessionLockFileName(resultsFile)))
        return true;
    if (!why.isEmpty())
        return false;
    // The folder takes no file (read-only): lock a file named after the results file where
    // this user writes.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QFileInfo info(resultsFile);
    const QString canonicalFolder = QFileInfo(info.path()).canonicalFilePath();
    const QString key = (canonicalFolder.isEmpty() ? info.path() : canonicalFolder)
        + QLatin1Char('/') + info.fileName();
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1);
    const QString locks = data + QStringLiteral("/locks");
    const QString besideLock = sessionLockFileName(resultsFile);
    if (!data.isEmpty() && QDir().mkpath(locks)
        && tryLockAt(locks + QLatin1Char('/') + QString::fromLatin1(hash.toHex()) + ".lock"))
        return true;
    if (!why.isEmpty())
        return false;
    // No lock anywhere (a full disk, a folder that takes no file): a session without its lock
    // could run beside a second one on the same file, and one would erase the other's answers.
    // It does not start.
    why = QCoreApplication::translate(
              "SessionLock",
              "Could not lock %1 against a second session: neither the lock file %2 nor one in "
              "%3 can be made.\n\n"
              "Without the lock a second session could write the same file and erase these "
              "answers, so this one does not start. Free some space on the disk, or make the "
              "folder writable, and start again.")
              .arg(QDir::toNativeSeparators(resultsFile), QDir::toNativeSeparators(besideLock),
                   data.isEmpty() ? QStringLiteral("the user's data folder")
                                  : QDir::toNativeSeparators(locks));
    lock.reset();
    lockPath.clear();
    return false;
}

bool startSession(SessionLock &lock)
{
    if (lock.tryLock())
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(lock.refusal()));
    MessageBox::warning(nullptr,
                        lock.lockFileName().isEmpty()
                            ? QCoreApplication::translate("SessionLock", "Results File Not Locked")
                            : QCoreApplication::translate("SessionLock", "Results File In Use"),
                        lock.refusal());
    return false;
}

} // namespace wallmatch
