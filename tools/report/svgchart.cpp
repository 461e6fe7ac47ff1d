#include "svgchart.h"

#include "statistics.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

// Plot area margins: room for the title, the axis labels and the group labels.
constexpr int left = 64, right = 20, top = 36, bottom = 56;

// The widest a character of the charts' sans-serif font is on average, as a share of its size;
// a little more than DejaVu Sans and Liberation Sans need, so an estimate never falls short.
constexpr double charWidth = 0.62;

QString num(double v)
{
    return QString::number(v, 'f', 1);
}

// Round tick values covering [low, high], about `count` of them.
QVector<double> ticks(double low, double high, int count = 5)
{
    if (!(high > low))
        high = low + 1;
    const double raw = (high - low) / count;
    const double magnitude = std::pow(10, std::floor(std::log10(raw)));
    double step = magnitude;
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * magnitude;
        if (step >= raw)
            break;
    }
    QVector<double> values;
    for (double v = std::ceil(low / step) * step; v <= high + step * 1e-9; v += step)
        values.append(std::abs(v) < step * 1e-9 ? 0.0 : v);
    return values;
}

QString tickLabel(double v)
{
    return QString::number(v, 'g', 4);
}

double textWidth(const QString &text, double fontSize)
{
    return text.size() * fontSize * charWidth;
}

// A <text> element that fits in `width`: its font made smaller down to 9 px, then the text
// shortened with an ellipsis (the whole text stays in its tooltip).
QString fittedText(const QString &text, double x, double y, double width, double fontSize,
                   const QString &attributes = QStringLiteral("text-anchor=\"middle\""))
{
    double size = fontSize;
    while (size > 9 && textWidth(text, size) > width)
        size -= 0.5;
    QString shown = text;
    if (textWidth(shown, size) > width) {
        const int keep = std::max(1, int(width / (size * charWidth)) - 1);
        shown = text.left(keep) + QStringLiteral("…");
    }
    // A shortened text keeps the whole one as a tooltip on a group around it: Qt SVG would draw a
    // <title> inside the <text> as text.
    const QString element =
        QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"%3\" %4>%5</text>")
            .arg(num(x), num(y), QString::number(size), attributes, xmlEscaped(shown));
    return shown == text
        ? element
        : QStringLiteral("<g><title>%1</title>%2</g>").arg(xmlEscaped(text), element);
}

// `text` broken at spaces into lines of at most `width` at `fontSize`.
QStringList wrapped(const QString &text, double width, double fontSize)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && textWidth(longer, fontSize) > width) {
            lines.append(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

QString header(QSize size, const QString &title)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                          "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" font-size=\"12\">\n"
                          "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n")
               .arg(size.width())
               .arg(size.height())
        + fittedText(title, size.width() / 2.0, 22, size.width() - 16, 15,
                     QStringLiteral("text-anchor=\"middle\" font-weight=\"bold\""))
        + QLatin1Char('\n');
}

// Horizontal grid lines and labels of a value axis mapping [low, high] onto the plot height.
struct ValueAxis
{
    double low = 0, high = 1;
    bool log = false;
    double plotTop = top, plotBottom = 0;

    double y(double v) const
    {
        const double a = log ? std::log10(v) : v, l = log ? std::log10(low) : low,
                     h = log ? std::log10(high) : high;
        return plotBottom - (a - l) / (h - l) * (plotBottom - plotTop);
    }

    QString draw(int x0, int x1, const QString &label) const
    {
        QString svg;
        QVector<double> values;
        if (log) {
            for (double decade = std::pow(10, std::floor(std::log10(low))); decade <= high;
                 decade *= 10) {
                for (const double m : {1.0, 2.0, 5.0}) {
                    if (decade * m >= low && decade * m <= high)
                        values.append(decade * m);
                }
            }
        } else {
            values = ticks(low, high);
        }
        for (const double v : values) {
            svg += QStringLiteral("<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" stroke=\"#ddd\"/>"
                                  "<text x=\"%4\" y=\"%5\" text-anchor=\"end\">%6</text>\n")
                       .arg(x0)
                       .arg(x1)
                       .arg(num(y(v)))
                       .arg(x0 - 6)
                       .arg(num(y(v) + 4))
                       .arg(tickLabel(v));
        }
        svg += QStringLiteral("<g transform=\"translate(16 %1) rotate(-90)\">%2</g>\n")
                   .arg(num((plotTop + plotBottom) / 2))
                   .arg(fittedText(label, 0, 0, plotBottom - plotTop, 12));
        return svg;
    }
};

