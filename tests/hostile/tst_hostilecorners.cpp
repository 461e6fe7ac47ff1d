// Corner files as broken scripts and models may write them, each loaded into a real view that
// holds a proper panorama image: the view paints, answers clicks and takes the next sample at once.
#include "hostile.h"
#include "renderarea.h"
#include "roomfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

using Lines = QVector<QByteArray>;

// Each wall's two click points, as pickBoxWalls reports them.
QVector<int> walls(std::initializer_list<int> perWall)
{
    QVector<int> result;
    for (int wall : perWall)
        result << wall << wall;
    return result;
}

const QVector<int> allWalls = walls({0, 1, 2, 3});
const QVector<int> noWall = walls({-1, -1, -1, -1});

QString wallText(const QVector<int> &walls)
{
    QStringList list;
    for (int wall : walls)
        list << QString::number(wall);
    return list.join(' ');
}

Lines withLine(int index, const QByteArray &line)
{
    Lines lines = hostile::boxRoomLines();
    lines[index] = line;
    return lines;
}

// The box room's corner 0 (ceiling) given another position in space; its pixel stays.
Lines withCorner0(const QByteArray &xyz)
{
    const QList<QByteArray> fields = hostile::boxRoomLines().at(0).split(' ');
    return withLine(0, fields.at(0) + ' ' + fields.at(1) + ' ' + xyz);
}

// The box room with other pixel positions for some corners; their positions in space stay.
Lines withPixels(const QVector<QPair<int, QByteArray>> &pixels)
{
    Lines lines = hostile::boxRoomLines();
    for (const auto &pixel : pixels) {
        const QList<QByteArray> fields = lines.at(pixel.first).split(' ');
        lines[pixel.first] = pixel.second + ' ' + fields.mid(2).join(' ');
    }
    return lines;
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// A room whose corners lie evenly around the camera, corner i at pixel column (i + 0.5) of
// 1024 per 1024 / walls, ceiling and floor as far above and below as the walls are away.
QByteArray roundRoomText(int walls)
{
    QVector<double> azimuths, distances;
    for (int i = 0; i < walls; ++i) {
        azimuths << (i + 0.5) * 360.0 / walls;
        distances << 1.0 + 0.001 * (i % 7);
    }
    return fixture::cornerFileText(
        fixture::roomCorners(fixture::floorPlanAt(azimuths, distances), 1.0, 1.0),
        hostile::panoSize);
}

// The wall of the round room under each of the box room's click points.
QVector<int> roundRoomWalls(int walls)
{
    QVector<int> result;
    for (int wall = 0; wall < 4; ++wall) {
        for (const QPoint &p : hostile::boxWallPoints(wall)) {
            const int index = int(std::floor(p.x() * walls / 1024.0 - 0.5));
            result << (index + walls) % walls;
        }
    }
    return result;
}

} // namespace

