#ifndef SOURCECHART_H
#define SOURCECHART_H

#include "resultsfile.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QVector>

namespace wallmatch {

// The colour of a source's box: Kestrel blue, Bramble orange, any other grey.
QColor sourceColour(const QString &source);

// A box plot of the run answers' times, one box per source (quartiles, the median as a line,
// whiskers to the shortest and longest time). Needs a QApplication (offscreen will do).
QImage renderSourceChart(const QVector<ResultsFile> &files, QSize size = {600, 700});

// `chart` with the source chart of the same height to its right.
QImage withSourceChart(const QImage &chart, const QVector<ResultsFile> &files);

} // namespace wallmatch

#endif // SOURCECHART_H
