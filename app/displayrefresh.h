#ifndef DISPLAYREFRESH_H
#define DISPLAYREFRESH_H

#include <QtGlobal>
#include <optional>

namespace wallmatch {

// A refresh of the display, as the display system reports it.
struct DisplayRefresh
{
    qint64 atUs = 0; // when it began, CLOCK_MONOTONIC in microseconds
    quint64 count = 0; // the display's frame counter
    std::optional<double> periodMs; // the refresh period, where the display system names it
    qint64 clockErrorUs = 0; // bound of the conversion from the display system's clock, if any
};

} // namespace wallmatch

#endif // DISPLAYREFRESH_H
