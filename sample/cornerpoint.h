#ifndef CORNERPOINT_H
#define CORNERPOINT_H

class QDebug;

// A room corner relative to the camera; only its direction matters.
struct CornerPoint
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    CornerPoint() = default;
    constexpr CornerPoint(float x, float y, float z)
        : x(x)
        , y(y)
        , z(z)
    {
    }

    friend bool operator==(const CornerPoint &a, const CornerPoint &b)
    {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    }
    friend bool operator!=(const CornerPoint &a, const CornerPoint &b) { return !(a == b); }
};

// "CornerPoint(x, y, z)" with every coordinate in full single precision, so that two points that
// print alike are equal.
QDebug operator<<(QDebug debug, const CornerPoint &point);
// The same text for a failed QCOMPARE (found by argument-dependent lookup; QTest deletes it).
char *toString(const CornerPoint &point);

#endif // CORNERPOINT_H
