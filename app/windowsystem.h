#ifndef WINDOWSYSTEM_H
#define WINDOWSYSTEM_H

#include "displayrefresh.h"
#include "viewframe.h"

#include <QtGlobal>
#include <optional>

class QRegion;
class QWidget;

namespace wallmatch {

// Paints `region` of `widget` at once and hands the pixels to the window system, wherever the
// widget is shown: in its own window, or in a window whose graphics view shows it scaled
// (WindowStage), where repainting the widget alone would reach the screen only at the view's
// next paint.
void paintNow(QWidget *widget, const QRegion &region);

// Where `widget` is shown on the screen: its window's scale, below 1 where the window is shown
// scaled down (WindowStage), and the screen position of its corner.
ViewPlacement shownPlacement(const QWidget *widget);

// Returns once the window system has carried out everything sent to it so far (on X11 one
// round trip to the server, on Wayland to the compositor), so that painted pixels are on the
// server's screen, not merely on their way. Elsewhere it returns at once, with false.
bool waitForWindowSystem();

// Where the display system reports the presentation of a given frame (Wayland), asks it to
// report the next frame of `widget`'s window; call before painting that frame. False elsewhere.
bool expectFrame(const QWidget *widget);

// Asks the display system when it next refreshes `widget`'s window after everything sent so far
// has arrived, and waits for the answer (at most `timeoutMs`): the refresh at which the pixels
// just painted are first on screen. After expectFrame, the presentation of that frame. Also waits,
// as waitForWindowSystem does, until the server has carried out everything sent before. None where
// the display system reports no refreshes (no X Present extension, another platform) or the answer
// did not come in time.
std::optional<DisplayRefresh> waitForNextRefresh(const QWidget *widget, int timeoutMs);

} // namespace wallmatch

#endif // WINDOWSYSTEM_H
