#ifndef TIMETEXT_H
#define TIMETEXT_H

#include <QString>

namespace wallmatch {

// A case time as "m:ss.zzz". Minutes are not wrapped at the hour, so 61 min 5 s is "61:05.000".
QString formatCaseTime(qint64 milliseconds);

} // namespace wallmatch

#endif // TIMETEXT_H
