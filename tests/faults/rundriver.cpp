// The real window, run headless on the sample tree in the working directory and answered by
// itself as a subject would: start (Begin in a study run), then for every case a click on a wall in
// each view and a click on "Match / Next Case". Prints "answered N" once answer N is through, so
// that a test can kill it at chosen moments. The run ends with a close answered Yes; with "stay"
// the window stays open instead, until the process is killed. Like the program, it first takes the
// working results file's session lock; when another instance holds it, it prints "refused: " and
// the box's text and exits with status 3 once the box is answered. Options after "--" are
// wallmatch's own
// (--plan, --participant, --resume), checked as the program checks them.
//   rundriver ANSWERS THINK_MS [stay] [-- OPTIONS]
#include "fixturetree.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "renderarea.h"
#include "sessionlock.h"
#include "startup.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>

// The walls picked for answer n, in the first and second view.
int firstWall(int n)
{
    return n % 4;
}
int secondWall(int n)
{
    return (n / 4) % 4;
}

int main(int argc, char *argv[])
{
    int own = 1;
    while (own < argc && qstrcmp(argv[own], "--") != 0)
        ++own;
    if (own < 3 || own > 4) {
        std::fprintf(stderr, "usage: rundriver ANSWERS THINK_MS [stay] [-- OPTIONS]\n");
        return 2;
    }
    const int answers = std::atoi(argv[1]);
    const int thinkMs = std::atoi(argv[2]);
    const bool stay = own == 4 && qstrcmp(argv[3], "stay") == 0;
    QStringList options {QStringLiteral("wallmatch")};
    for (int i = own + 1; i < argc; ++i)
        options << QString::fromLocal8Bit(argv[i]);
    QApplication app(argc, argv);
    wallmatch::SessionLock session(wallmatch::resultsFileOfArguments(options));
    {
        ModalAnswerer answerer;
        if (!wallmatch::startSession(session)) {
            std::printf("refused: %s\n", qPrintable(session.refusal()));
            for (const ModalAnswerer::Box &box : answerer.boxes)
                std::printf("box: %s\n", qPrintable(box.title));
            return 3;
        }
    }
    std::printf("locked\n");
    std::fflush(stdout);
    const wallmatch::Startup start = wallmatch::prepareStartup(options);
    if (!start.problems.isEmpty()) {
        for (const QString &problem : start.problems)
            std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 2;
    }
    {
        MainWindow window(start.run);
        window.show();
        ModalAnswerer answerer;
        auto *pano1 = window.findChild<RenderArea *>("pano1");
        auto *pano2 = window.findChild<RenderArea *>("pano2");
        auto *match = window.findChild<QPushButton *>("matchBtn");
        // A study run opens with a page whose Begin presents the first case; a plain start has
        // Start Test.
        auto pageButton = [&window]() -> QPushButton * {
            for (QPushButton *button : window.findChildren<QPushButton *>("beginBtn")) {
                if (!button->parentWidget()->isHidden())
                    return button;
            }
            return nullptr;
        };
        QPushButton *begin = pageButton();
        QTest::mouseClick(begin ? begin : window.findChild<QPushButton *>("startBtn"),
                          Qt::LeftButton);
        for (int n = 1; n <= answers; ++n) {
            QTest::mouseClick(pano1, Qt::LeftButton, {},
                              fixture::boxWallCentre(false, firstWall(n)));
            QTest::mouseClick(pano2, Qt::LeftButton, {},
                              fixture::boxWallCentre(true, secondWall(n)));
            if (thinkMs > 0)
                QTest::qWait(thinkMs);
            QTest::mouseClick(match, Qt::LeftButton);
            std::printf("answered %d\n", n);
            std::fflush(stdout);
        }
        if (stay)
            return app.exec();
        // A study run that ended shows its end page; its button closes the window.
        if (QPushButton *end = pageButton()) {
            std::printf("end page: %s\n", qPrintable(end->text()));
            answerer.queue(QMessageBox::Yes);
            QTest::mouseClick(end, Qt::LeftButton);
        }
        answerer.queue(QMessageBox::Yes);
        window.close();
        if (window.isVisible()) {
            std::fprintf(stderr, "the window did not close as asked\n");
            return 1;
        }
        for (const ModalAnswerer::Box &box : answerer.boxes)
            std::printf("box: %s\n", qPrintable(box.title));
    }
    std::printf("closed\n");
    return 0;
}
