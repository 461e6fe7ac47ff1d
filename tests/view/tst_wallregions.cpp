#include "recordingdevice.h"
#include "roomfixture.h"
#include "spherical.h"
#include "viewoverlay.h"
#include "wallregions.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace wallmatch;

namespace {

const QSize panoSize(1024, 512);

// A point in the middle of wall l of the six-wall room, on the horizon.
QPointF wallCentre(int wall)
{
    const QVector<double> azimuths = fixture::sixWallAzimuths();
    double from = azimuths.at(wall);
    double to = azimuths.at((wall + 1) % azimuths.size());
    if (to < from)
        to += 360.0;
    const double middle = std::fmod((from + to) / 2.0, 360.0);
    return QPointF(middle / 360.0 * panoSize.width(), panoSize.height() / 2.0);
}

QVector<QPointF> trace(const CornerPoint &a, const CornerPoint &b, int *count)
{
    return TraceWallEdge(a, b, panoSize, count, 2.0f);
}

QPolygonF joined(const QVector<QPointF> &forward, const QVector<QPointF> &backward)
{
    QPolygonF polygon(forward);
    for (int i = backward.size() - 1; i >= 0; --i)
        polygon.append(backward.at(i));
    return polygon;
}

bool allFinite(const WallRegionTable &table)
{
    for (const QVector<QPolygonF> &polygons : table) {
        for (const QPolygonF &polygon : polygons) {
            for (const QPointF &p : polygon) {
                if (!qIsFinite(p.x()) || !qIsFinite(p.y()))
                    return false;
            }
        }
    }
    return true;
}

int paintedPixels(const QImage &image, int fromX, int toX)
{
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = fromX; x < toX; ++x)
            painted += image.pixel(x, y) != qRgb(255, 255, 255);
    }
    return painted;
}

} // namespace

class TestWallRegions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void normalizeCorners();
    void unitDirection_data();
    void unitDirection();
    void wallKeys_data();
    void wallKeys();
    void singleWall();
    void oddCountIgnoresLastCorner();
    void polygonOrder_data();
    void polygonOrder();
    void seamWallHalves();
    void hitTest_data();
    void hitTest();
    void overlappingWallsPickLowest();
    void sparseTable();
    void degenerateCorners_data();
    void degenerateCorners();
    void outlineOrder();
    void outlinesSkipDegenerateWalls();
    void overlayLeavesPainterAsFound();
};

void TestWallRegions::normalizeCorners()
{
    const QVector<CornerPoint> input = {CornerPoint(3, 4, 0), CornerPoint(0, 0, -0.25f),
                                        CornerPoint(-1, 2, 2), CornerPoint(1e-6f, 0, 0)};
    const QVector<CornerPoint> copy = input;
    const QVector<CornerPoint> units = NormalizeCorners(input);
    QCOMPARE(input, copy);
    QCOMPARE(units.size(), input.size());

    const QVector<QVector3D> expected = {
        {0.6f, 0.8f, 0}, {0, 0, -1}, {-1 / 3.f, 2 / 3.f, 2 / 3.f}, {1, 0, 0}};
    for (int i = 0; i < units.size(); ++i) {
        QVERIFY(std::fabs(units.at(i).x - expected.at(i).x()) < 1e-6f);
        QVERIFY(std::fabs(units.at(i).y - expected.at(i).y()) < 1e-6f);
        QVERIFY(std::fabs(units.at(i).z - expected.at(i).z()) < 1e-6f);
    }
    QVERIFY(NormalizeCorners({}).isEmpty());
}

void TestWallRegions::unitDirection_data()
{
    QTest::addColumn<QVector3D>("corner");
    QTest::addColumn<bool>("usable");

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("ordinary") << QVector3D(1.5f, -2, 0.3f) << true;
    QTest::newRow("tiny") << QVector3D(0, 1e-19f, 0) << true;
    QTest::newRow("zero") << QVector3D(0, 0, 0) << false;
    QTest::newRow("NaN") << QVector3D(nan, 1, 0) << false;
    QTest::newRow("infinite") << QVector3D(0, inf, 1) << false;
    QTest::newRow("square overflows") << QVector3D(3e20f, 0, 1) << false;
}

void TestWallRegions::unitDirection()
{
    QFETCH(QVector3D, corner);
    QFETCH(bool, usable);
    const CornerPoint unit =
        NormalizeCorners({CornerPoint(corner.x(), corner.y(), corner.z())}).at(0);
    QCOMPARE(IsUnitDirection(unit), usable);
}

