#ifndef SESSIONFILES_H
#define SESSIONFILES_H

#include "resultsfile.h"

#include <QStringList>
#include <QVector>

namespace wallmatch {

// A participant's answers can lie in more than one file. A fallback file (results_P01-DATE.txt),
// written where results_P01.txt could not be, holds the answers before it and goes on; a file
// kept aside by --restart holds a session of its own.
//
// Of a results file and its dated files, any whose answers are all, in order, the first answers
// of another of them is left out, so that each answer counts once; a note says so. Where a
// participant still has several files, they are sessions of their own: all are counted, and a
// note names them. Files are otherwise kept in their order.
// Whether every answer of `part` is, at the same place, an answer of `whole`.
bool beginsWith(const ResultsFile &whole, const ResultsFile &part);

QVector<ResultsFile> countedOnce(const QVector<ResultsFile> &files, QStringList *notes);

} // namespace wallmatch

#endif // SESSIONFILES_H
