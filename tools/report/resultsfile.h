#ifndef RESULTSFILE_H
#define RESULTSFILE_H

#include "complaint.h"
#include "resultline.h"

#include <QVector>

namespace wallmatch {

// The answers of one results file, i.e. of one test subject.
struct ResultsFile
{
    QString name;
    QVector<ResultAnswer> answers; // in file order
    QVector<Complaint> complaints; // every line that is not an answer
    int lineCount = 0;

    // Answers given during the run, i.e. not past its end.
    QVector<ResultAnswer> runAnswers() const;
};

// Every line is either an answer or a complaint; nothing is skipped. A sample id seen before
// in the same file marks an answer given after the run had ended.
ResultsFile parseResultsFile(const QString &name, const QByteArray &content);
ResultsFile readResultsFile(const QString &name);

} // namespace wallmatch

#endif // RESULTSFILE_H
