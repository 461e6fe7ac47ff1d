#include "cornerinput.h"

#include "cli.h"
#include "cornerfile.h"
#include "estimatorformats.h"
#include "projection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

// One corner as it appears in the input, in file order.
struct Entry
{
    int line = 0;
    QPointF pixel;
    std::optional<Direction> direction; // only corner files carry one
};

struct NumberRow
{
    int line = 0;
    QVector<double> values;
};

QString num(double value)
{
    return QString::number(value, 'g', 6);
}

QString pixelText(QPointF p)
{
    return QStringLiteral("(%1, %2)").arg(num(p.x()), num(p.y()));
}

int lineOfOffset(const QByteArray &content, int offset)
{
    offset = std::max(0, std::min(offset, int(content.size())));
    return int(std::count(content.constBegin(), content.constBegin() + offset, '\n')) + 1;
}

QByteArray withoutBom(const QByteArray &content)
{
    return content.startsWith("\xEF\xBB\xBF") ? content.mid(3) : content;
}

bool looksLikeJson(const QByteArray &content)
{
    for (char c : content) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        return c == '{' || c == '[';
    }
    return false;
}

// Non-blank lines split into numbers (white space or commas between them).
QVector<NumberRow> numberRows(const QString &fileName, const QByteArray &content,
                              QVector<Problem> &errors)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    QVector<NumberRow> rows;
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        NumberRow row;
        row.line = i + 1;
        bool good = true;
        for (const QString &token : line.split(separators, Qt::SkipEmptyParts)) {
            bool ok = false;
            const double value = QLocale::c().toDouble(token, &ok);
            if (!ok || !std::isfinite(value)) {
                errors.append(
                    {fileName, row.line, QStringLiteral("\"%1\" is not a number").arg(token)});
                good = false;
                break;
            }
            row.values.append(value);
        }
        if (good)
            rows.append(row);
    }
    return rows;
}

// Offsets of the elements of the JSON array that opens at `open`, so that a complaint about an
// element can name its line; strings are skipped so brackets inside them do not count.
QVector<int> arrayElementOffsets(const QByteArray &json, int open)
{
    QVector<int> offsets;
    int depth = 0;
    bool expectElement = false;
    for (int i = open; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (depth == 1 && expectElement && c != ']') {
            offsets.append(i);
            expectElement = false;
        }
        if (c == '"') {
            for (++i; i < json.size() && json.at(i) != '"'; ++i) {
                if (json.at(i) == '\\')
                    ++i;
            }
        } else if (c == '[' || c == '{') {
            if (++depth == 1)
                expectElement = true;
        } else if (c == ']' || c == '}') {
            if (--depth == 0)
                break;
        } else if (c == ',' && depth == 1) {
            expectElement = true;
        }
    }
    return offsets;
}

// Where the array value of the key "uv" opens, or -1.
int uvArrayOffset(const QByteArray &json)
{
    for (int at = json.indexOf("\"uv\""); at >= 0; at = json.indexOf("\"uv\"", at + 1)) {
        int i = at + 4;
        while (i < json.size() && QChar(json.at(i)).isSpace())
            ++i;
        if (i >= json.size() || json.at(i) != ':')
            continue;
        ++i;
        while (i < json.size() && QChar(json.at(i)).isSpace())
            ++i;
        if (i < json.size() && json.at(i) == '[')
            return i;
    }
    return -1;
}

