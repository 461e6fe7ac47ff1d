#include "cornerfile.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <locale>
#include <optional>
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

    std::optional<float> next()
    {
        while (pos != end && isSpace(*pos))
            ++pos;
        const char *p = pos;
        if (p != end && (*p == '+' || *p == '-'))
            ++p;
        // Rules out "inf", "nan" and doubled signs, which from_chars would otherwise take.
        if (p == end || !(isDigit(*p) || *p == '.'))
            return std::nullopt;
        const char *start = *pos == '+' ? pos + 1 : pos; // from_chars knows no '+'
        float value = 0.0f;
        const auto [stop, ec] = std::from_chars(start, end, value, std::chars_format::general);
        if (ec == std::errc::invalid_argument)
            return std::nullopt;
        // The stream also swallows an 'e' that has no exponent digits after it, and then fails.
        if (stop != end && isExponentMark(*stop) && std::none_of(start, stop, isExponentMark))
            return std::nullopt;
        if (ec == std::errc::result_out_of_range) {
            // Rare: the stream fails on overflow but gives the rounded value on underflow.
            std::istringstream stream(std::string(start, stop));
            stream.imbue(std::locale::classic());
            stream >> value;
            if (stream.fail())
                return std::nullopt;
        }
        pos = stop;
        return value;
    }

private:
    const char *pos;
    const char *end;
};

} // namespace

int roundPixel(float v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0f)
        return INT_MAX;
    if (v < -2147483648.0f)
        return INT_MIN;
    return qRound(v);
}

CornerLine parseCornerLine(std::string_view line)
{
    FloatReader reader(line.data(), line.data() + line.size());
    float v[5];
    for (float &x : v) {
        const std::optional<float> value = reader.next();
        if (!value)
            return {};
        x = *value;
    }
    return {QPoint(roundPixel(v[0]), roundPixel(v[1])), CornerPoint(v[2], v[3], v[4])};
}

CornerLists parseCorners(const QByteArray &text)
{
    const char *p = text.constData();
    const char *const end = p + text.size();
    const int lines =
        int(std::count(p, end, '\n')) + (text.isEmpty() || text.endsWith('\n') ? 0 : 1);

    CornerLists lists;
    lists.imageCorners.reserve(lines);
    lists.roomCorners.reserve(lines);
    while (p != end) {
        const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *lineEnd = lf ? lf : end;
        const CornerLine corner = parseCornerLine(std::string_view(p, size_t(lineEnd - p)));
        lists.imageCorners.append(corner.pixel);
        lists.roomCorners.append(corner.room);
        p = lf ? lf + 1 : end;
    }
    return lists;
}

} // namespace wallmatch
