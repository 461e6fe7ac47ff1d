#ifndef EVENTLOGFORMAT_H
#define EVENTLOGFORMAT_H

#include <QString>
#include <QStringList>
#include <optional>

namespace wallmatch {

// The event log (events.csv): one CSV row per thing that happens in a session. The program
// writes it and the report reads it; both take the columns and names from here.
enum class EventColumn {
    SessionMs, // milliseconds since the session started
    Phase, // eventPhaseName
    Case, // 1-based within its phase; empty outside a case
    Sample,
    Source,
    Event, // sessionEventName
    View, // 1 primary, 2 secondary; empty for none
    Wall,
    X, // image pixel of a click
    Y,
    // A "present" row's: session ms (to the µs) when the frame was sent and when the display
    // showed it (empty where it does not say), and what the onset rests on (onsetMethodName).
    FrameSentMs,
    PresentedMs,
    Onset,
};
inline constexpr int eventColumnCount = int(EventColumn::Onset) + 1;
// Logs written before the onset columns end with Y.
inline constexpr int olderEventColumnCount = int(EventColumn::Y) + 1;

// "session_ms", "phase", … in the order of EventColumn.
const QStringList &eventColumnNames();
// The header of a log written before the onset columns, its first olderEventColumnCount names.
QStringList olderEventColumnNames();
// The first line of every event log, with its LF.
QString eventLogHeader();

enum class SessionEvent {
    Present, // the case is on screen; its clock starts
    Pick, // a click that hit a wall
    Miss, // a click in a view that hit none
    Pause,
    Resume,
    Break,
    FocusLost,
    Refused, // an answer without both walls
    Answer,
};
QString sessionEventName(SessionEvent event);
std::optional<SessionEvent> sessionEventNamed(const QString &name);

// The Phase column: "practice" or "test".
QString eventPhaseName(bool practice);

} // namespace wallmatch

#endif // EVENTLOGFORMAT_H