QVector<Entry> jsonEntries(const QString &fileName, const QByteArray &content, QSizeF image,
                           QVector<Problem> &errors)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(content, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        errors.append({fileName, lineOfOffset(content, parseError.offset),
                       QStringLiteral("not valid JSON: %1").arg(parseError.errorString())});
        return {};
    }
    if (!doc.isObject() || !doc.object().value(QStringLiteral("uv")).isArray()) {
        errors.append(
            {fileName, 1,
             QStringLiteral("expected a JSON object with a \"uv\" list of [u, v] pairs")});
        return {};
    }
    const QJsonArray uv = doc.object().value(QStringLiteral("uv")).toArray();
    if (uv.size() > maxShownCorners) {
        errors.append({fileName, 1,
                       QStringLiteral("%1 corners, more than the %2 wallmatch shows")
                           .arg(uv.size())
                           .arg(maxShownCorners)});
        return {};
    }
    const int open = uvArrayOffset(content);
    const QVector<int> offsets = open >= 0 ? arrayElementOffsets(content, open) : QVector<int>();
    const int uvLine = lineOfOffset(content, std::max(open, 0));

    QVector<Entry> entries;
    bool normalised = true;
    // Lines counted on from one element to the next: one pass over the file, not one per
    // element.
    int elementLine = 1;
    int counted = 0;
    for (int k = 0; k < uv.size(); ++k) {
        if (k < offsets.size()) {
            elementLine += int(std::count(content.constData() + counted,
                                          content.constData() + offsets.at(k), '\n'));
            counted = offsets.at(k);
        }
        const int line = k < offsets.size() ? elementLine : uvLine;
        const QJsonArray pair = uv.at(k).toArray();
        if (!uv.at(k).isArray() || pair.size() != 2 || !pair.at(0).isDouble()
            || !pair.at(1).isDouble()) {
            errors.append(
                {fileName, line,
                 QStringLiteral("\"uv\" entry %1 is not a pair of numbers [u, v]").arg(k)});
            continue;
        }
        const double u = pair.at(0).toDouble();
        const double v = pair.at(1).toDouble();
        normalised = normalised && std::fabs(u) <= 1.5 && std::fabs(v) <= 1.5;
        entries.append({line, QPointF(u * image.width(), v * image.height()), std::nullopt});
    }
    if (!normalised)
        errors.append({fileName, uvLine,
                       QStringLiteral("\"uv\" values must be normalised to 0..1 (fractions of "
                                      "the image width and height), not pixels")});
    return entries;
}

QVector<Entry> textEntries(const QString &fileName, const QByteArray &content, CornerFormat &format,
                           QVector<Problem> &errors)
{
    const QVector<NumberRow> rows = numberRows(fileName, content, errors);
    if (rows.isEmpty())
        return {};
    if (format == CornerFormat::Auto) {
        const int first = int(rows.first().values.size());
        if (first == 2) {
            format = CornerFormat::InterleavedPairs; // pair order is settled later
        } else if (first >= 5) {
            format = CornerFormat::CornerFile;
        } else {
            errors.append({fileName, rows.first().line,
                           QStringLiteral("%1 numbers: expected a \"u v\" pair or a corner line "
                                          "of five numbers (u v x y z)")
                               .arg(first)});
            return {};
        }
    }
    const bool pairs = format != CornerFormat::CornerFile;
    QVector<Entry> entries;
    for (const NumberRow &row : rows) {
        const int n = int(row.values.size());
        if (pairs ? n != 2 : n < 5) {
            errors.append({fileName, row.line,
                           pairs ? QStringLiteral("%1 numbers where a \"u v\" pair was expected "
                                                  "(as on line %2)")
                                       .arg(n)
                                       .arg(rows.first().line)
                                 : QStringLiteral("%1 numbers where a corner line \"u v x y z\" "
                                                  "was expected")
                                       .arg(n)});
            continue;
        }
        Entry entry {row.line, QPointF(row.values.at(0), row.values.at(1)), std::nullopt};
        if (!pairs)
            entry.direction = Direction {row.values.at(2), row.values.at(3), row.values.at(4)};
        entries.append(entry);
    }
    return entries;
}

// How many corners have ceiling and floor in one column when the entries are read one way.
// The vertical order is left to the checks, so that swapped rings are still recognised as rings.
int plausibleCorners(const QVector<Entry> &entries, bool interleaved, QSizeF image,
                     double tolerance)
{
    const int h = int(entries.size()) / 2;
    int good = 0;
    for (int i = 0; i < h; ++i) {
        const QPointF c = entries.at(interleaved ? 2 * i : i).pixel;
        const QPointF f = entries.at(interleaved ? 2 * i + 1 : i + h).pixel;
        if (wrappedColumnDistance(c.x(), f.x(), image.width()) <= tolerance)
            ++good;
    }
    return good;
}

