#ifndef WINDOWSYSTEM_H
#define WINDOWSYSTEM_H

namespace wallmatch {

// Returns once the window system has carried out everything sent to it so far (on X11 one
// round trip to the server), so that painted pixels are on the server's screen, not merely on
// their way. Elsewhere it returns at once.
void waitForWindowSystem();

} // namespace wallmatch

#endif // WINDOWSYSTEM_H
