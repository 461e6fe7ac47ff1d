#include "resultsstore.h"

#include "fileplatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace wallmatch {

QByteArray resultsBytes(const QVector<QString> &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes.append(line.toUtf8());
    return bytes;
}

bool isSaveFileLeftover(const QString &name, const QString &fileName)
{
    // QSaveFile writes to a QTemporaryFile named after the file plus six letters or digits.
    static const QRegularExpression suffix(QStringLiteral("\\A\\.[A-Za-z0-9]{6}\\z"));
    return name.startsWith(fileName) && suffix.match(name.mid(fileName.size())).hasMatch();
}

} // namespace wallmatch

namespace {

namespace platform = wallmatch::platform;
using platform::EntryType;

// Moves the entry at `path` (a file or a link) to the first free dated name beside it, named
// after `fileName`. Returns the new name, or empty with *error set.
QString moveAside(const QString &path, const QString &fileName, const QDateTime &modified,
                  QString *error)
{
    const QDir dir = QFileInfo(path).absoluteDir();
    for (int counter = 1; counter < 10000; ++counter) {
        const QString candidate =
            dir.filePath(wallmatch::datedFileName(fileName, modified, counter));
        platform::Failure failure;
        if (platform::renameNoReplace(path, candidate, &failure)) {
            platform::syncFolderOf(candidate);
            return candidate;
        }
        if (!failure.exists) {
            *error = failure.text;
            return {};
        }
    }
    *error = QStringLiteral("no free name");
    return {};
}

// Appends what is new when the file holds exactly the start of `bytes`: for a folder that takes
// no temporary file. Nothing written before is rewritten, and a failed append is cut off again.
QString appendInPlace(const QString &path, const QByteArray &bytes)
{
    platform::Entry entry;
    platform::Failure failure;
    const platform::Handle fd = platform::openRegularForUpdate(path, &entry, &failure);
    if (fd == platform::noHandle)
        return failure.text;
    QString error;
    const qint64 size = entry.size;
    if (size > bytes.size()) {
        error = QStringLiteral("holds lines this session did not write");
    } else {
        QByteArray start(int(size), Qt::Uninitialized);
        if (platform::readAt(fd, start.data(), size, 0) != size || start != bytes.left(int(size))) {
            error = QStringLiteral("holds lines this session did not write");
        } else {
            if (!platform::writeAt(fd, bytes.constData() + size, bytes.size() - size, size,
                                   &failure)
                || !platform::syncHandle(fd, &failure))
                error = failure.text;
            if (!error.isEmpty() && platform::truncateTo(fd, size))
                platform::syncHandle(fd, nullptr); // never a cut line at the end
        }
    }
    platform::closeHandle(fd);
    return error;
}

} // namespace

QString wallmatch::keepAside(const QString &path, QString *error)
{
    const platform::Entry status = platform::entryAt(path);
    if (status.type == EntryType::Missing) {
        *error = status.error.isEmpty() ? QStringLiteral("no such file") : status.error;
        return {};
    }
    return moveAside(path, QFileInfo(path).fileName(), status.modified, error);
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

void ResultsStore::resumeFrom(const QString &path)
{
    resumed = true;
    const QFileInfo source(path);
    const QFileInfo results(file);
    if (source.absoluteFilePath() == results.absoluteFilePath())
        return;
    if (wallmatch::isSaveFileLeftover(source.fileName(), results.fileName())
        && source.absolutePath() == results.absolutePath()) {
        // A write killed at the rename: its lines go to the results file, then it is done with.
        consumedLeftover = source.absoluteFilePath();
        return;
    }
    // A fallback file: the session goes on where its answers went.
    target = path;
    prepared = true;
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
        if (QFileInfo(path).absoluteFilePath() == consumedLeftover)
            continue;
        const platform::Entry status = platform::entryAt(path);
        if (status.type != EntryType::Regular)
            continue;
        if (status.size == 0) {
            QFile::remove(path); // holds nothing
            continue;
        }
        QString error;
        const QString keptAs = moveAside(path, name, status.modified, &error);
        if (!keptAs.isEmpty())
            leftovers.append(keptAs);
    }
}

QString ResultsStore::prepareTarget()
{
    const QString path = QFileInfo(file).absoluteFilePath();
    const platform::Entry status = platform::entryAt(file);
    if (status.type == EntryType::Missing)
        return status.error.isEmpty() ? QString()
                                      : QStringLiteral("%1: %2").arg(path, status.error);
    const bool link = status.type == EntryType::Link;
    if (!link && status.type != EntryType::Regular)
        return QStringLiteral("%1 is not a regular file").arg(path);
    if (!link && (status.size == 0 || resumed))
        return {}; // nothing to keep, or this session's own lines: simply replaced
    // A link is kept aside as it is, so that nothing is ever written through it.
    QString error;
    kept = moveAside(file, QFileInfo(file).fileName(), status.modified, &error);
    if (!kept.isEmpty())
        return {};
    return QStringLiteral("The earlier results %1 could not be kept: %2").arg(path, error);
}

QString ResultsStore::writeTo(const QString &path, const QByteArray &bytes) const
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const platform::Entry status = platform::entryAt(path);
    // QSaveFile would write to a link's target, outside the folder maybe.
    if (status.type == EntryType::Link)
        return QStringLiteral("Could not write results to %1: it is a symbolic link").arg(absolute);
    if (status.type != EntryType::Missing && status.type != EntryType::Regular)
        return QStringLiteral("Could not write results to %1: not a regular file").arg(absolute);
    QSaveFile out(path);
    // Unbuffered: a buffered write fails only when close() flushes it, where QSaveFile does not
    // see it and commits the short file over the good one (a full disk left an empty file).
    if (out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (out.write(bytes) == bytes.size() && out.commit()) {
            platform::syncFolderOf(path);
            return {};
        }
    }
    const QString error = out.errorString();
    // A folder that takes no temporary file may still let its own file be appended to.
    if (status.type == EntryType::Regular && appendInPlace(path, bytes).isEmpty())
        return {};
    return QStringLiteral("Could not write results to %1: %2").arg(absolute, error);
}

QString ResultsStore::failureReason(const QString &error) const
{
    const platform::Entry status = platform::entryAt(QFileInfo(file).path());
    if ((status.type == EntryType::Missing && status.error.isEmpty()) || status.removed)
        return QStringLiteral("The working folder %1 no longer exists.").arg(folder);
    return error;
}

QString ResultsStore::writeToFallback(const QString &reason, const QByteArray &bytes)
{
    QStringList folders {QFileInfo(file).path()};
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!userData.isEmpty())
        folders << userData;
    const QString name = QFileInfo(file).fileName();
    for (const QString &dir : folders) {
        // The user's data folder may be new; a working folder that is gone is not made again.
        if (dir != folders.first() && !QDir().mkpath(dir))
            continue;
        for (int counter = 1; counter < 100; ++counter) {
            const QString path = QDir(dir).filePath(
                wallmatch::datedFileName(name, QDateTime::currentDateTime(), counter));
            platform::Failure failure;
            if (!platform::createNewFile(path, &failure)) {
                if (failure.exists)
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
    QString error = writeTo(target, bytes);
    if (!error.isEmpty())
        error = writeToFallback(failureReason(error), bytes);
    if (error.isEmpty() && !consumedLeftover.isEmpty()) {
        // Its lines are on disk in the results now.
        QFile::remove(consumedLeftover);
        consumedLeftover.clear();
    }
    return error;
}