// The key under a group's label: its marker, so the colour is not the only thing telling the
// groups apart.
QString groupKey(int marker, const QColor &colour, double cx, double y)
{
    return marker < 0 ? QString() : svgMarker(markerShape(marker), cx, y, 5, colour) + '\n';
}

} // namespace

QColor seriesColour(int index)
{
    // Okabe & Ito (2008), blue and orange first as the two built-in sources always had.
    static const QColor palette[] = {QColor(0x00, 0x72, 0xb2), QColor(0xe6, 0x9f, 0x00),
                                     QColor(0x00, 0x9e, 0x73), QColor(0xcc, 0x79, 0xa7),
                                     QColor(0x56, 0xb4, 0xe9), QColor(0xd5, 0x5e, 0x00),
                                     QColor(0xf0, 0xe4, 0x42), QColor(0x00, 0x00, 0x00)};
    return palette[std::abs(index) % 8];
}

QColor sourceColour(const QStringList &sources, const QString &source)
{
    const int index = int(sources.indexOf(source));
    return index < 0 ? QColor(0x90, 0x90, 0x90) : seriesColour(index);
}

Marker markerShape(int index)
{
    index = std::abs(index);
    return Marker((index + index / 8) % 8);
}

QString svgMarker(Marker marker, double x, double y, double r, const QColor &colour,
                  const QString &extra)
{
    // A dark outline keeps the light colours (yellow, sky blue) visible on white.
    const QString paint = QStringLiteral("fill=\"%1\" stroke=\"#222\" stroke-width=\"0.8\" %2")
                              .arg(colour.name(), extra);
    const auto polygon = [&](std::initializer_list<QPointF> points) {
        QStringList p;
        for (const QPointF &q : points)
            p << num(x + q.x() * r) + QLatin1Char(',') + num(y + q.y() * r);
        return QStringLiteral("<polygon points=\"%1\" %2/>").arg(p.join(QLatin1Char(' ')), paint);
    };
    switch (marker) {
    case Marker::Circle:
        return QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" %4/>")
            .arg(num(x), num(y), num(r), paint);
    case Marker::Square:
        return polygon({{-0.85, -0.85}, {0.85, -0.85}, {0.85, 0.85}, {-0.85, 0.85}});
    case Marker::Triangle:
        return polygon({{0, -1.1}, {1, 0.8}, {-1, 0.8}});
    case Marker::Diamond:
        return polygon({{0, -1.15}, {1.15, 0}, {0, 1.15}, {-1.15, 0}});
    case Marker::TriangleDown:
        return polygon({{0, 1.1}, {1, -0.8}, {-1, -0.8}});
    case Marker::Plus:
        return polygon({{-0.35, -1},
                        {0.35, -1},
                        {0.35, -0.35},
                        {1, -0.35},
                        {1, 0.35},
                        {0.35, 0.35},
                        {0.35, 1},
                        {-0.35, 1},
                        {-0.35, 0.35},
                        {-1, 0.35},
                        {-1, -0.35},
                        {-0.35, -0.35}});
    case Marker::Cross:
        return polygon({{-1, -0.6},
                        {-0.6, -1},
                        {0, -0.4},
                        {0.6, -1},
                        {1, -0.6},
                        {0.4, 0},
                        {1, 0.6},
                        {0.6, 1},
                        {0, 0.4},
                        {-0.6, 1},
                        {-1, 0.6},
                        {-0.4, 0}});
    case Marker::Star:
        return polygon({{0, -1.2},
                        {0.28, -0.38},
                        {1.14, -0.37},
                        {0.45, 0.15},
                        {0.71, 0.97},
                        {0, 0.47},
                        {-0.71, 0.97},
                        {-0.45, 0.15},
                        {-1.14, -0.37},
                        {-0.28, -0.38}});
    }
    return QString();
}

