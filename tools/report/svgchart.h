#ifndef SVGCHART_H
#define SVGCHART_H

#include <QColor>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QVector>

#include <utility>

namespace wallmatch {

// Charts as standalone SVG documents, for the HTML report: text that any browser shows sharp at
// any size, with no drawing library behind it.

struct BoxGroup
{
    QString label;
    QColor colour;
    QVector<double> values;
};

// Box per group: quartiles, the median as a line, whiskers to the smallest and largest value,
// the count under the label. Groups without values are labelled "no data".
QString svgBoxPlot(const QVector<BoxGroup> &groups, const QString &title, const QString &axis,
                   QSize size = {520, 360});

struct Proportion
{
    QString label;
    QColor colour;
    int successes = 0;
    int trials = 0;
};

// Wilson score interval of a proportion (z = 1.96 for 95 %); {0, 1} for no trials.
std::pair<double, double> wilsonInterval(int successes, int trials, double z = 1.96);

// A bar per group with its share and a 95 % Wilson interval as an error bar.
QString svgProportions(const QVector<Proportion> &groups, const QString &title,
                       QSize size = {520, 360});

struct PointSeries
{
    QString label;
    QColor colour;
    QVector<QPointF> points;
};

// Points per series with a legend; the y axis is logarithmic when `logY` (all y > 0).
QString svgScatter(const QVector<PointSeries> &series, const QString &title, const QString &xAxis,
                   const QString &yAxis, bool logY, QSize size = {900, 360});

// Text made safe inside XML and HTML elements and attribute values.
QString xmlEscaped(const QString &text);

} // namespace wallmatch

#endif // SVGCHART_H
