#include "resultsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace wallmatch {

QByteArray resultsBytes(const QVector<QString> &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes.append(line.toUtf8());
    return bytes;
}

QString keptResultsName(const QDateTime &modified, int counter)
{
    QString name =
        QStringLiteral("results-") + modified.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (counter > 1)
        name += QLatin1Char('-') + QString::number(counter);
    return name + QStringLiteral(".txt");
}

} // namespace wallmatch

ResultsStore::ResultsStore(const QString &fileName)
    : file(fileName)
{
}

QString ResultsStore::keepEarlierFile()
{
    const QFileInfo info(file);
    if (!info.isFile() || info.size() == 0)
        return {};
    const QDir dir = info.absoluteDir();
    const QDateTime modified = info.lastModified();
    for (int counter = 1; counter < 10000; ++counter) {
        const QString candidate = dir.filePath(wallmatch::keptResultsName(modified, counter));
        if (QFileInfo::exists(candidate))
            continue;
        QFile earlier(file);
        // rename() never replaces an existing file, so a name taken meanwhile is skipped too.
        if (earlier.rename(candidate)) {
            kept = candidate;
            return {};
        }
        if (QFileInfo::exists(candidate))
            continue;
        return QStringLiteral("Could not keep the earlier results %1 as %2: %3")
            .arg(info.absoluteFilePath(), candidate, earlier.errorString());
    }
    return QStringLiteral("Could not keep the earlier results %1: no free name")
        .arg(info.absoluteFilePath());
}

QString ResultsStore::write(const QVector<QString> &lines)
{
    if (!earlierFileHandled) {
        // Without the earlier file safely kept, writing would destroy it: refuse until it is.
        const QString error = keepEarlierFile();
        if (!error.isEmpty())
            return error;
        earlierFileHandled = true;
    }
    QSaveFile out(file);
    const QString path = QFileInfo(file).absoluteFilePath();
    // Unbuffered: a buffered write fails only when close() flushes it, where QSaveFile does not
    // see it and commits the short file over the good one (a full disk left an empty file).
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("Could not write results to %1: %2").arg(path, out.errorString());
    const QByteArray bytes = wallmatch::resultsBytes(lines);
    if (out.write(bytes) != bytes.size() || !out.commit())
        return QStringLiteral("Could not write results to %1: %2").arg(path, out.errorString());
    return {};
}