void TestWallRegions::wallKeys_data()
{
    QTest::addColumn<int>("cornerCount");
    QTest::addColumn<int>("wallCount");

    QTest::newRow("none") << 0 << 0;
    QTest::newRow("one") << 1 << 0;
    QTest::newRow("two") << 2 << 1;
    QTest::newRow("eight") << 8 << 4;
    QTest::newRow("nine") << 9 << 4;
    QTest::newRow("twelve") << 12 << 6;
}

void TestWallRegions::wallKeys()
{
    QFETCH(int, cornerCount);
    QFETCH(int, wallCount);

    // Corners spread around the room, ceiling ring first.
    const int ring = cornerCount / 2;
    QVector<double> azimuths;
    QVector<double> distances;
    for (int i = 0; i < qMax(ring, 1); ++i) {
        azimuths.append(15.0 + 330.0 * i / qMax(ring, 1));
        distances.append(2.0 + 0.1 * i);
    }
    QVector<CornerPoint> corners =
        fixture::roomCorners(fixture::floorPlanAt(azimuths, distances), 1.0, 1.4).mid(0, 2 * ring);
    while (corners.size() < cornerCount)
        corners.append(fixture::directionAt(2.0, 1.8));

    const WallRegionTable table = BuildWallRegions(corners, panoSize);
    QList<int> keys = table.keys();
    std::sort(keys.begin(), keys.end());
    QList<int> expected;
    for (int wall = 0; wall < wallCount; ++wall)
        expected.append(wall);
    QCOMPARE(keys, expected);
    for (const QVector<QPolygonF> &polygons : table)
        QVERIFY(polygons.size() == 1 || polygons.size() == 2);
}

void TestWallRegions::singleWall()
{
    // One corner per ring: wall 0 runs from the corner back to itself.
    const QVector<CornerPoint> corners = {CornerPoint(1, 2, 1), CornerPoint(1, 2, -1.5f)};
    const WallRegionTable table = BuildWallRegions(corners, panoSize);
    QCOMPARE(table.keys(), QList<int> {0});
    QCOMPARE(table.value(0).size(), 1);
    const QPolygonF polygon = table.value(0).at(0);
    QCOMPARE(polygon.size(), 4);
    QCOMPARE(polygon.at(0), polygon.at(1));
    QCOMPARE(polygon.at(2), polygon.at(3));
    QVERIFY((polygon.at(0) - fixture::projectToPixel(corners.at(0), panoSize)).manhattanLength()
            < 0.01);
    QVERIFY((polygon.at(3) - fixture::projectToPixel(corners.at(1), panoSize)).manhattanLength()
            < 0.01);
}

void TestWallRegions::oddCountIgnoresLastCorner()
{
    const QVector<CornerPoint> room = fixture::sixWallRoom();
    QVector<CornerPoint> odd = room;
    odd.append(CornerPoint(0, 0, 0)); // belongs to no wall, so not even its zero length matters
    QCOMPARE(BuildWallRegions(odd, panoSize), BuildWallRegions(room, panoSize));
}

void TestWallRegions::polygonOrder_data()
{
    QTest::addColumn<double>("topFrom");
    QTest::addColumn<double>("topTo");
    QTest::addColumn<double>("bottomFrom");
    QTest::addColumn<double>("bottomTo");
    QTest::addColumn<int>("polygonCount");

    QTest::newRow("away from the seam") << 60.0 << 130.0 << 60.0 << 130.0 << 1;
    QTest::newRow("both edges cut") << 330.0 << 25.0 << 330.0 << 25.0 << 2;
    QTest::newRow("both cut, from the left") << 40.0 << 310.0 << 40.0 << 310.0 << 2;
    QTest::newRow("top edge cut only") << 345.0 << 15.0 << 300.0 << 350.0 << 1;
    QTest::newRow("bottom edge cut only") << 300.0 << 350.0 << 345.0 << 15.0 << 1;
}

