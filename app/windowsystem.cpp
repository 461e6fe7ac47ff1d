#include "windowsystem.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QRegion>
#include <QWidget>
#include <utility>

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
#ifdef WALLMATCH_HAVE_WAYLAND
#include "waylandpresentation.h"
#include <QWindow>
#endif
#ifdef WALLMATCH_HAVE_X_PRESENT
#include <QDeadlineTimer>
#include <QThread>
#include <map>
#include <xcb/present.h>
#endif

namespace wallmatch {

namespace {

#ifdef WALLMATCH_HAVE_WAYLAND
// Whether the frame just painted is one whose presentation was asked for.
bool expectingFrame = false;
#endif

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

// The X Present extension's reports of the refreshes of the windows we asked about. Each window
// gets an event selection of its own whose events xcb keeps apart from Qt's event queue.
class PresentReports
{
public:
    ~PresentReports()
    {
        for (const auto &entry : windows) {
            if (entry.second.events)
                xcb_unregister_for_special_event(connection, entry.second.events);
        }
    }

    std::optional<DisplayRefresh> nextRefresh(xcb_connection_t *c, xcb_window_t window,
                                              int timeoutMs)
    {
        if (!available(c))
            return std::nullopt;
        xcb_special_event_t *events = eventsOf(window);
        if (!events)
            return std::nullopt;
        const quint32 serial = ++lastSerial;
        // Target frame 0 with divisor 1: the first refresh after the server carries this out,
        // which is after the pixels sent before it.
        xcb_present_notify_msc(c, window, serial, 0, 1, 0);
        xcb_flush(c);
        const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_special_event(c, events)) {
                const std::optional<DisplayRefresh> refresh = completion(event, serial);
                std::free(event);
                if (refresh)
                    return refresh;
            }
            if (deadline.hasExpired() || xcb_connection_has_error(c))
                return std::nullopt;
            // Qt's event thread may be the one that reads the answer from the socket; the time
            // comes from the answer itself, so a short sleep costs no precision.
            QThread::usleep(250);
        }
    }

private:
    struct Selection
    {
        xcb_special_event_t *events = nullptr;
    };

    bool available(xcb_connection_t *c)
    {
        if (connection == c)
            return present;
        connection = c;
        present = false;
        const xcb_query_extension_reply_t *extension = xcb_get_extension_data(c, &xcb_present_id);
        if (!extension || !extension->present)
            return false;
        xcb_present_query_version_reply_t *version = xcb_present_query_version_reply(
            c, xcb_present_query_version(c, XCB_PRESENT_MAJOR_VERSION, XCB_PRESENT_MINOR_VERSION),
            nullptr);
        present = version != nullptr;
        std::free(version);
        return present;
    }

    xcb_special_event_t *eventsOf(xcb_window_t window)
    {
        auto found = windows.find(window);
        if (found != windows.end())
            return found->second.events;
        const quint32 eid = xcb_generate_id(connection);
        Selection selection;
        selection.events =
            xcb_register_for_special_xge(connection, &xcb_present_id, eid, &specialStamp);
        xcb_generic_error_t *error =
            xcb_request_check(connection,
                              xcb_present_select_input_checked(
                                  connection, eid, window, XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY));
        if (error) {
            std::free(error);
            if (selection.events)
                xcb_unregister_for_special_event(connection, selection.events);
            selection.events = nullptr;
        }
        windows[window] = selection;
        return selection.events;
    }

    static std::optional<DisplayRefresh> completion(const xcb_generic_event_t *event,
                                                    quint32 serial)
    {
        const auto *generic = reinterpret_cast<const xcb_ge_generic_event_t *>(event);
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC
            || generic->event_type != XCB_PRESENT_EVENT_COMPLETE_NOTIFY)
            return std::nullopt;
        const auto *complete = reinterpret_cast<const xcb_present_complete_notify_event_t *>(event);
        // Answers to earlier requests that timed out are old news.
        if (complete->kind != XCB_PRESENT_COMPLETE_KIND_NOTIFY_MSC || complete->serial != serial)
            return std::nullopt;
        DisplayRefresh refresh;
        refresh.atUs = qint64(complete->ust);
        refresh.count = complete->msc;
        return refresh;
    }

    xcb_connection_t *connection = nullptr;
    bool present = false;
    quint32 lastSerial = 0;
    quint32 specialStamp = 0;
    std::map<xcb_window_t, Selection> windows;
};

PresentReports &presentReports()
{
    static PresentReports reports;
    return reports;
}

#endif

#if defined(WALLMATCH_HAVE_X_PRESENT) || defined(WALLMATCH_HAVE_WAYLAND)
// The window whose pixels show `widget`: the graphics view's where it is shown through one.
const QWidget *shownWindow(const QWidget *widget)
{
    const QWidget *window = widget->window();
    const QGraphicsProxyWidget *proxy = window->graphicsProxyWidget();
    if (proxy && proxy->scene() && !proxy->scene()->views().isEmpty())
        return proxy->scene()->views().constFirst()->window();
    return window;
}
#endif

// Qt's Wayland client sends its requests (the frame's commit) only when its event loop next
// waits; the case starts as they leave.
void sendNow()
{
#ifdef WALLMATCH_HAVE_WAYLAND
    waylandFlush();
#endif
}

} // namespace

void paintNow(QWidget *widget, const QRegion &region)
{
    QWidget *window = widget->window();
    const QGraphicsProxyWidget *proxy = window->graphicsProxyWidget();
    if (!proxy || !proxy->scene()) {
        widget->repaint(region);
        sendNow();
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
    sendNow();
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

bool waitForWindowSystem()
{
#ifdef WALLMATCH_HAVE_X11
    xcb_connection_t *connection = qtConnection();
    if (connection) {
        // Any request with a reply will do: the server answers it after all earlier requests.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        return true;
    }
#endif
#ifdef WALLMATCH_HAVE_WAYLAND
    return waylandRoundTrip();
#else
    return false;
#endif
}

bool expectFrame(const QWidget *widget)
{
#ifdef WALLMATCH_HAVE_WAYLAND
    const QWidget *window = shownWindow(widget);
    if (window->testAttribute(Qt::WA_WState_Created)
        && waylandExpectFrame(window->windowHandle())) {
        expectingFrame = true;
        return true;
    }
#else
    Q_UNUSED(widget);
#endif
    return false;
}

std::optional<DisplayRefresh> waitForNextRefresh(const QWidget *widget, int timeoutMs)
{
#ifdef WALLMATCH_HAVE_WAYLAND
    if (std::exchange(expectingFrame, false))
        return waylandPresented(timeoutMs);
#endif
#ifdef WALLMATCH_HAVE_X_PRESENT
    xcb_connection_t *connection = qtConnection();
    const QWidget *window = shownWindow(widget);
    if (!connection || !window->testAttribute(Qt::WA_WState_Created))
        return std::nullopt;
    return presentReports().nextRefresh(connection, xcb_window_t(window->winId()), timeoutMs);
#else
    Q_UNUSED(widget);
    Q_UNUSED(timeoutMs);
    return std::nullopt;
#endif
}

} // namespace wallmatch
