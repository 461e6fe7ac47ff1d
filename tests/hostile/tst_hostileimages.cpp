// Panorama images as broken scripts leave them, each loaded into a real view together with a
// proper corner file: the view draws what it can decode, never scales, and keeps memory bounded.
#include "hostile.h"
#include "renderarea.h"
#include "roomfixture.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString wallText(const QVector<int> &walls)
{
    QStringList list;
    for (int wall : walls)
        list << QString::number(wall);
    return list.join(' ');
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage flatImage(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// The peak memory grew by less than 64 MiB from `memoryBefore`, and `elapsed` ms are within
// the budget.
void verifyCost(qint64 memoryBefore, qint64 elapsed)
{
    QVERIFY2(
        hostile::peakMemoryMiB() - memoryBefore < 64,
        qPrintable(
            QString("peak %1 MiB, was %2 MiB").arg(hostile::peakMemoryMiB()).arg(memoryBefore)));
    qInfo("took %lld ms", elapsed);
    QVERIFY2(elapsed < hostile::budgetMs(), qPrintable(QString("%1 ms").arg(elapsed)));
}

// Should the program wait in open() on a FIFO, this opens its other end after a while, so that
// the test fails on its time instead of hanging.
class FifoRelease
{
public:
    explicit FifoRelease(const QString &fifo)
        : path(QFile::encodeName(fifo))
        , thread([this] {
            std::unique_lock<std::mutex> lock(mutex);
            if (wake.wait_for(lock, std::chrono::milliseconds(hostile::budgetMs()),
                              [this] { return done; }))
                return;
            const int fd = ::open(path.constData(), O_WRONLY);
            if (fd >= 0)
                ::close(fd);
        })
    {
    }
    ~FifoRelease()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        wake.notify_all();
        thread.join();
    }

private:
    QByteArray path;
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread thread;
};

enum class Special { Fifo, DevZero, Oversized };

const QString allWalls = "0 0 1 1 2 2 3 3";
const QString noWall = "-1 -1 -1 -1 -1 -1 -1 -1";

} // namespace

Q_DECLARE_METATYPE(Special)

