#ifndef RESULTSFILE_H
#define RESULTSFILE_H

#include "answer.h"
#include "problem.h"

#include <QVector>

#include <optional>

namespace wallmatch {

// One answer of a results file, with where it stands there.
struct ResultAnswer : Answer
{
    int line = 0;
    // The sample was answered with this source before in the same file: the run had ended.
    bool pastEnd = false;
};

// The answers of one results file, i.e. of one test subject.
struct ResultsFile
{
    QString name;
    QVector<ResultAnswer> answers; // in file order
    QVector<Problem> complaints; // every line that is not an answer
    int lineCount = 0;
    std::optional<Problem> unreadable; // the file could not be read at all

    // Answers given during the run, i.e. not past its end.
    QVector<ResultAnswer> runAnswers() const;
};

// Every line is either an answer or a complaint; nothing is skipped. A sample and source seen
// before in the same file mark an answer given after the run had ended.
ResultsFile parseResultsFile(const QString &name, const QByteArray &content);
ResultsFile readResultsFile(const QString &name);

} // namespace wallmatch

#endif // RESULTSFILE_H
