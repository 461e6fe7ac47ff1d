#ifndef TIMECHART_H
#define TIMECHART_H

#include "resultsfile.h"
#include "truthfile.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QVector>

namespace wallmatch {

// A scatter chart of the time of every run answer against its sample, as SVG: correct, wrong
// and unjudged answers in their own colours and marker shapes.
QString timeChartSvg(const QVector<ResultsFile> &files, const TruthFile *truth,
                     QSize size = {1200, 700});

// The same chart drawn into an image. Needs a QGuiApplication (offscreen will do).
QImage renderTimeChart(const QVector<ResultsFile> &files, const TruthFile *truth,
                       QSize size = {1200, 700});

} // namespace wallmatch

#endif // TIMECHART_H