class TestHostileImages : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray corners;
    int folders = 0;

    QString folderWith(const QByteArray &image)
    {
        const QString folder = dir.filePath(QString::number(++folders));
        if (!QDir().mkpath(folder) || !fixture::writeText(folder + "/color.jpg", image)
            || !fixture::writeText(folder + "/pred_corner.txt", corners)
            || !fixture::writeText(folder + "/pred_corner_Bramble.txt", corners))
            return QString();
        return folder;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        corners = hostile::joinLines(hostile::boxRoomLines());
    }

    void image_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("drawn");
        QTest::addColumn<QString>("picked"); // per click point of pickBoxWalls

        const QImage grey = flatImage(hostile::panoSize, QColor(128, 128, 128));
        const QByteArray jpeg = encoded(grey, "JPG");
        QTest::newRow("well-formed JPEG: drawn, every wall picks") << jpeg << true << allWalls;
        QTest::newRow("0 bytes: nothing drawn, nothing picks") << QByteArray() << false << noWall;
        QTest::newRow("truncated JPEG: drawn as far as decoded, walls pick")
            << jpeg.left(jpeg.size() / 2) << true << allWalls;
        QTest::newRow("JPEG cut inside its header: nothing drawn, nothing picks")
            << jpeg.left(40) << false << noWall;
        QTest::newRow("PNG named color.jpg: drawn by its content, walls pick")
            << encoded(grey, "PNG") << true << allWalls;
        QTest::newRow("text file named color.jpg: nothing drawn, nothing picks")
            << QByteArray("128 128 -1 1 1\nnot an image\n") << false << noWall;
    }

    void image()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, drawn);
        QFETCH(QString, picked);
        const QString folder = folderWith(bytes);
        QVERIFY(!folder.isEmpty());

        RenderArea view;
        view.setFixedSize(hostile::panoSize);
        QElapsedTimer timer;
        timer.start();
        view.loadSample(folder.toStdString());
        const QImage image = hostile::render(view);
        const QVector<int> actual = hostile::pickBoxWalls(view);
        const qint64 elapsed = timer.elapsed();

        QCOMPARE(!hostile::paintsNothing(image), drawn);
        QCOMPARE(wallText(actual), picked);
        qInfo("took %lld ms", elapsed);
        QVERIFY2(elapsed < hostile::budgetMs(), qPrintable(QString("%1 ms").arg(elapsed)));
    }

    // A real 20000 x 10000 JPEG would take 800 MB once decoded. The view refuses it by the size
    // in its header, without decoding: nothing drawn, nothing picks, memory stays as it was.
    void hugeJpegIsRefusedUnread()
    {
        // Written from a one-bit image (25 MB) so that making it stays cheap.
        QImage bits(20000, 10000, QImage::Format_Mono);
        bits.setColorTable({qRgb(90, 90, 90), qRgb(160, 160, 160)});
        bits.fill(1);
        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "JPG");
            writer.setQuality(10);
            QVERIFY(writer.write(bits));
        }
        bits = QImage();
        const QString folder = folderWith(jpeg);
        QVERIFY(!folder.isEmpty());
        jpeg.clear();

        RenderArea view;
        view.setFixedSize(hostile::panoSize);
        const qint64 memoryBefore = hostile::peakMemoryMiB();
        QElapsedTimer timer;
        timer.start();
        view.loadSample(folder.toStdString());
        const QImage image = hostile::render(view);
        const QVector<int> actual = hostile::pickBoxWalls(view);
        const qint64 elapsed = timer.elapsed();

        QVERIFY(hostile::paintsNothing(image));
        QCOMPARE(wallText(actual), noWall);
        verifyCost(memoryBefore, elapsed);
    }

    // What is not a regular file is never opened for reading, and a corner file far beyond any
    // room is refused unread: the view takes the sample at once, memory stays as it was, and
    // standard output says which file and why.
    void specialFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Special>("special");
        QTest::addColumn<QByteArray>("said");
        QTest::addColumn<QString>("picked");
        QTest::newRow("FIFO as image")
            << "color.jpg" << Special::Fifo << QByteArray("not a regular file (a FIFO)") << noWall;
        QTest::newRow("/dev/zero as image")
            << "color.jpg" << Special::DevZero << QByteArray("(a character device)") << noWall;
        // The Bramble file, so that the Kestrel walls still show and can be picked.
        QTest::newRow("FIFO as corner file")
            << "pred_corner_Bramble.txt" << Special::Fifo << QByteArray("not found!") << allWalls;
        QTest::newRow("/dev/zero as corner file") << "pred_corner_Bramble.txt" << Special::DevZero
                                                  << QByteArray("not found!") << allWalls;
        QTest::newRow("2 GiB corner file (sparse)")
            << "pred_corner_Bramble.txt" << Special::Oversized
            << QByteArray("too large (2147483648 bytes, at most 1048576)!") << allWalls;
    }

    void specialFiles()
    {
        QFETCH(QString, name);
        QFETCH(Special, special);
        QFETCH(QByteArray, said);
        QFETCH(QString, picked);
        const QString folder = folderWith(encoded(flatImage(hostile::panoSize, Qt::gray), "JPG"));
        QVERIFY(!folder.isEmpty());
        const QString path = folder + '/' + name;
        QVERIFY(QFile::remove(path));
        const QByteArray native = QFile::encodeName(path);
        switch (special) {
        case Special::Fifo:
            QVERIFY(::mkfifo(native.constData(), 0644) == 0);
            break;
        case Special::DevZero:
            QVERIFY(QFile::link("/dev/zero", path));
            break;
        case Special::Oversized:
            QVERIFY(fixture::writeText(path, QByteArray()));
            QVERIFY(::truncate(native.constData(), 2048ll * 1024 * 1024) == 0);
            break;
        }
        FifoRelease release(path);
        RenderArea view;
        view.setFixedSize(hostile::panoSize);
        const qint64 memoryBefore = hostile::peakMemoryMiB();
        QElapsedTimer timer;
        timer.start();
        QByteArray printed;
        {
            hostile::StdoutCapture capture;
            view.loadSample(folder.toStdString());
            printed = capture.text();
        }
        const QImage image = hostile::render(view);
        const QVector<int> actual = hostile::pickBoxWalls(view);
        const qint64 elapsed = timer.elapsed();

        QVERIFY2(printed.startsWith(QFile::encodeName(folder) + "//" + name.toUtf8() + '\n'),
                 printed.constData());
        QVERIFY2(printed.contains(said), printed.constData());
        QCOMPARE(wallText(actual), picked);
        QCOMPARE(hostile::paintsNothing(image), name == "color.jpg");
        verifyCost(memoryBefore, elapsed);
    }

    // Image pixels are view pixels whatever the image's size: a larger one is cut off at the
    // view's right and bottom, a smaller one leaves the rest of the view unpainted, and the
    // walls are traced and picked in the image's own pixels.
    void otherSizesAreDrawnUnscaled_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QVector<QPoint>>("clicks");
        QTest::addColumn<QString>("picked");
        QTest::newRow("2048 x 1024: top-left quarter shown, picks in image pixels")
            << QSize(2048, 1024) << QVector<QPoint> {{300, 400}, {24, 400}, {1000, 400}} << "0 3 1";
        QTest::newRow("512 x 256: top-left of the view painted, picks in image pixels")
            << QSize(512, 256) << QVector<QPoint> {{128, 128}, {400, 128}, {500, 128}, {700, 128}}
            << "0 2 3 -1";
    }

    void otherSizesAreDrawnUnscaled()
    {
        QFETCH(QSize, size);
        QFETCH(QVector<QPoint>, clicks);
        QFETCH(QString, picked);

        // Four quadrants of their own colour show where each part of the image lands.
        QImage quadrants(size, QImage::Format_RGB32);
        const int w = size.width() / 2, h = size.height() / 2;
        const QColor colours[4] = {QColor(60, 60, 60), QColor(100, 100, 100), QColor(140, 140, 140),
                                   QColor(180, 180, 180)};
        for (int q = 0; q < 4; ++q) {
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x)
                    quadrants.setPixelColor(x + (q % 2) * w, y + (q / 2) * h, colours[q]);
            }
        }
        QVector<QByteArray> lines;
        for (const QByteArray &line : hostile::boxRoomLines()) {
            QList<QByteArray> fields = line.split(' ');
            fields[0] = QByteArray::number(fields[0].toDouble() * size.width() / 1024);
            fields[1] = QByteArray::number(fields[1].toDouble() * size.height() / 512);
            lines << fields.join(' ');
        }
        const QString folder = folderWith(encoded(quadrants, "PNG"));
        QVERIFY(!folder.isEmpty());
        QVERIFY(fixture::writeText(folder + "/pred_corner.txt", hostile::joinLines(lines)));

        RenderArea view;
        view.setFixedSize(hostile::panoSize);
        view.loadSample(folder.toStdString());
        const QImage image = hostile::render(view);
        // Pixels away from walls and corner marks: the image's own, or the view's background.
        const QPoint probes[] = {{5, 5}, {w + 5, 5}, {5, h + 5}, {w + 5, h + 5}};
        for (int q = 0; q < 4; ++q) {
            const QPoint p = probes[q];
            if (p.x() < 1024 && p.y() < 512)
                QCOMPARE(image.pixelColor(p), colours[q]);
        }
        if (size.width() < 1024)
            QVERIFY(hostile::paintsNothing(image.copy(size.width(), 0, 1024 - size.width(), 512)));

        QStringList actual;
        int last = -1;
        connect(&view, qOverload<int>(&RenderArea::clicked), [&last](int wall) { last = wall; });
        for (const QPoint &p : clicks) {
            last = -1;
            QTest::mouseClick(&view, Qt::LeftButton, {}, p);
            actual << QString::number(last);
        }
        QCOMPARE(actual.join(' '), picked);
    }
};

QTEST_MAIN(TestHostileImages)
#include "tst_hostileimages.moc"
