#include "csv.h"

namespace wallmatch {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

CsvTable parseCsv(const QString &text)
{
    CsvTable table;
    const int size = text.size();
    int i = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    int line = 1;
    while (i < size) {
        CsvRow row;
        row.line = line;
        bool rowDone = false;
        while (!rowDone) {
            // One field, starting at i.
            int start = i;
            while (i < size && isBlank(text.at(i)))
                ++i;
            QString field;
            if (i < size && text.at(i) == QLatin1Char('"')) {
                const int quoteLine = line;
                ++i;
                bool closed = false;
                while (i < size) {
                    const QChar c = text.at(i++);
                    if (c == QLatin1Char('"')) {
                        if (i < size && text.at(i) == QLatin1Char('"')) {
                            field += c;
                            ++i;
                            continue;
                        }
                        closed = true;
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                }
                if (!closed) {
                    table.error = QStringLiteral("unbalanced quotes: a quoted field is not closed");
                    table.errorLine = quoteLine;
                    return table;
                }
                while (i < size && isBlank(text.at(i)))
                    ++i;
                if (i < size && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\n')
                    && !(text.at(i) == QLatin1Char('\r') && i + 1 < size
                         && text.at(i + 1) == QLatin1Char('\n'))) {
                    table.error = QStringLiteral("text after the closing quote of a field");
                    table.errorLine = line;
                    return table;
                }
            } else {
                i = start;
                while (i < size && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\n')
                       && !(text.at(i) == QLatin1Char('\r') && i + 1 < size
                            && text.at(i + 1) == QLatin1Char('\n'))) {
                    if (text.at(i) == QLatin1Char('"')) {
                        table.error = QStringLiteral("a quote inside an unquoted field; quote "
                                                     "the whole field and double the quote");
                        table.errorLine = line;
                        return table;
                    }
                    ++i;
                }
                field = text.mid(start, i - start);
            }
            row.fields.append(field);
            // What ends the field: a comma, a line break or the end of the text.
            if (i < size && text.at(i) == QLatin1Char(',')) {
                ++i;
                continue;
            }
            if (i < size && text.at(i) == QLatin1Char('\r'))
                ++i;
            if (i < size && text.at(i) == QLatin1Char('\n')) {
                ++i;
                ++line;
            }
            rowDone = true;
        }
        table.rows.append(row);
    }
    return table;
}

QString csvField(const QString &text, QChar separator)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    const bool formula = !text.isEmpty() && formulaStarts.contains(text.at(0));
    if (!formula && !text.contains(separator) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = formula ? QLatin1Char('\'') + text : text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace wallmatch
