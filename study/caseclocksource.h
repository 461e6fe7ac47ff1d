#ifndef CASECLOCKSOURCE_H
#define CASECLOCKSOURCE_H

#include <QtGlobal>
#include <functional>

// Where CaseClock::now() reads the time. Only a test's fake clock (tests/common/fakeclock.h)
// replaces it, for as long as the fake lives; the program always reads the monotonic clock.
using CaseClockSource = std::function<qint64()>;

// Installs source (an empty one stands for the monotonic clock) and returns the one it replaced.
CaseClockSource replaceCaseClockSource(CaseClockSource source);

#endif // CASECLOCKSOURCE_H
