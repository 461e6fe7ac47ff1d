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

    // Starts reading the folders, each on a thread of its own, with the corner file of
    // otherSource (see readPanoFiles) as well; forgets earlier ones.
    void start(const QVector<std::string> &folders, const QString &otherSource = QString());
    // The files of a folder and source started earlier, waiting for a read still running; none
    // when they were not read ahead or the read failed (the caller then loads them itself).
    std::optional<PanoFiles> take(const std::string &folder,
                                  const QString &otherSource = QString());

private:
    struct Read
    {
        std::string folder;
        QString otherSource;
        QFuture<std::optional<PanoFiles>> files;
    };
    QThreadPool pool;
    QVector<Read> reads;
};

#endif // READAHEAD_H
