#include "roomfixture.h"
#include "spherical.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryFile>
#include <QVector3D>
#include <QtTest>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <unistd.h>

using namespace wallmatch;

namespace {

const QSize panoSize(1024, 512);

// Everything written to file descriptor 1 while the function runs.
QByteArray captureStdout(const std::function<void()> &function)
{
    QTemporaryFile file;
    if (!file.open())
        return "<no capture file>";
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(file.handle(), STDOUT_FILENO);
    function();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    file.seek(0);
    return file.readAll();
}

CornerPoint equator(double azimuthDegrees)
{
    return fixture::directionAt(fixture::radians(azimuthDegrees), fixture::pi / 2);
}

// Data tables carry corners as QVector3D, which the meta-type system knows.
QVector3D toVector(const CornerPoint &p)
{
    return QVector3D(p.x, p.y, p.z);
}

CornerPoint toCorner(const QVector3D &v)
{
    return CornerPoint(v.x(), v.y(), v.z());
}

CornerPoint fetchCorner(const char *column)
{
    return toCorner(*static_cast<QVector3D *>(QTest::qData(column, qMetaTypeId<QVector3D>())));
}

bool isWholePixel(const QPointF &p)
{
    return p.x() == std::round(p.x()) && p.y() == std::round(p.y());
}

} // namespace

class TestGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void posToSpherical_data();
    void posToSpherical();
    void posToSphericalUndefined_data();
    void posToSphericalUndefined();
    void sphericalToPixel();
    void crossesSeam_data();
    void crossesSeam();
    void sampleCount_data();
    void sampleCount();
    void thresholdIsStrict();
    void seamCrossingEdge();
    void seamTestWithoutJump();
    void equalCorners();
    void nullImage();
    void degenerateCornersEnd_data();
    void degenerateCornersEnd();
    void zeroStepEnds();
    void drawSeamCrossingEdge();
};

void TestGeometry::posToSpherical_data()
{
    QTest::addColumn<QVector3D>("direction");
    QTest::addColumn<float>("azimuth");
    QTest::addColumn<float>("polar");

    const QVector<float> scales = {1.0f, 0.001f, 250.0f};
    for (const float s : scales) {
        const QByteArray tag = QByteArray::number(double(s));
        QTest::newRow("+y " + tag) << QVector3D(0, s, 0) << 0.0f << kHalfPi;
        QTest::newRow("-x " + tag) << QVector3D(-s, 0, 0) << kHalfPi << kHalfPi;
        QTest::newRow("-y " + tag) << QVector3D(0, -s, 0) << kPi << kHalfPi;
        QTest::newRow("+x " + tag) << QVector3D(s, 0, 0) << 3 * kHalfPi << kHalfPi;
    }
    // One direction in each quadrant of azimuth, above and below the horizon.
    const QVector<double> azimuths = {0.4, 2.0, 3.6, 5.9};
    for (const double azimuth : azimuths) {
        for (const double polar : {0.6, 2.3}) {
            const CornerPoint p = fixture::directionAt(azimuth, polar);
            const CornerPoint scaled(p.x * 3.5f, p.y * 3.5f, p.z * 3.5f);
            QTest::addRow("az %.1f polar %.1f", azimuth, polar)
                << toVector(scaled) << float(azimuth) << float(polar);
        }
    }
}

void TestGeometry::posToSpherical()
{
    const CornerPoint direction = fetchCorner("direction");
    QFETCH(float, azimuth);
    QFETCH(float, polar);

    const SphericalAngles angles = PosToSpherical(direction);
    QVERIFY2(std::fabs(angles.azimuth - azimuth) < 2e-6f,
             qPrintable(QString::number(angles.azimuth)));
    QVERIFY2(std::fabs(angles.polar - polar) < 2e-6f, qPrintable(QString::number(angles.polar)));
    QVERIFY(angles.azimuth >= 0.0f && angles.azimuth < kTwoPi);
}

void TestGeometry::posToSphericalUndefined_data()
{
    QTest::addColumn<QVector3D>("direction");
    QTest::addColumn<float>("polar");

    QTest::newRow("up") << QVector3D(0, 0, 1) << 0.0f;
    QTest::newRow("up, long") << QVector3D(0, 0, 40) << 0.0f;
    QTest::newRow("down") << QVector3D(0, 0, -2) << kPi;
}

