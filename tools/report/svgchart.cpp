#include "svgchart.h"

#include "statistics.h"

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

// Plot area margins: room for the title, the axis labels and the group labels.
constexpr int left = 64, right = 20, top = 36, bottom = 56;

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

QString header(QSize size, const QString &title)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                          "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" font-size=\"12\">\n"
                          "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
                          "<text x=\"%3\" y=\"22\" text-anchor=\"middle\" font-size=\"15\" "
                          "font-weight=\"bold\">%4</text>\n")
        .arg(size.width())
        .arg(size.height())
        .arg(size.width() / 2)
        .arg(xmlEscaped(title));
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
        svg += QStringLiteral("<text transform=\"translate(16 %1) rotate(-90)\" "
                              "text-anchor=\"middle\">%2</text>\n")
                   .arg(num((plotTop + plotBottom) / 2))
                   .arg(xmlEscaped(label));
        return svg;
    }
};

} // namespace

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
                   QSize size)
{
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
    ax.plotBottom = size.height() - bottom;
    const int x0 = left, x1 = size.width() - right;
    svg += ax.draw(x0, x1, axis);
    const double slot = groups.isEmpty() ? 0 : double(x1 - x0) / groups.size();
    for (int i = 0; i < groups.size(); ++i) {
        const BoxGroup &g = groups.at(i);
        const double cx = x0 + slot * (i + 0.5), half = std::min(60.0, slot * 0.3);
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>"
                              "<text x=\"%1\" y=\"%4\" text-anchor=\"middle\" fill=\"#555\">"
                              "%5</text>\n")
                   .arg(num(cx))
                   .arg(size.height() - bottom + 18)
                   .arg(xmlEscaped(g.label))
                   .arg(size.height() - bottom + 34)
                   .arg(g.values.isEmpty() ? QStringLiteral("no data")
                                           : QStringLiteral("n = %1").arg(g.values.size()));
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
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" "
                              "fill-opacity=\"0.6\" stroke=\"#333\"/>"
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
    return svg + QStringLiteral("</svg>\n");
}

QString svgProportions(const QVector<Proportion> &groups, const QString &title, QSize size)
{
    QString svg = header(size, title);
    ValueAxis ax;
    ax.plotBottom = size.height() - bottom;
    const int x0 = left, x1 = size.width() - right;
    svg += ax.draw(x0, x1, QStringLiteral("share correct (95 % interval)"));
    const double slot = groups.isEmpty() ? 0 : double(x1 - x0) / groups.size();
    for (int i = 0; i < groups.size(); ++i) {
        const Proportion &g = groups.at(i);
        const double cx = x0 + slot * (i + 0.5), half = std::min(50.0, slot * 0.3);
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>"
                              "<text x=\"%1\" y=\"%4\" text-anchor=\"middle\" fill=\"#555\">"
                              "%5 of %6</text>\n")
                   .arg(num(cx))
                   .arg(size.height() - bottom + 18)
                   .arg(xmlEscaped(g.label))
                   .arg(size.height() - bottom + 34)
                   .arg(g.successes)
                   .arg(g.trials);
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
    ValueAxis ax;
    ax.log = logY;
    if (logY) {
        ax.low = any ? std::pow(10, std::floor(std::log10(yLow))) : 1;
        ax.high = any ? std::pow(10, std::ceil(std::log10(yHigh * 1.0001))) : 10;
    } else {
        ax.low = 0;
        ax.high = any && yHigh > 0 ? yHigh * 1.05 : 1;
    }
    ax.plotBottom = size.height() - bottom;
    const int x0 = left, x1 = size.width() - right - 110; // room for the legend
    svg += ax.draw(x0, x1, yAxis);
    const auto x = [&](double v) { return x0 + (v - xLow) / (xHigh - xLow) * (x1 - x0); };
    for (const double v : ticks(xLow, xHigh, 8)) {
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
                   .arg(num(x(v)))
                   .arg(size.height() - bottom + 16)
                   .arg(tickLabel(v));
    }
    svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
               .arg((x0 + x1) / 2)
               .arg(size.height() - 14)
               .arg(xmlEscaped(xAxis));
    for (int i = 0; i < series.size(); ++i) {
        const PointSeries &s = series.at(i);
        svg += QStringLiteral("<g fill=\"%1\" fill-opacity=\"0.7\">").arg(s.colour.name());
        for (const QPointF &p : s.points) {
            if (logY && p.y() <= 0)
                continue;
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"3\"/>")
                       .arg(num(x(p.x())))
                       .arg(num(ax.y(p.y())));
        }
        svg += QStringLiteral("</g>\n<circle cx=\"%1\" cy=\"%2\" r=\"5\" fill=\"%3\"/>"
                              "<text x=\"%4\" y=\"%5\">%6</text>\n")
                   .arg(x1 + 20)
                   .arg(top + 10 + 20 * i)
                   .arg(s.colour.name())
                   .arg(x1 + 30)
                   .arg(top + 14 + 20 * i)
                   .arg(xmlEscaped(s.label));
    }
    return svg + QStringLiteral("</svg>\n");
}

} // namespace wallmatch
