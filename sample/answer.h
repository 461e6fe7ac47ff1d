#ifndef ANSWER_H
#define ANSWER_H

#include <QDebug>
#include <QPoint>
#include <QString>
#include <optional>

namespace wallmatch {

// One accepted answer, as a result line records it.
struct Answer
{
    int sampleId = 0;
    int wall1 = -1;
    int wall2 = -1;
    QString source;
    std::optional<qint64> milliseconds;
    QPoint click1;
    QPoint click2;
};
bool operator==(const Answer &, const Answer &);
QDebug operator<<(QDebug, const Answer &);

QString formatCaseTime(qint64 milliseconds);
std::optional<qint64> parseCaseTime(const QString &);
QString resultLine(const Answer &);
QString logLine(const Answer &, int caseNumber);
struct ParsedLine
{
    std::optional<Answer> answer;
    QString error;
};
// One line without its LF (a trailing CR allowed).
ParsedLine parseResultLine(const QString &line);

} // namespace wallmatch

#endif // ANSWER_H