CornerRings arrange(const QVector<Entry> &entries, bool interleaved, QSizeF image)
{
    CornerRings rings;
    rings.image = image;
    const int h = int(entries.size()) / 2;
    for (int i = 0; i < h; ++i) {
        const Entry &c = entries.at(interleaved ? 2 * i : i);
        const Entry &f = entries.at(interleaved ? 2 * i + 1 : i + h);
        rings.ceiling.append(c.pixel);
        rings.ceilingLines.append(c.line);
        rings.floor.append(f.pixel);
        rings.floorLines.append(f.line);
    }
    return rings;
}

// A corner file's directions are replaced by those of its pixel positions; say where they
// disagreed by more than a pixel.
QVector<Problem> directionNotes(const QString &fileName, const QVector<Entry> &entries,
                                QSizeF image)
{
    QVector<Problem> notes;
    for (const Entry &e : entries) {
        if (!e.direction)
            continue;
        const Direction &d = *e.direction;
        if (d.x == 0 && d.y == 0 && d.z == 0) {
            notes.append({fileName, e.line,
                          QStringLiteral("the direction was (0, 0, 0); replaced by the one of "
                                         "pixel %1")
                              .arg(pixelText(e.pixel))});
            continue;
        }
        const QPointF p = directionToPixel(d, image);
        if (wrappedColumnDistance(p.x(), e.pixel.x(), image.width()) > 1.0
            || std::fabs(p.y() - e.pixel.y()) > 1.0)
            notes.append({fileName, e.line,
                          QStringLiteral("the direction pointed at pixel %1, not at %2; replaced "
                                         "by the one of %2")
                              .arg(pixelText(p), pixelText(e.pixel))});
    }
    return notes;
}

} // namespace

namespace {

// Each format's name on the command line and what it is, in one table.
struct FormatNames
{
    CornerFormat format;
    const char *name;
    const char *description;
};

constexpr FormatNames formatNames[] = {
    {CornerFormat::Auto, "auto", "detected from the content"},
    {CornerFormat::HorizonJson, "json",
     "JSON \"uv\" list, normalised, ceiling and floor interleaved"},
    {CornerFormat::InterleavedPairs, "interleaved",
     "pixel pairs, ceiling and floor alternating per corner"},
    {CornerFormat::RingPairs, "rings", "pixel pairs, ceiling ring then floor ring"},
    {CornerFormat::CornerFile, "corners", "corner file, directions re-derived from the pixels"},
    {CornerFormat::PanoAnnotatorJson, "panoannotator",
     "PanoAnnotator-style JSON, points in metres, ring order from its walls"},
    {CornerFormat::AtlantaJson, "atlanta", "AtlantaNet JSON \"uv\" list, ring order restored"}};

const FormatNames *namesOf(CornerFormat format)
{
    for (const FormatNames &f : formatNames)
        if (f.format == format)
            return &f;
    return nullptr;
}

} // namespace

QString formatName(CornerFormat format)
{
    const FormatNames *f = namesOf(format);
    return f ? QString::fromLatin1(f->name) : QString();
}

std::optional<CornerFormat> formatFromName(const QString &name)
{
    for (const FormatNames &f : formatNames)
        if (name == QLatin1String(f.name))
            return f.format;
    return std::nullopt;
}

QString formatDescription(CornerFormat format)
{
    const FormatNames *f = namesOf(format);
    return f ? QString::fromLatin1(f->description) : QString();
}