void TestGeometry::posToSphericalUndefined()
{
    const CornerPoint direction = fetchCorner("direction");
    QFETCH(float, polar);

    SphericalAngles angles;
    const QByteArray output = captureStdout([&] { angles = PosToSpherical(direction); });
    QCOMPARE(output, QByteArray("[PosToSpherical] azimuth undefined!\n"));
    QCOMPARE(angles.azimuth, 0.0f);
    QCOMPARE(angles.polar, polar);

    // A defined azimuth says nothing.
    QCOMPARE(captureStdout([] { PosToSpherical(CornerPoint(0.1f, 0, 1)); }), QByteArray());
}

void TestGeometry::sphericalToPixel()
{
    const PixelPosition middle = SphericalToPixel({kPi, kHalfPi}, 1024.0f, 512.0f);
    QCOMPARE(middle.u, 512.0f);
    QCOMPARE(middle.v, 256.0f);

    const PixelPosition left = SphericalToPixel({0.0f, 1.0f}, 1024.0f, 512.0f);
    QCOMPARE(left.u, 0.0f);

    const PixelPosition bottom = SphericalToPixel({kHalfPi, kPi}, 2048.0f, 1024.0f);
    QCOMPARE(bottom.u, 512.0f);
    QCOMPARE(bottom.v, 1024.0f);

    // Not wrapped: just below a full turn lies just left of the right edge.
    const PixelPosition right = SphericalToPixel({6.28f, kHalfPi}, 1024.0f, 512.0f);
    QVERIFY(right.u > 1023.0f && right.u < 1024.0f);
}

void TestGeometry::crossesSeam_data()
{
    QTest::addColumn<QVector3D>("a");
    QTest::addColumn<QVector3D>("b");
    QTest::addColumn<bool>("crosses");

    QTest::newRow("350 to 10") << toVector(equator(350)) << toVector(equator(10)) << true;
    QTest::newRow("10 to 350") << toVector(equator(10)) << toVector(equator(350)) << true;
    QTest::newRow("100 to 300, through 0")
        << toVector(equator(100)) << toVector(equator(300)) << true;
    QTest::newRow("10 to 80") << toVector(equator(10)) << toVector(equator(80)) << false;
    QTest::newRow("150 to 210") << toVector(equator(150)) << toVector(equator(210)) << false;
    QTest::newRow("ceiling 330 to 30")
        << toVector(fixture::directionAt(fixture::radians(330), 0.8))
        << toVector(fixture::directionAt(fixture::radians(30), 0.9)) << true;
    QTest::newRow("floor 200 to 260")
        << toVector(fixture::directionAt(fixture::radians(200), 2.2))
        << toVector(fixture::directionAt(fixture::radians(260), 2.4)) << false;
}

void TestGeometry::crossesSeam()
{
    const CornerPoint a = fetchCorner("a");
    const CornerPoint b = fetchCorner("b");
    QFETCH(bool, crosses);
    QCOMPARE(CrossesSeam(1024, 512, a, b), crosses);
}

void TestGeometry::sampleCount_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<float>("step");
    QTest::addColumn<int>("count");

    QTest::newRow("90 degrees at 2") << 100.0 << 190.0 << 2.0f << 65;
    QTest::newRow("90 degrees backwards") << 190.0 << 100.0 << 2.0f << 65;
    QTest::newRow("1 degree") << 30.0 << 31.0 << 2.0f << 2;
    QTest::newRow("3 degrees") << 30.0 << 33.0 << 2.0f << 3;
    QTest::newRow("10 degrees") << 40.0 << 50.0 << 2.0f << 9;
    QTest::newRow("175 degrees") << 5.0 << 180.0 << 2.0f << 129;
    QTest::newRow("90 degrees at 10") << 100.0 << 190.0 << 10.0f << 17;
    QTest::newRow("60 degrees at 0.5") << 200.0 << 260.0 << 0.5f << 129;
}

void TestGeometry::sampleCount()
{
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(float, step);
    QFETCH(int, count);

    const CornerPoint a = equator(from);
    const CornerPoint b = equator(to);
    int firstPieceCount = -1;
    const QVector<QPointF> points = TraceWallEdge(a, b, panoSize, &firstPieceCount, step);
    QCOMPARE(points.size(), count);
    QCOMPARE(firstPieceCount, 0);

    // Evenly spread along the equator from a to b, each step below the limit.
    const double stepPixels = step / 360.0 * panoSize.width();
    const double direction = to > from ? 1.0 : -1.0;
    QVERIFY(std::fabs(points.first().x() - fixture::projectToPixel(a, panoSize).x()) < 0.01);
    QVERIFY(std::fabs(points.last().x() - fixture::projectToPixel(b, panoSize).x()) < 0.01);
    for (int i = 1; i < points.size(); ++i) {
        const double du = (points.at(i).x() - points.at(i - 1).x()) * direction;
        QVERIFY2(du > 0 && du < stepPixels, qPrintable(QString::number(du)));
        QVERIFY(std::fabs(points.at(i).y() - 256.0) < 0.01);
    }
}

