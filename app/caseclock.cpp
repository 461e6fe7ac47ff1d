#include "caseclock.h"
#include "caseclocksource.h"

#include <QElapsedTimer>
#include <utility>

namespace {

CaseClockSource &timeSource()
{
    static CaseClockSource source;
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

CaseClockSource replaceCaseClockSource(CaseClockSource source)
{
    return std::exchange(timeSource(), std::move(source));
}

qint64 CaseClock::now()
{
    const CaseClockSource &source = timeSource();
    return source ? source() : monotonicMs();
}
