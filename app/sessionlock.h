#ifndef SESSIONLOCK_H
#define SESSIONLOCK_H

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <memory>

namespace wallmatch {

// The lock file of a results file: its name with ".lock" added ("results_P01.txt.lock").
QString sessionLockFileName(const QString &resultsFile);

// One session per results file: two would each rewrite the same file and the last writer would
// win. Sessions of different participants share a folder. The lock lives beside the results
// file; a folder that takes no file is locked by a file in the user's data folder instead,
// named after the results file's path. The lock of a process on this computer that is gone
// (killed, crashed) is taken over; any other is named, never taken over.
class SessionLock
{
public:
    explicit SessionLock(const QString &resultsFile);
    ~SessionLock();
    SessionLock(const SessionLock &) = delete;
    SessionLock &operator=(const SessionLock &) = delete;

    // True once this process holds the results file; false when another session holds it or no
    // lock file can be made anywhere.
    bool tryLock();
    // After a refusal: names the results file, the lock file, the other session's host, process
    // and age, and how to remove the lock; or, when no lock could be made, why and what to do.
    QString refusal() const { return why; }
    QString lockFileName() const;

private:
    bool tryLockAt(const QString &path);

    QString resultsFile;
    std::unique_ptr<QLockFile> lock;
    QString lockPath;
    QString why;
};

// How long ago `since` was, in words: "40 s", "12 min", "3 h 5 min", "2 days 4 h".
QString ageText(const QDateTime &since, const QDateTime &now);

// For main(): takes the results file's lock, or shows who holds it in a box and returns false
// once the box is answered.
bool startSession(SessionLock &lock);

} // namespace wallmatch

#endif // SESSIONLOCK_H
