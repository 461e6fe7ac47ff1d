#include "panosample.h"
#include "permissions.h"

#include <QtTest>
#include <cstdio>
#include <functional>
#include <iostream>
#include <unistd.h>

namespace {

const char notFound[] = "\nPredicted corner points from Kestrel not found!\n";

const QByteArray eightLines = "10 20 1 0 1\n"
                              "30 20 0 1 1\n"
                              "50 20 -1 0 1\n"
                              "70 20 0 -1 1\n"
                              "10 40 1 0 -1\n"
                              "30 40 0 1 -1\n"
                              "50 40 -1 0 -1\n"
                              "70 40 0 -1 -1\n";
const QByteArray fiveLines = "1 2 0.5 0.5 0.5\r\n"
                             "3 4 0.5 0.5 0.5\r\n"
                             "5 6 0.5 0.5 0.5\r\n"
                             "7 8 0.5 0.5 0.5\r\n"
                             "9 10 0.25 -0.25 2"; // no final line feed

void writeFile(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(name).path());
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void writeImage(const QString &name, const QSize &size)
{
    QDir().mkpath(QFileInfo(name).path());
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(name, "JPG"));
}

// Everything the call writes and flushes to standard output (file descriptor 1).
QByteArray captureStdout(const std::function<void()> &call)
{
    QTemporaryFile capture;
    if (!capture.open())
        return "capture failed";
    std::cout.flush();
    std::fflush(stdout);
    const int saved = dup(1);
    dup2(capture.handle(), 1);
    call();
    // No flush here: what the call left in the buffers would not count as written.
    dup2(saved, 1);
    close(saved);
    capture.seek(0);
    return capture.readAll();
}

} // namespace

class TestPanoSample : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void readsBothSources();
    void emptyCornerFile();
    void missingCornerFile_data();
    void missingCornerFile();
    void studyReadsOnlyShownSources();
    void unreadableCornerFile();
    void reloadReplaces();
    void loadsImage_data();
    void loadsImage();
    void missingImageKeepsCorners();
    void windowsStylePath();
    void nonAsciiFolder();

private:
    QString folderPath(const QString &name) const { return dir->filePath(name); }
    std::string folder(const QString &name) const { return folderPath(name).toStdString(); }

    QScopedPointer<QTemporaryDir> dir;
    QString savedCurrent;
};

void TestPanoSample::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    savedCurrent = QDir::currentPath();
}

void TestPanoSample::cleanup()
{
    QDir::setCurrent(savedCurrent);
    dir.reset();
}

void TestPanoSample::readsBothSources()
{
    writeFile(folderPath("p/pred_corner.txt"), eightLines);
    writeFile(folderPath("p/pred_corner_Bramble.txt"), fiveLines);
    PanoSample sample;
    const QByteArray out = captureStdout([&] { sample.load(folder("p")); });
    QCOMPARE(out, QByteArray());
    QCOMPARE(sample.path, folder("p"));
    QCOMPARE(sample.imageCorners.size(), 2);
    QCOMPARE(sample.roomCorners.size(), 2);
    QCOMPARE(sample.imageCorners[0].size(), 8);
    QCOMPARE(sample.roomCorners[0].size(), 8);
    QCOMPARE(sample.imageCorners[0][2], QPoint(50, 20));
    QCOMPARE(sample.roomCorners[0][6], CornerPoint(-1, 0, -1));
    QCOMPARE(sample.imageCorners[1].size(), 5);
    QCOMPARE(sample.roomCorners[1].size(), 5);
    QCOMPARE(sample.imageCorners[1][4], QPoint(9, 10));
    QCOMPARE(sample.roomCorners[1][4], CornerPoint(0.25f, -0.25f, 2.0f));
}

void TestPanoSample::emptyCornerFile()
{
    writeFile(folderPath("p/pred_corner.txt"), QByteArray());
    writeFile(folderPath("p/pred_corner_Bramble.txt"), eightLines);
    PanoSample sample;
    sample.load(folder("p"));
    QCOMPARE(sample.imageCorners.size(), 2);
    QCOMPARE(sample.roomCorners.size(), 2);
    QVERIFY(sample.imageCorners[0].isEmpty());
    QVERIFY(sample.roomCorners[0].isEmpty());
    QCOMPARE(sample.imageCorners[1].size(), 8);
}

