#include "readahead.h"

#include <QtConcurrent/QtConcurrentRun>
#include <exception>

namespace {

std::optional<PanoFiles> readOrFail(const std::string &folder, const QString &otherSource)
{
    try {
        return readPanoFiles(folder, otherSource);
    } catch (const std::exception &) {
        return std::nullopt; // out of memory, say: the GUI thread tries again itself
    }
}

} // namespace

ReadAhead::ReadAhead()
{
    // One thread per view, so that the two folders' reads overlap on a slow disk.
    pool.setMaxThreadCount(2);
}

ReadAhead::~ReadAhead()
{
    pool.waitForDone();
}

void ReadAhead::start(const QVector<std::string> &folders, const QString &otherSource)
{
    reads.clear();
    for (const std::string &folder : folders)
        reads.append(
            {folder, otherSource, QtConcurrent::run(&pool, readOrFail, folder, otherSource)});
}

std::optional<PanoFiles> ReadAhead::take(const std::string &folder, const QString &otherSource)
{
    for (int i = 0; i < reads.size(); ++i) {
        if (reads[i].folder != folder || reads[i].otherSource != otherSource)
            continue;
        QFuture<std::optional<PanoFiles>> files = reads[i].files;
        reads.remove(i);
        return files.result();
    }
    return std::nullopt;
}
