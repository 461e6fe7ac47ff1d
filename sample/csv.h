#ifndef CSV_H
#define CSV_H

#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

struct CsvRow
{
    int line = 0; // 1-based line where the row starts
    QStringList fields;
};

struct CsvTable
{
    QVector<CsvRow> rows;
    QString error; // empty: the whole text was read
    int errorLine = 0;
};

// Reads comma-separated values as RFC 4180 has them: fields separated by commas, rows by LF or
// CRLF, a field in double quotes may hold commas, line breaks and "" for a quote. Unquoted
// fields are kept as written (spaces included); blanks around a quoted field are dropped. A
// byte-order mark at the start is skipped, a final line break ends the last row, and an empty
// line is a row of one empty field. On an error, rows holds the rows before it.
CsvTable parseCsv(const QString &text);

// A text field as parseCsv reads it back: in double quotes, with a quote doubled, when it holds
// the separator, a quote, CR or LF. A field a spreadsheet would take for a formula (one beginning
// with =, +, -, @, tab or CR) gets a single quote before it and is quoted, so that it is shown
// as text. Numbers are written as they are, not through here.
QString csvField(const QString &text, QChar separator = QLatin1Char(','));

} // namespace wallmatch

#endif // CSV_H
