#include "windowsystem.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QRegion>
#include <QWidget>

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

void paintNow(QWidget *widget, const QRegion &region)
{
    QWidget *window = widget->window();
    const QGraphicsProxyWidget *proxy = window->graphicsProxyWidget();
    if (!proxy || !proxy->scene()) {
        widget->repaint(region);
        return;
    }
    // The view paints the window through its proxy, as it is now.
    const QRegion inWindow = region.translated(widget->mapTo(window, QPoint()));
    for (QGraphicsView *view : proxy->scene()->views()) {
        QRegion onView;
        const QTransform toView = proxy->sceneTransform() * view->viewportTransform();
        for (const QRect &rect : inWindow) {
            // The whole pixels the rectangle covers, scaled or not.
            onView += toView.mapRect(QRectF(rect)).toAlignedRect();
        }
        view->viewport()->repaint(onView);
    }
}

ViewPlacement shownPlacement(const QWidget *widget)
{
    const QWidget *window = widget->window();
    const QPointF inWindow = widget->mapTo(window, QPoint());
    const QGraphicsProxyWidget *proxy = window->graphicsProxyWidget();
    if (!proxy || !proxy->scene() || proxy->scene()->views().isEmpty())
        return {1, widget->mapToGlobal(QPoint())};
    const QTransform toView =
        proxy->sceneTransform() * proxy->scene()->views().constFirst()->viewportTransform();
    if (toView.type() > QTransform::TxScale)
        return {1, inWindow};
    return {toView.m11(), toView.map(inWindow)};
}

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
