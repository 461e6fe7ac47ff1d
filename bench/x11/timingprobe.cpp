// A second X client beside the real program: records when the server changed the program's
// pixels (XDamage) and when it delivered key presses, then compares the case times the program
// logged with those the server saw.
//
//   wallmatch_timingprobe record WINDOW [FOLDER]   prints events until SIGINT or SIGTERM
//   wallmatch_timingprobe report EVENTS RESULTS X1 Y1 X2 Y2 [W H]
//
// Events are lines "key SERVER_MS MONOTONIC_MS" (the server's timestamp and our CLOCK_MONOTONIC
// at receipt, which shows how the two clocks relate), "damage SERVER_MS X Y W H" and, when
// FOLDER is given, "written MONOTONIC_MS" when results.txt is put in place there (the link or
// rename that ends each write, after the file's own sync). Where the server has the Present
// extension, "refresh UST_US MSC" for each refresh the program asked about (its notify of the
// refresh that shows a case): the display's own time of that refresh, in microseconds.

#include "answer.h"

#include <QFile>
#include <QRect>
#include <QStringList>
#include <QVector>

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <xcb/present.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/inotify.h>
#include <sys/select.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

long long monotonicMs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

int record(const char *windowText, const char *folder)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    const Window window = Window(std::strtoul(windowText, nullptr, 0));
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "the server has no DAMAGE extension\n");
        return 1;
    }
    // Key presses go to every client that selects them; the program keeps its own selection.
    XSelectInput(display, window, KeyPressMask);
    XDamageCreate(display, window, XDamageReportRawRectangles);
    XSync(display, False);

    // Present's completion events go to every client that selects them on the window: the
    // program's own requests are reported to us too. A connection of its own keeps them apart.
    xcb_connection_t *presentConnection = xcb_connect(nullptr, nullptr);
    const xcb_query_extension_reply_t *present = xcb_connection_has_error(presentConnection)
        ? nullptr
        : xcb_get_extension_data(presentConnection, &xcb_present_id);
    if (present && present->present) {
        std::free(xcb_present_query_version_reply(
            presentConnection, xcb_present_query_version(presentConnection, 1, 0), nullptr));
        xcb_present_select_input(presentConnection, xcb_generate_id(presentConnection),
                                 xcb_window_t(window), XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
        std::free(xcb_get_input_focus_reply(presentConnection,
                                            xcb_get_input_focus(presentConnection), nullptr));
    } else {
        std::fprintf(stderr, "the server has no Present extension: no refresh times\n");
    }
    const int presentFd = xcb_get_file_descriptor(presentConnection);

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::printf("ready\n");
    std::fflush(stdout);
    const int fd = ConnectionNumber(display);
    const int watch = folder ? inotify_init1(IN_NONBLOCK | IN_CLOEXEC) : -1;
    if (watch >= 0
        && inotify_add_watch(watch, folder, IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
        std::fprintf(stderr, "cannot watch %s\n", folder);
        return 1;
    }
    while (!stopRequested) {
        alignas(inotify_event) char buffer[4096];
        ssize_t length;
        while (watch >= 0 && (length = read(watch, buffer, sizeof buffer)) > 0) {
            const long long received = monotonicMs();
            for (char *p = buffer; p < buffer + length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(p);
                if (event->len && std::string(event->name) == "results.txt")
                    std::printf("written %lld\n", received);
                p += sizeof(inotify_event) + event->len;
            }
        }
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == KeyPress) {
                const long long received = monotonicMs();
                std::printf("key %lu %lld\n", event.xkey.time, received);
            } else if (event.type == damageEvent + XDamageNotify) {
                const auto &damage = reinterpret_cast<const XDamageNotifyEvent &>(event);
                std::printf("damage %lu %d %d %d %d\n", damage.timestamp, damage.area.x,
                            damage.area.y, damage.area.width, damage.area.height);
            }
        }
        while (xcb_generic_event_t *event = xcb_poll_for_event(presentConnection)) {
            const auto *generic = reinterpret_cast<const xcb_ge_generic_event_t *>(event);
            if ((event->response_type & 0x7f) == XCB_GE_GENERIC
                && generic->event_type == XCB_PRESENT_EVENT_COMPLETE_NOTIFY) {
                const auto *complete =
                    reinterpret_cast<const xcb_present_complete_notify_event_t *>(event);
                std::printf("refresh %llu %llu\n", (unsigned long long)complete->ust,
                            (unsigned long long)complete->msc);
            }
            std::free(event);
        }
        std::fflush(stdout);
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        FD_SET(presentFd, &fds);
        if (watch >= 0)
            FD_SET(watch, &fds);
        timeval timeout {0, 100000};
        if (select(std::max({fd, watch, presentFd}) + 1, &fds, nullptr, nullptr, &timeout) < 0
            && errno != EINTR)
            break;
    }
    xcb_disconnect(presentConnection);
    XCloseDisplay(display);
    return 0;
}

