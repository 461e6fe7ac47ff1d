#include "hostile.h"

#include "fixturetree.h"
#include "renderarea.h"
#include "roomfixture.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define HOSTILE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOSTILE_SANITIZED 1
#endif
#endif

namespace hostile {

namespace {

const QColor background(10, 200, 30);

} // namespace

qint64 budgetMs()
{
#ifdef HOSTILE_SANITIZED
    return 40000;
#else
    return 10000;
#endif
}

QVector<QByteArray> boxRoomLines()
{
    QVector<QByteArray> lines;
    const QByteArray text = fixture::cornerFileText(fixture::boxRoomCorners(), panoSize);
    for (const QByteArray &line : text.split('\n')) {
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

QByteArray joinLines(const QVector<QByteArray> &lines, const QByteArray &separator)
{
    QByteArray text;
    for (const QByteArray &line : lines)
        text += line + separator;
    return text;
}

QVector<QPoint> boxWallPoints(int wall)
{
    switch (wall) {
    case 0:
        return {QPoint(256, 256), QPoint(300, 200)};
    case 1:
        return {QPoint(512, 256), QPoint(470, 320)};
    case 2:
        return {QPoint(768, 256), QPoint(800, 200)};
    default:
        return {QPoint(1000, 256), QPoint(24, 256)}; // either side of the seam
    }
}

QVector<int> pickBoxWalls(RenderArea &view)
{
    int last = -1;
    const QMetaObject::Connection connection = QObject::connect(
        &view, qOverload<int>(&RenderArea::clicked), [&last](int wall) { last = wall; });
    QVector<int> picked;
    for (int wall = 0; wall < 4; ++wall) {
        for (const QPoint &p : boxWallPoints(wall)) {
            last = -1;
            QTest::mouseClick(&view, Qt::LeftButton, {}, p);
            picked.append(last);
        }
    }
    QObject::disconnect(connection);
    return picked;
}

QImage render(RenderArea &view)
{
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(background);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool paintsNothing(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != background)
                return false;
        }
    }
    return true;
}

bool writeImage(const QString &name, const QSize &size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    return image.save(name, format);
}

qint64 peakMemoryMiB()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

StdoutCapture::StdoutCapture()
{
    std::cout.flush();
    std::fflush(stdout);
    QTemporaryFile file;
    file.setAutoRemove(false);
    if (!file.open())
        return;
    fileName = file.fileName();
    file.close();
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_TRUNC);
    if (fd < 0)
        return;
    saved = ::dup(STDOUT_FILENO);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
}

StdoutCapture::~StdoutCapture()
{
    std::cout.flush();
    std::fflush(stdout);
    if (saved >= 0) {
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
    }
    if (!fileName.isEmpty())
        QFile::remove(fileName);
}

QByteArray StdoutCapture::text()
{
    std::cout.flush();
    std::fflush(stdout);
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace hostile
