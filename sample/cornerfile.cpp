#include "cornerfile.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

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

// Reads floats one after the other as `stream >> f` does in the classic locale, without the cost of
// a stream per line: white space is skipped, the number is the longest prefix of the form
// [+-]digits[.digits][(e|E)[+-]digits], and it fails wherever the stream would set failbit.
class FloatReader
{
public:
    FloatReader(const char *begin, const char *end)
        : pos(begin)
        , end(end)
    {
    }

    // False where the stream would fail. A flag and an out-parameter rather than an optional:
    // this runs five million times for a million-line file and must stay in registers.
    bool next(float &value)
    {
        while (pos != end && isSpace(*pos))
            ++pos;
        return shortDecimal(value) || general(value);
    }

private:
    // Corner files are written as plain decimals of a few digits ("1023.4567", "-0.707107"). When
    // the digits form an integer m < 2^24 and at most ten follow the point, m and 10^k are exact
    // floats and one correctly rounded division gives what from_chars gives. Any other form
    // (exponent, long mantissa, no digits) is left to the general path.
    bool shortDecimal(float &value)
    {
        static constexpr float powersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
        constexpr quint32 exactLimit = 1u << 24;
        const char *p = pos;
        const bool negative = p != end && *p == '-';
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        quint32 mantissa = 0;
        int digits = 0;
        int fractionDigits = 0;
        for (; p != end && isDigit(*p); ++p, ++digits) {
            mantissa = mantissa * 10 + quint32(*p - '0');
            if (mantissa >= exactLimit)
                return false;
        }
        if (p != end && *p == '.') {
            for (++p; p != end && isDigit(*p); ++p, ++digits, ++fractionDigits) {
                mantissa = mantissa * 10 + quint32(*p - '0');
                if (mantissa >= exactLimit || fractionDigits >= 10)
                    return false;
            }
        }
        if (digits == 0 || (p != end && isExponentMark(*p)))
            return false;
        const float magnitude = float(mantissa) / powersOfTen[fractionDigits];
        value = negative ? -magnitude : magnitude;
        pos = p;
        return true;
    }

    Q_NEVER_INLINE bool general(float &value)
    {
        const char *p = pos;
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        // Rules out "inf", "nan" and doubled signs, which from_chars would otherwise take.
        if (p == end || !(isDigit(*p) || *p == '.'))
            return false;
        const char *start = *pos == '+' ? pos + 1 : pos; // from_chars knows no '+'
        float parsed = 0.0f;
        const auto [stop, ec] = std::from_chars(start, end, parsed, std::chars_format::general);
        if (ec == std::errc::invalid_argument)
            return false;
        // The stream also swallows an 'e' that has no exponent digits after it, and then fails.
        if (stop != end && isExponentMark(*stop) && std::none_of(start, stop, isExponentMark))
            return false;
        if (ec == std::errc::result_out_of_range) {
            // Rare: the stream fails on overflow but gives the rounded value on underflow.
            std::istringstream stream(std::string(start, stop));
            stream.imbue(std::locale::classic());
            stream >> parsed;
            if (stream.fail())
                return false;
        }
        value = parsed;
        pos = stop;
        return true;
    }

    const char *pos;
    const char *end;
};

// The five numbers a line begins with; false when it does not begin with five.
inline bool readFive(const char *begin, const char *end, float (&v)[5])
{
    FloatReader reader(begin, end);
    for (float &x : v) {
        if (!reader.next(x))
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

} // namespace wallmatch