QString xmlEscaped(const QString &text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return escaped;
}

std::pair<double, double> wilsonInterval(int successes, int trials, double z)
{
    if (trials <= 0)
        return {0.0, 1.0};
    const double n = trials, p = successes / n, z2 = z * z;
    const double centre = (p + z2 / (2 * n)) / (1 + z2 / n);
    const double half = z * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / (1 + z2 / n);
    return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

QString svgBoxPlot(const QVector<BoxGroup> &groups, const QString &title, const QString &axis,
                   QSize size, const QString &note)
{
    const QStringList noteLines = wrapped(note, size.width() - 16, 11);
    const int below = bottom + (groups.isEmpty() || groups.first().marker < 0 ? 0 : 14)
        + 15 * int(noteLines.size());
    QString svg = header(size, title);
    double low = 0, high = 0;
    bool any = false;
    for (const BoxGroup &g : groups) {
        for (const double v : g.values) {
            high = any ? std::max(high, v) : v;
            any = true;
        }
    }
    ValueAxis ax;
    ax.low = low;
    ax.high = any && high > 0 ? high * 1.05 : 1;
    ax.plotBottom = size.height() - below;
    const int x0 = left, x1 = size.width() - right;
    svg += ax.draw(x0, x1, axis);
    const double slot = groups.isEmpty() ? 0 : double(x1 - x0) / groups.size();
    for (int i = 0; i < groups.size(); ++i) {
        const BoxGroup &g = groups.at(i);
        const double cx = x0 + slot * (i + 0.5), half = std::min(60.0, slot * 0.3);
        svg += fittedText(g.label, cx, ax.plotBottom + 18, slot - 4, 12)
            + fittedText(g.values.isEmpty() ? QStringLiteral("no data")
                                            : QStringLiteral("n = %1").arg(g.values.size()),
                         cx, ax.plotBottom + 34, slot - 4, 12,
                         QStringLiteral("text-anchor=\"middle\" fill=\"#555\""))
            + QLatin1Char('\n') + groupKey(g.marker, g.colour, cx, ax.plotBottom + 46);
        if (g.values.isEmpty())
            continue;
        QVector<double> v = g.values;
        std::sort(v.begin(), v.end());
        const double q1 = percentile(v, 0.25), med = percentile(v, 0.5), q3 = percentile(v, 0.75);
        const QString colour = g.colour.name();
        svg += QStringLiteral("<line x1=\"%1\" x2=\"%1\" y1=\"%2\" y2=\"%3\" stroke=\"#333\"/>"
                              "<line x1=\"%1\" x2=\"%1\" y1=\"%4\" y2=\"%5\" stroke=\"#333\"/>\n")
                   .arg(num(cx))
                   .arg(num(ax.y(v.first())))
                   .arg(num(ax.y(q1)))
                   .arg(num(ax.y(q3)))
                   .arg(num(ax.y(v.last())));
        // The box in its full colour, the median over a white edge that shows on dark ones.
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" "
                              "stroke=\"#333\"/>"
                              "<line x1=\"%1\" x2=\"%6\" y1=\"%7\" y2=\"%7\" stroke=\"white\" "
                              "stroke-width=\"4\"/>"
                              "<line x1=\"%1\" x2=\"%6\" y1=\"%7\" y2=\"%7\" stroke=\"#000\" "
                              "stroke-width=\"2\"><title>median %8</title></line>\n")
                   .arg(num(cx - half))
                   .arg(num(ax.y(q3)))
                   .arg(num(2 * half))
                   .arg(num(std::max(1.0, ax.y(q1) - ax.y(q3))))
                   .arg(colour)
                   .arg(num(cx + half))
                   .arg(num(ax.y(med)))
                   .arg(tickLabel(med));
    }
    for (int i = 0; i < noteLines.size(); ++i)
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" font-size=\"11\" "
                              "fill=\"#555\">%3</text>\n")
                   .arg(size.width() / 2)
                   .arg(size.height() - 15 * int(noteLines.size() - i) + 8)
                   .arg(xmlEscaped(noteLines.at(i)));
    return svg + QStringLiteral("</svg>\n");
}

