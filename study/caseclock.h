#ifndef CASECLOCK_H
#define CASECLOCK_H

#include <QtGlobal>
#include <functional>
#include <limits>
#include <optional>

// Measures one running stretch of a case, like QElapsedTimer (which it uses). Tests set the time
// with a fake clock (tests/common/fakeclock.h) instead of sleeping.
//
// The time base is CLOCK_MONOTONIC in milliseconds, the clock the X server stamps its input
// events with, so that an event's own timestamp can start or end a stretch (eventTime).
class CaseClock
{
public:
    void restart() { startMs = now(); }
    void restartAt(qint64 ms) { startMs = ms; }
    void invalidate() { startMs = invalidMs; }
    bool isValid() const { return startMs != invalidMs; }
    qint64 elapsed() const { return elapsedAt(now()); }
    // Never negative: a moment before the start counts as the start.
    qint64 elapsedAt(qint64 ms) const { return isValid() ? qMax<qint64>(0, ms - startMs) : 0; }

    // Milliseconds on a monotonic clock.
    static qint64 now();
    // The same clock in microseconds (a fake clock's milliseconds times 1000).
    static qint64 nowUs();
    // Whether a time the display system reports in CLOCK_MONOTONIC microseconds (X Present,
    // Wayland's presentation time on that clock) is on now()'s time base.
    static bool readsMonotonicClock();

    // --- Input event timestamps (QInputEvent::timestamp()) on the time base of now().

    // The event's time where its timestamp can be related to now(), else none.
    using EventTimeMapper = std::function<std::optional<qint64>(ulong timestamp)>;
    static std::optional<qint64> mapEventTime(ulong timestamp);
    // The event's time, or a fresh reading of now() where the timestamp means nothing here. An
    // event without a timestamp (0) inside a ForwardedInput takes the forwarded event's.
    static qint64 eventTime(ulong timestamp);

    // While one lives, input events without a timestamp of their own are taken to have
    // `timestamp`, that of the event being forwarded: a graphics view (WindowStage) passes mouse
    // events on to the widgets it shows as new events, without the window system's timestamp.
    class ForwardedInput
    {
    public:
        explicit ForwardedInput(ulong timestamp);
        ~ForwardedInput();
        ForwardedInput(const ForwardedInput &) = delete;
        ForwardedInput &operator=(const ForwardedInput &) = delete;

    private:
        std::optional<ulong> outer;
    };
    // Replaces the platform's mapping (tests give synthesized timestamps a meaning); nullptr
    // restores it.
    static void setEventTimeMapper(EventTimeMapper mapper);
    // Whether input events' own timestamps can be related to now() on this platform.
    static bool eventTimesFromWindowSystem();

    // An X server time (CLOCK_MONOTONIC in ms, cut to 32 bits) as full CLOCK_MONOTONIC ms, given
    // the monotonic time now. None for a time that cannot be one of a recent event.
    static std::optional<qint64> serverTimeToMonotonic(quint32 serverMs, qint64 monotonicNowMs);
    // How far back an event may lie and how far ahead of our own reading (the server may read a
    // coarse clock) to be taken as genuine.
    static constexpr qint64 maxEventAgeMs = 10 * 60 * 1000;
    static constexpr qint64 maxEventLeadMs = 20;

private:
    static constexpr qint64 invalidMs = std::numeric_limits<qint64>::min();
    qint64 startMs = invalidMs;
};

#endif // CASECLOCK_H
