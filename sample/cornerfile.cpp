#include "cornerfile.h"

#include "projection.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace wallmatch {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isExponentMark(char c)
{
    return c == 'e' || c == 'E';
}

// Reads the next number at p, after white space, and moves p past it; false where there is none.
bool readFloat(const char *&p, const char *end, float &value)
{
    while (p != end && isSpace(*p))
        ++p;
    const char *start = p != end && *p == '+' ? p + 1 : p; // from_chars knows no '+'
    const char *digits = p != end && (*p == '+' || *p == '-') ? p + 1 : p;
    // Rules out "inf", "nan" and doubled signs, which from_chars would otherwise take.
    if (digits == end || !(isDigit(*digits) || *digits == '.'))
        return false;
    const auto [stop, ec] = std::from_chars(start, end, value);
    if (ec == std::errc::invalid_argument)
        return false;
    // "1e" or "1e+": an exponent mark without digits is no number.
    if (stop != end && isExponentMark(*stop))
        return false;
    if (ec == std::errc::result_out_of_range) {
        // Below the smallest float reads as zero; beyond the largest is refused.
        double wide = HUGE_VAL;
        std::from_chars(start, end, wide);
        if (!(std::fabs(wide) < 1.0))
            return false;
        value = float(wide);
    }
    p = stop;
    return true;
}

// The five numbers a line begins with; false when it does not begin with five.
bool readFive(const char *p, const char *end, float (&v)[5])
{
    for (float &x : v) {
        if (!readFloat(p, end, x))
            return false;
    }
    return true;
}

// Lines ended by a line feed, plus a last one without.
int countLines(const char *p, const char *end)
{
    int lines = 0;
    while (p != end) {
        const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        ++lines;
        p = lf ? lf + 1 : end;
    }
    return lines;
}

} // namespace

int roundPixel(float v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0f)
        return INT_MAX;
    if (v < -2147483648.0f)
        return INT_MIN;
    // Qt 5's qRound, spelled out: halves round up (-0.5 to 0). Qt 6's qRound rounds them away
    // from zero, which would move corners with both Qt versions in use.
    return v >= 0.0f ? int(v + 0.5f) : int(v - float(int(v - 1)) + 0.5f) + int(v - 1);
}

CornerLine parseCornerLine(std::string_view line)
{
    float v[5];
    if (!readFive(line.data(), line.data() + line.size(), v))
        return {};
    return {QPoint(roundPixel(v[0]), roundPixel(v[1])), CornerPoint(v[2], v[3], v[4])};
}

CornerLists parseCorners(const QByteArray &text)
{
    const char *p = text.constData();
    const char *const end = p + text.size();
    const int lines = countLines(p, end);

    // Filled in place: one pass over the text.
    CornerLists lists;
    lists.imageCorners.resize(lines);
    lists.roomCorners.resize(lines);
    QPoint *pixel = lists.imageCorners.data();
    CornerPoint *room = lists.roomCorners.data();
    while (p != end) {
        const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *lineEnd = lf ? lf : end;
        const CornerLine corner = parseCornerLine(std::string_view(p, size_t(lineEnd - p)));
        *pixel++ = corner.pixel;
        *room++ = corner.room;
        p = lf ? lf + 1 : end;
    }
    return lists;
}

QByteArray cornerFileText(const QVector<CornerEntry> &corners)
{
    QByteArray text;
    for (const CornerEntry &corner : corners) {
        const float numbers[5] = {float(corner.pixel.x()), float(corner.pixel.y()), corner.room.x,
                                  corner.room.y, corner.room.z};
        char line[5 * 20];
        char *p = line;
        for (float number : numbers) {
            if (p != line)
                *p++ = ' ';
            p = std::to_chars(p, line + sizeof line, number).ptr;
        }
        text.append(line, int(p - line)).append('\n');
    }
    return text;
}

QVector<CornerEntry> projectedCorners(const QVector<CornerPoint> &corners, const QSize &imageSize)
{
    QVector<CornerEntry> entries;
    entries.reserve(corners.size());
    for (const CornerPoint &corner : corners)
        entries.append({directionToPixel(directionOf(corner), imageSize), corner});
    return entries;
}

} // namespace wallmatch
