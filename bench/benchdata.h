#ifndef BENCHDATA_H
#define BENCHDATA_H

#include "cornerpoint.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVector>

// Realistic inputs for the benchmarks: rooms around the camera, their corner files and textured
// panoramas whose JPEGs decode about as fast as photographs of the same size.
namespace wallmatch::bench {

const QSize kPanoramaSize(1024, 512);

// A room of `walls` walls around the camera: the ceiling ring, then the floor ring. The corners
// lie at rising azimuths with some jitter and varying distances; the room is turned so that
// one wall crosses the image's left/right seam.
QVector<CornerPoint> roomCorners(int walls, quint32 seed);

// "u v x y z" per corner, the pixel being the corner's projection, as layout tools write them.
QByteArray cornerFileText(const QVector<CornerPoint> &corners,
                          const QSize &imageSize = kPanoramaSize);

// The room of roomCorners(walls, seed) as a camera at its centre sees it, drawn by the demo
// data's renderer: ceiling, floor and furnished walls whose edges meet where the corners project.
QImage renderPanorama(int walls, quint32 seed, const QSize &size = kPanoramaSize);

QByteArray jpegBytes(const QImage &image);

// A view position near the middle of wall `wall` at the horizon; inside the wall unless the
// wall crosses the seam.
QPoint wallCentre(const QVector<CornerPoint> &corners, int wall,
                  const QSize &imageSize = kPanoramaSize);

// A wall of the room that does not cross the seam.
int wallAwayFromSeam(const QVector<CornerPoint> &corners);

bool writeFile(const QString &fileName, const QByteArray &bytes);

// color.jpg, pred_corner.txt and pred_corner_Bramble.txt; the folder is created.
bool writePanoFolder(const QString &folder, const QByteArray &jpeg, const QByteArray &kestrel,
                     const QByteArray &bramble);

// dir/test_datasets/1..samples/{pri_pano,sec_pano} with 10-wall rooms. A few rooms are made and
// encoded once; the samples take them in turn.
bool writeSampleTree(const QString &dir, int samples);

// The folder of sample n's primary or secondary panorama in the tree under dir.
QString sampleFolder(const QString &dir, int sample, bool secondary);

// Stops the program when its inputs could not be written: figures of missing files mean nothing.
void requireWritten(bool written, const QString &what);

// Set by the smoke tests: tiny sizes, so every benchmark runs once in well under a second.
bool smokeRun();

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS"), or -1.
qint64 procStatusKiB(const char *field);

} // namespace wallmatch::bench

#endif // BENCHDATA_H
