#ifndef DATEDNAME_H
#define DATEDNAME_H

#include <QDateTime>
#include <QString>

namespace wallmatch {

// The one naming of a participant's files kept aside or written as a fallback: the file's name
// with "-YYYYMMDD-HHMMSS" (from `time`) before its extension, and "-N" after it when `counter` > 1:
// "results_P01.txt" gives "results_P01-20260304-050607.txt", "results.txt"
// "results-20260304-050607.txt".
QString datedFileName(const QString &fileName, const QDateTime &time, int counter = 1);
// Whether `name` is one datedFileName gives for `fileName`.
bool isDatedFileOf(const QString &name, const QString &fileName);
// The file name a dated name was made from ("results_P01-20260304-050607.txt" gives
// "results_P01.txt"); any other name as it is. No directory.
QString undatedFileName(const QString &name);

} // namespace wallmatch

#endif // DATEDNAME_H
