#ifndef WINDOWSYSTEM_H
#define WINDOWSYSTEM_H

#include "viewframe.h"

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
// round trip to the server), so that painted pixels are on the server's screen, not merely on
// their way. Elsewhere it returns at once.
void waitForWindowSystem();

} // namespace wallmatch

#endif // WINDOWSYSTEM_H