void TestPanoSample::missingCornerFile_data()
{
    QTest::addColumn<bool>("kestrel");
    QTest::addColumn<bool>("bramble");
    QTest::addColumn<QByteArray>("missingLiteral");
    QTest::addColumn<int>("sources");
    QTest::newRow("kestrel missing") << false << true << QByteArray("//pred_corner.txt") << 0;
    QTest::newRow("bramble missing")
        << true << false << QByteArray("//pred_corner_Bramble.txt") << 1;
    QTest::newRow("both missing") << false << false << QByteArray("//pred_corner.txt") << 0;
}

void TestPanoSample::missingCornerFile()
{
    QFETCH(bool, kestrel);
    QFETCH(bool, bramble);
    QFETCH(QByteArray, missingLiteral);
    QFETCH(int, sources);
    QVERIFY(QDir().mkpath(folderPath("p")));
    if (kestrel)
        writeFile(folderPath("p/pred_corner.txt"), eightLines);
    if (bramble)
        writeFile(folderPath("p/pred_corner_Bramble.txt"), fiveLines);

    PanoSample sample;
    const QByteArray out = captureStdout([&] { sample.load(folder("p")); });
    QCOMPARE(out, QByteArray::fromStdString(folder("p")) + missingLiteral + notFound);
    QCOMPARE(sample.imageCorners.size(), sources);
    QCOMPARE(sample.roomCorners.size(), sources);
    if (sources == 1) {
        QCOMPARE(sample.imageCorners[0].size(), 8);
        QCOMPARE(sample.roomCorners[0].size(), 8);
    }
}

// A study asks for the built-in sources up to the one it shows: a later source's missing file
// is neither read nor reported, and a source that is not built in needs none of them.
void TestPanoSample::studyReadsOnlyShownSources()
{
    writeFile(folderPath("p/pred_corner_LGTNet.txt"), fiveLines);
    PanoSample other;
    QCOMPARE(captureStdout([&] { other.load(folder("p"), "LGTNet", 0); }), QByteArray());
    QCOMPARE(other.roomCorners.size(), 0);
    QVERIFY(other.otherCorners);
    QCOMPARE(other.otherCorners->roomCorners.size(), 5);

    writeFile(folderPath("p/pred_corner.txt"), eightLines);
    PanoSample kestrel;
    QCOMPARE(captureStdout([&] { kestrel.load(folder("p"), QString(), 1); }), QByteArray());
    QCOMPARE(kestrel.roomCorners.size(), 1);
    QCOMPARE(kestrel.roomCorners[0].size(), 8);
}

void TestPanoSample::unreadableCornerFile()
{
    // A directory in place of the Kestrel file cannot be read as one.
    QVERIFY(QDir().mkpath(folderPath("d/pred_corner.txt")));
    writeFile(folderPath("d/pred_corner_Bramble.txt"), fiveLines);
    PanoSample sample;
    QByteArray out = captureStdout([&] { sample.load(folder("d")); });
    QCOMPARE(out, QByteArray::fromStdString(folder("d")) + "//pred_corner.txt" + notFound);
    QVERIFY(sample.imageCorners.isEmpty());

    // A file without read permission; root, too, once it gives up its override.
    const QString locked = folderPath("u/pred_corner_Bramble.txt");
    writeFile(folderPath("u/pred_corner.txt"), eightLines);
    writeFile(locked, fiveLines);
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    PermissionsApply permissions;
    QVERIFY(permissions.isActive());
    QVERIFY(!QFile(locked).open(QIODevice::ReadOnly));
    out = captureStdout([&] { sample.load(folder("u")); });
    QCOMPARE(out, QByteArray::fromStdString(folder("u")) + "//pred_corner_Bramble.txt" + notFound);
    QCOMPARE(sample.imageCorners.size(), 1);
}

