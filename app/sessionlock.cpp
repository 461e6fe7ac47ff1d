#include "sessionlock.h"

#include "messagebox.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace wallmatch {

SessionLock::SessionLock(const QString &folder)
    : folder(QDir(folder).absolutePath())
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
    // Only a lock whose process is gone is stale: a session may run for hours.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return true;
    if (lock->error() != QLockFile::LockFailedError)
        return false;
    qint64 pid = 0;
    QString host;
    QString application;
    const bool known = lock->getLockInfo(&pid, &host, &application);
    why = QCoreApplication::translate(
              "SessionLock",
              "Another wallmatch session is running in %1 (process %2 on %3).\n\n"
              "Its answers are written there, so this one does not start. Finish the other "
              "session first, or start wallmatch from another folder.")
              .arg(QDir::toNativeSeparators(folder),
                   known ? QString::number(pid) : QStringLiteral("unknown"),
                   known && !host.isEmpty() ? host : QStringLiteral("unknown host"));
    return false;
}

bool SessionLock::tryLock()
{
    why.clear();
    if (tryLockAt(QDir(folder).filePath(QLatin1String(sessionLockName))))
        return true;
    if (!why.isEmpty())
        return false;
    // The folder takes no file (read-only): lock a file named after it where this user writes.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QByteArray key = QCryptographicHash::hash(
        (canonical.isEmpty() ? folder : canonical).toUtf8(), QCryptographicHash::Sha1);
    const QString locks = data + QStringLiteral("/locks");
    if (!data.isEmpty() && QDir().mkpath(locks)
        && tryLockAt(locks + QLatin1Char('/') + QString::fromLatin1(key.toHex()) + ".lock"))
        return true;
    if (!why.isEmpty())
        return false;
    // No lock anywhere: running unlocked beats not running at all.
    std::fprintf(stderr, "Could not lock %s against a second session\n",
                 qPrintable(QDir::toNativeSeparators(folder)));
    lock.reset();
    lockPath.clear();
    return true;
}

bool startSession(SessionLock &lock)
{
    if (lock.tryLock())
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(lock.refusal()));
    MessageBox::warning(nullptr, QCoreApplication::translate("SessionLock", "Folder In Use"),
                        lock.refusal());
    return false;
}

} // namespace wallmatch