class TestHostileCorners : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString goodFolder;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        goodFolder = dir.filePath("good");
        QVERIFY(QDir().mkpath(goodFolder));
        QVERIFY(hostile::writeImage(goodFolder + "/color.jpg", hostile::panoSize));
        QVERIFY(fixture::writeText(goodFolder + "/pred_corner.txt",
                                   hostile::joinLines(hostile::boxRoomLines())));
    }

    void cornerFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QVector<int>>("picked"); // per click point, see pickBoxWalls
        QTest::addColumn<bool>("cornerDrawn"); // a red dot where the box room's corner 1 is

        const Lines box = hostile::boxRoomLines();
        QTest::newRow("well-formed box room: every wall picks")
            << hostile::joinLines(box) << allWalls << true;
        QTest::newRow("CRLF line ends: read as LF")
            << hostile::joinLines(box, "\r\n") << allWalls << true;

        Lines tabs;
        for (const QByteArray &line : box)
            tabs << "\t " + QByteArray(line).replace(' ', '\t') + "\t7 8 junk";
        QTest::newRow("tabs, leading blanks, extra fields: read as spaces")
            << hostile::joinLines(tabs) << allWalls << true;

        Lines commas;
        for (const QByteArray &line : box)
            commas << QByteArray(line).replace(' ', ',');
        QTest::newRow("commas as separators: every corner zero, nothing picks")
            << hostile::joinLines(commas) << noWall << false;

        QTest::newRow("NaN in a corner: reads as zero corner, its walls 0 and 3 do not pick")
            << hostile::joinLines(withCorner0("nan 1 1")) << walls({-1, 1, 2, -1}) << true;
        QTest::newRow("inf in a corner: reads as zero corner, walls 0 and 3 do not pick")
            << hostile::joinLines(withCorner0("inf -inf 1")) << walls({-1, 1, 2, -1}) << true;
        QTest::newRow("1e38 corner: length overflows, walls 0 and 3 do not pick")
            << hostile::joinLines(withCorner0("-1e38 1e38 1e38")) << walls({-1, 1, 2, -1}) << true;
        QTest::newRow("zero vector corner: walls 0 and 3 do not pick")
            << hostile::joinLines(withCorner0("0 0 0")) << walls({-1, 1, 2, -1}) << true;

        Lines equal;
        for (int i = 0; i < 8; ++i)
            equal << box.at(1);
        QTest::newRow("all corners equal: zero-size walls, nothing picks")
            << hostile::joinLines(equal) << noWall << true;

        // Ceiling corners 0 and 1 point in exactly opposite directions: wall 0 between them has
        // no defined edge. Corner 0 now lies on the seam, so wall 3 ends there and its part
        // right of the seam is gone.
        Lines opposite = box;
        opposite[0] = "256 100 0 1 0";
        opposite[1] = "768 100 0 -1 0";
        QTest::newRow("exactly opposite corners: their wall 0 does not pick, the others do")
            << hostile::joinLines(opposite) << QVector<int> {-1, -1, 1, 1, 2, 2, 3, -1} << false;

        QTest::newRow("negative and huge pixel values: dots off the image, walls pick")
            << hostile::joinLines(withPixels({{1, "-2147483649 99999999999"},
                                              {2, "-1e30 -5"},
                                              {5, "1e30 3e9"},
                                              {6, "-7 -99999"}}))
            << allWalls << false;

        QTest::newRow("binary junk: one zero corner per line feed, nothing picks")
            << randomBytes(64 * 1024, 7) << noWall << false;

        QByteArray utf16;
        utf16 += "\xff\xfe";
        for (char c : hostile::joinLines(box))
            utf16 += QByteArray(1, c) + '\0';
        QTest::newRow("UTF-16 with byte-order mark: zero corners, nothing picks")
            << utf16 << noWall << false;

        QTest::newRow("one 10 MB line without line feed: one zero corner, no walls")
            << QByteArray(10 * 1024 * 1024, '5') << noWall << false;

        // More corners than a view shows: image only. Up to the limit every wall is there.
        QTest::newRow("2,048 lines, round room of 1,024 walls: at the view's limit, walls pick")
            << roundRoomText(1024) << roundRoomWalls(1024) << true;
        QByteArray boxes;
        boxes.reserve(40 * 1000 * 1000);
        for (int i = 0; i < 1000 * 1000 / 8; ++i)
            boxes += hostile::joinLines(box);
        QTest::newRow("1,000,000 lines, box room over and over: image only, nothing picks")
            << boxes << noWall << false;
        QTest::newRow("1,000,000 lines, round room: image only, nothing picks")
            << roundRoomText(500 * 1000) << noWall << false;
    }

    void cornerFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(QVector<int>, picked);
        QFETCH(bool, cornerDrawn);

        const QString folder = dir.filePath(QString::number(qHash(QTest::currentDataTag())));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(hostile::writeImage(folder + "/color.jpg", hostile::panoSize));
        QVERIFY(fixture::writeText(folder + "/pred_corner.txt", text));
        QVERIFY(fixture::writeText(folder + "/pred_corner_Bramble.txt", text));

        RenderArea view;
        view.setFixedSize(hostile::panoSize);
        QElapsedTimer timer;
        timer.start();
        view.loadSample(folder.toStdString());
        const QImage image = hostile::render(view);
        const QVector<int> actual = hostile::pickBoxWalls(view);
        view.setCornerType(CornerType::Bramble);
        hostile::render(view);
        const qint64 elapsed = timer.elapsed();

        QVERIFY(!hostile::paintsNothing(image)); // the image at least
        const QColor atCorner1 = image.pixelColor(384, 128);
        const bool red = atCorner1.red() > 200 && atCorner1.green() < 60 && atCorner1.blue() < 60;
        QCOMPARE(red, cornerDrawn);
        QCOMPARE(wallText(actual), wallText(picked));
        qInfo("took %lld ms", elapsed);
        QVERIFY2(elapsed < hostile::budgetMs(), qPrintable(QString("%1 ms").arg(elapsed)));

        // Still usable: the next sample shows and picks as usual.
        view.loadSample(goodFolder.toStdString());
        QCOMPARE(wallText(hostile::pickBoxWalls(view)), wallText(allWalls));
    }
};

QTEST_MAIN(TestHostileCorners)
#include "tst_hostilecorners.moc"
