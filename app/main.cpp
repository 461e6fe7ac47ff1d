#include "mainwindow.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Answered before the application exists, so that it needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("wallmatch %s\n", WALLMATCH_VERSION);
            return 0;
        }
    }
    QApplication a(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(WALLMATCH_VERSION));
    MainWindow w;
    w.show();
    return a.exec();
}
