#ifndef READAHEAD_H
#define READAHEAD_H

#include "panosample.h"

#include <QFuture>
#include <QThreadPool>
#include <QVector>
#include <optional>
#include <string>

// Reads and decodes panorama folders on worker threads while the subject thinks, so that the
// next case can be shown at once even from a slow disk. A worker only runs readPanoFiles: it
// reads files into values and touches no widget and no state shared with the GUI thread.
class ReadAhead
{
public:
    ReadAhead();
    ~ReadAhead(); // waits for reads still running

    // Starts reading the folders, each on a thread of its own; forgets earlier ones.
    void start(const QVector<std::string> &folders);
    // The files of a folder started earlier, waiting for a read still running; none when the
    // folder was not read ahead or its read failed (the caller then loads it the normal way).
    std::optional<PanoFiles> take(const std::string &folder);

private:
    struct Read
    {
        std::string folder;
        QFuture<std::optional<PanoFiles>> files;
    };
    QThreadPool pool;
    QVector<Read> reads;
};

#endif // READAHEAD_H
