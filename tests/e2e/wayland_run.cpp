#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "sessionlock.h"
#include "startup.h"
#include "windowstage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

// Runs a session of the program in this process, as main() starts it, on whatever platform Qt
// was given (made for its wayland platform under a headless compositor, which has no input
// for clients): clicks Begin or Start, then answers each case once it is on screen, after waits of
// 50 to 400 ms so that cases fall at every phase of the display's refresh, and answers the box at
// the end (a box or a page). Exits 0 once the window has closed, 1 if it takes longer than 120 s.
//   wayland_run WALLMATCH_OPTIONS...
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    wallmatch::SessionLock lock(wallmatch::resultsFileOfArguments(arguments));
    if (!wallmatch::startSession(lock))
        return 1;
    wallmatch::Startup start = wallmatch::prepareStartup(arguments);
    for (const QString &problem : start.problems)
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    if (!start.problems.isEmpty())
        return 2;

    const qreal scale = wallmatch::primaryScreenFitScale(start.fullScreen);
    start.run.facts.windowScale = scale;
    start.run.facts.fullScreen = start.fullScreen;
    MainWindow window(start.run);
    std::unique_ptr<WindowStage> stage;
    if (!start.fullScreen && scale == 1.0) {
        window.show();
    } else {
        stage = std::make_unique<WindowStage>(&window, scale, start.fullScreen);
        if (start.fullScreen)
            stage->showFullScreen();
        else
            stage->show();
    }
    const QWidget *shownWindow = stage ? static_cast<QWidget *>(stage.get()) : &window;
    auto *startButton = window.findChild<QPushButton *>(QStringLiteral("startBtn"));
    auto *match = window.findChild<QPushButton *>(QStringLiteral("matchBtn"));
    auto *pano1 = window.findChild<RenderArea *>(QStringLiteral("pano1"));
    auto *pano2 = window.findChild<RenderArea *>(QStringLiteral("pano2"));

    int answered = 0;
    int seenCase = -1;
    QDeadlineTimer answerAt;
    const QDeadlineTimer deadline(120 * 1000);
    // Clicked from the event loop, not from the timer's slot: a click that opens a box runs the
    // box's own loop, in which this timer must go on answering.
    const auto press = [](QAbstractButton *button) {
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    };
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "wayland_run: no end after 120 s, %d answers\n", answered);
            QCoreApplication::exit(1);
            return;
        }
        if (qEnvironmentVariableIsSet("WAYLAND_RUN_DEBUG") && answered >= 5)
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    std::fprintf(stderr, "top %s %s modal %p\n", w->metaObject()->className(),
                                 qPrintable(w->windowTitle()),
                                 (void *)QApplication::activeModalWidget());
        // A box shown over the scaled or full-screen stage is not the active modal widget
        // where the window system gives no window the focus: looked for among the windows.
        QMessageBox *box = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && qobject_cast<QMessageBox *>(top))
                box = static_cast<QMessageBox *>(top);
        }
        if (box) {
            QAbstractButton *button = box->button(QMessageBox::Yes); // "Exit?"
            if (!button) {
                if (box->text() != QLatin1String("Well done! You finished test."))
                    std::fprintf(stderr, "wayland_run: box \"%s\"\n", qPrintable(box->text()));
                button = box->button(QMessageBox::Ok);
            }
            if (button)
                press(button);
            return;
        }
        if (!window.isVisible() && answered > 0) {
            QCoreApplication::exit(0);
            return;
        }
        // A page's button (Begin, Close at the end), else Start.
        for (auto *page : window.findChildren<QPushButton *>(QStringLiteral("beginBtn"))) {
            if (page->isVisible() && page->isEnabled()) {
                press(page);
                return;
            }
        }
        if (startButton->isVisible() && startButton->isEnabled() && shownWindow->windowHandle()
            && shownWindow->windowHandle()->isExposed()) {
            press(startButton);
            return;
        }
        // A new case on screen (cases of a plan differ in number or sample): its answer comes
        // after a wait.
        const wallmatch::StudySession &session = window.studySession();
        const int shown = session.currentSample() > 0
            ? session.caseNumber() * 100000 + session.currentSample()
            : -1;
        if (shown >= 0 && shown != seenCase) {
            seenCase = shown;
            answerAt.setRemainingTime(50 + (answered * 7 % 8) * 50);
            return;
        }
        if (seenCase >= 0 && shown == seenCase && !answerAt.isForever() && answerAt.hasExpired()) {
            answerAt = QDeadlineTimer(QDeadlineTimer::Forever);
            // Walls as clicks inside them report them.
            Q_EMIT pano1->clicked(0);
            Q_EMIT pano1->clicked(QPoint(256, 256));
            Q_EMIT pano2->clicked(3);
            Q_EMIT pano2->clicked(QPoint(256, 256));
            press(match);
            ++answered;
        }
    });
    poll.start();
    return app.exec();
}
