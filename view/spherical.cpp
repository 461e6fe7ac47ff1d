#include "spherical.h"

#include <QPainter>
#include <QtMath>
#include <array>
#include <cmath>

namespace wallmatch {

namespace {

float dot(const CornerPoint &a, const CornerPoint &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Normalised midpoint of the arc between two unit vectors.
CornerPoint arcMidpoint(const CornerPoint &p, const CornerPoint &q)
{
    const CornerPoint m((p.x + q.x) * 0.5f, (p.y + q.y) * 0.5f, (p.z + q.z) * 0.5f);
    const float length = std::sqrt(m.x * m.x + m.y * m.y + m.z * m.z);
    return CornerPoint(m.x / length, m.y / length, m.z / length);
}

// Leaves NaN alone: its arc cosine is NaN, which never passes the threshold.
float clampCosine(float c)
{
    if (c < -1.0f)
        return -1.0f;
    if (c > 1.0f)
        return 1.0f;
    return c;
}

} // namespace

bool AllFinite(const QVector<QPointF> &points)
{
    for (const QPointF &point : points) {
        if (!qIsFinite(point.x()) || !qIsFinite(point.y()))
            return false;
    }
    return true;
}

bool CrossesSeam(int width, int height, const CornerPoint &a, const CornerPoint &b)
{
    const float w = float(width);
    const float h = float(height);
    const float ua = SphericalToPixel(PosToSpherical(a), w, h).u;
    const float ub = SphericalToPixel(PosToSpherical(b), w, h).u;
    const float um = SphericalToPixel(PosToSpherical(arcMidpoint(a, b)), w, h).u;
    const float d = std::fabs(ua - ub);
    return d > w * 0.5f || std::fabs(ub - um) + std::fabs(ua - um) > d + 1.0f;
}

QVector<QPointF> SampleArc(const CornerPoint &a, const CornerPoint &b, const QSize &imageSize,
                           float stepDegrees)
{
    struct Segment
    {
        CornerPoint start;
        CornerPoint end;
        int depth;
    };

    const float threshold = stepDegrees * kRadiansPerDegree;
    QVector<QPointF> samples;
    samples.append(DirectionToPixel(a, imageSize));

    // Depth-first with the first half on top keeps the samples ordered from a to b. The stack
    // holds at most one pending second half per depth plus the current segment, so it fits a
    // fixed array: no allocation for each of the many edges that every paint traces.
    std::array<Segment, kMaxArcDepth + 1> stack;
    int size = 0;
    stack[size++] = {a, b, 0};
    while (size > 0) {
        const Segment segment = stack[--size];
        const float angle = std::acos(clampCosine(dot(segment.start, segment.end)));
        if (threshold > angle || segment.depth >= kMaxArcDepth) {
            samples.append(DirectionToPixel(segment.end, imageSize));
        } else {
            const CornerPoint mid = arcMidpoint(segment.start, segment.end);
            stack[size++] = {mid, segment.end, segment.depth + 1};
            stack[size++] = {segment.start, mid, segment.depth + 1};
        }
    }
    return samples;
}

SeamPieces SplitAtSeam(const QVector<QPointF> &samples, int width)
{
    const double halfWidth = double(width) * 0.5;
    int split = -1;
    for (int j = samples.size() - 2; j >= 0; --j) {
        if (qAbs(samples.at(j).x() - samples.at(j + 1).x()) > halfWidth) {
            split = j;
            break;
        }
    }

    SeamPieces pieces;
    pieces.first.reserve(split + 1);
    pieces.second.reserve(samples.size() - split - 1);
    for (int j = 0; j < samples.size(); ++j) {
        if (j <= split)
            pieces.first.append(samples.at(j).toPoint());
        else
            pieces.second.append(samples.at(j).toPoint());
    }
    return pieces;
}

QVector<QPointF> TraceWallEdge(const CornerPoint &a, const CornerPoint &b, const QSize &imageSize,
                               int *firstPieceCount, float stepDegrees)
{
    const QVector<QPointF> samples = SampleArc(a, b, imageSize, stepDegrees);
    // Rounding a NaN to an int is undefined, so non-finite samples are never cut.
    const bool cut = CrossesSeam(imageSize.width(), imageSize.height(), a, b) && AllFinite(samples);

    int count = 0;
    QVector<QPointF> result;
    if (cut) {
        const SeamPieces pieces = SplitAtSeam(samples, imageSize.width());
        result.reserve(samples.size());
        for (const QPoint &point : pieces.first)
            result.append(QPointF(point));
        for (const QPoint &point : pieces.second)
            result.append(QPointF(point));
        count = pieces.first.size();
    } else {
        result = samples;
    }
    if (firstPieceCount)
        *firstPieceCount = count;
    return result;
}

void DrawWallEdge(QPainter &painter, const CornerPoint &a, const CornerPoint &b,
                  const QSize &imageSize, float stepDegrees)
{
    const QVector<QPointF> samples = SampleArc(a, b, imageSize, stepDegrees);
    const bool cut = CrossesSeam(imageSize.width(), imageSize.height(), a, b);
    // The painter must never see a non-finite coordinate.
    if (!AllFinite(samples))
        return;

    if (cut) {
        const SeamPieces pieces = SplitAtSeam(samples, imageSize.width());
        if (!pieces.first.isEmpty())
            painter.drawPolyline(pieces.first.constData(), pieces.first.size());
        painter.drawPolyline(pieces.second.constData(), pieces.second.size());
    } else {
        painter.drawPolyline(samples.constData(), samples.size());
    }
}

} // namespace wallmatch
