#include "fullscreenstage.h"
#include "mainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QScreen>
#include <cstdio>

int main(int argc, char *argv[])
{
    // --help and --version need no display.
    const wallmatch::EarlyStart early = wallmatch::answerInfoOptions(argc, argv);
    if (early.exitCode)
        return *early.exitCode;
    const qreal scale = wallmatch::applyScreenFit(argc, argv, early.fullScreen);

    QApplication a(argc, argv);
    const wallmatch::Startup start = wallmatch::prepareStartup(QCoreApplication::arguments());
    if (!start.problems.isEmpty()) {
        for (const QString &problem : start.problems)
            std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 2;
    }

    MainWindow w(start.run);
    if (start.fullScreen) {
        FullScreenStage stage(&w);
        stage.showFullScreen();
        return a.exec();
    }
    if (scale < 1.0) {
        // Shrunk to the available area: put it at the area's top, centred across.
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        w.move(area.left() + (area.width() - w.width()) / 2, area.top());
    }
    w.show();
    return a.exec();
}
