#ifndef SESSIONLOCK_H
#define SESSIONLOCK_H

#include <QLockFile>
#include <QString>
#include <memory>

namespace wallmatch {

// The lock file in a working folder while a session runs there.
inline constexpr char sessionLockName[] = "wallmatch.lock";

// One session per working folder: two would each rewrite the same results file and the last
// writer would win. The lock lives in the folder; a folder that takes no file is locked by a
// file in the user's data folder instead, named after the folder's path. A lock whose process
// is gone (killed, crashed) is taken over; one only old is not.
class SessionLock
{
public:
    explicit SessionLock(const QString &folder);
    ~SessionLock();
    SessionLock(const SessionLock &) = delete;
    SessionLock &operator=(const SessionLock &) = delete;

    // True once this process holds the folder (or no lock file can be made anywhere).
    bool tryLock();
    // After a refusal: names the folder and the other instance.
    QString refusal() const { return why; }
    QString lockFileName() const;

private:
    bool tryLockAt(const QString &path);

    QString folder;
    std::unique_ptr<QLockFile> lock;
    QString lockPath;
    QString why;
};

// For main(): takes the folder's lock, or shows who holds it in a box and returns false once
// the box is answered.
bool startSession(SessionLock &lock);

} // namespace wallmatch

#endif // SESSIONLOCK_H
