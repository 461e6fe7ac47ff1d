#include "mainwindow.h"
#include "sessionlock.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication a(argc, argv);
    wallmatch::SessionLock session(QDir::currentPath());
    if (!wallmatch::startSession(session))
        return 1;
    MainWindow w;
    w.show();
    return a.exec();
}
