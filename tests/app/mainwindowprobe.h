#ifndef MAINWINDOWPROBE_H
#define MAINWINDOWPROBE_H

#include "mainwindow.h"

#include <QCoreApplication>
#include <QTimerEvent>

// Reads the window's private run state, which has no accessor of its own, and delivers a
// display tick at once instead of waiting for the timer.
struct MainWindowProbe
{
    static QPoint pano1ClickPos(const MainWindow &w) { return w.pano1ClickPos; }
    static QPoint pano2ClickPos(const MainWindow &w) { return w.pano2ClickPos; }
    static const QVector<QString> &resultLines(const MainWindow &w) { return w.resultLines; }
    static int sampleNumber(const MainWindow &w) { return w.sampleNumber; }
    static int currentSampleId(const MainWindow &w) { return w.currentSampleId; }
    static int displayTimerId(const MainWindow &w) { return w.displayTimerId; }
    static qint64 accumulatedMs(const MainWindow &w) { return w.accumulatedMs; }
    static bool clockRunning(const MainWindow &w) { return w.caseClock.isValid(); }
    static QString timeText(const MainWindow &w) { return w.timeText; }

    static bool tick(MainWindow &w)
    {
        if (w.displayTimerId == -1)
            return false;
        QTimerEvent event(w.displayTimerId);
        QCoreApplication::sendEvent(&w, &event);
        return true;
    }
};

#endif // MAINWINDOWPROBE_H
