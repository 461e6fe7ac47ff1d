#include "caseclock.h"
#include "caseclocksource.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <utility>

namespace {

CaseClockSource &timeSource()
{
    static CaseClockSource source;
    return source;
}

CaseClock::EventTimeMapper &eventTimeMapper()
{
    static CaseClock::EventTimeMapper mapper;
    return mapper;
}

// The timestamp of the input event being forwarded, if any (GUI thread only).
std::optional<ulong> &forwardedTimestamp()
{
    static std::optional<ulong> timestamp;
    return timestamp;
}

// CLOCK_MONOTONIC in whole milliseconds, the same truncation the X server applies.
qint64 monotonicMs()
{
    QElapsedTimer t;
    t.start();
    return t.msecsSinceReference();
}

// Xorg and Xvfb stamp input events with GetTimeInMillis(): CLOCK_MONOTONIC in milliseconds, cut
// to 32 bits. That holds only for a server on this machine, and only where our own clock is
// CLOCK_MONOTONIC (QElapsedTimer's on Linux). Wayland compositors pass on the kernel's input
// event times (libinput's, CLOCK_MONOTONIC) in milliseconds cut to 32 bits the same way, and a
// compositor always runs on this machine; a timestamp on another base fails the same checks.
// Other platforms (offscreen, a remote X display) and synthesized events get a fresh reading.
bool serverSharesOurClock()
{
    static const bool shares = [] {
        if (QElapsedTimer::clockType() != QElapsedTimer::MonotonicClock)
            return false;
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("wayland"))
            return true;
        return platform == QLatin1String("xcb")
            && qEnvironmentVariable("DISPLAY").startsWith(QLatin1Char(':'));
    }();
    return shares;
}

} // namespace

CaseClockSource replaceCaseClockSource(CaseClockSource source)
{
    return std::exchange(timeSource(), std::move(source));
}

qint64 CaseClock::now()
{
    const CaseClockSource &source = timeSource();
    return source ? source() : monotonicMs();
}

qint64 CaseClock::nowUs()
{
    const CaseClockSource &source = timeSource();
    if (source)
        return source() * 1000;
    // QDeadlineTimer reads the clock QElapsedTimer reads, in nanoseconds.
    return QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs() / 1000;
}

bool CaseClock::readsMonotonicClock()
{
    return !timeSource() && QElapsedTimer::clockType() == QElapsedTimer::MonotonicClock;
}

void CaseClock::setEventTimeMapper(EventTimeMapper mapper)
{
    eventTimeMapper() = std::move(mapper);
}

qint64 CaseClock::eventTime(ulong timestamp)
{
    if (timestamp == 0 && forwardedTimestamp())
        timestamp = *forwardedTimestamp();
    return mapEventTime(timestamp).value_or(now());
}

CaseClock::ForwardedInput::ForwardedInput(ulong timestamp)
    : outer(std::exchange(forwardedTimestamp(), timestamp))
{
}

CaseClock::ForwardedInput::~ForwardedInput()
{
    forwardedTimestamp() = outer;
}

bool CaseClock::eventTimesFromWindowSystem()
{
    return !timeSource() && qGuiApp && serverSharesOurClock();
}

std::optional<qint64> CaseClock::mapEventTime(ulong timestamp)
{
    if (const EventTimeMapper &mapper = eventTimeMapper())
        return mapper(timestamp);
    // A replaced time source has nothing to do with the server's clock.
    if (timeSource() || !qGuiApp || !serverSharesOurClock())
        return std::nullopt;
    if (timestamp > 0xffffffffUL)
        return std::nullopt;
    return serverTimeToMonotonic(quint32(timestamp), monotonicMs());
}

std::optional<qint64> CaseClock::serverTimeToMonotonic(quint32 serverMs, qint64 monotonicNowMs)
{
    if (monotonicNowMs < 0)
        return std::nullopt;
    // How far the server time lies behind now, modulo 2^32: the wrap-around every 49.7 days.
    const quint32 behind = quint32(monotonicNowMs) - serverMs;
    if (behind <= quint32(maxEventAgeMs) && qint64(behind) <= monotonicNowMs)
        return monotonicNowMs - qint64(behind);
    // Slightly ahead: the server read its clock at a coarser grain; it cannot be later than now.
    if (quint32(0) - behind <= quint32(maxEventLeadMs))
        return monotonicNowMs;
    return std::nullopt;
}
