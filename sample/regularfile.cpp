#include "regularfile.h"

#include "fileplatform.h"

#include <QFile>
#include <QImageReader>

namespace wallmatch {

namespace {

QString tooLargeReason(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("too large (%1 bytes, at most %2)").arg(size).arg(maxBytes);
}

} // namespace

OpenedFile openRegularFile(const QString &name, qint64 maxBytes)
{
    OpenedFile result;
    // The size is known before anything is opened.
    const platform::Entry target = platform::targetOf(name);
    if (target.type == platform::EntryType::Regular && maxBytes >= 0 && target.size > maxBytes) {
        result.tooLarge = true;
        result.size = target.size;
        result.reason = tooLargeReason(target.size, maxBytes);
        return result;
    }
    platform::Entry entry;
    platform::Failure failure;
    const platform::Handle fd = platform::openRegularForReading(name, &entry, &failure);
    if (fd == platform::noHandle) {
        result.missing = failure.missing;
        result.reason = failure.text;
        return result;
    }
    result.size = entry.size;
    result.file = std::make_unique<QFile>();
    if (!result.file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        result.reason = result.file->errorString();
        result.file.reset();
        platform::closeHandle(fd);
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

ImageFile readImageFile(const QString &name, bool decode, const QSize &maxSize, qint64 maxBytes)
{
    ImageFile result;
    const OpenedFile opened = openRegularFile(name, maxBytes);
    if (!opened.file) {
        result.missing = opened.missing;
        result.reason = opened.reason;
        return result;
    }
    QImageReader reader(opened.file.get());
    result.size = reader.size();
    result.format = reader.format();
    if (!reader.canRead() || !result.size.isValid()) {
        result.reason = opened.size == 0 ? QStringLiteral("empty file") : reader.errorString();
        return result;
    }
    if (result.size.width() > maxSize.width() || result.size.height() > maxSize.height()) {
        result.reason = QStringLiteral("%1 x %2 pixels, more than %3 x %4")
                            .arg(result.size.width())
                            .arg(result.size.height())
                            .arg(maxSize.width())
                            .arg(maxSize.height());
        return result;
    }
    if (decode && !reader.read(&result.image)) {
        result.reason = reader.errorString();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace wallmatch
