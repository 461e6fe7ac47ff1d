#include "waylandpresentation.h"

#include "presentation-time-client-protocol.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QWindow>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

namespace wallmatch {

namespace {

Q_LOGGING_CATEGORY(timingLog, "wallmatch.timing", QtWarningMsg)

qint64 readClockUs(clockid_t clock)
{
    timespec t {};
    clock_gettime(clock, &t);
    return qint64(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

// How fast CLOCK_MONOTONIC may run against the raw hardware clock: NTP slews it by at most
// 500 ppm.
constexpr double maxSlew = 500e-6;

class Presentation
{
public:
    ~Presentation()
    {
        if (feedback)
            wp_presentation_feedback_destroy(feedback);
        if (presentation)
            wp_presentation_destroy(presentation);
        if (registry)
            wl_registry_destroy(registry);
        if (wrapper)
            wl_proxy_wrapper_destroy(wrapper);
        if (queue)
            wl_event_queue_destroy(queue);
    }

    bool expectFrame(QWindow *window)
    {
        if (!bind() || !window || !window->handle())
            return false;
        // Qt's Wayland client holds a window's frames back while the compositor's frame
        // callback is late (over 100 ms: a loaded machine), and shows the window as not exposed
        // meanwhile: this frame would be committed only after the wait for it.
        if (!window->isExposed()) {
            qCDebug(timingLog, "no presentation asked for: the window is not exposed");
            return false;
        }
        auto *surface = static_cast<wl_surface *>(
            QGuiApplication::platformNativeInterface()->nativeResourceForWindow("surface", window));
        if (!surface)
            return false;
        if (feedback)
            wp_presentation_feedback_destroy(feedback); // an earlier frame's, never answered
        report = Report();
        feedback = wp_presentation_feedback(presentation, surface);
        wp_presentation_feedback_add_listener(feedback, &feedbackListener, this);
        return true;
    }

    void flush()
    {
        if (display)
            wl_display_flush(display);
    }

    std::optional<DisplayRefresh> presented(int timeoutMs)
    {
        if (!feedback)
            return std::nullopt;
        const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
        const bool answered = dispatchUntil([this] { return report.done; }, deadline);
        if (!answered || !report.presented) {
            qCDebug(timingLog, "no presentation reported: %s",
                    answered ? "the frame was discarded" : "no answer in time");
            if (!answered) {
                wp_presentation_feedback_destroy(feedback);
                feedback = nullptr;
            }
            return std::nullopt;
        }
        return onOurClock();
    }

    bool roundTrip()
    {
        if (!bind())
            return false;
        return wl_display_roundtrip_queue(display, queue) >= 0;
    }

private:
    struct Report
    {
        bool done = false;
        bool presented = false;
        qint64 atNs = 0; // on the presentation clock
        quint32 refreshNs = 0;
        quint64 seq = 0;
        quint32 flags = 0;
    };

    bool bind()
    {
        if (tried)
            return presentation != nullptr && clockId.has_value();
        tried = true;
        if (QGuiApplication::platformName() != QLatin1String("wayland"))
            return false;
        QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
        display = native ? static_cast<wl_display *>(
                      native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")))
                         : nullptr;
        if (!display)
            return false;
        queue = wl_display_create_queue(display);
        wrapper = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(wrapper), queue);
        registry = wl_display_get_registry(wrapper);
        wl_registry_add_listener(registry, &registryListener, this);
        // The globals, then the presentation's clock.
        if (wl_display_roundtrip_queue(display, queue) < 0 || !presentation
            || wl_display_roundtrip_queue(display, queue) < 0)
            return false;
        if (!clockId)
            qCWarning(timingLog, "The compositor did not name its presentation clock");
        return clockId.has_value();
    }

    // Reads and dispatches our queue's events until `done` or the deadline, alongside whatever
    // thread reads Qt's: the prepare/read protocol lets several threads read one connection.
    template<typename Done>
    bool dispatchUntil(Done done, const QDeadlineTimer &deadline)
    {
        for (;;) {
            if (wl_display_dispatch_queue_pending(display, queue) < 0)
                return false;
            if (done())
                return true;
            if (wl_display_prepare_read_queue(display, queue) != 0)
                continue; // events arrived meanwhile: dispatch them
            wl_display_flush(display);
            pollfd fd {wl_display_get_fd(display), POLLIN, 0};
            const qint64 remaining = deadline.remainingTime();
            const int ready = poll(&fd, 1, int(qMax<qint64>(0, remaining)));
            if (ready <= 0) {
                wl_display_cancel_read(display);
                if (ready < 0 && errno == EINTR)
                    continue;
                return false;
            }
            if (wl_display_read_events(display) < 0)
                return false;
        }
    }

    // The presentation time on CLOCK_MONOTONIC. The other clock is read between two readings of
    // ours; the difference is taken to hold since the presentation, a few ms earlier. Error: half
    // the readings' spread plus the slew of CLOCK_MONOTONIC over that age (below 1 µs per 2 ms).
    std::optional<DisplayRefresh> onOurClock() const
    {
        DisplayRefresh refresh;
        refresh.count = report.seq;
        if (report.refreshNs > 0)
            refresh.periodMs = report.refreshNs / 1e6;
        const qint64 atUs = report.atNs / 1000;
        if (*clockId == CLOCK_MONOTONIC) {
            refresh.atUs = atUs;
            return refresh;
        }
        if (*clockId != CLOCK_MONOTONIC_RAW && *clockId != CLOCK_BOOTTIME) {
            qCWarning(timingLog, "The compositor's presentation clock %u is not converted",
                      *clockId);
            return std::nullopt;
        }
        const qint64 beforeUs = readClockUs(CLOCK_MONOTONIC);
        const qint64 otherUs = readClockUs(clockid_t(*clockId));
        const qint64 afterUs = readClockUs(CLOCK_MONOTONIC);
        const qint64 ageUs = otherUs - atUs;
        refresh.atUs = (beforeUs + afterUs) / 2 - ageUs;
        refresh.clockErrorUs = (afterUs - beforeUs + 1) / 2 + qint64(qAbs(ageUs) * maxSlew) + 1;
        qCDebug(timingLog,
                "presented %lld us ago on clock %u, readings %lld us apart, bound %lld us", ageUs,
                *clockId, afterUs - beforeUs, refresh.clockErrorUs);
        return refresh;
    }

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t)
    {
        auto *self = static_cast<Presentation *>(data);
        if (std::strcmp(interface, wp_presentation_interface.name) == 0 && !self->presentation) {
            self->presentation = static_cast<wp_presentation *>(
                wl_registry_bind(registry, name, &wp_presentation_interface, 1));
            wp_presentation_add_listener(self->presentation, &presentationListener, self);
        }
    }
    static void globalRemove(void *, wl_registry *, uint32_t) { }
    static void clock(void *data, wp_presentation *, uint32_t clockId)
    {
        static_cast<Presentation *>(data)->clockId = clockId;
    }
    static void syncOutput(void *, struct wp_presentation_feedback *, wl_output *) { }
    static void presentedEvent(void *data, struct wp_presentation_feedback *feedback,
                               uint32_t secHi, uint32_t secLo, uint32_t nsec, uint32_t refreshNs,
                               uint32_t seqHi, uint32_t seqLo, uint32_t flags)
    {
        auto *self = static_cast<Presentation *>(data);
        const qint64 sec = qint64((quint64(secHi) << 32) | secLo);
        self->report = {
            true, true, sec * 1000000000 + nsec, refreshNs, (quint64(seqHi) << 32) | seqLo, flags};
        self->finish(feedback);
    }
    static void discarded(void *data, struct wp_presentation_feedback *feedback)
    {
        auto *self = static_cast<Presentation *>(data);
        self->report = Report();
        self->report.done = true;
        self->finish(feedback);
    }
    void finish(struct wp_presentation_feedback *answered)
    {
        wp_presentation_feedback_destroy(answered);
        if (feedback == answered)
            feedback = nullptr;
    }

    static constexpr wl_registry_listener registryListener {&global, &globalRemove};
    static constexpr wp_presentation_listener presentationListener {&clock};
    static constexpr wp_presentation_feedback_listener feedbackListener {
        &syncOutput, &presentedEvent, &discarded};

    bool tried = false;
    wl_display *display = nullptr; // Qt's
    wl_event_queue *queue = nullptr;
    wl_display *wrapper = nullptr; // the display's proxy on our queue
    wl_registry *registry = nullptr;
    wp_presentation *presentation = nullptr;
    std::optional<quint32> clockId;
    struct wp_presentation_feedback *feedback = nullptr;
    Report report;
};

// Lives until the application's post routines, while Qt's connection is still open.
Presentation &presentation()
{
    static Presentation *instance = nullptr;
    if (!instance) {
        instance = new Presentation;
        qAddPostRoutine([] {
            delete instance;
            instance = nullptr;
        });
    }
    return *instance;
}

} // namespace

bool waylandExpectFrame(QWindow *window)
{
    return presentation().expectFrame(window);
}

void waylandFlush()
{
    presentation().flush();
}

std::optional<DisplayRefresh> waylandPresented(int timeoutMs)
{
    return presentation().presented(timeoutMs);
}

bool waylandRoundTrip()
{
    return presentation().roundTrip();
}

} // namespace wallmatch
