#ifndef PANOSAMPLE_H
#define PANOSAMPLE_H

#include "cornerpoint.h"

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QVector>
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
};

PanoFiles readPanoFiles(const std::string &folder);

// One panorama folder: the equirectangular image and, per corner source, its corners.
class PanoSample
{
public:
    std::string path;
    QPixmap image;
    QVector<QVector<QPoint>> imageCorners;
    QVector<QVector<CornerPoint>> roomCorners;

    void load(const std::string &folder);
    void readCorners();
    // Takes over files read earlier and writes their diagnostics. GUI thread only.
    void adopt(PanoFiles files);
};

#endif // PANOSAMPLE_H
