#include "resultsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wallmatch {

QByteArray resultsBytes(const QVector<QString> &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes.append(line.toUtf8());
    return bytes;
}

QString keptFileName(const QString &fileName, const QDateTime &modified, int counter)
{
    const QFileInfo info(fileName);
    QString name = info.completeBaseName() + QLatin1Char('-')
        + modified.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (counter > 1)
        name += QLatin1Char('-') + QString::number(counter);
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? name : name + QLatin1Char('.') + suffix;
}

QString keptResultsName(const QDateTime &modified, int counter)
{
    return keptFileName(QStringLiteral("results.txt"), modified, counter);
}

bool isSaveFileLeftover(const QString &name, const QString &fileName)
{
    // QSaveFile writes to a QTemporaryFile named after the file plus six letters or digits.
    static const QRegularExpression suffix(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    return name.startsWith(fileName) && suffix.match(name.mid(fileName.size())).hasMatch();
}

} // namespace wallmatch

namespace {

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The entry itself, never what a link points to.
bool entryStatus(const QString &path, struct stat *info, int *error = nullptr)
{
    if (::lstat(QFile::encodeName(path).constData(), info) == 0)
        return true;
    if (error)
        *error = errno;
    return false;
}

// After a rename or a new file, the folder's entry must reach the disk too, or a power loss
// can bring back the previous file.
void syncFolder(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Renames without ever replacing what is at `to`.
bool renameNoReplace(const QString &from, const QString &to, int *error)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    *error = errno;
    if (*error != EINVAL && *error != ENOSYS)
        return false;
    // A file system without the flag: checked, then renamed (the session lock keeps other
    // instances of this program out in between).
    struct stat info = {};
    if (entryStatus(to, &info)) {
        *error = EEXIST;
        return false;
    }
    if (::rename(a.constData(), b.constData()) == 0)
        return true;
    *error = errno;
    return false;
}

// Moves the entry at `path` (a file or a link) to the first free dated name of `fileName` beside
// it. Returns the new name, or empty with *error set.
QString moveAside(const QString &path, const QString &fileName, const QDateTime &modified,
                  QString *error)
{
    const QDir dir = QFileInfo(path).absoluteDir();
    for (int counter = 1; counter < 10000; ++counter) {
        const QString candidate =
            dir.filePath(wallmatch::keptFileName(fileName, modified, counter));
        int code = 0;
        if (renameNoReplace(path, candidate, &code)) {
            syncFolder(candidate);
            return candidate;
        }
        if (code != EEXIST) {
            *error = errnoText(code);
            return {};
        }
    }
    *error = QStringLiteral("no free name");
    return {};
}

QDateTime modifiedTime(const struct stat &info)
{
    return QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec);
}

// Appends what is new when the file holds exactly the start of `bytes`: for a folder that takes
// no temporary file. Nothing written before is rewritten, and a failed append is cut off again.
QString appendInPlace(const QString &path, const QByteArray &bytes)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errnoText(errno);
    QString error;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = QStringLiteral("not a regular file");
    } else if (info.st_size > bytes.size()) {
        error = QStringLiteral("holds lines this session did not write");
    } else {
        const qint64 size = info.st_size;
        QByteArray start(int(size), Qt::Uninitialized);
        if (::pread(fd, start.data(), size_t(size), 0) != size || start != bytes.left(int(size))) {
            error = QStringLiteral("holds lines this session did not write");
        } else {
            qint64 done = size;
            while (done < bytes.size()) {
                const ssize_t n =
                    ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), done);
                if (n <= 0) {
                    error = errnoText(n < 0 ? errno : EIO);
                    break;
                }
                done += n;
            }
            if (error.isEmpty() && ::fsync(fd) != 0)
                error = errnoText(errno);
            if (!error.isEmpty() && ::ftruncate(fd, size) == 0)
                ::fsync(fd); // never a cut line at the end
        }
    }
    ::close(fd);
    return error;
}

