#include "csv.h"

namespace wallmatch {

CsvTable parseCsv(const QString &text)
{
    CsvTable table;
    CsvRow row;
    QString field;
    int line = 1;
    row.line = 1;
    bool quoted = false;
    bool fieldWasQuoted = false;
    bool rowHasContent = false;
    const int n = text.size();
    auto endRow = [&] {
        row.fields.append(field);
        table.rows.append(row);
        row = CsvRow();
        field.clear();
        fieldWasQuoted = false;
        rowHasContent = false;
    };
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field.append(c);
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field.append(c);
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (!field.isEmpty() || fieldWasQuoted) {
                table.error = QStringLiteral("a quote inside an unquoted field");
                table.errorLine = line;
                return table;
            }
            quoted = true;
            fieldWasQuoted = true;
            rowHasContent = true;
        } else if (c == QLatin1Char(',')) {
            row.fields.append(field);
            field.clear();
            fieldWasQuoted = false;
            rowHasContent = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
            }
            endRow();
            ++line;
            row.line = line;
        } else {
            if (fieldWasQuoted) {
                table.error = QStringLiteral("text after a closing quote");
                table.errorLine = line;
                return table;
            }
            field.append(c);
            rowHasContent = true;
        }
    }
    if (quoted) {
        table.error = QStringLiteral("a quoted field is not closed");
        table.errorLine = row.line;
        return table;
    }
    if (rowHasContent || !field.isEmpty())
        endRow();
    return table;
}

} // namespace wallmatch
