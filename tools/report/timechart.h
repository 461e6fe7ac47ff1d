#ifndef TIMECHART_H
#define TIMECHART_H

#include "resultsfile.h"
#include "truthtable.h"

#include <QImage>
#include <QSize>
#include <QVector>

namespace wallmatch {

// A scatter chart of the time of every run answer against its sample, correct, wrong and
// unjudged answers in their own colours. Needs a QApplication (any platform, offscreen will do).
QImage renderTimeChart(const QVector<ResultsFile> &files, const TruthTable *truth,
                       QSize size = {1200, 700});

} // namespace wallmatch

#endif // TIMECHART_H
