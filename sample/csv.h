#ifndef CSV_H
#define CSV_H

#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

// One record; line is the 1-based line on which it starts.
struct CsvRow
{
    int line = 0;
    QStringList fields;
};

// error empty: every row was read.
struct CsvTable
{
    QVector<CsvRow> rows;
    QString error;
    int errorLine = 0;
};

// Comma-separated values: "quoted" fields, "" inside quotes, LF or CRLF line ends, line breaks
// inside quotes.
CsvTable parseCsv(const QString &text);

} // namespace wallmatch

#endif // CSV_H
