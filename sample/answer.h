#ifndef ANSWER_H
#define ANSWER_H

#include <QDebug>
#include <QPoint>
#include <QString>

#include <optional>

namespace wallmatch {

// One accepted answer of a test run: what the results file and the on-screen log record.
struct Answer
{
    int sampleId = 0; // the sample folder number ("ind %d")
    int wall1 = -1; // wall picked in the primary view
    int wall2 = -1; // wall picked in the secondary view
    QString source; // corner source name, e.g. "Kestrel"
    std::optional<qint64> milliseconds; // case time; none is written as an empty time
    QPoint click1; // click position in the primary view (image pixels)
    QPoint click2;
};

bool operator==(const Answer &, const Answer &);
inline bool operator!=(const Answer &a, const Answer &b)
{
    return !(a == b);
}
QDebug operator<<(QDebug, const Answer &);

// A case time as "m:ss.zzz". Minutes are not wrapped at the hour, so 61 min 5 s is "61:05.000".
QString formatCaseTime(qint64 milliseconds);
// The inverse of formatCaseTime; none for any other text.
std::optional<qint64> parseCaseTime(const QString &text);

// "ind %d: Wall %d <==> Wall %d (%s) Time: %s Mouse: %d %d <==> %d %d\n"
QString resultLine(const Answer &answer);
// "Sample %d: Wall %d <===> Wall %d (%s) Time: %s"; caseNumber counts the answers of the run.
QString logLine(const Answer &answer, int caseNumber);

struct ParsedLine
{
    std::optional<Answer> answer;
    QString error; // why there is no answer: "column N: ..." where a column can be named
};

// Parses one line of a results file without its line feed (a trailing carriage return is
// allowed).
ParsedLine parseResultLine(const QString &line);

} // namespace wallmatch

#endif // ANSWER_H