void TestGeometry::thresholdIsStrict()
{
    // Find an arc whose angle is exactly a step's threshold: the arc cosine of the dot
    // product (0, 1, 0) . b = b.y must equal step * (pi / 180) in float.
    for (double degrees = 3.0; degrees < 40.0; degrees += 0.37) {
        const CornerPoint a(0, 1, 0);
        const CornerPoint b = equator(degrees);
        const float angle = std::acos(b.y);
        float step = angle / kRadiansPerDegree;
        for (int i = 0; i < 8 && step * kRadiansPerDegree != angle; ++i)
            step = std::nextafter(step, step * kRadiansPerDegree < angle ? 100.0f : 0.0f);
        if (step * kRadiansPerDegree != angle)
            continue;

        int count = -1;
        QCOMPARE(TraceWallEdge(a, b, panoSize, &count, step).size(), 3);
        const float larger = std::nextafter(step, 100.0f);
        QVERIFY(larger * kRadiansPerDegree > angle);
        QCOMPARE(TraceWallEdge(a, b, panoSize, &count, larger).size(), 2);
        return;
    }
    QFAIL("no arc of exactly the threshold's angle found");
}

void TestGeometry::seamCrossingEdge()
{
    const CornerPoint a = equator(350);
    const CornerPoint b = equator(10);
    int firstPieceCount = -1;
    const QVector<QPointF> points = TraceWallEdge(a, b, panoSize, &firstPieceCount, 2.0f);

    QCOMPARE(points.size(), 17); // 20 degrees halved four times
    QVERIFY(firstPieceCount >= 8 && firstPieceCount <= 9);
    for (int i = 0; i < points.size(); ++i) {
        QVERIFY(isWholePixel(points.at(i)));
        QCOMPARE(points.at(i).y(), 256.0);
        if (i < firstPieceCount)
            QVERIFY2(points.at(i).x() > 990, qPrintable(QString::number(points.at(i).x())));
        else
            QVERIFY2(points.at(i).x() < 30, qPrintable(QString::number(points.at(i).x())));
    }
    QCOMPARE(points.first(), QPointF(fixture::projectToPixel(a, panoSize).toPoint()));
    QCOMPARE(points.last(), QPointF(fixture::projectToPixel(b, panoSize).toPoint()));
    // The first piece ends at the right edge, the second starts at the left edge.
    QVERIFY(points.at(firstPieceCount - 1).x() >= 1020);
    QVERIFY(points.at(firstPieceCount).x() <= 4);
}

void TestGeometry::seamTestWithoutJump()
{
    // A short arc over the pole between opposite meridians: its midpoint is the pole, whose
    // azimuth counts as 0, so the seam test holds, yet the two samples lie exactly half the
    // width apart, which is no jump.
    const float s = float(std::sin(fixture::radians(0.9)));
    const float c = float(std::cos(fixture::radians(0.9)));
    const CornerPoint a(-s, 0, c);
    const CornerPoint b(s, 0, c);

    bool crosses = false;
    QVector<QPointF> samples;
    QVector<QPointF> points;
    int firstPieceCount = -1;
    const QByteArray output = captureStdout([&] {
        crosses = CrossesSeam(1024, 512, a, b);
        samples = SampleArc(a, b, panoSize, 2.0f);
        points = TraceWallEdge(a, b, panoSize, &firstPieceCount, 2.0f);
    });
    QVERIFY(crosses);
    QVERIFY(output.startsWith("[PosToSpherical] azimuth undefined!\n"));

    QCOMPARE(samples.size(), 2);
    QVERIFY(!isWholePixel(samples.first()));
    QCOMPARE(firstPieceCount, 0);
    QCOMPARE(points.size(), 2);
    for (int i = 0; i < points.size(); ++i) {
        QVERIFY(isWholePixel(points.at(i)));
        QCOMPARE(points.at(i), QPointF(samples.at(i).toPoint()));
    }
    QCOMPARE(points.first(), QPointF(256, 3));
    QCOMPARE(points.last(), QPointF(768, 3));
}

