#ifndef INPUTMOMENTS_H
#define INPUTMOMENTS_H

#include <QtGlobal>
#include <limits>
#include <optional>

class QEvent;
class QKeyEvent;
class QObject;
class QWidget;

// When the window's input happened, on CaseClock's time base, from the input events' own
// timestamps: a button's slot and a Space press act for the moment of the click or the press,
// however late they are handled, and input from before the case was on screen is dropped.
class InputMoments
{
public:
    // Sees an input event before its receiver, possibly more than once as it travels up to the
    // parents (the same result each time). True: drop it, it was meant for an earlier case. A
    // press on a widget of `window` sets pressAt to its moment.
    bool filter(const QWidget *window, QObject *obj, QEvent *event, std::optional<qint64> &pressAt);
    // The moment of the click that runs `button`'s slot now, else now.
    qint64 take(const QObject *button);
    // A Space press: true when it answers, as a click of `button` at the press's moment; a held
    // key's repeats do not.
    bool spacePressed(const QKeyEvent &event, const QObject *button);

    // The case's frame left at `atMs`: input from before it is dropped.
    void presented(qint64 atMs);
    qint64 presentedAt() const { return presentedAtMs; }
    // The moment on_pause or on_restart acts for: set, or now.
    void actAt(std::optional<qint64> atMs) { pendingMs = atMs; }
    qint64 takeActionTime();

private:
    bool isSpaceRepeat(const QKeyEvent &event) const;

    qint64 presentedAtMs = std::numeric_limits<qint64>::min();
    std::optional<qint64> pendingMs;
    const QObject *releasedButton = nullptr; // the button released by the latest mouse release
    qint64 releasedAtMs = 0;
    bool spaceHeld = false;
    std::optional<ulong> spaceReleaseStamp;
};

#endif // INPUTMOMENTS_H