void TestWallRegions::polygonOrder()
{
    QFETCH(double, topFrom);
    QFETCH(double, topTo);
    QFETCH(double, bottomFrom);
    QFETCH(double, bottomTo);
    QFETCH(int, polygonCount);

    // Two corners per ring: wall 0 goes from corner 0 to corner 1, wall 1 comes back.
    const double ceiling = fixture::radians(50);
    const double floor = fixture::radians(125);
    const QVector<CornerPoint> corners = {fixture::directionAt(fixture::radians(topFrom), ceiling),
                                          fixture::directionAt(fixture::radians(topTo), ceiling),
                                          fixture::directionAt(fixture::radians(bottomFrom), floor),
                                          fixture::directionAt(fixture::radians(bottomTo), floor)};
    const WallRegionTable table = BuildWallRegions(corners, panoSize);
    const QVector<QPolygonF> polygons = table.value(0);
    QCOMPARE(polygons.size(), polygonCount);

    const QVector<CornerPoint> top = NormalizeCorners(corners.mid(0, 2));
    const QVector<CornerPoint> bottom = NormalizeCorners(corners.mid(2));
    int p = -1;
    int q = -1;
    const QVector<QPointF> first = trace(top.at(0), top.at(1), &p);
    const QVector<QPointF> second = trace(bottom.at(0), bottom.at(1), &q);
    if (polygonCount == 1) {
        QCOMPARE(polygons.at(0), joined(first, second));
    } else {
        QVERIFY(p > 0 && q > 0);
        // Each piece is carried on to the image's edge, where the two edges' pieces are joined.
        const QPolygonF start = polygons.at(0);
        const QPolygonF end = polygons.at(1);
        QCOMPARE(start.size(), p + q + 2);
        QCOMPARE(end.size(), (first.size() - p) + (second.size() - q) + 2);
        QCOMPARE(start.mid(0, p), first.mid(0, p));
        QCOMPARE(joined(start.mid(p + 2), {}), joined({}, second.mid(0, q)));
        QCOMPARE(end.mid(1, first.size() - p), first.mid(p));
        QCOMPARE(joined(end.mid(1 + first.size() - p, second.size() - q), {}),
                 joined({}, second.mid(q)));
        const double startEdge = first.at(p - 1).x() > 512 ? 1024 : 0;
        for (const QPointF &onEdge : {start.at(p), start.at(p + 1)})
            QCOMPARE(onEdge.x(), startEdge);
        for (const QPointF &onEdge : {end.first(), end.last()})
            QCOMPARE(onEdge.x(), 1024 - startEdge);
        // At the row between the last point before the seam and the first after it.
        QVERIFY(start.at(p).y() >= qMin(first.at(p - 1).y(), first.at(p).y()));
        QVERIFY(start.at(p).y() <= qMax(first.at(p - 1).y(), first.at(p).y()));
        QCOMPARE(start.at(p).y(), end.first().y());
        // The start corner's side first.
        QVERIFY(polygons.at(0).contains(first.first()));
        QVERIFY(polygons.at(1).contains(first.last()));
    }
    // No closing point is added.
    for (const QPolygonF &polygon : polygons)
        QVERIFY(!polygon.isClosed());
}

void TestWallRegions::seamWallHalves()
{
    const WallRegionTable table = BuildWallRegions(fixture::sixWallRoom(), panoSize);
    for (int wall = 0; wall < 5; ++wall)
        QCOMPARE(table.value(wall).size(), 1);

    // Wall 5 runs from 320 degrees (right side) to 20 degrees (left side).
    const QVector<QPolygonF> halves = table.value(5);
    QCOMPARE(halves.size(), 2);
    QVERIFY(halves.at(0).boundingRect().left() > 900);
    QVERIFY(halves.at(0).boundingRect().right() <= 1024);
    QVERIFY(halves.at(1).boundingRect().left() >= 0);
    QVERIFY(halves.at(1).boundingRect().right() < 60);
}

void TestWallRegions::hitTest_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<int>("wall");

    for (int wall = 0; wall < 5; ++wall)
        QTest::addRow("wall %d", wall) << wallCentre(wall) << wall;
    QTest::newRow("seam wall, right half") << QPointF(1000, 256) << 5;
    QTest::newRow("seam wall, left half") << QPointF(24, 230) << 5;
    // Up to the image's edges, where the traced points stop short of the seam.
    for (int v : {200, 256, 300}) {
        QTest::addRow("seam wall, last column, row %d", v) << QPointF(1023, v) << 5;
        QTest::addRow("seam wall, first column, row %d", v) << QPointF(0, v) << 5;
    }
    QTest::newRow("ceiling") << QPointF(300, 40) << -1;
    QTest::newRow("floor") << QPointF(700, 500) << -1;
    QTest::newRow("outside the image") << QPointF(-5, 256) << -1;
}

void TestWallRegions::hitTest()
{
    QFETCH(QPointF, point);
    QFETCH(int, wall);
    const WallRegionTable table = BuildWallRegions(fixture::sixWallRoom(), panoSize);
    QCOMPARE(WallAtPoint(table, point), wall);
    QCOMPARE(WallAtPoint(WallRegionTable(), point), -1);
}

