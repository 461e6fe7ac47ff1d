#ifndef CASEONSET_H
#define CASEONSET_H

#include <QString>
#include <QtGlobal>
#include <optional>

namespace wallmatch {

// What a case's onset, the start of its clock, rests on, from the most exact to the least.
enum class OnsetMethod {
    DisplayReported, // the display system's own time of the refresh that showed the frame
    ServerRoundTrip, // the frame sent and the window system's answer to a round trip after it
    Handled, // the clock read once the frame was handed over (offscreen, no round trip)
};
// "display-reported", "server-round-trip", "handled".
QString onsetMethodName(OnsetMethod method);

// When a case's frame was sent and when the display showed it.
struct CaseOnset
{
    qint64 atMs = 0; // the onset on CaseClock's time base: the clock starts here
    qint64 sentUs = 0; // the frame handed to the window system, CaseClock's base in µs
    std::optional<qint64> presentedUs; // the display's time of the refresh that showed it
    OnsetMethod method = OnsetMethod::Handled;
    std::optional<double> refreshMs; // the display's refresh period, where it reports one
};

} // namespace wallmatch

#endif // CASEONSET_H