// A new file of the given name, created empty; fails rather than open anything that exists.
bool createNew(const QString &path, int *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

QString wallmatch::keepAside(const QString &path, QString *error)
{
    struct stat status = {};
    int code = 0;
    if (!entryStatus(path, &status, &code)) {
        *error = errnoText(code);
        return {};
    }
    return moveAside(path, path, modifiedTime(status), error);
}

ResultsStore::ResultsStore(const QString &fileName)
    : file(fileName)
    , folder(QFileInfo(fileName).absolutePath())
    , target(fileName)
{
}

QString ResultsStore::takeNotice()
{
    QString text;
    text.swap(notice);
    return text;
}

void ResultsStore::keepLeftovers()
{
    const QFileInfo info(file);
    const QDir dir = info.dir();
    const QString name = info.fileName();
    const QStringList entries =
        dir.entryList({name + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (!wallmatch::isSaveFileLeftover(entry, name))
            continue;
        const QString path = dir.filePath(entry);
        struct stat status = {};
        if (!entryStatus(path, &status) || !S_ISREG(status.st_mode))
            continue;
        if (status.st_size == 0) {
            QFile::remove(path); // holds nothing
            continue;
        }
        QString error;
        const QString keptAs = moveAside(path, file, modifiedTime(status), &error);
        if (!keptAs.isEmpty())
            leftovers.append(keptAs);
    }
}

QString ResultsStore::prepareTarget()
{
    const QString path = QFileInfo(file).absoluteFilePath();
    struct stat status = {};
    int code = 0;
    if (!entryStatus(file, &status, &code))
        return code == ENOENT ? QString() : QStringLiteral("%1: %2").arg(path, errnoText(code));
    const bool link = S_ISLNK(status.st_mode);
    if (!link && !S_ISREG(status.st_mode))
        return QStringLiteral("%1 is not a regular file").arg(path);
    if (!link && (status.st_size == 0 || resumed))
        return {}; // nothing to keep, or this session's own lines: simply replaced
    // A link is kept aside as it is, so that nothing is ever written through it.
    QString error;
    kept = moveAside(file, file, modifiedTime(status), &error);
    if (!kept.isEmpty())
        return {};
    return QStringLiteral("The earlier results %1 could not be kept: %2").arg(path, error);
}

QString ResultsStore::writeTo(const QString &path, const QByteArray &bytes) const
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    struct stat status = {};
    if (entryStatus(path, &status)) {
        // QSaveFile would write to a link's target, outside the folder maybe.
        if (S_ISLNK(status.st_mode))
            return QStringLiteral("Could not write results to %1: it is a symbolic link")
                .arg(absolute);
        if (!S_ISREG(status.st_mode))
            return QStringLiteral("Could not write results to %1: not a regular file")
                .arg(absolute);
    }
    QSaveFile out(path);
    // Unbuffered: a buffered write fails only when close() flushes it, where QSaveFile does not
    // see it and commits the short file over the good one (a full disk left an empty file).
    if (out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (out.write(bytes) == bytes.size() && out.commit()) {
            syncFolder(path);
            return {};
        }
    }
    const QString error = out.errorString();
    // A folder that takes no temporary file may still let its own file be appended to.
    if (S_ISREG(status.st_mode) && appendInPlace(path, bytes).isEmpty())
        return {};
    return QStringLiteral("Could not write results to %1: %2").arg(absolute, error);
}

QString ResultsStore::failureReason(const QString &error) const
{
    struct stat status = {};
    int code = 0;
    const bool exists = entryStatus(QFileInfo(file).path(), &status, &code);
    if ((!exists && code == ENOENT) || (exists && status.st_nlink == 0))
        return QStringLiteral("The working folder %1 no longer exists.").arg(folder);
    return error;
}

QString ResultsStore::writeToFallback(const QString &reason, const QByteArray &bytes)
{
    QStringList folders {QFileInfo(file).path()};
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!userData.isEmpty())
        folders << userData;
    for (const QString &dir : folders) {
        // The user's data folder may be new; a working folder that is gone is not made again.
        if (dir != folders.first() && !QDir().mkpath(dir))
            continue;
        for (int counter = 1; counter < 100; ++counter) {
            const QString path = QDir(dir).filePath(
                wallmatch::keptFileName(file, QDateTime::currentDateTime(), counter));
            int code = 0;
            if (!createNew(path, &code)) {
                if (code == EEXIST)
                    continue;
                break;
            }
            if (!writeTo(path, bytes).isEmpty()) {
                QFile::remove(path); // ours, and empty: no clutter from a failed attempt
                break;
            }
            target = path;
            notice = QStringLiteral("%1\n\nThe answers are saved in %2 instead, and every later "
                                    "answer will be saved there too.")
                         .arg(reason, QFileInfo(path).absoluteFilePath());
            return {};
        }
    }
    return reason;
}

QString ResultsStore::write(const QVector<QString> &lines)
{
    const QByteArray bytes = wallmatch::resultsBytes(lines);
    if (!prepared) {
        prepared = true;
        keepLeftovers();
        blocked = prepareTarget();
    }
    // Without the earlier file safely kept, writing would destroy it: go elsewhere.
    if (target == file && !blocked.isEmpty())
        return writeToFallback(failureReason(blocked), bytes);
    const QString error = writeTo(target, bytes);
    if (error.isEmpty())
        return {};
    return writeToFallback(failureReason(error), bytes);
}
