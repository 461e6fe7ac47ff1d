#include "windowsystem.h"

#ifdef WALLMATCH_HAVE_X11EXTRAS
#include <QX11Info>
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace wallmatch {

void waitForWindowSystem()
{
#ifdef WALLMATCH_HAVE_X11EXTRAS
    if (!QX11Info::isPlatformX11())
        return;
    xcb_connection_t *connection = QX11Info::connection();
    if (!connection)
        return;
    // Any request with a reply will do: the server answers it after all earlier requests.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
#endif
}

} // namespace wallmatch
