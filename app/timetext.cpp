#include "timetext.h"

namespace wallmatch {

QString formatCaseTime(qint64 milliseconds)
{
    const qint64 ms = milliseconds < 0 ? 0 : milliseconds;
    return QString::asprintf("%lld:%02lld.%03lld", ms / 60000, (ms / 1000) % 60, ms % 1000);
}

} // namespace wallmatch
