#ifndef MAINWINDOWPROBE_H
#define MAINWINDOWPROBE_H

#include "mainwindow.h"
#include "renderarea.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGroupBox>
#include <QImage>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>
#include <QTextBrowser>
#include <QTimerEvent>

// Reads the window's run state from what it shows and from the process's own records (timers,
// the next sample number), and delivers a display tick at once instead of waiting for the timer.
struct MainWindowProbe
{
    // The number of the sample folder on screen; 0 before the first load.
    static int currentSampleId(const MainWindow &w) { return w.studySession().currentSample(); }

    // Answers taken so far, from the progress label ("Progress:n/total" shows the n-th case).
    static int answersTaken(const MainWindow &w)
    {
        const QString text = w.findChild<QLabel *>("progressLabel")->text();
        const QRegularExpressionMatch match =
            QRegularExpression("^Progress:(\\d+)/\\d+$").match(text);
        return match.hasMatch() ? match.captured(1).toInt() - 1 : -1;
    }

    // Each result line's sample and walls ("ind 2: Wall 1 <==> Wall 3"), up to the source name.
    static QStringList answerHeads(const QByteArray &resultsFile)
    {
        QStringList heads;
        for (const QByteArray &line : resultsFile.split('\n')) {
            if (!line.isEmpty())
                heads << QString::fromUtf8(line.left(line.indexOf(" (")));
        }
        return heads;
    }

    // The running display timer (the window's only timer), or -1.
    static int displayTimerId(const MainWindow &w)
    {
        const QList<QAbstractEventDispatcher::TimerInfo> timers =
            QAbstractEventDispatcher::instance()->registeredTimers(const_cast<MainWindow *>(&w));
        return timers.isEmpty() ? -1 : timers.first().timerId;
    }

    static bool tick(MainWindow &w)
    {
        const int id = displayTimerId(w);
        if (id == -1)
            return false;
        QTimerEvent event(id);
        QCoreApplication::sendEvent(&w, &event);
        return true;
    }

    // Whether the time display shows exactly this text: it looks like a display of the same
    // make and place showing it.
    static bool showsTime(const MainWindow &w, const QString &text)
    {
        const QLCDNumber *lcd = w.findChild<QLCDNumber *>("lcdTimer");
        QLCDNumber twin(lcd->parentWidget());
        twin.setStyleSheet(lcd->styleSheet());
        twin.setAutoFillBackground(lcd->autoFillBackground());
        twin.setFrameStyle(lcd->frameStyle());
        twin.setLineWidth(lcd->lineWidth());
        twin.setMidLineWidth(lcd->midLineWidth());
        twin.setDigitCount(lcd->digitCount());
        twin.setMode(lcd->mode());
        twin.setSmallDecimalPoint(lcd->smallDecimalPoint());
        twin.setSegmentStyle(lcd->segmentStyle());
        twin.resize(lcd->size());
        twin.display(text);
        return const_cast<QLCDNumber *>(lcd)->grab().toImage() == twin.grab().toImage();
    }
};

// The test window, started plainly or for a study run, with the widgets the tests drive and
// read.
struct StudyWindow
{
    StudyWindow() = default;
    explicit StudyWindow(const wallmatch::StudyRun &run)
        : window(run)
    {
    }
    MainWindow window;
    QGroupBox *viewport = window.findChild<QGroupBox *>("viewportRegion");
    RenderArea *pano1 = window.findChild<RenderArea *>("pano1");
    RenderArea *pano2 = window.findChild<RenderArea *>("pano2");
    QPushButton *start = window.findChild<QPushButton *>("startBtn");
    QPushButton *pause = window.findChild<QPushButton *>("pauseBtn");
    QPushButton *match = window.findChild<QPushButton *>("matchBtn");
    QLabel *wall1 = window.findChild<QLabel *>("pano01WallNum");
    QLabel *wall2 = window.findChild<QLabel *>("pano02WallNum");
    QLabel *progress = window.findChild<QLabel *>("progressLabel");
    QLabel *type = window.findChild<QLabel *>("typeLabel");
    QTextBrowser *log = window.findChild<QTextBrowser *>("textBrowser");
    QLCDNumber *lcd = window.findChild<QLCDNumber *>("lcdTimer");

    // The page over the window (instructions, a study screen's notice or its end), or none.
    QWidget *page() const
    {
        for (QPushButton *button : window.findChildren<QPushButton *>("beginBtn")) {
            if (!button->parentWidget()->isHidden())
                return button->parentWidget();
        }
        return nullptr;
    }
    QString pageText() const
    {
        QWidget *shown = page();
        return shown ? shown->findChild<QTextBrowser *>()->toPlainText().trimmed() : QString();
    }
    // Presses the page's button (Begin, OK, Close); false without a page.
    bool pressPageButton()
    {
        QWidget *shown = page();
        if (!shown)
            return false;
        QTest::mouseClick(shown->findChild<QPushButton *>("beginBtn"), Qt::LeftButton);
        return true;
    }
    // Starts the run as the subject does: Begin on a study's first page, else Start Test.
    void begin()
    {
        if (!pressPageButton())
            QTest::mouseClick(start, Qt::LeftButton);
    }
};

#endif // MAINWINDOWPROBE_H