void TestGeometry::equalCorners()
{
    const CornerPoint a = fixture::directionAt(1.3, 0.9);
    int firstPieceCount = -1;
    const QVector<QPointF> points = TraceWallEdge(a, a, panoSize, &firstPieceCount, 2.0f);
    QCOMPARE(points.size(), 2);
    QCOMPARE(points.at(0), points.at(1));
    QCOMPARE(firstPieceCount, 0);
    QVERIFY((points.at(0) - fixture::projectToPixel(a, panoSize)).manhattanLength() < 0.01);
}

void TestGeometry::nullImage()
{
    int firstPieceCount = -1;
    const QVector<QPointF> points =
        TraceWallEdge(equator(350), equator(10), QSize(0, 0), &firstPieceCount, 2.0f);
    QCOMPARE(points.size(), 17);
    QCOMPARE(firstPieceCount, 0);
    for (const QPointF &p : points)
        QCOMPARE(p, QPointF(0, 0));
    QVERIFY(!CrossesSeam(0, 0, equator(350), equator(10)));
}

void TestGeometry::degenerateCornersEnd_data()
{
    QTest::addColumn<QVector3D>("a");
    QTest::addColumn<QVector3D>("b");

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("opposite") << QVector3D(0, 1, 0) << QVector3D(0, -1, 0);
    QTest::newRow("opposite, tilted") << QVector3D(0.6f, 0, 0.8f) << QVector3D(-0.6f, 0, -0.8f);
    QTest::newRow("zero start") << QVector3D(0, 0, 0) << QVector3D(0, 1, 0);
    QTest::newRow("zero end") << QVector3D(1, 0, 0) << QVector3D(0, 0, 0);
    QTest::newRow("NaN") << QVector3D(nan, 0, 1) << QVector3D(0, 1, 0);
    QTest::newRow("infinite") << QVector3D(0, 1, 0) << QVector3D(inf, 0, 0);
}

void TestGeometry::degenerateCornersEnd()
{
    const CornerPoint a = fetchCorner("a");
    const CornerPoint b = fetchCorner("b");

    int firstPieceCount = -1;
    QVector<QPointF> points;
    captureStdout([&] { points = TraceWallEdge(a, b, panoSize, &firstPieceCount, 2.0f); });
    QVERIFY(points.size() >= 2);
    QVERIFY(points.size() <= (1 << kMaxArcDepth) + 1);
    QVERIFY(firstPieceCount >= 0 && firstPieceCount <= points.size());

    // Drawing never hands the painter a non-finite point.
    QImage image(panoSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    captureStdout([&] { DrawWallEdge(painter, a, b, panoSize, 2.0f); });
    painter.end();
    bool hasNaN = false;
    for (const QPointF &p : points)
        hasNaN = hasNaN || !qIsFinite(p.x()) || !qIsFinite(p.y());
    if (hasNaN) {
        QImage blank(panoSize, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QCOMPARE(image, blank);
    }
}

void TestGeometry::zeroStepEnds()
{
    // A step of zero is never reached either: the halving stops at its depth limit.
    int firstPieceCount = -1;
    QCOMPARE(TraceWallEdge(equator(10), equator(40), panoSize, &firstPieceCount, 0.0f).size(),
             (1 << kMaxArcDepth) + 1);
    QCOMPARE(firstPieceCount, 0);
}

void TestGeometry::drawSeamCrossingEdge()
{
    // Slightly above the horizon so the two pieces are easy to tell from a wrong join.
    const CornerPoint a = fixture::directionAt(fixture::radians(340), 1.2);
    const CornerPoint b = fixture::directionAt(fixture::radians(25), 1.3);
    int firstPieceCount = 0;
    const QVector<QPointF> traced = TraceWallEdge(a, b, panoSize, &firstPieceCount, 2.0f);
    QVERIFY(firstPieceCount > 0);

    QImage image(panoSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    DrawWallEdge(painter, a, b, panoSize, 2.0f);
    painter.end();

    // Every traced point is on the drawing; nothing is drawn across the middle.
    for (const QPointF &p : traced) {
        const QPoint pixel = p.toPoint();
        QCOMPARE(image.pixelColor(qMin(pixel.x(), 1023), pixel.y()), QColor(Qt::black));
    }
    const int row = qRound(traced.at(firstPieceCount).y());
    for (int x = 100; x < 900; ++x) {
        for (int y = row - 20; y <= row + 20; ++y)
            QCOMPARE(image.pixelColor(x, y), QColor(Qt::white));
    }
}

QTEST_GUILESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
