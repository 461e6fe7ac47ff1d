#ifndef RESULTSSTORE_H
#define RESULTSSTORE_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

namespace wallmatch {

// The results file's bytes: every line's UTF-8, in order, nothing in between.
QByteArray resultsBytes(const QVector<QString> &lines);

// "results-YYYYMMDD-HHMMSS.txt" for a file last modified at `modified`; `counter` > 1 adds "-N".
QString keptResultsName(const QDateTime &modified, int counter = 1);

} // namespace wallmatch

// Writes the results file atomically. Before the first write of the process, a non-empty
// file left by an earlier session is kept under a dated name instead of being overwritten.
class ResultsStore
{
public:
    explicit ResultsStore(const QString &fileName = QStringLiteral("results.txt"));

    // Returns an empty string on success, otherwise a message naming the file and the reason.
    QString write(const QVector<QString> &lines);

    // The file holds this session's own first answers (a resumed session): it is rewritten in
    // place instead of being kept aside.
    void resumeExistingFile() { earlierFileHandled = true; }

    QString fileName() const { return file; }
    // Where an earlier session's file was kept, empty if there was none.
    QString keptFileName() const { return kept; }

private:
    QString keepEarlierFile();

    QString file;
    QString kept;
    bool earlierFileHandled = false;
};

#endif // RESULTSSTORE_H