QString svgProportions(const QVector<Proportion> &groups, const QString &title, QSize size)
{
    QString svg = header(size, title);
    ValueAxis ax;
    ax.plotBottom =
        size.height() - bottom - (groups.isEmpty() || groups.first().marker < 0 ? 0 : 14);
    const int x0 = left, x1 = size.width() - right;
    svg += ax.draw(x0, x1, QStringLiteral("share correct (95 % interval)"));
    const double slot = groups.isEmpty() ? 0 : double(x1 - x0) / groups.size();
    for (int i = 0; i < groups.size(); ++i) {
        const Proportion &g = groups.at(i);
        const double cx = x0 + slot * (i + 0.5), half = std::min(50.0, slot * 0.3);
        svg += fittedText(g.label, cx, ax.plotBottom + 18, slot - 4, 12)
            + fittedText(QStringLiteral("%1 of %2").arg(g.successes).arg(g.trials), cx,
                         ax.plotBottom + 34, slot - 4, 12,
                         QStringLiteral("text-anchor=\"middle\" fill=\"#555\""))
            + QLatin1Char('\n') + groupKey(g.marker, g.colour, cx, ax.plotBottom + 46);
        if (g.trials <= 0)
            continue;
        const double share = double(g.successes) / g.trials;
        const auto [lo, hi] = wilsonInterval(g.successes, g.trials);
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" "
                              "fill-opacity=\"0.6\" stroke=\"#333\"><title>%6 %</title></rect>\n")
                   .arg(num(cx - half))
                   .arg(num(ax.y(share)))
                   .arg(num(2 * half))
                   .arg(num(ax.y(0) - ax.y(share)))
                   .arg(g.colour.name())
                   .arg(QString::number(100 * share, 'f', 1));
        svg += QStringLiteral("<path d=\"M%1 %2H%3M%4 %2V%5M%1 %5H%3\" stroke=\"#000\" "
                              "stroke-width=\"1.5\" fill=\"none\"/>\n")
                   .arg(num(cx - half / 3))
                   .arg(num(ax.y(lo)))
                   .arg(num(cx + half / 3))
                   .arg(num(cx))
                   .arg(num(ax.y(hi)));
    }
    return svg + QStringLiteral("</svg>\n");
}

QString svgScatter(const QVector<PointSeries> &series, const QString &title, const QString &xAxis,
                   const QString &yAxis, bool logY, QSize size)
{
    QString svg = header(size, title);
    double xLow = 0, xHigh = 1, yLow = 0, yHigh = 1;
    bool any = false;
    for (const PointSeries &s : series) {
        for (const QPointF &p : s.points) {
            if (logY && p.y() <= 0)
                continue;
            xLow = any ? std::min(xLow, p.x()) : p.x();
            xHigh = any ? std::max(xHigh, p.x()) : p.x();
            yLow = any ? std::min(yLow, p.y()) : p.y();
            yHigh = any ? std::max(yHigh, p.y()) : p.y();
            any = true;
        }
    }
    if (!any || xHigh <= xLow)
        xHigh = xLow + 1;
    // Half a marker's room beyond the first and last point, so none sits on the frame.
    const double xPad = (xHigh - xLow) * 0.02;
    xLow -= xPad;
    xHigh += xPad;
    ValueAxis ax;
    ax.log = logY;
    if (logY) {
        ax.low = any ? std::pow(10, std::floor(std::log10(yLow))) : 1;
        ax.high = any ? std::pow(10, std::ceil(std::log10(yHigh * 1.0001))) : 10;
    } else {
        ax.low = 0;
        ax.high = any && yHigh > 0 ? yHigh * 1.05 : 1;
    }
    // The legend in rows under the axis title, as many entries to a row as fit.
    const int entryWidth = 130, perRow = std::max(1, (size.width() - left - right) / entryWidth);
    const int legendRows = (int(series.size()) + perRow - 1) / perRow;
    ax.plotBottom = size.height() - bottom - 36 * legendRows;
    const int x0 = left, x1 = size.width() - right;
    svg += ax.draw(x0, x1, yAxis);
    const auto x = [&](double v) { return x0 + (v - xLow) / (xHigh - xLow) * (x1 - x0); };
    for (const double v : ticks(xLow + xPad, xHigh - xPad, 8)) {
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
                   .arg(num(x(v)))
                   .arg(num(ax.plotBottom + 16))
                   .arg(tickLabel(v));
    }
    svg += fittedText(xAxis, (x0 + x1) / 2.0, ax.plotBottom + 36, x1 - x0, 12) + '\n';
    for (int i = 0; i < series.size(); ++i) {
        const PointSeries &s = series.at(i);
        const Marker marker = markerShape(s.marker);
        svg += QStringLiteral("<g>");
        for (const QPointF &p : s.points) {
            if (logY && p.y() <= 0)
                continue;
            svg += svgMarker(marker, x(p.x()), ax.y(p.y()), 4, s.colour);
        }
        const int row = i / perRow, column = i % perRow;
        const double lx = x0 + column * entryWidth, ly = ax.plotBottom + 64 + 24 * row;
        svg += QStringLiteral("</g>\n") + svgMarker(marker, lx + 6, ly - 4, 5, s.colour)
            + fittedText(s.label, lx + 16, ly, entryWidth - 22, 12,
                         QStringLiteral("text-anchor=\"start\""))
            + '\n';
    }
    return svg + QStringLiteral("</svg>\n");
}