// Both hit tests visit the walls in ascending order, whatever order they were given in: a point
// inside polygons of several walls picks the lowest of them in every run.
void TestWallRegions::overlappingWallsPickLowest()
{
    // Many keys, spread and given out of order.
    QVector<int> walls;
    for (int wall = 0; wall < 40; ++wall)
        walls << 1000 + 7 * wall << 3 + 13 * wall;
    const QPolygonF shared({QPointF(10, 10), QPointF(30, 10), QPointF(30, 30), QPointF(10, 30)});
    WallRegionTable table;
    for (int i = walls.size() - 1; i >= 0; --i)
        table[walls.at(i)] = {QPolygonF({QPointF(500, 500), QPointF(501, 500), QPointF(500, 501)}),
                              shared.translated(walls.at(i) % 5, 0)};
    const WallHitList hits = BuildWallHitList(table);

    int lowest = -1;
    for (const WallHitEntry &hit : hits) {
        QVERIFY2(hit.wall >= lowest, qPrintable(QString::number(hit.wall)));
        lowest = hit.wall;
    }
    QCOMPARE(hits.size(), 2 * walls.size());
    // Each wall's square is shifted right by wall % 5: x = 20 lies in all of them, x = 10.5 only
    // in those of walls 0 mod 5 (the lowest is 55), x = 11.5 also in those of walls 1 mod 5 (16).
    for (const auto &[point, wall] :
         {std::pair {QPointF(20, 20), 3}, std::pair {QPointF(10.5, 20), 55},
          std::pair {QPointF(11.5, 20), 16}}) {
        QCOMPARE(WallAtPoint(table, point), wall);
        QCOMPARE(WallAtPoint(table, hits, point), wall);
    }
}

// Walls given keys out of order and with gaps between them: the table walks, looks up and
// compares only the walls with keys, in ascending order.
void TestWallRegions::sparseTable()
{
    const QVector<QPolygonF> square = {QPolygonF(QRectF(0, 0, 4, 4))};
    WallRegionTable table;
    QVERIFY(table.isEmpty());
    table[7] = square;
    table[2]; // a key without polygons
    QCOMPARE(table.size(), 2);
    QCOMPARE(table.keys(), (QList<int> {2, 7}));
    QList<int> walked;
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        walked.append(it.key());
    QCOMPARE(walked, table.keys());
    for (const int wall : {-1, 0, 3, 8, 1000})
        QVERIFY2(!table.contains(wall) && table.value(wall).isEmpty(),
                 qPrintable(QString::number(wall)));
    QCOMPARE(table.value(7), square);
    QCOMPARE(WallAtPoint(table, QPointF(1, 1)), 7);
    QCOMPARE(WallAtPoint(table, BuildWallHitList(table), QPointF(1, 1)), 7);

    WallRegionTable same;
    same[2];
    same[7] = square;
    QVERIFY(same == table);
    same[3];
    QVERIFY(same != table);
    WallRegionTable moved;
    moved[2] = square;
    moved[7];
    QVERIFY(moved != table);
    table.clear();
    QVERIFY(table.isEmpty() && table.keys().isEmpty() && table.cbegin() == table.cend());
}

void TestWallRegions::degenerateCorners_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QVector3D>("corner");
    QTest::addColumn<QList<int>>("emptyWalls");

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Ceiling corner 1 joins walls 0 and 1; floor corner 9 is corner 3 of the floor ring.
    QTest::newRow("zero ceiling corner") << 1 << QVector3D(0, 0, 0) << QList<int> {0, 1};
    QTest::newRow("NaN floor corner") << 9 << QVector3D(nan, 1, -1) << QList<int> {2, 3};
    QTest::newRow("infinite corner 0") << 0 << QVector3D(1, inf, 1) << QList<int> {0, 5};
    QTest::newRow("overflowing length") << 4 << QVector3D(3e20f, 3e20f, 0) << QList<int> {3, 4};
}

void TestWallRegions::degenerateCorners()
{
    QFETCH(int, index);
    QFETCH(QVector3D, corner);
    QFETCH(QList<int>, emptyWalls);

    QVector<CornerPoint> room = fixture::sixWallRoom();
    const WallRegionTable intact = BuildWallRegions(room, panoSize);
    room[index] = CornerPoint(corner.x(), corner.y(), corner.z());
    const WallRegionTable table = BuildWallRegions(room, panoSize);

    QCOMPARE(table.size(), 6);
    QVERIFY(allFinite(table));
    for (int wall = 0; wall < 6; ++wall) {
        if (emptyWalls.contains(wall))
            QVERIFY(table.value(wall).isEmpty());
        else
            QCOMPARE(table.value(wall), intact.value(wall));
    }
    QCOMPARE(WallAtPoint(table, wallCentre(emptyWalls.at(0))), -1);
}

