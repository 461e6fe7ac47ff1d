#ifndef RESULTLINE_H
#define RESULTLINE_H

#include <QPoint>
#include <QString>

#include <optional>

namespace wallmatch {

// One answer of a results file:
// "ind %d: Wall %d <==> Wall %d (%s) Time: %s Mouse: %d %d <==> %d %d"
struct ResultAnswer
{
    int line = 0;
    int sample = 0;
    int wall1 = 0;
    int wall2 = 0;
    QString source;
    std::optional<qint64> milliseconds; // none when the answer came before the first time display
    QPoint mouse1;
    QPoint mouse2;
    bool pastEnd = false; // the sample was answered before in the same file: the run had ended
};

struct ParsedLine
{
    std::optional<ResultAnswer> answer;
    QString error; // why there is no answer
};

// A case time "m:ss.zzz"; minutes may exceed 59 (they are not wrapped at the hour).
std::optional<qint64> parseCaseTime(const QString &text);

// Parses one line without its line feed (a trailing carriage return is allowed).
ParsedLine parseResultLine(const QString &line);

} // namespace wallmatch

#endif // RESULTLINE_H
