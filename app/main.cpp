#include "mainwindow.h"
#include "sessionlock.h"
#include "startup.h"
#include "windowstage.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <cstdio>

int main(int argc, char *argv[])
{
    // --help and --version need no display.
    const wallmatch::EarlyStart early = wallmatch::answerInfoOptions(argc, argv);
    if (early.exitCode)
        return *early.exitCode;

    QApplication a(argc, argv);
    wallmatch::SessionLock session(
        wallmatch::resultsFileOfArguments(QCoreApplication::arguments()));
    if (!wallmatch::startSession(session))
        return 1;
    const wallmatch::Startup start = wallmatch::prepareStartup(QCoreApplication::arguments());
    if (!start.problems.isEmpty()) {
        for (const QString &problem : start.problems)
            std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 2;
    }
    if (start.run.resume)
        std::printf("Resuming from %s: %d answers kept, going on with case %d\n",
                    qPrintable(QDir::toNativeSeparators(start.run.resumedFrom)),
                    int(start.run.resumedLines.size()), int(start.run.resumedLines.size()) + 1);
    std::fflush(stdout);

    MainWindow w(start.run);
    const qreal scale = wallmatch::primaryScreenFitScale(start.fullScreen);
    if (!start.fullScreen && scale == 1.0) {
        w.show();
        return a.exec();
    }
    WindowStage stage(&w, scale, start.fullScreen);
    if (start.fullScreen) {
        // The geometry too, for a desktop without a window manager to act on the state.
        stage.setGeometry(QGuiApplication::primaryScreen()->geometry());
        stage.showFullScreen();
    } else {
        // Shrunk to the available area: at its top, centred across.
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        stage.move(area.left() + (area.width() - stage.width()) / 2, area.top());
        stage.show();
    }
    return a.exec();
}
