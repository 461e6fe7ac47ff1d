#ifndef ANSWERWRITER_H
#define ANSWERWRITER_H

#include "resultsstore.h"

#include <QMutex>
#include <QString>
#include <QVector>
#include <QWaitCondition>
#include <memory>
#include <optional>

class QThread;

// Writes the results file on a thread of its own, so that an answer reaches the disk at once
// while the GUI thread shows the next case, however long that case's files take to read. Every
// write holds all lines of the session; when writes queue up, only the newest lines are written.
class AnswerWriter
{
public:
    // What a write left to tell the subject: ResultsStore::write's error and its notice.
    struct Outcome
    {
        QString error;
        QString notice;
    };

    explicit AnswerWriter(const QString &fileName);
    // Finishes the write under way and the one waiting, if any.
    ~AnswerWriter();

    // Before the first write: see ResultsStore::resumeExistingFile and ResultsStore::resumeFrom.
    void resumeExistingFile();
    void resumeFrom(const QString &path);
    // Hands the lines to the writing thread and returns at once.
    void write(const QVector<QString> &lines);
    // Returns once every write handed over is done, with what the writes since the last finish()
    // left to tell: every notice, and the error of the last one (an earlier write's error no
    // longer matters once a later write has put all lines on disk).
    Outcome finish();
    // write() and finish().
    Outcome writeNow(const QVector<QString> &lines);

private:
    quint64 submit(const QVector<QString> &lines);
    void run();

    ResultsStore store; // used by the writing thread alone once it runs
    QMutex mutex;
    QWaitCondition changed;
    std::optional<QVector<QString>> pending;
    quint64 submitted = 0;
    quint64 done = 0;
    Outcome untaken;
    bool stopping = false;
    std::unique_ptr<QThread> thread;
};

#endif // ANSWERWRITER_H
