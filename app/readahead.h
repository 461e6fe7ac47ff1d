#ifndef READAHEAD_H
#define READAHEAD_H

#include "panosample.h"
#include "viewframe.h"

#include <QFuture>
#include <QThreadPool>
#include <QVector>
#include <optional>
#include <string>

// Reads and decodes panorama folders on worker threads while the subject thinks, and draws the
// views' pictures, so that the next case can be shown at once even from a slow disk. A worker
// only runs readPanoFiles and renderViewFrame: it makes values and touches no widget and no
// state shared with the GUI thread.
class ReadAhead
{
public:
    ReadAhead();
    ~ReadAhead(); // waits for reads still running

    struct Read
    {
        PanoFiles files;
        wallmatch::ViewFrame frame; // none without a shown source
    };

    // Starts reading the folders, each on a thread of its own, with the corner file of
    // otherSource and the first builtInSources built-in ones (see readPanoFiles); forgets earlier
    // ones. With shownSource, each view's picture with that source's walls is made as well
    // (renderViewFrame), for the folder's placement on the screen where one is given.
    void start(const QVector<std::string> &folders, const QString &otherSource = QString(),
               const QString &shownSource = QString(),
               const QVector<wallmatch::ViewPlacement> &placements = {},
               int builtInSources = wallmatch::builtInSourceCount);
    // What was read of a folder and source started earlier, waiting for a read still running;
    // none when it was not read ahead or the read failed (the caller then loads it itself).
    std::optional<Read> take(const std::string &folder, const QString &otherSource = QString());

private:
    struct Started
    {
        std::string folder;
        QString otherSource;
        QFuture<std::optional<Read>> read;
    };
    QThreadPool pool;
    QVector<Started> reads;
};

#endif // READAHEAD_H
