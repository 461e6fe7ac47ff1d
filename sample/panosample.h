#ifndef PANOSAMPLE_H
#define PANOSAMPLE_H

#include "cornerfile.h"
#include "cornerpoint.h"
#include "sources.h"

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QVector>
#include <optional>
#include <string>

// A panorama folder's files, read and decoded with nothing that belongs to the GUI thread, so
// that it can be made on any thread; PanoSample::adopt turns it into a sample.
struct PanoFiles
{
    std::string path;
    QImage image;
    QVector<QVector<QPoint>> imageCorners;
    QVector<QVector<CornerPoint>> roomCorners;
    std::string diagnostics; // for standard output, written when the sample is adopted
    // A source other than the built-in ones, read besides them when asked for.
    QString otherSource;
    std::optional<wallmatch::CornerLists> otherCorners; // none when its file could not be read
};

// The image and the built-in sources' corner files (only the first builtInSources of them: a
// study reads no source it does not show); with otherSource (a source name that is not built
// in), that source's corner file as well.
PanoFiles readPanoFiles(const std::string &folder, const QString &otherSource = QString(),
                        int builtInSources = wallmatch::builtInSourceCount);

// One panorama folder: the equirectangular image and, per corner source, its corners.
class PanoSample
{
public:
    std::string path;
    QPixmap image;
    QVector<QVector<QPoint>> imageCorners;
    QVector<QVector<CornerPoint>> roomCorners;
    QString otherSource;
    std::optional<wallmatch::CornerLists> otherCorners;

    void load(const std::string &folder, const QString &otherSource = QString(),
              int builtInSources = wallmatch::builtInSourceCount);
    void readCorners();
    // Takes over files read earlier and writes their diagnostics. GUI thread only.
    void adopt(PanoFiles files);
};

#endif // PANOSAMPLE_H
