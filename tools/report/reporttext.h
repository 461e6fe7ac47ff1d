#ifndef REPORTTEXT_H
#define REPORTTEXT_H

#include "csv.h"
#include "resultsfile.h"
#include "statistics.h"
#include "truthfile.h"

#include <QString>
#include <QVector>

namespace wallmatch {

// The printed report: one block per file (subject), one for all files, and with a truth table
// the share of correct matches per sample.
QString summaryText(const QVector<ResultsFile> &files, const TruthFile *truth);

// One row per answer, past the end included, under the header
// file,sample,wall1,wall2,source,seconds,x1,y1,x2,y2,correct
// (seconds empty without a time; correct 1 or 0, empty where no truth covers the sample).
QString answersCsv(const QVector<ResultsFile> &files, const TruthFile *truth);

// "; of them N on uncertain truth (M correct)": judged answers whose rows are all uncertain.
QString uncertainText(const Accuracy &a);

// How a share is written: the printed report's "60.0%" (and "-" of nothing), or the HTML page's
// "60.0 %" (and "–").
enum class ShareStyle { Text, Html };

QString shareText(int part, int whole, ShareStyle style);

// "3 of 5 (60.0%)", and the answers judged on uncertain truth among them.
QString correctText(const Accuracy &a, ShareStyle style);

} // namespace wallmatch

#endif // REPORTTEXT_H
