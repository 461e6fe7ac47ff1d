#ifndef SOURCECHART_H
#define SOURCECHART_H

#include "resultsfile.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

namespace wallmatch {

// A box plot of the run answers' times, one box per source in the study's order and colours
// (quartiles, the median as a line, whiskers to the shortest and longest time), as SVG.
QString sourceChartSvg(const QVector<ResultsFile> &files, QSize size = {600, 700});

// The same chart drawn into an image. Needs a QGuiApplication (offscreen will do).
QImage renderSourceChart(const QVector<ResultsFile> &files, QSize size = {600, 700});

// `chart` with the source chart of the same height to its right.
QImage withSourceChart(const QImage &chart, const QVector<ResultsFile> &files);

} // namespace wallmatch

#endif // SOURCECHART_H