void TestPanoSample::reloadReplaces()
{
    writeFile(folderPath("p/pred_corner.txt"), eightLines);
    writeFile(folderPath("p/pred_corner_Bramble.txt"), fiveLines);
    writeImage(folderPath("p/color.jpg"), QSize(40, 20));
    PanoSample sample;
    sample.load(folder("p"));
    const auto imageCorners = sample.imageCorners;
    const auto roomCorners = sample.roomCorners;
    sample.load(folder("p"));
    QCOMPARE(sample.imageCorners, imageCorners);
    QVERIFY(sample.roomCorners == roomCorners);

    // A folder with nothing in it drops everything the last one gave.
    QVERIFY(QDir().mkpath(folderPath("empty")));
    captureStdout([&] { sample.load(folder("empty")); });
    QCOMPARE(sample.path, folder("empty"));
    QVERIFY(sample.image.isNull());
    QVERIFY(sample.imageCorners.isEmpty());
    QVERIFY(sample.roomCorners.isEmpty());
}

void TestPanoSample::loadsImage_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("loaded");
    QTest::newRow("panorama") << QSize(1024, 512) << true;
    QTest::newRow("widest allowed") << QSize(8192, 2) << true;
    QTest::newRow("highest allowed") << QSize(2, 4096) << true;
    QTest::newRow("too wide") << QSize(8193, 2) << false;
    QTest::newRow("too high") << QSize(2, 4097) << false;
}

void TestPanoSample::loadsImage()
{
    QFETCH(QSize, size);
    QFETCH(bool, loaded);
    writeImage(folderPath("p/color.jpg"), size);
    writeFile(folderPath("p/pred_corner.txt"), eightLines);
    writeFile(folderPath("p/pred_corner_Bramble.txt"), fiveLines);
    PanoSample sample;
    sample.load(folder("p"));
    QCOMPARE(sample.image.isNull(), !loaded);
    if (loaded)
        QCOMPARE(sample.image.size(), size);
    QCOMPARE(sample.imageCorners.size(), 2);
}

void TestPanoSample::missingImageKeepsCorners()
{
    writeFile(folderPath("p/pred_corner.txt"), eightLines);
    writeFile(folderPath("p/pred_corner_Bramble.txt"), fiveLines);
    PanoSample sample;
    sample.load(folder("p"));
    QVERIFY(sample.image.isNull());
    QCOMPARE(sample.imageCorners[0].size(), 8);
    QCOMPARE(sample.imageCorners[1].size(), 5);

    writeFile(folderPath("p/color.jpg"), "not an image");
    sample.load(folder("p"));
    QVERIFY(sample.image.isNull());
    QCOMPARE(sample.roomCorners[1].size(), 5);
}

void TestPanoSample::windowsStylePath()
{
    writeImage(folderPath("test_datasets/7/pri_pano/color.jpg"), QSize(64, 32));
    writeFile(folderPath("test_datasets/7/pri_pano/pred_corner.txt"), fiveLines);
    QVERIFY(QDir::setCurrent(dir->path()));

    PanoSample sample;
    const std::string windowsFolder = ".\\test_datasets\\7\\pri_pano";
    const QByteArray out = captureStdout([&] { sample.load(windowsFolder); });
    QCOMPARE(sample.path, windowsFolder);
    QCOMPARE(sample.image.size(), QSize(64, 32));
    QCOMPARE(sample.imageCorners.size(), 1);
    QCOMPARE(sample.imageCorners[0].size(), 5);
    // The name is written as it was formed, not as it was opened.
    QCOMPARE(out, ".\\test_datasets\\7\\pri_pano//pred_corner_Bramble.txt" + QByteArray(notFound));
}

void TestPanoSample::nonAsciiFolder()
{
    const QString name = QString::fromUtf8("räume 全景");
    writeImage(folderPath(name + "/color.jpg"), QSize(16, 8));
    writeFile(folderPath(name + "/pred_corner.txt"), eightLines);
    writeFile(folderPath(name + "/pred_corner_Bramble.txt"), fiveLines);
    PanoSample sample;
    sample.load(folder(name));
    QCOMPARE(sample.image.size(), QSize(16, 8));
    QCOMPARE(sample.imageCorners.size(), 2);
}

QTEST_MAIN(TestPanoSample)

#include "tst_panosample.moc"