QString svgSubjectLines(const QVector<SubjectLine> &lines, const QStringList &categories,
                        const QString &title, const QString &yAxis, bool logY, bool share,
                        QSize size)
{
    QString svg = header(size, title);
    double low = 0, high = 0;
    bool any = false;
    for (const SubjectLine &l : lines) {
        for (const std::optional<double> &v : l.values) {
            if (!v || (logY && *v <= 0))
                continue;
            low = any ? std::min(low, *v) : *v;
            high = any ? std::max(high, *v) : *v;
            any = true;
        }
    }
    ValueAxis ax;
    ax.log = logY;
    if (share) {
        ax.low = 0;
        ax.high = 1;
    } else if (logY) {
        ax.low = any ? std::pow(10, std::floor(std::log10(low))) : 1;
        ax.high = any ? std::pow(10, std::ceil(std::log10(high * 1.0001))) : 10;
    } else {
        ax.low = 0;
        ax.high = any && high > 0 ? high * 1.05 : 1;
    }
    ax.plotBottom = size.height() - bottom;
    // The participants' names at the right end of their lines.
    const int names = lines.size() <= 12 ? 70 : 0;
    const int x0 = left, x1 = size.width() - right - names;
    svg += ax.draw(x0, x1, yAxis);
    const double slot = categories.isEmpty() ? 0 : double(x1 - x0) / categories.size();
    const auto cx = [&](int i) { return x0 + slot * (i + 0.5); };
    for (int i = 0; i < categories.size(); ++i)
        svg += fittedText(categories.at(i), cx(i), ax.plotBottom + 18, slot - 4, 12)
            + groupKey(i, seriesColour(i), cx(i), ax.plotBottom + 32);
    QVector<std::pair<double, QString>> ends;
    for (const SubjectLine &l : lines) {
        QStringList path;
        QString points;
        int last = -1;
        for (int i = 0; i < l.values.size() && i < categories.size(); ++i) {
            const std::optional<double> &v = l.values.at(i);
            if (!v || (logY && *v <= 0))
                continue;
            path << QStringLiteral("%1%2 %3")
                        .arg(path.isEmpty() ? QLatin1Char('M') : QLatin1Char('L'))
                        .arg(num(cx(i)), num(ax.y(*v)));
            points += svgMarker(markerShape(i), cx(i), ax.y(*v), 4.5, seriesColour(i),
                                QStringLiteral("fill-opacity=\"0.85\""));
            last = i;
        }
        if (last < 0)
            continue;
        svg += QStringLiteral("<g><title>%1</title><path d=\"%2\" stroke=\"#777\" "
                              "stroke-width=\"1.2\" fill=\"none\"/>%3</g>\n")
                   .arg(xmlEscaped(l.label), path.join(QLatin1Char(' ')), points);
        if (names > 0)
            ends.append({ax.y(*l.values.at(last)) + 4, l.label});
    }
    // Names at their lines' ends, moved apart where they would overlap (the lines' tooltips
    // name them too).
    std::sort(ends.begin(), ends.end(),
              [](const std::pair<double, QString> &a, const std::pair<double, QString> &b) {
                  return a.first < b.first;
              });
    double previous = -1e9;
    for (const auto &[y, label] : ends) {
        const double at = std::max(y, previous + 12);
        if (at > size.height() - 4)
            break;
        previous = at;
        svg += fittedText(label, x1 + 6, at, names - 6, 11,
                          QStringLiteral("text-anchor=\"start\" fill=\"#555\""))
            + '\n';
    }
    return svg + QStringLiteral("</svg>\n");
}

