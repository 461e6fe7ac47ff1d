#include "floortruth.h"
#include "projection.h"
#include "zindfixture.h"
#include "zindtour.h"

#include <QTest>

#include <cmath>

using namespace wallmatch;
using zindfixture::Pano;

namespace {

using WallSets = QVector<QVector<int>>; // per primary room wall: the secondary room walls

ZindPano parsedPano(const Pano &p)
{
    const ZindTour tour =
        parseZindTour(QStringLiteral("tour"), zindfixture::tourJson({p}), ZindLayout::Raw);
    if (!tour.ok() || tour.panos.size() != 1)
        qFatal("fixture pano does not parse");
    return tour.panos.first();
}

// The room wall that wall k of the view shows: its first corner is the negated local vertex m,
// and local vertex m is room corner start + m (start - m when reversed).
int roomWallOfView(const Pano &p, const QVector<CornerPoint> &corners, int k)
{
    const int n = int(p.room.size());
    const QVector<QPointF> local = zindfixture::localVertices(p);
    const CornerPoint c = corners.at(n + k);
    for (int m = 0; m < n; ++m) {
        if (std::hypot(c.x + local.at(m).x(), c.y + local.at(m).y()) < 1e-4) {
            const int corner = p.reversed ? ((p.start - m) % n + n) % n : (p.start + m) % n;
            // Both rings run counter-clockwise once normalised: room wall `corner` follows.
            return corner;
        }
    }
    return -2;
}

QVector<WallPair> expectedRows(const Pano &primary, const Pano &secondary, const WallSets &room)
{
    const QVector<CornerPoint> pc = zindCorners(parsedPano(primary));
    const QVector<CornerPoint> sc = zindCorners(parsedPano(secondary));
    QVector<int> viewOfRoomWall(secondary.room.size(), -1);
    for (int k = 0; k < secondary.room.size(); ++k)
        viewOfRoomWall[roomWallOfView(secondary, sc, k)] = k;
    QVector<WallPair> rows;
    for (int k = 0; k < primary.room.size(); ++k) {
        QVector<int> walls;
        for (int j : room.value(roomWallOfView(primary, pc, k)))
            walls.append(viewOfRoomWall.value(j, -3));
        std::sort(walls.begin(), walls.end());
        if (walls.isEmpty())
            rows.append({k, -1});
        for (int j : walls)
            rows.append({k, j});
    }
    return rows;
}

QVector<WallPair> computedRows(const Pano &primary, const Pano &secondary,
                               const MatchCriteria &criteria = {})
{
    const ZindPano p = parsedPano(primary);
    const ZindPano s = parsedPano(secondary);
    QString why;
    const auto rows =
        truthFromPoses(zindCorners(p), zindPose(p), zindCorners(s), zindPose(s), criteria, &why);
    if (!rows)
        qWarning("%s", qPrintable(why));
    return rows.value_or(QVector<WallPair>());
}

Pano pano(const QVector<QPointF> &room, QPointF camera, double rotation, double scale, int start,
          bool reversed)
{
    Pano p;
    p.room = room;
    p.camera = camera;
    p.rotation = rotation;
    p.scale = scale;
    p.start = start;
    p.reversed = reversed;
    return p;
}

WallSets identity(int n)
{
    WallSets sets;
    for (int i = 0; i < n; ++i)
        sets.append(QVector<int> {i});
    return sets;
}

QString rowsText(const QVector<WallPair> &rows)
{
    QStringList parts;
    for (const WallPair &r : rows)
        parts << QStringLiteral("%1:%2").arg(r.primary).arg(r.secondary);
    return parts.join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(Pano)

class TestFloorTruth : public QObject
{
    Q_OBJECT

private slots:
    void truth_data();
    void truth();
    void rigidMotion_data();
    void rigidMotion();
    void criteria_data();
    void criteria();
    void datasetProjection_data();
    void datasetProjection();
    void hiddenWallKeepsPolygonOrder();
    void unliftable();
};

void TestFloorTruth::truth_data()
{
    QTest::addColumn<Pano>("primary");
    QTest::addColumn<Pano>("secondary");
    QTest::addColumn<WallSets>("roomTruth");
    const auto box = zindfixture::boxRoom();
    const auto l = zindfixture::lRoom();
    QTest::newRow("box, other start") << pano(box, {1, 1}, 30, 1, 0, false)
                                      << pano(box, {4, 2}, -100, 1, 2, false) << identity(4);
    QTest::newRow("box, secondary clockwise")
        << pano(box, {2, 1}, 170, 0.4, 3, false) << pano(box, {4.2, 2.5}, 12, 0.4, 1, true)
        << identity(4);
    QTest::newRow("box, both clockwise")
        << pano(box, {2, 1}, 0, 2, 1, true) << pano(box, {3, 2}, 250, 2, 3, true) << identity(4);
    // From (3, 1) the notch's wall (2,2)-(2,4) faces away from the camera.
    QTest::newRow("L, a wall hidden in the primary view")
        << pano(l, {3, 1}, 45, 1, 4, false) << pano(l, {1, 3}, -60, 1, 1, true) << identity(6);
    QTest::newRow("L, secondary splits the first wall")
        << pano(l, {3, 1}, 10, 1, 0, false)
        << pano({{0, 0}, {2, 0}, {4, 0}, {4, 2}, {2, 2}, {2, 4}, {0, 4}}, {1, 1}, 200, 1, 5, false)
        << WallSets {{0, 1}, {2}, {3}, {4}, {5}, {6}};
    QTest::newRow("L, secondary sees a box")
        << pano(l, {1, 1}, 0, 1, 2, false)
        << pano({{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {1, 3}, 90, 1, 0, true)
        << WallSets {{0}, {1}, {}, {}, {2}, {3}};
}

void TestFloorTruth::truth()
{
    QFETCH(Pano, primary);
    QFETCH(Pano, secondary);
    QFETCH(WallSets, roomTruth);
    QCOMPARE(rowsText(computedRows(primary, secondary)),
             rowsText(expectedRows(primary, secondary, roomTruth)));
}

void TestFloorTruth::rigidMotion_data()
{
    QTest::addColumn<double>("turn");
    QTest::addColumn<QPointF>("shift");
    QTest::addColumn<double>("zoom");
    QTest::newRow("turn") << 73.0 << QPointF(0, 0) << 1.0;
    QTest::newRow("shift") << 0.0 << QPointF(-120, 35.5) << 1.0;
    QTest::newRow("both, half a turn") << 180.0 << QPointF(3, -4) << 1.0;
    QTest::newRow("both, and another unit") << -33.0 << QPointF(7, 7) << 0.25;
}

void TestFloorTruth::rigidMotion()
{
    QFETCH(double, turn);
    QFETCH(QPointF, shift);
    QFETCH(double, zoom);
    const Pano primary = pano(zindfixture::lRoom(), {3, 1}, 20, 0.5, 2, false);
    const Pano secondary = pano(zindfixture::lRoom(), {1, 3}, -40, 0.5, 5, true);
    const ZindPano p = parsedPano(primary);
    const ZindPano s = parsedPano(secondary);
    const auto moved = [&](FloorPose pose) {
        const double t = turn * zindfixture::pi / 180;
        const QPointF at(std::cos(t) * pose.x - std::sin(t) * pose.y,
                         std::sin(t) * pose.x + std::cos(t) * pose.y);
        pose.x = zoom * at.x() + shift.x();
        pose.y = zoom * at.y() + shift.y();
        pose.yawDegrees += turn;
        pose.scale *= zoom;
        return pose;
    };
    const auto before =
        truthFromPoses(zindCorners(p), zindPose(p), zindCorners(s), zindPose(s), {});
    const auto after =
        truthFromPoses(zindCorners(p), moved(zindPose(p)), zindCorners(s), moved(zindPose(s)), {});
    QVERIFY(before && after);
    QCOMPARE(before->size(), 6);
    QCOMPARE(rowsText(*after), rowsText(*before));
}

void TestFloorTruth::criteria_data()
{
    // Primary wall from (0, 0) to (4, 0) in camera heights; a secondary wall of length 4 along
    // it, moved and turned.
    QTest::addColumn<double>("offset"); // across the wall
    QTest::addColumn<double>("along"); // start along the wall
    QTest::addColumn<double>("angle"); // degrees
    QTest::addColumn<bool>("match");
    QTest::newRow("same") << 0.0 << 0.0 << 0.0 << true;
    QTest::newRow("0.1 off") << 0.1 << 0.0 << 0.0 << true;
    QTest::newRow("0.2 off") << 0.2 << 0.0 << 0.0 << false;
    QTest::newRow("turned 3 degrees") << 0.0 << 1.0 << 1.5 << true;
    QTest::newRow("turned 12 degrees about its middle") << 0.0 << 0.0 << 12.0 << false;
    QTest::newRow("overlaps 60 %") << 0.0 << 1.6 << 0.0 << true;
    QTest::newRow("overlaps 40 %") << 0.0 << 2.4 << 0.0 << false;
}

void TestFloorTruth::criteria()
{
    QFETCH(double, offset);
    QFETCH(double, along);
    QFETCH(double, angle);
    QFETCH(bool, match);
    const double a = angle * zindfixture::pi / 180;
    // Turned about the secondary wall's middle, so only the angle changes.
    const QPointF mid(along + 2, offset);
    const QPointF half(2 * std::cos(a), 2 * std::sin(a));
    // Both rooms counter-clockwise: the walls' rings close through points above them.
    const QVector<QPointF> primary {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
    const QVector<QPointF> secondary {mid - half, mid + half, mid + half + QPointF(0, 3),
                                      mid - half + QPointF(0, 3)};
    for (double unit : {1.0, 0.4}) {
        QVector<QPointF> p, s;
        for (const QPointF &q : primary)
            p.append(q * unit);
        for (const QPointF &q : secondary)
            s.append(q * unit);
        const auto walls = matchingWalls(p, s, unit, {});
        QCOMPARE(walls.at(0).contains(0), match);
    }
    // Looser criteria accept what the defaults refuse.
    MatchCriteria loose;
    loose.maxAngleDegrees = 15;
    loose.maxDistance = 0.5;
    loose.minOverlap = 0.3;
    if (angle < 90)
        QVERIFY(matchingWalls(primary, secondary, 1, loose).at(0).contains(0));
}

void TestFloorTruth::datasetProjection_data()
{
    QTest::addColumn<Pano>("pano");
    QTest::newRow("box") << pano(zindfixture::boxRoom(), {1, 2}, 0, 1, 0, false);
    QTest::newRow("box, turned, clockwise")
        << pano(zindfixture::boxRoom(), {4, 0.5}, 137, 0.4, 2, true);
    QTest::newRow("L") << pano(zindfixture::lRoom(), {1, 1}, -75, 1, 3, false);
}

void TestFloorTruth::datasetProjection()
{
    // Every corner lands where the dataset's own projection puts its vertex.
    QFETCH(Pano, pano);
    const ZindPano parsed = parsedPano(pano);
    const QVector<CornerPoint> corners = zindCorners(parsed);
    const int n = int(pano.room.size());
    QCOMPARE(corners.size(), 2 * n);
    const QVector<QPointF> local = zindfixture::localVertices(pano);
    for (int k = 0; k < 2 * n; ++k) {
        const CornerPoint c = corners.at(k);
        const double z = k < n ? pano.ceilingHeight - 1 : -1;
        QCOMPARE(c.z, float(z));
        int m = 0;
        while (m < n && std::hypot(c.x + local.at(m).x(), c.y + local.at(m).y()) > 1e-4)
            ++m;
        QVERIFY(m < n);
        const QPointF ours = directionToPixel(directionOf(c), {1, 1});
        const QPointF theirs = zindfixture::datasetPixelFraction(local.at(m), z);
        QVERIFY2(wrappedColumnDistance(ours.x(), theirs.x(), 1) < 1e-6
                     && std::fabs(ours.y() - theirs.y()) < 1e-6,
                 qPrintable(QStringLiteral("corner %1").arg(k)));
    }
    // Normalised: counter-clockwise seen from above, starting at the leftmost corner.
    double area = 0;
    for (int k = 0; k < n; ++k) {
        const CornerPoint a = corners.at(n + k), b = corners.at(n + (k + 1) % n);
        area += double(a.x) * b.y - double(a.y) * b.x;
    }
    QVERIFY(area > 0);
    for (int k = 1; k < n; ++k)
        QVERIFY(azimuthOf(directionOf(corners.at(0))) <= azimuthOf(directionOf(corners.at(k))));
}

void TestFloorTruth::hiddenWallKeepsPolygonOrder()
{
    // From (3, 1) in the L-shaped room the corner (2, 4) appears left of (2, 2) although the
    // wall between them comes after it: sorting by column would join corners that are no
    // neighbours.
    const Pano p = pano(zindfixture::lRoom(), {3, 1}, 0, 1, 0, false);
    const QVector<CornerPoint> corners = zindCorners(parsedPano(p));
    const int n = 6;
    bool sorted = true;
    for (int k = 1; k < n; ++k)
        sorted = sorted
            && azimuthOf(directionOf(corners.at(n + k - 1)))
                < azimuthOf(directionOf(corners.at(n + k)));
    QVERIFY(!sorted);
    // Each next corner is the room's next corner.
    for (int k = 0; k < n; ++k) {
        const int room = roomWallOfView(p, corners, k);
        const int next = roomWallOfView(p, corners, (k + 1) % n);
        QCOMPARE(next, (room + 1) % n);
    }
}

void TestFloorTruth::unliftable()
{
    QVector<CornerPoint> corners {CornerPoint(1, 0, 0.5),  CornerPoint(0, 1, 0.5),
                                  CornerPoint(-1, 0, 0.5), CornerPoint(1, 0, -1),
                                  CornerPoint(0, 1, 0.2),  CornerPoint(-1, 0, -1)};
    QString why;
    QVERIFY(!liftedFloor(corners, &why));
    QVERIFY2(why.contains(QLatin1String("floor corner 1")), qPrintable(why));
    QVERIFY(!liftedFloor(corners.mid(0, 5), &why));
    QVERIFY(!truthFromPoses(corners, {}, corners, {}, {}, &why));
    QVERIFY(why.startsWith(QLatin1String("primary")));
}

QTEST_MAIN(TestFloorTruth)
#include "tst_floortruth.moc"