CornerInput parseCornerInput(const QString &fileName, const QByteArray &rawContent,
                             const CornerReadOptions &options)
{
    CornerInput input;
    const QByteArray content = withoutBom(rawContent);
    const QSizeF image = options.image;
    if (!(image.width() > 0 && image.height() > 0)) {
        input.errors.append({fileName, 0, QStringLiteral("the image size must be positive")});
        return input;
    }

    CornerFormat format = options.format;
    bool atlanta = format == CornerFormat::AtlantaJson;
    if (looksLikeJson(content)
        && (format == CornerFormat::Auto || format == CornerFormat::PanoAnnotatorJson
            || format == CornerFormat::AtlantaJson)) {
        const QJsonObject object = QJsonDocument::fromJson(content).object();
        if (format == CornerFormat::PanoAnnotatorJson
            || (format == CornerFormat::Auto && isPanoAnnotatorLayout(object))) {
            input.format = CornerFormat::PanoAnnotatorJson;
            const std::optional<CornerRings> rings =
                panoAnnotatorRings(fileName, object, image, input.errors);
            if (rings) {
                input.rings = *rings;
                input.errors = checkRings(input.rings, fileName, options.uTolerance);
            }
            return input;
        }
        atlanta = atlanta || (format == CornerFormat::Auto && isAtlantaLayout(object));
        format = CornerFormat::HorizonJson;
    }
    const QVector<Entry> entries = format == CornerFormat::HorizonJson
        ? jsonEntries(fileName, content, image, input.errors)
        : textEntries(fileName, content, format, input.errors);
    input.format = format;
    if (!input.errors.isEmpty())
        return input;

    if (entries.isEmpty()) {
        input.errors.append({fileName, 0, QStringLiteral("no corners")});
        return input;
    }
    if (entries.size() > maxShownCorners) {
        input.errors.append({fileName, entries.at(maxShownCorners).line,
                             QStringLiteral("%1 corners, more than the %2 wallmatch shows")
                                 .arg(entries.size())
                                 .arg(maxShownCorners)});
        return input;
    }
    if (entries.size() % 2 != 0) {
        input.errors.append(
            {fileName, entries.last().line,
             QStringLiteral("%1 corners, an odd count: every ceiling corner needs its floor "
                            "corner")
                 .arg(entries.size())});
        return input;
    }

    // Two-number lines come either interleaved or as two rings; the reading under which more
    // ceiling corners share their floor corner's column wins.
    if (options.format == CornerFormat::Auto && format == CornerFormat::InterleavedPairs) {
        const int interleaved = plausibleCorners(entries, true, image, options.uTolerance);
        const int rings = plausibleCorners(entries, false, image, options.uTolerance);
        if (rings > interleaved) {
            format = CornerFormat::RingPairs;
        } else if (rings == interleaved && entries.size() > 2) {
            input.errors.append(
                {fileName, 0,
                 QStringLiteral("cannot tell whether ceiling and floor corners alternate or "
                                "come as two rings; give --format interleaved or --format "
                                "rings")});
            return input;
        }
        input.format = format;
    }

    const bool interleaved =
        format == CornerFormat::HorizonJson || format == CornerFormat::InterleavedPairs;
    input.rings = arrange(entries, interleaved, image);
    input.errors = checkRings(input.rings, fileName, options.uTolerance);
    if (atlanta && input.errors.isEmpty()) {
        input.format = CornerFormat::AtlantaJson;
        restoreRingOrder(input.rings, fileName, input.errors);
    }
    input.notes = directionNotes(fileName, entries, image);
    return input;
}

CornerInput readCornerInput(const QString &fileName, const CornerReadOptions &options)
{
    CornerInput input;
    const std::optional<QByteArray> content = readFileOrComplain(fileName, input.errors);
    if (!content)
        return input;
    return parseCornerInput(fileName, *content, options);
}

