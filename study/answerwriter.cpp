#include "answerwriter.h"

#include <QMutexLocker>
#include <QThread>
#include <utility>

AnswerWriter::AnswerWriter(const QString &fileName)
    : store(fileName)
    , thread(QThread::create([this] { run(); }))
{
    thread->setObjectName(QStringLiteral("answer writer"));
    thread->start();
}

AnswerWriter::~AnswerWriter()
{
    {
        QMutexLocker lock(&mutex);
        stopping = true;
        changed.wakeAll();
    }
    thread->wait();
}

void AnswerWriter::resumeExistingFile()
{
    QMutexLocker lock(&mutex);
    store.resumeExistingFile(); // the thread touches the store only while a write is pending
}

void AnswerWriter::resumeFrom(const QString &path)
{
    QMutexLocker lock(&mutex);
    store.resumeFrom(path);
}

quint64 AnswerWriter::submit(const QVector<QString> &lines)
{
    pending = lines; // shares the strings; the thread copies nothing the GUI thread changes
    changed.wakeAll();
    return ++submitted;
}

void AnswerWriter::write(const QVector<QString> &lines)
{
    QMutexLocker lock(&mutex);
    submit(lines);
}

AnswerWriter::Outcome AnswerWriter::finish()
{
    QMutexLocker lock(&mutex);
    while (done < submitted)
        changed.wait(&mutex);
    return std::exchange(untaken, Outcome());
}

AnswerWriter::Outcome AnswerWriter::writeNow(const QVector<QString> &lines)
{
    write(lines);
    return finish();
}

void AnswerWriter::run()
{
    QMutexLocker lock(&mutex);
    for (;;) {
        while (!pending && !stopping)
            changed.wait(&mutex);
        if (!pending)
            return; // stopping, and nothing left to write
        const QVector<QString> lines = std::move(*pending);
        pending.reset();
        const quint64 id = submitted;
        lock.unlock();
        const QString error = store.write(lines);
        const QString notice = store.takeNotice();
        lock.relock();
        untaken.error = error;
        if (!notice.isEmpty())
            untaken.notice +=
                (untaken.notice.isEmpty() ? QString() : QStringLiteral("\n\n")) + notice;
        done = id;
        changed.wakeAll();
    }
}
