#ifndef SVGCHART_H
#define SVGCHART_H

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>
#include <utility>

namespace wallmatch {

// Charts as standalone SVG documents: text that any browser shows sharp at any size, and the one
// drawing behind the PNG of --plot too (renderSvg), so every chart is drawn once.

// The colour of the `index`-th source, in the order of the sources: the Okabe–Ito palette, whose
// eight colours stay apart for the common kinds of colour blindness; past eight it repeats, and
// the marker shape (markerShape) tells those apart.
QColor seriesColour(int index);
// The colour of `source` among `sources` (the study's order); grey for a source not among them.
QColor sourceColour(const QStringList &sources, const QString &source);

// The marker drawn for the `index`-th series: circle, square, triangle, diamond, downward
// triangle, plus, cross, star; past eight the shapes shift against the colours so that no two of
// the first 64 series share both.
enum class Marker { Circle, Square, Triangle, Diamond, TriangleDown, Plus, Cross, Star };
Marker markerShape(int index);
// An SVG element drawing `marker` centred on (x, y) with half-size `r`.
QString svgMarker(Marker marker, double x, double y, double r, const QColor &colour,
                  const QString &extra = QString());

struct BoxGroup
{
    QString label;
    QColor colour;
    QVector<double> values;
    int marker = -1; // the series' marker under its label; none when negative
};

// Box per group: quartiles, the median as a line, whiskers to the smallest and largest value,
// the count under the label. Groups without values are labelled "no data". `note`, when given,
// is written under the chart, wrapped to its width.
QString svgBoxPlot(const QVector<BoxGroup> &groups, const QString &title, const QString &axis,
                   QSize size = {520, 360}, const QString &note = QString());

struct Proportion
{
    QString label;
    QColor colour;
    int successes = 0;
    int trials = 0;
    int marker = -1;
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
    int marker = 0; // index for markerShape
};

// Points per series with a legend; the y axis is logarithmic when `logY` (all y > 0).
QString svgScatter(const QVector<PointSeries> &series, const QString &title, const QString &xAxis,
                   const QString &yAxis, bool logY, QSize size = {900, 360});

// One line per subject (a participant) across the categories (the sources), each point in its
// category's colour and marker; values may be missing. The y axis is logarithmic when `logY`,
// and runs from 0 to 1 as a share when `share`.
struct SubjectLine
{
    QString label;
    QVector<std::optional<double>> values; // one per category
};
QString svgSubjectLines(const QVector<SubjectLine> &lines, const QStringList &categories,
                        const QString &title, const QString &yAxis, bool logY, bool share,
                        QSize size = {520, 360});

// A grid of rows (samples) by columns (sources), each cell shaded by its share and labelled
// "correct/judged"; cells without judged answers are left blank.
struct GridCell
{
    int successes = 0;
    int trials = 0;
};
QString svgShareGrid(const QStringList &rows, const QStringList &columns,
                     const QVector<QVector<GridCell>> &cells, const QString &title);

// Text made safe inside XML and HTML elements and attribute values.
QString xmlEscaped(const QString &text);

// The SVG document drawn into an image of its own size on white, with Qt SVG. Needs a
// QGuiApplication (offscreen will do); a null image when the document is not valid.
QImage renderSvg(const QString &svg);

} // namespace wallmatch

#endif // SVGCHART_H
