#include "projection.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

using namespace wallmatch;

// The tools write corner files with the double-precision projection; the views draw them with
// the 32-bit one. Both must put a direction on the same pixel.
class TestProjection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bothPrecisionsAgree_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1024 x 512") << QSize(1024, 512);
        QTest::newRow("2048 x 1024") << QSize(2048, 1024);
        QTest::newRow("640 x 320") << QSize(640, 320);
    }

    void bothPrecisionsAgree()
    {
        QFETCH(QSize, size);
        QRandomGenerator rng(11);
        for (int i = 0; i < 2000; ++i) {
            // Away from the poles, where the column is undefined, and clear of the seam.
            const QPointF pixel(0.5 + rng.bounded(size.width() - 1.0),
                                1.0 + rng.bounded(size.height() - 2.0));
            const Direction d = pixelToDirection(pixel, size);
            const QPointF wide = directionToPixel(d, size);
            const QPointF narrow = DirectionToPixel(cornerPointOf(d), size);
            const auto where = [&] {
                return (QStringLiteral("(%1, %2) -> double (%3, %4), float (%5, %6)")
                            .arg(pixel.x())
                            .arg(pixel.y())
                            .arg(wide.x())
                            .arg(wide.y())
                            .arg(narrow.x())
                            .arg(narrow.y()))
                    .toLocal8Bit();
            };
            QVERIFY2(std::fabs(wide.x() - pixel.x()) < 1e-6
                         && std::fabs(wide.y() - pixel.y()) < 1e-6,
                     where().constData());
            QVERIFY2(wrappedColumnDistance(narrow.x(), pixel.x(), size.width()) < 1e-2
                         && std::fabs(narrow.y() - pixel.y()) < 1e-2,
                     where().constData());
        }
    }

    // The axes: +y at the left edge, turning towards -x, +z at the top row.
    void axes_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("z");
        QTest::addColumn<QPointF>("pixel");
        QTest::newRow("+y") << 0.0 << 1.0 << 0.0 << QPointF(0, 256);
        QTest::newRow("-x") << -1.0 << 0.0 << 0.0 << QPointF(256, 256);
        QTest::newRow("-y") << 0.0 << -1.0 << 0.0 << QPointF(512, 256);
        QTest::newRow("+x") << 1.0 << 0.0 << 0.0 << QPointF(768, 256);
        QTest::newRow("45 degrees up at -x, any length") << -3.0 << 0.0 << 3.0 << QPointF(256, 128);
    }

    void axes()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, z);
        QFETCH(QPointF, pixel);
        const QSize size(1024, 512);
        const QPointF wide = directionToPixel({x, y, z}, size);
        const QPointF narrow = DirectionToPixel(CornerPoint(float(x), float(y), float(z)), size);
        QVERIFY2(std::fabs(wide.x() - pixel.x()) < 1e-9 && std::fabs(wide.y() - pixel.y()) < 1e-9,
                 qPrintable(QStringLiteral("%1 %2").arg(wide.x()).arg(wide.y())));
        QVERIFY2(std::fabs(narrow.x() - pixel.x()) < 1e-3
                     && std::fabs(narrow.y() - pixel.y()) < 1e-3,
                 qPrintable(QStringLiteral("%1 %2").arg(narrow.x()).arg(narrow.y())));
    }
};

QTEST_APPLESS_MAIN(TestProjection)

#include "tst_projection.moc"
