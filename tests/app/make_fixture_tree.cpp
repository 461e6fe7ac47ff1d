#include "fixturetree.h"

#include <QGuiApplication>
#include <cstdio>

// Writes the box-room sample tree for tests that drive the real program: DIR [SAMPLES].
int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [SAMPLES]\n", argv[0]);
        return 2;
    }
    const int samples = argc > 2 ? std::atoi(argv[2]) : 3;
    if (!fixture::writeBoxRoomTree(QString::fromLocal8Bit(argv[1]), samples)) {
        std::fprintf(stderr, "could not write the sample tree in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
