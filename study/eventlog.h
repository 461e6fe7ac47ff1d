#ifndef EVENTLOG_H
#define EVENTLOG_H

#include "caseonset.h"
#include "participantfiles.h"
#include "resultsstore.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace wallmatch {

// One row of the event log.
struct LoggedEvent
{
    qint64 atMs = 0; // on CaseClock's time base
    bool practice = false;
    int caseNumber = 0; // 1-based within its phase; 0 outside a case
    int sample = 0;
    QString source;
    QString event; // sessionEventName (eventlogformat.h)
    int view = 0; // 1 primary, 2 secondary, 0 none
    int wall = -1; // -1 none
    std::optional<QPoint> pixel; // image pixel of a click
    std::optional<CaseOnset> onset; // a presentation's
};

// Everything that happens in a session, one CSV row per event, times in milliseconds since the
// session started on the case clock's time base. Rows are kept in memory and written with each
// answer by the same store as the results, so they reach the disk as durably.
class EventLog
{
public:
    static const QString header; // eventLogHeader()

    EventLog(const QString &fileName, qint64 sessionStartMs);

    // A resumed session appends to the rows an earlier one wrote: they are read here (a missing
    // file starts a new log). Returns a problem with the file, empty when none.
    QString resumeExisting();

    void add(const LoggedEvent &event);
    // The row of an event, with its LF; empty fields where the event has no such value.
    QString row(const LoggedEvent &event) const;

    // Writes all rows; empty on success, else a message naming the file.
    QString write() { return store.write(lines); }
    QString takeNotice() { return store.takeNotice(); }
    QString fileName() const { return store.fileName(); }
    const QVector<QString> &rows() const { return lines; }

private:
    ResultsStore store;
    qint64 startMs;
    QVector<QString> lines;
};

} // namespace wallmatch

#endif // EVENTLOG_H
