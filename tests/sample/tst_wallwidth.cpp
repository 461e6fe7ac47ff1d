#include "roomfixture.h"
#include "wallwidth.h"

#include <QtTest>

class TestWallWidth : public QObject
{
    Q_OBJECT

private slots:
    void narrowWallsAt1024_data()
    {
        QTest::addColumn<QVector<double>>("azimuths");
        QTest::addColumn<QVector<int>>("walls");
        QTest::addColumn<double>("columns"); // of the first narrow wall
        const double column = 360.0 / 1024; // degrees
        QTest::newRow("19 px") << QVector<double> {100, 100 + 19 * column, 200, 300}
                               << QVector<int> {0} << 19.0;
        QTest::newRow("21 px") << QVector<double> {100, 100 + 21 * column, 200, 300}
                               << QVector<int> {} << 0.0;
        // Measured the short way round the seam, not across the whole image.
        QTest::newRow("18 px over the seam")
            << QVector<double> {120, 240, 355, 355 + 18 * column - 360} << QVector<int> {2} << 18.0;
        QTest::newRow("two narrow walls")
            << QVector<double> {10, 10 + 5 * column, 10 + 15 * column, 200} << QVector<int> {0, 1}
            << 5.0;
        QTest::newRow("six wide walls") << fixture::sixWallAzimuths() << QVector<int> {} << 0.0;
    }

    void narrowWallsAt1024()
    {
        QFETCH(QVector<double>, azimuths);
        QFETCH(QVector<int>, walls);
        QFETCH(double, columns);
        const QVector<double> distances(azimuths.size(), 2.0);
        const QVector<wallmatch::NarrowWall> narrow = wallmatch::narrowWalls(
            fixture::roomCorners(fixture::floorPlanAt(azimuths, distances), 1.2, 1.4));
        QVector<int> found;
        for (const wallmatch::NarrowWall &w : narrow)
            found << w.wall;
        QCOMPARE(found, walls);
        if (!narrow.isEmpty())
            QVERIFY2(qAbs(narrow.first().columns - columns) < 0.01,
                     qPrintable(QString::number(narrow.first().columns)));
    }
};

QTEST_APPLESS_MAIN(TestWallWidth)
#include "tst_wallwidth.moc"
