#ifndef CASECLOCK_H
#define CASECLOCK_H

#include <QtGlobal>
#include <limits>

// Measures one running stretch of a case, like QElapsedTimer (which it uses). Tests set the time
// with a fake clock (tests/common/fakeclock.h) instead of sleeping.
class CaseClock
{
public:
    void restart() { startMs = now(); }
    void invalidate() { startMs = invalidMs; }
    bool isValid() const { return startMs != invalidMs; }
    qint64 elapsed() const { return isValid() ? now() - startMs : 0; }

    // Milliseconds on a monotonic clock.
    static qint64 now();

private:
    static constexpr qint64 invalidMs = std::numeric_limits<qint64>::min();
    qint64 startMs = invalidMs;
};

#endif // CASECLOCK_H