QVector<Problem> checkRings(const CornerRings &rings, const QString &fileName, double uTolerance)
{
    QVector<Problem> problems;
    const double w = rings.image.width();
    const double h = rings.image.height();
    const QString size = QStringLiteral("%1 x %2").arg(num(w), num(h));
    const int n = rings.count();
    if (n > 0 && n < 3)
        problems.append(
            {fileName, 0,
             QStringLiteral("%1 corners in each ring; a room needs at least 3").arg(n)});
    // wallmatch shows no walls for a longer corner list: refused here rather than written.
    if (2 * qint64(n) > maxShownCorners) {
        problems.append({fileName, 0,
                         QStringLiteral("%1 corners in each ring, %2 in all: more than the %3 "
                                        "wallmatch shows")
                             .arg(n)
                             .arg(2 * qint64(n))
                             .arg(maxShownCorners)});
        return problems;
    }

    int upsideDown = 0;
    int offHorizon = 0;
    for (int i = 0; i < n; ++i) {
        const QPointF c = rings.ceiling.at(i);
        const QPointF f = rings.floor.at(i);
        const int cl = rings.ceilingLines.value(i);
        const int fl = rings.floorLines.value(i);
        // Each end inside the image; "ceiling" or "floor" names it.
        const auto checkInside = [&](QPointF p, int line, const QString &end) {
            if (p.x() < 0 || p.x() > w || p.y() < 0 || p.y() > h)
                problems.append({fileName, line,
                                 QStringLiteral("corner %1: %2 %3 lies outside the %4 image")
                                     .arg(i)
                                     .arg(end, pixelText(p), size)});
        };
        // The camera looks at the horizon, so every ceiling corner lies above the image's middle
        // row and every floor corner below it.
        const auto checkSide = [&](QPointF p, int line, const QString &end, bool above) {
            if (above ? p.y() < h / 2 : p.y() > h / 2)
                return;
            ++offHorizon;
            problems.append(
                {fileName, line,
                 QStringLiteral("corner %1: the %2 corner (v %3) is not %4 the horizon "
                                "(v %5)")
                     .arg(i)
                     .arg(end, num(p.y()),
                          above ? QStringLiteral("above") : QStringLiteral("below"), num(h / 2))});
        };
        const QString ceilingEnd = QStringLiteral("ceiling");
        const QString floorEnd = QStringLiteral("floor");
        checkInside(c, cl, ceilingEnd);
        checkInside(f, fl, floorEnd);
        if (c.y() >= f.y()) {
            ++upsideDown;
            problems.append({fileName, cl,
                             QStringLiteral("corner %1: the ceiling corner (v %2) is not above "
                                            "its floor corner on line %3 (v %4)")
                                 .arg(i)
                                 .arg(num(c.y()))
                                 .arg(fl)
                                 .arg(num(f.y()))});
        }
        checkSide(c, cl, ceilingEnd, true);
        checkSide(f, fl, floorEnd, false);
        const double du = wrappedColumnDistance(c.x(), f.x(), w);
        if (du > uTolerance)
            problems.append({fileName, cl,
                             QStringLiteral("corner %1: ceiling u %2 and floor u %3 (line %4) "
                                            "differ by %5 pixels, more than %6")
                                 .arg(i)
                                 .arg(num(c.x()), num(f.x()))
                                 .arg(fl)
                                 .arg(num(du), num(uTolerance))});
    }
    if (n > 1 && upsideDown == n)
        problems.append({fileName, 0,
                         QStringLiteral("every ceiling corner lies below its floor corner: are "
                                        "ceiling and floor swapped?")});
    else if (offHorizon > 0)
        problems.append({fileName, 0,
                         QStringLiteral("%1 corners lie on the wrong side of the horizon: were "
                                        "they measured on an image of another size than %2?")
                             .arg(offHorizon)
                             .arg(size)});
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem &a, const Problem &b) { return a.line < b.line; });
    return problems;
}

CornerRings scaledRings(const CornerRings &rings, QSizeF image)
{
    CornerRings scaled = rings;
    scaled.image = image;
    const double sx = image.width() / rings.image.width();
    const double sy = image.height() / rings.image.height();
    for (QVector<QPointF> *ring : {&scaled.ceiling, &scaled.floor}) {
        for (QPointF &p : *ring)
            p = QPointF(p.x() * sx, p.y() * sy);
    }
    return scaled;
}

QString cornerFileText(const CornerRings &rings)
{
    QVector<CornerEntry> entries;
    for (const QVector<QPointF> *ring : {&rings.ceiling, &rings.floor}) {
        for (const QPointF &p : *ring) {
            Direction d = pixelToDirection(p, rings.image);
            // Rounding leaves 6e-17 where the direction is 0, which reads badly in the file.
            for (double *c : {&d.x, &d.y, &d.z})
                *c = std::fabs(*c) < 1e-12 ? 0.0 : *c;
            entries.append({p, cornerPointOf(d)});
        }
    }
    return QString::fromLatin1(cornerFileText(entries));
}

} // namespace wallmatch
