#include "fileplatform.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdio.h> // renameat2 (glibc)
#include <sys/stat.h>
#include <unistd.h>

namespace wallmatch::platform {

namespace {

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void fail(Failure *failure, int error)
{
    if (!failure)
        return;
    failure->exists = error == EEXIST;
    failure->missing = error == ENOENT;
    failure->text = errnoText(error);
}

EntryType typeOf(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryType::Regular;
    if (S_ISDIR(mode))
        return EntryType::Folder;
    if (S_ISLNK(mode))
        return EntryType::Link;
    if (S_ISFIFO(mode))
        return EntryType::Fifo;
    if (S_ISCHR(mode))
        return EntryType::CharDevice;
    if (S_ISBLK(mode))
        return EntryType::BlockDevice;
    if (S_ISSOCK(mode))
        return EntryType::Socket;
    return EntryType::Other;
}

Entry entryOf(const struct stat &info)
{
    Entry entry;
    entry.type = typeOf(info.st_mode);
    entry.size = info.st_size;
    entry.modified = QDateTime::fromSecsSinceEpoch(info.st_mtime);
    entry.removed = info.st_nlink == 0;
    entry.device = quint64(info.st_dev);
    entry.inode = quint64(info.st_ino);
    return entry;
}

Entry status(const QString &path, bool followLinks)
{
    const QByteArray name = QFile::encodeName(path);
    // The system would read the name only up to a NUL, so another file than the one named: no
    // such file.
    if (name.contains('\0'))
        return Entry();
    struct stat info = {};
    if ((followLinks ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info)) == 0)
        return entryOf(info);
    Entry entry;
    if (errno != ENOENT && errno != ENOTDIR)
        entry.error = errnoText(errno);
    return entry;
}

Handle openRegular(const QString &path, int flags, bool followLinks, Entry *entry, Failure *failure)
{
    const Entry before = status(path, followLinks);
    if (entry)
        *entry = before;
    if (before.type == EntryType::Missing) {
        if (failure) {
            failure->missing = before.error.isEmpty();
            failure->text = before.error.isEmpty() ? errnoText(ENOENT) : before.error;
        }
        return noHandle;
    }
    if (before.type != EntryType::Regular) {
        if (failure)
            failure->text = QStringLiteral("not a regular file (%1)").arg(typeName(before.type));
        return noHandle;
    }
    // Swapped for a FIFO since the check: O_NONBLOCK keeps open() from waiting for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          flags | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        fail(failure, errno);
        return noHandle;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (failure)
            failure->text =
                QStringLiteral("not a regular file (%1)").arg(typeName(typeOf(info.st_mode)));
        ::close(fd);
        return noHandle;
    }
    if (entry)
        *entry = entryOf(info);
    // Reads of a regular file never wait, so the flag could stay; cleared all the same.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

QString typeName(EntryType type)
{
    switch (type) {
    case EntryType::Missing:
        return QStringLiteral("missing");
    case EntryType::Regular:
        return QStringLiteral("a regular file");
    case EntryType::Folder:
        return QStringLiteral("a folder");
    case EntryType::Link:
        return QStringLiteral("a symbolic link");
    case EntryType::Fifo:
        return QStringLiteral("a FIFO");
    case EntryType::CharDevice:
        return QStringLiteral("a character device");
    case EntryType::BlockDevice:
        return QStringLiteral("a block device");
    case EntryType::Socket:
        return QStringLiteral("a socket");
    case EntryType::Other:
        break;
    }
    return QStringLiteral("not a regular file");
}

Entry entryAt(const QString &path)
{
    return status(path, false);
}

Entry targetOf(const QString &path)
{
    return status(path, true);
}

Handle openRegularForReading(const QString &path, Entry *entry, Failure *failure)
{
    return openRegular(path, O_RDONLY, true, entry, failure);
}

Handle openRegularForUpdate(const QString &path, Entry *entry, Failure *failure)
{
    return openRegular(path, O_RDWR, false, entry, failure);
}

bool createNewFile(const QString &path, Failure *failure)
{
    if (path.contains(QChar(0))) {
        fail(failure, EINVAL);
        return false;
    }
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail(failure, errno);
        return false;
    }
    ::close(fd);
    return true;
}

void closeHandle(Handle handle)
{
    if (handle != noHandle)
        ::close(handle);
}

qint64 readAt(Handle handle, char *data, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(handle, data + done, size_t(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        done += n;
    }
    return done;
}

bool writeAt(Handle handle, const char *data, qint64 size, qint64 offset, Failure *failure)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(handle, data + done, size_t(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(failure, n < 0 ? errno : EIO);
            return false;
        }
        done += n;
    }
    return true;
}

bool truncateTo(Handle handle, qint64 size)
{
    return ::ftruncate(handle, off_t(size)) == 0;
}

bool syncHandle(Handle handle, Failure *failure)
{
    if (::fsync(handle) == 0)
        return true;
    fail(failure, errno);
    return false;
}

void syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

bool renameNoReplace(const QString &from, const QString &to, Failure *failure)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS) {
        fail(failure, error);
        return false;
    }
#endif
    // A file system without the flag: checked, then renamed (the session lock keeps other
    // instances of this program out in between).
    if (entryAt(to).type != EntryType::Missing) {
        fail(failure, EEXIST);
        return false;
    }
    if (::rename(a.constData(), b.constData()) == 0)
        return true;
    fail(failure, errno);
    return false;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

} // namespace wallmatch::platform
