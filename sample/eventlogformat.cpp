#include "eventlogformat.h"

#include <iterator>

namespace wallmatch {

namespace {

const char *const eventNames[] = {"present", "pick",       "miss",    "pause", "resume",
                                  "break",   "focus-lost", "refused", "answer"};

} // namespace

const QStringList &eventColumnNames()
{
    static const QStringList names = {QStringLiteral("session_ms"),
                                      QStringLiteral("phase"),
                                      QStringLiteral("case"),
                                      QStringLiteral("sample"),
                                      QStringLiteral("source"),
                                      QStringLiteral("event"),
                                      QStringLiteral("view"),
                                      QStringLiteral("wall"),
                                      QStringLiteral("x"),
                                      QStringLiteral("y"),
                                      QStringLiteral("frame_sent_ms"),
                                      QStringLiteral("presented_ms"),
                                      QStringLiteral("onset")};
    return names;
}

QStringList olderEventColumnNames()
{
    return eventColumnNames().mid(0, olderEventColumnCount);
}

QString eventLogHeader()
{
    return eventColumnNames().join(QLatin1Char(',')) + QLatin1Char('\n');
}

QString sessionEventName(SessionEvent event)
{
    return QString::fromLatin1(eventNames[int(event)]);
}

std::optional<SessionEvent> sessionEventNamed(const QString &name)
{
    for (int i = 0; i < int(std::size(eventNames)); ++i) {
        if (name == QLatin1String(eventNames[i]))
            return SessionEvent(i);
    }
    return std::nullopt;
}

QString eventPhaseName(bool practice)
{
    return practice ? QStringLiteral("practice") : QStringLiteral("test");
}

} // namespace wallmatch
