#ifndef FAKECLOCK_H
#define FAKECLOCK_H

#include "caseclocksource.h"

#include <QtGlobal>

// A clock that moves only when told to. While one lives, every CaseClock reads it; destroying it
// puts back the clock it replaced (the real one, unless fakes are nested).
class FakeClock
{
public:
    explicit FakeClock(qint64 startMs = 1000)
        : nowMs(startMs)
        , replaced(replaceCaseClockSource([this] { return nowMs; }))
    {
    }
    ~FakeClock() { replaceCaseClockSource(std::move(replaced)); }
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;

    void advance(qint64 ms) { nowMs += ms; }
    void setNow(qint64 ms) { nowMs = ms; }
    qint64 now() const { return nowMs; }

private:
    qint64 nowMs;
    CaseClockSource replaced;
};

#endif // FAKECLOCK_H
