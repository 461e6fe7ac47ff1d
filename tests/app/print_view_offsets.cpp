#include "mainwindow.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <cstdio>

// Prints where the views and the start and pause buttons lie inside the window, so that a script
// driving the real program with window-relative clicks hits them.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    for (const char *name : {"pano1", "pano2"}) {
        const QPoint origin = window.findChild<QWidget *>(name)->mapTo(&window, QPoint(0, 0));
        std::printf("%s %d %d\n", name, origin.x(), origin.y());
    }
    for (const char *name : {"startBtn", "pauseBtn"}) {
        auto *button = window.findChild<QPushButton *>(name);
        const QPoint centre = button->mapTo(&window, button->rect().center());
        std::printf("%s %d %d\n", name, centre.x(), centre.y());
    }
    return 0;
}
