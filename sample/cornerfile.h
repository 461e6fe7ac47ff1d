#ifndef CORNERFILE_H
#define CORNERFILE_H

#include "cornerpoint.h"

#include <QByteArray>
#include <QPoint>
#include <QVector>
#include <string_view>

namespace wallmatch {

// Corner file of each corner source, appended to the panorama folder path; indexed by CornerType.
inline constexpr int cornerFileCount = 2;
inline constexpr const char *cornerFileNames[cornerFileCount] = {"//pred_corner.txt",
                                                                 "//pred_corner_Bramble.txt"};

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

// Five white-space separated floats read as a classic-locale stream reads them. A line that does
// not begin with five numbers gives pixel (0, 0) and room (0, 0, 0).
CornerLine parseCornerLine(std::string_view line);

// Splits at line feeds (a last line without one counts) and parses every line.
CornerLists parseCorners(const QByteArray &text);

} // namespace wallmatch

#endif // CORNERFILE_H
