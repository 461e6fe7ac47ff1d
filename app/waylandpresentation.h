#ifndef WAYLANDPRESENTATION_H
#define WAYLANDPRESENTATION_H

#include "displayrefresh.h"

#include <optional>

class QWindow;

namespace wallmatch {

// Wayland's presentation-time protocol on Qt's own connection to the compositor, with an event
// queue of our own so that its events never pass through Qt's. Only on Qt's wayland platform
// (else every call does nothing and returns false or none). GUI thread only.

// Asks the compositor to report when the next content update of `window` is presented; call it
// before the frame is painted, as the report is for the next commit of the window's surface.
// False where the compositor or platform cannot report it.
bool waylandExpectFrame(QWindow *window);
// Sends what Qt has queued for the compositor (the commit of a frame just painted).
void waylandFlush();
// Waits for the report asked for by waylandExpectFrame (at most `timeoutMs`): the time of the
// presentation on CLOCK_MONOTONIC, converted from the compositor's clock where that is another
// of this machine's clocks. None where the frame was discarded, the clock cannot be converted,
// or no report came in time.
std::optional<DisplayRefresh> waylandPresented(int timeoutMs);
// One round trip to the compositor: it has carried out everything sent before. False off Wayland.
bool waylandRoundTrip();

} // namespace wallmatch

#endif // WAYLANDPRESENTATION_H
