#include "readahead.h"

#include <QtConcurrent/QtConcurrentRun>
#include <exception>

namespace {

std::optional<ReadAhead::Read> readOrFail(const std::string &folder, const QString &otherSource,
                                          const QString &shownSource,
                                          const wallmatch::ViewPlacement &placement,
                                          int builtInSources)
{
    try {
        ReadAhead::Read read {readPanoFiles(folder, otherSource, builtInSources), {}};
        read.frame = wallmatch::renderViewFrame(read.files, shownSource, placement);
        return read;
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

void ReadAhead::start(const QVector<std::string> &folders, const QString &otherSource,
                      const QString &shownSource,
                      const QVector<wallmatch::ViewPlacement> &placements, int builtInSources)
{
    reads.clear();
    for (int i = 0; i < folders.size(); ++i)
        reads.append({folders.at(i), otherSource,
                      QtConcurrent::run(&pool, readOrFail, folders.at(i), otherSource, shownSource,
                                        placements.value(i), builtInSources)});
}

std::optional<ReadAhead::Read> ReadAhead::take(const std::string &folder,
                                               const QString &otherSource)
{
    for (int i = 0; i < reads.size(); ++i) {
        if (reads[i].folder != folder || reads[i].otherSource != otherSource)
            continue;
        QFuture<std::optional<Read>> read = reads[i].read;
        reads.remove(i);
        return read.result();
    }
    return std::nullopt;
}
