#include "inputmoments.h"

#include "caseclock.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

bool InputMoments::filter(const QWidget *window, QObject *obj, QEvent *event,
                          std::optional<qint64> &pressAt)
{
    switch (event->type()) {
    case QEvent::KeyRelease: {
        // Wherever it goes (a box may have the focus): the key is up again.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space) {
            spaceHeld = false;
            spaceReleaseStamp = key->timestamp();
        }
        return false;
    }
    case QEvent::WindowDeactivate:
        if (obj == window)
            spaceHeld = false; // its release goes to another window
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
        break;
    default:
        return false;
    }
    if (!obj->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(obj);
    if (widget != window && !window->isAncestorOf(widget))
        return false;
    const qint64 at = CaseClock::eventTime(static_cast<QInputEvent *>(event)->timestamp());
    // Input that happened before this case was on screen was meant for an earlier one.
    if (at < presentedAtMs)
        return true;
    if (event->type() == QEvent::MouseButtonPress)
        pressAt = at;
    if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QAbstractButton *>(widget)
        && widget->rect().contains(static_cast<QMouseEvent *>(event)->pos())) {
        releasedButton = widget; // the release that clicks it, just before its slot runs
        releasedAtMs = at;
    }
    return false;
}

qint64 InputMoments::take(const QObject *button)
{
    const bool byEvent = releasedButton == button;
    releasedButton = nullptr;
    return byEvent ? releasedAtMs : CaseClock::now();
}

// X sends a held key's repeats as a release and a press with the same timestamp, and Qt marks
// them as auto-repeat only when both are already queued; with detectable auto-repeat there is no
// release between the presses at all. A timestamp of 0 (a synthesized event) tells nothing.
bool InputMoments::isSpaceRepeat(const QKeyEvent &event) const
{
    if (event.isAutoRepeat() || spaceHeld)
        return true;
    return event.timestamp() != 0 && spaceReleaseStamp == event.timestamp();
}

bool InputMoments::spacePressed(const QKeyEvent &event, const QObject *button)
{
    const bool repeat = isSpaceRepeat(event);
    spaceHeld = true;
    if (repeat)
        return false;
    releasedButton = button;
    releasedAtMs = CaseClock::eventTime(event.timestamp());
    return true;
}

void InputMoments::presented(qint64 atMs)
{
    presentedAtMs = atMs;
}

qint64 InputMoments::takeActionTime()
{
    const qint64 at = pendingMs.value_or(CaseClock::now());
    pendingMs.reset();
    return at;
}
