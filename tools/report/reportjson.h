#ifndef REPORTJSON_H
#define REPORTJSON_H

#include "resultsfile.h"
#include "truthfile.h"

#include <QByteArray>
#include <QVector>

namespace wallmatch {

// Every figure of the report by source as JSON: "sources" (answers, judged, correct, median and
// 90th percentile seconds per source), "participants" (the same per participant and source)
// and "comparisons" (one row per test: measure, test, sources, participants, statistic, p and,
// for the pairs among three or more sources, p_holm). Counts of judged answers and correct
// ones are null without a truth file, times null without any.
QByteArray reportJson(const QVector<ResultsFile> &files, const TruthFile *truth);

} // namespace wallmatch

#endif // REPORTJSON_H
