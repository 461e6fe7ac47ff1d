#include "floorplane.h"

#include <QTest>

#include <cmath>

using namespace wallmatch;

namespace {

// A corner list (ceiling ring, then floor ring) for a floor outline in camera heights, the
// ceiling one camera height above the lens.
QVector<CornerPoint> room(const QVector<QPointF> &floor)
{
    QVector<CornerPoint> corners;
    for (const QPointF &p : floor)
        corners.append(CornerPoint(float(p.x()), float(p.y()), 1));
    for (const QPointF &p : floor)
        corners.append(CornerPoint(float(p.x()), float(p.y()), -1));
    return corners;
}

const QVector<QPointF> square {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

} // namespace

// The layout metrics against hand-worked floors.
class TestFloorPlane : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void iou_data()
    {
        QTest::addColumn<QVector<QPointF>>("shown");
        QTest::addColumn<double>("iou");
        QTest::newRow("the same floor") << square << 1.0;
        // The far quarter of the room cut off: 3 of 4 square camera heights.
        QTest::newRow("a wall moved in")
            << QVector<QPointF> {{-1, -1}, {1, -1}, {1, 0.5}, {-1, 0.5}} << 0.75;
        // An L: the square without a half-by-half corner, a concave floor inside the square.
        QTest::newRow("an L inside")
            << QVector<QPointF> {{-1, -1}, {1, -1}, {1, 0.5}, {0.5, 0.5}, {0.5, 1}, {-1, 1}}
            << 3.75 / 4;
        // Twice as wide and deep: the square is a quarter of it.
        QTest::newRow("twice the size")
            << QVector<QPointF> {{-2, -2}, {2, -2}, {2, 2}, {-2, 2}} << 0.25;
    }
    void iou()
    {
        QFETCH(QVector<QPointF>, shown);
        QFETCH(double, iou);
        const std::optional<LayoutAgreement> a = layoutAgreement(room(shown), room(square));
        QVERIFY(a);
        QVERIFY2(std::abs(a->iou2d - iou) < 1e-6, qPrintable(QString::number(a->iou2d)));
        // The same both ways round.
        const std::optional<LayoutAgreement> b = layoutAgreement(room(square), room(shown));
        QVERIFY(b && std::abs(b->iou2d - a->iou2d) < 1e-9);
        QVERIFY(std::abs(b->floorBoundaryPixels - a->floorBoundaryPixels) < 1e-9);
        QCOMPARE(a->floorBoundaryPixels == 0.0, iou == 1.0);
    }

    // The floor boundary at a column lies where the camera's ray meets the floor's outline: a
    // wall at 1 camera height lies 45 degrees below the horizon, 128 rows below the middle of a
    // 512-row panorama; at 2 camera heights atan(1/2) = 26.57 degrees, 75.6 rows. Towards the
    // square's corners the rays are longer in both rooms, so the mean error is below 128 - 75.6
    // but well above 0.
    void floorBoundaryInPixels()
    {
        const QVector<QPointF> twice {{-2, -2}, {2, -2}, {2, 2}, {-2, 2}};
        const std::optional<LayoutAgreement> a = layoutAgreement(room(twice), room(square));
        QVERIFY(a);
        const double atWallMiddle = 128 - std::atan(0.5) * 512 / M_PI;
        QVERIFY2(a->floorBoundaryPixels < atWallMiddle && a->floorBoundaryPixels > 20,
                 qPrintable(QString::number(a->floorBoundaryPixels)));
        QString why;
        QVERIFY(!layoutAgreement(room(square).mid(0, 5), room(square), {1024, 512}, &why));
        QVERIFY(!why.isEmpty());
    }

    // Which of two layouts has no floor ring is said by its label.
    void bothFloorRings_data()
    {
        QTest::addColumn<bool>("firstGood");
        QTest::addColumn<bool>("secondGood");
        QTest::addColumn<QString>("reasonStart");
        QTest::newRow("both") << true << true << QString();
        QTest::newRow("first odd") << false << true << "primary view: 5 corners";
        QTest::newRow("second odd") << true << false << "secondary view: 5 corners";
    }
    void bothFloorRings()
    {
        QFETCH(bool, firstGood);
        QFETCH(bool, secondGood);
        QFETCH(QString, reasonStart);
        const QVector<CornerPoint> good = room(square);
        const QVector<CornerPoint> odd = good.mid(0, 5);
        QString why;
        const std::optional<FloorRings> rings =
            liftedFloors(firstGood ? good : odd, QStringLiteral("primary view: "),
                         secondGood ? good : odd, QStringLiteral("secondary view: "), &why);
        QCOMPARE(bool(rings), reasonStart.isEmpty());
        if (rings) {
            QCOMPARE(rings->first, square);
            QCOMPARE(rings->second, square);
        } else {
            QVERIFY2(why.startsWith(reasonStart), qPrintable(why));
        }
    }
};

QTEST_GUILESS_MAIN(TestFloorPlane)
#include "tst_floorplane.moc"
