#include "mainwindow.h"
#include "sessionlock.h"
#include "startup.h"
#include "studychooser.h"
#include "studystart.h"
#include "windowstage.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QWindow>
#include <cstdio>

int main(int argc, char *argv[])
{
    // --help and --version need no display.
    const wallmatch::EarlyStart early = wallmatch::answerInfoOptions(argc, argv);
    if (early.exitCode)
        return *early.exitCode;

    QApplication a(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (early.chooseStudy) {
        // Started from a desktop menu: the dialog picks the folder and runs there.
        StudyChooser chooser(arguments);
        if (chooser.exec() != QDialog::Accepted)
            return 0;
        arguments = chooser.arguments();
    }
    // A study folder: its file stands for the options, and the session runs in the folder.
    const QStringList given = arguments;
    const wallmatch::StudyStart study = wallmatch::expandStudyArguments(arguments);
    if (!study.problems.isEmpty()) {
        for (const QString &problem : study.problems)
            std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 2;
    }
    if (study.study) {
        arguments = study.arguments;
        if (!study.planFile.isEmpty())
            std::printf("Study %s: participant %s, plan %s\n", qPrintable(study.file.study.title),
                        qPrintable(study.participant),
                        qPrintable(QDir(study.folder).relativeFilePath(study.planFile)));
        if (!QDir::setCurrent(study.folder)) {
            std::fprintf(stderr, "%s: cannot work in this folder\n", qPrintable(study.folder));
            return 2;
        }
    }
    wallmatch::SessionLock session(wallmatch::resultsFileOfArguments(arguments));
    if (!wallmatch::startSession(session))
        return 1;
    wallmatch::Startup start = wallmatch::prepareStartup(arguments);
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
    for (const QString &note : start.notes)
        std::fprintf(stderr, "%s\n", qPrintable(note));
    std::fflush(stderr);

    const qreal scale = wallmatch::primaryScreenFitScale(start.fullScreen);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        start.run.facts.screenSize = screen->geometry().size();
        start.run.facts.devicePixelRatio = screen->devicePixelRatio();
    }
    start.run.facts.windowScale = scale;
    start.run.facts.fullScreen = start.fullScreen;
    wallmatch::noteStudy(start.run.facts, study, given);
    MainWindow w(start.run);
    if (!start.fullScreen && scale == 1.0) {
        w.show();
        return a.exec();
    }
    WindowStage stage(&w, scale, start.fullScreen);
    if (start.fullScreen) {
        // The geometry too, for a desktop without a window manager to act on the state.
        stage.setGeometry(QGuiApplication::primaryScreen()->geometry());
        stage.showFullScreen();
        // Leaving full screen takes the subject out of the test as losing the focus does.
        QObject::connect(stage.windowHandle(), &QWindow::windowStateChanged, &w,
                         [&w](Qt::WindowState state) {
                             if (state != Qt::WindowFullScreen)
                                 w.pauseForFocusLoss();
                         });
    } else {
        // Shrunk to the available area: at its top, centred across.
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        stage.move(area.left() + (area.width() - stage.width()) / 2, area.top());
        stage.show();
    }
    return a.exec();
}
