#include "regularfile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wallmatch {

namespace {

QString typeName(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}

QString notRegular(mode_t mode)
{
    return QStringLiteral("not a regular file (%1)").arg(typeName(mode));
}

QString tooLargeReason(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("too large (%1 bytes, at most %2)").arg(size).arg(maxBytes);
}

} // namespace

OpenedFile openRegularFile(const QString &name, qint64 maxBytes)
{
    OpenedFile result;
    const QByteArray path = QFile::encodeName(name);
    struct stat info = {};
    // The type is known before anything is opened: opening some devices alone has effects.
    if (::stat(path.constData(), &info) != 0) {
        result.missing = errno == ENOENT;
        result.reason = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.reason = notRegular(info.st_mode);
        return result;
    }
    if (maxBytes >= 0 && info.st_size > maxBytes) {
        result.tooLarge = true;
        result.size = info.st_size;
        result.reason = tooLargeReason(info.st_size, maxBytes);
        return result;
    }
    // Swapped for a FIFO since the check: O_NONBLOCK keeps open() from waiting for a writer.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.reason = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result.reason = notRegular(info.st_mode);
        ::close(fd);
        return result;
    }
    // Reads of a regular file never wait, so the flag can stay; clear it all the same.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    result.size = info.st_size;
    result.file = std::make_unique<QFile>();
    if (!result.file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        result.reason = result.file->errorString();
        result.file.reset();
        ::close(fd);
    }
    return result;
}

ReadFile readRegularFile(const QString &name, qint64 maxBytes)
{
    ReadFile result;
    result.opened = openRegularFile(name, maxBytes);
    if (!result.opened.file)
        return result;
    // A file growing after the check is read only up to its size then, within the bound.
    const qint64 size = maxBytes >= 0 ? qMin(result.opened.size, maxBytes) : result.opened.size;
    result.bytes = result.opened.file->read(size);
    result.ok = true;
    return result;
}

} // namespace wallmatch
