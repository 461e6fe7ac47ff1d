#ifndef ANSWERWRITER_H
#define ANSWERWRITER_H

#include "resultsstore.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>
#include <QWaitCondition>
#include <memory>
#include <optional>

class QThread;

// Writes the results file on a thread of its own, so that an answer reaches the disk at once
// while the GUI thread shows the next case, however long that case's files take to read. Every
// write holds all lines of the session; when writes queue up, only the newest lines are written.
class AnswerWriter : public QObject
{
    Q_OBJECT

public:
    // What a write left to tell the subject: ResultsStore::write's error and its notice.
    struct Outcome
    {
        QString error;
        QString notice;
    };

    explicit AnswerWriter(const QString &fileName, QObject *parent = nullptr);
    // Finishes the write under way and the one waiting, if any.
    ~AnswerWriter() override;

    // Before the first write: see ResultsStore::resumeExistingFile.
    void resumeExistingFile();
    // Hands the lines to the writing thread and returns at once; written() follows.
    void write(const QVector<QString> &lines);
    // Writes the lines after any write still waiting, and returns once they are done, with the
    // outcome of every write not yet taken.
    Outcome writeNow(const QVector<QString> &lines);
    // The outcome of the writes since the last one taken, none if all were taken. Errors of
    // earlier writes are dropped once a later write succeeds: the lines are on disk.
    std::optional<Outcome> takeOutcome();

Q_SIGNALS:
    // Emitted on the writing thread after each write; takeOutcome() tells what happened.
    void written();

private:
    quint64 submit(const QVector<QString> &lines);
    void run();

    ResultsStore store; // used by the writing thread alone once it runs
    QMutex mutex;
    QWaitCondition changed;
    std::optional<QVector<QString>> pending;
    quint64 submitted = 0;
    quint64 done = 0;
    std::optional<Outcome> untaken;
    bool stopping = false;
    std::unique_ptr<QThread> thread;
};

#endif // ANSWERWRITER_H
