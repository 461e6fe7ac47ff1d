#ifndef TIMECHART_H
#define TIMECHART_H

#include "resultsfile.h"
#include "truthfile.h"

#include <QChart>
#include <QImage>
#include <QSize>
#include <QVector>

namespace wallmatch {

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
using QtCharts::QChart;
#endif

// Draws `chart`, which it takes over, into an image of `size` on white. Needs a QApplication.
QImage renderChart(QChart *chart, QSize size);

// A scatter chart of the time of every run answer against its sample, correct, wrong and
// unjudged answers in their own colours. Needs a QApplication (any platform, offscreen will do).
QImage renderTimeChart(const QVector<ResultsFile> &files, const TruthFile *truth,
                       QSize size = {1200, 700});

} // namespace wallmatch

#endif // TIMECHART_H
