#include "windowsystem.h"

#ifdef WALLMATCH_HAVE_X11
#include <QtGlobal>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QGuiApplication>
#else
#include <QX11Info>
#endif
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace wallmatch {

namespace {

#ifdef WALLMATCH_HAVE_X11
// Qt's own connection to the X server, or null on any other platform.
xcb_connection_t *qtConnection()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
#else
    return QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
#endif
}
#endif

} // namespace

void waitForWindowSystem()
{
#ifdef WALLMATCH_HAVE_X11
    xcb_connection_t *connection = qtConnection();
    if (!connection)
        return;
    // Any request with a reply will do: the server answers it after all earlier requests.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
#endif
}

} // namespace wallmatch
