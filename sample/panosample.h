#ifndef PANOSAMPLE_H
#define PANOSAMPLE_H

#include "cornerpoint.h"

#include <QPixmap>
#include <QPoint>
#include <QVector>
#include <string>

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
};

#endif // PANOSAMPLE_H
