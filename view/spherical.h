#ifndef SPHERICAL_H
#define SPHERICAL_H

#include "cornerpoint.h"
#include "projection.h"

#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QVector>

class QPainter;

namespace wallmatch {

// Single-precision constants; the projection is computed in float throughout.
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kRadiansPerDegree = 0.017453292f;

// Halving stops at this depth, so an edge has at most 2^12 + 1 samples. Any step of at least
// 0.05 degrees is reached earlier on every arc up to half a turn; only degenerate corners
// (opposite, zero or not finite), whose midpoints never get closer, run into the cap.
constexpr int kMaxArcDepth = 12;

// The samples of an edge cut at the seam, rounded to whole pixels. first is empty when no
// jump wider than half the image was found.
struct SeamPieces
{
    QVector<QPoint> first;
    QVector<QPoint> second;
};

// Whether no point has a NaN or infinite coordinate; the painter must never see one.
bool AllFinite(const QVector<QPointF> &points);

// Whether the arc between unit vectors a and b is treated as crossing the left/right seam: its
// ends are more than half the width apart, or its midpoint does not lie between them.
bool CrossesSeam(int width, int height, const CornerPoint &a, const CornerPoint &b);

// Samples the great-circle arc from unit vector a to unit vector b by halving until
// neighbouring samples are less than stepDegrees apart; the pixels run from a to b.
QVector<QPointF> SampleArc(const CornerPoint &a, const CornerPoint &b, const QSize &imageSize,
                           float stepDegrees);

// Cuts the samples after the last jump wider than half the image width.
SeamPieces SplitAtSeam(const QVector<QPointF> &samples, int width);

// The edge's pixels from a to b. When the edge is cut at the seam the points are rounded and
// *firstPieceCount is the number of leading points before the cut; otherwise it is 0.
// Degenerate corners give non-finite samples, which are returned unrounded with count 0.
QVector<QPointF> TraceWallEdge(const CornerPoint &a, const CornerPoint &b, const QSize &imageSize,
                               int *firstPieceCount, float stepDegrees);

// Draws the edge from a to b with the painter's current pen, as two polylines when cut at
// the seam. An edge with a non-finite sample is not drawn.
void DrawWallEdge(QPainter &painter, const CornerPoint &a, const CornerPoint &b,
                  const QSize &imageSize, float stepDegrees);

} // namespace wallmatch

#endif // SPHERICAL_H
