#ifndef CORNERFILE_H
#define CORNERFILE_H

#include "cornerpoint.h"
#include "samplefolder.h"

#include <QByteArray>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QVector>
#include <string_view>

namespace wallmatch {

// A corner list longer than this (1024 walls) is shown as none: image only, no walls to pick.
// Every paint traces every edge and draws every corner, so a million-line file would freeze the
// window for seconds at each repaint.
inline constexpr int maxShownCorners = 2048;

// One line of a corner file: where the corner lies in the image and in space.
struct CornerLine
{
    QPoint pixel;
    CornerPoint room;
};

// One corner file as two parallel lists, one entry per line.
struct CornerLists
{
    QVector<QPoint> imageCorners;
    QVector<CornerPoint> roomCorners;
};

// Rounds half up (Qt 5's qRound for float), saturating outside the range of int; NaN gives 0.
int roundPixel(float v);

// Five floats, each after optional white space, in the classic locale's form: [+-]digits[.digits]
// [(e|E)[+-]digits]. A line that does not begin with five numbers gives pixel (0, 0) and room
// (0, 0, 0); so does one with a number beyond the float range. A number too small for a float
// reads as zero.
CornerLine parseCornerLine(std::string_view line);

// Splits at line feeds (a last line without one counts) and parses every line.
CornerLists parseCorners(const QByteArray &text);

// One corner as a corner file holds it, its pixel not yet rounded.
struct CornerEntry
{
    QPointF pixel;
    CornerPoint room;
};

// The corner file of the entries: a line "u v x y z" each, every number in the shortest form that
// reads back as the same 32-bit float.
QByteArray cornerFileText(const QVector<CornerEntry> &corners);

// Entries whose pixels are the corners' projections (in double precision), as layout tools
// write them.
QVector<CornerEntry> projectedCorners(const QVector<CornerPoint> &corners, const QSize &imageSize);

} // namespace wallmatch

#endif // CORNERFILE_H