QString svgShareGrid(const QStringList &rows, const QStringList &columns,
                     const QVector<QVector<GridCell>> &cells, const QString &title)
{
    const int rowHeight = 18, labelWidth = 90, cellWidth = 90, head = 64;
    const QSize size(std::max(360, labelWidth + cellWidth * int(columns.size()) + 20),
                     head + rowHeight * int(rows.size()) + 36);
    QString svg = header(size, title);
    for (int c = 0; c < columns.size(); ++c) {
        const double cx = labelWidth + cellWidth * (c + 0.5);
        svg += fittedText(columns.at(c), cx, head - 18, cellWidth - 4, 12)
            + svgMarker(markerShape(c), cx, head - 8, 4.5, seriesColour(c)) + '\n';
    }
    for (int r = 0; r < rows.size(); ++r) {
        const int y = head + rowHeight * r;
        svg += fittedText(rows.at(r), labelWidth - 8, y + 13, labelWidth - 12, 11,
                          QStringLiteral("text-anchor=\"end\""));
        for (int c = 0; c < columns.size(); ++c) {
            const GridCell cell =
                r < cells.size() && c < cells.at(r).size() ? cells.at(r).at(c) : GridCell {};
            const int x = labelWidth + cellWidth * c;
            if (cell.trials <= 0) {
                svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                      "fill=\"none\" stroke=\"#eee\"/>")
                           .arg(x)
                           .arg(y)
                           .arg(cellWidth)
                           .arg(rowHeight);
                continue;
            }
            const double share = double(cell.successes) / cell.trials;
            // White to the palette's blue: lighter is worse, readable without hue.
            const QColor blue = seriesColour(0);
            const QColor fill(int(255 + (blue.red() - 255) * share),
                              int(255 + (blue.green() - 255) * share),
                              int(255 + (blue.blue() - 255) * share));
            svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                  "fill=\"%5\" stroke=\"white\"/><text x=\"%6\" y=\"%7\" "
                                  "text-anchor=\"middle\" font-size=\"11\" fill=\"%8\">%9/%10"
                                  "</text>")
                       .arg(x)
                       .arg(y)
                       .arg(cellWidth)
                       .arg(rowHeight)
                       .arg(fill.name())
                       .arg(x + cellWidth / 2)
                       .arg(y + 13)
                       .arg(share > 0.55 ? QStringLiteral("white") : QStringLiteral("black"))
                       .arg(cell.successes)
                       .arg(cell.trials);
        }
        svg += '\n';
    }
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" font-size=\"11\" "
                          "fill=\"#555\">correct/judged; darker: more correct</text>\n")
               .arg(size.width() / 2)
               .arg(size.height() - 12);
    return svg + QStringLiteral("</svg>\n");
}

QImage renderSvg(const QString &svg)
{
    QSvgRenderer renderer(svg.toUtf8());
    if (!renderer.isValid() || renderer.defaultSize().isEmpty())
        return QImage();
    QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer.render(&painter);
    painter.end();
    return image;
}

} // namespace wallmatch