void TestWallRegions::outlineOrder()
{
    const QVector<CornerPoint> room = fixture::sixWallRoom();
    RecordingDevice device(panoSize);
    QPainter painter(&device);
    DrawWallOutlines(painter, room, panoSize);
    painter.end();

    // Twelve edges, ceiling ring first; the seam edges come as two polylines each.
    const QVector<RecordingDevice::Polyline> drawn = device.polylines();
    QCOMPARE(drawn.size(), 14);
    const QVector<CornerPoint> top = NormalizeCorners(room.mid(0, 6));
    const QVector<CornerPoint> bottom = NormalizeCorners(room.mid(6));
    int next = 0;
    for (const QVector<CornerPoint> &ring : {top, bottom}) {
        for (int wall = 0; wall < 6; ++wall) {
            int count = -1;
            const QVector<QPointF> traced = trace(ring.at(wall), ring.at((wall + 1) % 6), &count);
            if (count == 0) {
                QVERIFY(!drawn.at(next).integer);
                QCOMPARE(drawn.at(next++).points, traced);
            } else {
                // Both pieces reach the image's edge at one row: the right, then the left.
                QCOMPARE(wall, 5);
                const QVector<QPointF> right = drawn.at(next++).points;
                const QVector<QPointF> left = drawn.at(next++).points;
                QCOMPARE(right.mid(0, count), traced.mid(0, count));
                QCOMPARE(right.size(), count + 1);
                QCOMPARE(right.last().x(), 1024.0);
                QCOMPARE(left.mid(1), traced.mid(count));
                QCOMPARE(left.first(), QPointF(0, right.last().y()));
            }
        }
    }
}

void TestWallRegions::outlinesSkipDegenerateWalls()
{
    QVector<CornerPoint> room = fixture::sixWallRoom();
    room[1] = CornerPoint(0, 0, 0); // at 75 degrees, joining walls 0 (20-75) and 1 (75-140)

    QImage image(panoSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    DrawWallOutlines(painter, room, panoSize);
    painter.end();

    // Nothing between 20 and 140 degrees, the other walls drawn on both rings.
    QCOMPARE(paintedPixels(image, 62, 395), 0);
    QVERIFY(paintedPixels(image, 420, 1024) > 2 * 600);

    // Two walls whose ceiling edges join exactly opposite corners: no midpoint, no outline.
    const CornerPoint a = fixture::directionAt(1.0, 0.8);
    const QVector<CornerPoint> opposite = {a, CornerPoint(-a.x, -a.y, -a.z),
                                           fixture::directionAt(1.0, 2.2),
                                           fixture::directionAt(2.5, 2.3)};
    image.fill(Qt::white);
    painter.begin(&image);
    painter.setPen(Qt::black);
    DrawWallOutlines(painter, opposite, panoSize);
    painter.end();
    QCOMPARE(paintedPixels(image, 0, 1024), 0);
    const WallRegionTable table = BuildWallRegions(opposite, panoSize);
    QCOMPARE(table.size(), 2);
    QVERIFY(table.value(0).isEmpty() && table.value(1).isEmpty());
}

void TestWallRegions::overlayLeavesPainterAsFound()
{
    const QVector<CornerPoint> room = fixture::sixWallRoom();
    const QVector<QPoint> pixels = fixture::projectCorners(room, panoSize);
    const WallRegionTable table = BuildWallRegions(room, panoSize);
    QImage image(panoSize, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QPen pen(QBrush(Qt::green), 3.0, Qt::DashLine, Qt::FlatCap, Qt::BevelJoin);
    const QBrush brush(Qt::magenta, Qt::Dense4Pattern);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QPainter::RenderHints hints = painter.renderHints();
    const QTransform transform = painter.transform();

    DrawViewOverlay(painter, pixels, room, panoSize, table.value(2));

    QCOMPARE(painter.pen(), pen);
    QCOMPARE(painter.brush(), brush);
    QCOMPARE(painter.renderHints(), hints);
    QCOMPARE(painter.transform(), transform);
    painter.end();
    // It did draw: a corner dot in red.
    QCOMPARE(image.pixelColor(pixels.at(0)), QColor(Qt::red));
}

QTEST_GUILESS_MAIN(TestWallRegions)
#include "tst_wallregions.moc"
