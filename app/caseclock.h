#ifndef CASECLOCK_H
#define CASECLOCK_H

#include <QtGlobal>
#include <functional>
#include <limits>

// Measures one running stretch of a case, like QElapsedTimer (which it uses), with a
// replaceable time source so that tests can advance time without sleeping.
class CaseClock
{
public:
    using TimeSource = std::function<qint64()>;

    void restart() { startMs = now(); }
    void invalidate() { startMs = invalidMs; }
    bool isValid() const { return startMs != invalidMs; }
    qint64 elapsed() const { return isValid() ? now() - startMs : 0; }

    // Milliseconds on a monotonic clock; nullptr restores the real one.
    static void setTimeSource(TimeSource source);
    static qint64 now();

private:
    static constexpr qint64 invalidMs = std::numeric_limits<qint64>::min();
    qint64 startMs = invalidMs;
};

#endif // CASECLOCK_H
