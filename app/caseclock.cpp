#include "caseclock.h"

#include <QElapsedTimer>

namespace {

CaseClock::TimeSource &timeSource()
{
    static CaseClock::TimeSource source;
    return source;
}

qint64 monotonicMs()
{
    static QElapsedTimer epoch = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return epoch.elapsed();
}

} // namespace

void CaseClock::setTimeSource(TimeSource source)
{
    timeSource() = std::move(source);
}

qint64 CaseClock::now()
{
    const TimeSource &source = timeSource();
    return source ? source() : monotonicMs();
}