double percentile(QVector<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    // Nearest rank.
    const int rank = std::max(1, int(std::ceil(p / 100.0 * values.size())));
    return values[std::min(rank, int(values.size())) - 1];
}

// One row: n, p50, p90, p99 and max, the target and whether it is met.
void printRow(const char *name, const QVector<double> &values, const char *target, bool met)
{
    std::printf("%-34s %4d %6.1f %6.1f %6.1f %6.1f  %-16s %s\n", name, int(values.size()),
                percentile(values, 50), percentile(values, 90), percentile(values, 99),
                percentile(values, 100), target, met ? "met" : "NOT MET");
}

int report(int argc, char **argv)
{
    QFile eventsFile(QString::fromLocal8Bit(argv[2]));
    QFile resultsFile(QString::fromLocal8Bit(argv[3]));
    if (!eventsFile.open(QIODevice::ReadOnly) || !resultsFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the events or the results\n");
        return 1;
    }
    const int width = argc > 9 ? std::atoi(argv[8]) : 1024;
    const int height = argc > 9 ? std::atoi(argv[9]) : 512;
    const QVector<QRect> views = {QRect(std::atoi(argv[4]), std::atoi(argv[5]), width, height),
                                  QRect(std::atoi(argv[6]), std::atoi(argv[7]), width, height)};

    QVector<qint64> keys, damages, writes, refreshes;
    QVector<double> receiptLag;
    for (const QByteArray &line : eventsFile.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.value(0) == "key" && f.size() == 3) {
            keys.append(f[1].toLongLong());
            // Our CLOCK_MONOTONIC, cut to 32 bits as the server's, minus the server's time.
            receiptLag.append(double(quint32(f[2].toLongLong()) - quint32(f[1].toLongLong())));
        } else if (f.value(0) == "refresh" && f.size() == 3) {
            refreshes.append(f[1].toLongLong());
        } else if (f.value(0) == "written" && f.size() == 2) {
            writes.append(f[1].toLongLong());
        } else if (f.value(0) == "damage" && f.size() == 6) {
            const QRect area(f[2].toInt(), f[3].toInt(), f[4].toInt(), f[5].toInt());
            if (views[0].intersects(area) || views[1].intersects(area))
                damages.append(f[1].toLongLong());
        }
    }
    QVector<qint64> logged;
    for (const QByteArray &line : resultsFile.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const wallmatch::ParsedLine parsed = wallmatch::parseResultLine(QString::fromUtf8(line));
        logged.append(parsed.answer && parsed.answer->milliseconds ? *parsed.answer->milliseconds
                                                                   : -1);
    }

    // Answer i is key press i; its case was presented at the first damage of a view after key
    // press i - 1. The first case follows the Start click, which the probe does not see.
    QVector<double> errors, paintLatency;
    double signedSum = 0;
    int unmatched = 0;
    for (int i = 1; i < keys.size() && i < logged.size(); ++i) {
        auto first = std::find_if(damages.cbegin(), damages.cend(),
                                  [&](qint64 t) { return t >= keys[i - 1]; });
        if (first == damages.cend() || *first > keys[i] || logged[i] < 0) {
            ++unmatched;
            continue;
        }
        const qint64 trueMs = keys[i] - *first;
        errors.append(double(std::llabs(logged[i] - trueMs)));
        signedSum += double(logged[i] - trueMs);
        paintLatency.append(double(*first - keys[i - 1]));
        if (std::getenv("TIMING_VERBOSE"))
            std::printf("answer %2d: painted %lld ms after the previous answer, true %lld, logged "
                        "%lld\n",
                        i + 1, *first - keys[i - 1], trueMs, logged[i]);
    }
    // Where the program took its onsets from the display (Present), each case has the refresh it
    // asked about: the first after the previous answer, or the very first for case 1, which
    // the Start click began. Its frame is the first damage of a view after that answer (for
    // case 1, the first in the 100 ms before the refresh). True case time = key press - refresh.
    QVector<double> shownErrors, sentToShown;
    double shownSignedSum = 0;
    for (int i = 0; i < keys.size() && i < logged.size() && !refreshes.isEmpty(); ++i) {
        const qint64 afterUs = i == 0 ? 0 : keys[i - 1] * 1000;
        auto refresh = std::find_if(refreshes.cbegin(), refreshes.cend(),
                                    [&](qint64 us) { return us >= afterUs; });
        if (refresh == refreshes.cend() || *refresh > keys[i] * 1000 + 999 || logged[i] < 0)
            continue;
        const double trueMs = double(keys[i] * 1000 - *refresh) / 1000.0;
        const double error = double(logged[i]) - trueMs;
        shownErrors.append(std::fabs(error));
        shownSignedSum += error;
        const qint64 frameAfter = i == 0 ? *refresh / 1000 - 100 : keys[i - 1];
        auto frame = std::find_if(damages.cbegin(), damages.cend(),
                                  [&](qint64 t) { return t >= frameAfter; });
        if (frame != damages.cend() && *frame * 1000 <= *refresh)
            sentToShown.append(double(*refresh - *frame * 1000) / 1000.0);
        if (std::getenv("TIMING_VERBOSE"))
            std::printf("answer %2d: shown at %.3f, true %.3f, logged %lld\n", i + 1,
                        *refresh / 1000.0, trueMs, logged[i]);
    }
    // Each answer's write: the first one after its key press, on the server's 32-bit clock.
    QVector<double> writeLatency;
    for (int i = 0; i < keys.size() && !writes.isEmpty(); ++i) {
        for (qint64 w : writes) {
            const qint32 after = qint32(quint32(w) - quint32(keys[i]));
            if (after >= 0) {
                writeLatency.append(after);
                break;
            }
        }
    }
    std::printf("%d key presses, %d results lines, %d answers compared, %d not\n", int(keys.size()),
                int(logged.size()), int(errors.size()), unmatched);
    std::printf("%-34s %4s %6s %6s %6s %6s  %s\n", "ms", "n", "p50", "p90", "p99", "max", "target");
    // With onsets from the display the case starts at the refresh, not when the server has the
    // frame: against the frame, the case time is shorter by that wait, by design.
    if (refreshes.isEmpty())
        printRow("|logged - true| case time", errors, "p99 <= 2", percentile(errors, 99) <= 2);
    else
        printRow("|logged - key + frame on server|", errors, "- (refresh)", true);
    printRow("answer -> next case painted", paintLatency, "p50 <= 3, p90 <= 5",
             percentile(paintLatency, 50) <= 3 && percentile(paintLatency, 90) <= 5);
    if (!writeLatency.isEmpty())
        printRow("answer -> results file in place", writeLatency, "max <= 50",
                 percentile(writeLatency, 100) <= 50);
    if (!shownErrors.isEmpty()) {
        printRow("|logged - key + refresh| (case 1 on)", shownErrors, "p99 <= 1",
                 percentile(shownErrors, 99) <= 1);
        printRow("frame on server -> refresh shown", sentToShown, "-", true);
        std::printf("mean logged - true (refresh): %+.2f ms over %d cases\n",
                    shownSignedSum / shownErrors.size(), int(shownErrors.size()));
    }
    // How long this probe, a plain X client, takes to receive a key press: what the machine's
    // load adds to any client's response, the floor the two rows above are compared with.
    printRow("floor: key press -> probe woken", receiptLag, "-", true);
    if (!errors.isEmpty())
        std::printf("mean logged - true: %+.1f ms; ratios to the floor's p50: case time %.1f x, "
                    "painted %.1f x\n",
                    signedSum / errors.size(),
                    percentile(errors, 50) / std::max(1.0, percentile(receiptLag, 50)),
                    percentile(paintLatency, 50) / std::max(1.0, percentile(receiptLag, 50)));
    // The server's timestamps are CLOCK_MONOTONIC milliseconds cut to 32 bits: the probe's own
    // reading of that clock is never earlier than the key's timestamp.
    if (!receiptLag.isEmpty())
        std::printf("key press received (CLOCK_MONOTONIC) - server time: %.0f .. %.0f ms\n",
                    percentile(receiptLag, 0.0001), percentile(receiptLag, 100));
    return errors.size() >= 24 ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "record")
        return record(argv[2], argc == 4 ? argv[3] : nullptr);
    if ((argc == 8 || argc == 10) && std::string(argv[1]) == "report")
        return report(argc, argv);
    std::fprintf(stderr,
                 "usage: %s record WINDOW [FOLDER] | report EVENTS RESULTS X1 Y1 X2 Y2 [W H]\n",
                 argv[0]);
    return 1;
}
