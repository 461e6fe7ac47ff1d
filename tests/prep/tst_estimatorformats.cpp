#include "cornerinput.h"
#include "projection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace wallmatch;

namespace {

constexpr double pi = 3.14159265358979323846;
const QSizeF image(1024, 512);

// A point of a PanoAnnotator-style layout (x, height, z) and where the format's documentation
// puts it: column atan2(x, -z) / 2 pi + 0.5 of the width, row 0.5 - elevation / pi.
QPointF annotatorPixel(double x, double z, double height)
{
    const double r = std::hypot(x, z);
    return {(std::atan2(x, -z) / (2 * pi) + 0.5) * image.width(),
            (0.5 - std::atan2(height, r) / pi) * image.height()};
}

struct Layout
{
    QVector<QPointF> xz; // points in ring order, metres
    double cameraHeight = 1.6;
    double layoutHeight = 2.8;
};

// The document as LGT-Net and DOPNet write it: points in ring order, wall i from point i to i + 1;
// LED2-Net stores the points as [p0, p(n-1), ..., p1] with the same walls over the stored list.
QByteArray annotatorJson(const Layout &layout, bool led2, bool withWalls)
{
    const int n = int(layout.xz.size());
    QJsonArray points, walls;
    for (int k = 0; k < n; ++k) {
        const QPointF p = layout.xz.at(led2 ? (n - k) % n : k);
        points.append(
            QJsonObject {{QStringLiteral("xyz"), QJsonArray {p.x(), layout.cameraHeight, p.y()}},
                         {QStringLiteral("id"), k}});
        walls.append(QJsonObject {{QStringLiteral("pointsIdx"), QJsonArray {k, (k + 1) % n}},
                                  {QStringLiteral("normal"), QJsonArray {0, 0, 1}}});
    }
    QJsonObject doc {
        {QStringLiteral("cameraHeight"), layout.cameraHeight},
        {QStringLiteral("layoutHeight"), layout.layoutHeight},
        {QStringLiteral("cameraCeilingHeight"), layout.layoutHeight - layout.cameraHeight},
        {QStringLiteral("layoutPoints"),
         QJsonObject {{QStringLiteral("num"), n}, {QStringLiteral("points"), points}}}};
    if (withWalls)
        doc.insert(QStringLiteral("layoutWalls"),
                   QJsonObject {{QStringLiteral("num"), n}, {QStringLiteral("walls"), walls}});
    return QJsonDocument(doc).toJson();
}

// Pixels of a ring's corners, rotated to start at the smallest column.
QVector<QPointF> fromLeftmost(QVector<QPointF> ring)
{
    const auto first = std::min_element(ring.begin(), ring.end(),
                                        [](QPointF a, QPointF b) { return a.x() < b.x(); });
    std::rotate(ring.begin(), first, ring.end());
    return ring;
}

bool near(const QVector<QPointF> &a, const QVector<QPointF> &b, QString *why)
{
    if (a.size() != b.size()) {
        *why = QStringLiteral("%1 corners, expected %2").arg(a.size()).arg(b.size());
        return false;
    }
    for (int i = 0; i < a.size(); ++i) {
        if (wrappedColumnDistance(a.at(i).x(), b.at(i).x(), image.width()) > 1e-3
            || std::fabs(a.at(i).y() - b.at(i).y()) > 1e-3) {
            *why = QStringLiteral("corner %1: (%2, %3), expected (%4, %5)")
                       .arg(i)
                       .arg(a.at(i).x())
                       .arg(a.at(i).y())
                       .arg(b.at(i).x())
                       .arg(b.at(i).y());
            return false;
        }
    }
    return true;
}

// AtlantaNet's output for a room in our axes (centimetres): ceiling and floor corners each
// sorted by column, then interleaved, as fractions of the image.
QByteArray atlantaJson(const QVector<QPointF> &room, QPointF camera, double z0, double z1)
{
    QVector<QPointF> ceiling, floor;
    for (const QPointF &c : room) {
        const QPointF p = c - camera;
        ceiling.append(directionToPixel({p.x(), p.y(), z0}, {1, 1}));
        floor.append(directionToPixel({p.x(), p.y(), z1}, {1, 1}));
    }
    const auto byColumn = [](QPointF a, QPointF b) { return a.x() < b.x(); };
    std::sort(ceiling.begin(), ceiling.end(), byColumn);
    std::sort(floor.begin(), floor.end(), byColumn);
    QJsonArray uv;
    for (int i = 0; i < room.size(); ++i) {
        uv.append(QJsonArray {ceiling.at(i).x(), ceiling.at(i).y()});
        uv.append(QJsonArray {floor.at(i).x(), floor.at(i).y()});
    }
    return QJsonDocument(QJsonObject {{QStringLiteral("z0"), z0},
                                      {QStringLiteral("z1"), z1},
                                      {QStringLiteral("uv"), uv}})
        .toJson();
}

// The floor ring's pixels of a room in ring order, counter-clockwise, from the leftmost corner.
QVector<QPointF> floorPixels(const QVector<QPointF> &room, QPointF camera, double z1)
{
    QVector<QPointF> ring;
    for (const QPointF &c : room)
        ring.append(directionToPixel({(c - camera).x(), (c - camera).y(), z1}, image));
    return fromLeftmost(ring);
}

QVector<QPointF> lRoom(double unit)
{
    QVector<QPointF> room;
    for (QPointF p :
         {QPointF(0, 0), QPointF(4, 0), QPointF(4, 2), QPointF(2, 2), QPointF(2, 4), QPointF(0, 4)})
        room.append(p * unit);
    return room;
}

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestEstimatorFormats : public QObject
{
    Q_OBJECT

private slots:
    void panoAnnotator_data();
    void panoAnnotator();
    void panoAnnotatorBrokenWalls();
    void atlanta_data();
    void atlanta();
    void hohonet();
};

void TestEstimatorFormats::panoAnnotator_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<bool>("led2");
    QTest::addColumn<bool>("withWalls");
    Layout box;
    box.xz = {{-1.5, -2}, {2, -1.8}, {2.2, 1.5}, {-1.4, 2.5}};
    Layout clockwise = box;
    std::reverse(clockwise.xz.begin(), clockwise.xz.end());
    Layout six;
    six.xz = {{-2, -2}, {1, -2}, {1, -0.5}, {2.5, -0.5}, {2.5, 2}, {-2, 2}};
    six.cameraHeight = 1.5;
    six.layoutHeight = 3.1;
    QTest::newRow("LGT-Net, box") << box << false << true;
    QTest::newRow("LGT-Net, box clockwise") << clockwise << false << true;
    QTest::newRow("LED2-Net, box") << box << true << true;
    QTest::newRow("LED2-Net, six corners") << six << true << true;
    QTest::newRow("DOPNet, six corners") << six << false << true;
    QTest::newRow("labels without walls") << six << false << false;
}

void TestEstimatorFormats::panoAnnotator()
{
    QFETCH(Layout, layout);
    QFETCH(bool, led2);
    QFETCH(bool, withWalls);
    const CornerInput input = parseCornerInput(
        QStringLiteral("layout.json"), annotatorJson(layout, led2, withWalls), CornerReadOptions());
    QVERIFY2(input.ok(), qPrintable(input.errors.value(0).text()));
    QCOMPARE(input.format, CornerFormat::PanoAnnotatorJson);
    // The layout's ring, turned to run left to right through the image.
    QVector<QPointF> ceiling, floor;
    for (const QPointF &p : layout.xz) {
        ceiling.append(annotatorPixel(p.x(), p.y(), layout.layoutHeight - layout.cameraHeight));
        floor.append(annotatorPixel(p.x(), p.y(), -layout.cameraHeight));
    }
    double area = 0;
    for (int i = 0; i < layout.xz.size(); ++i) {
        const QPointF a = layout.xz.at(i), b = layout.xz.at((i + 1) % layout.xz.size());
        area += a.x() * b.y() - a.y() * b.x();
    }
    // Going from (0, -1) towards (1, 0) moves right in the image: a positive turn in (x, z).
    if (area < 0) {
        std::reverse(ceiling.begin(), ceiling.end());
        std::reverse(floor.begin(), floor.end());
    }
    QString why;
    QVERIFY2(near(input.rings.floor, fromLeftmost(floor), &why), qPrintable(why));
    QVERIFY2(near(input.rings.ceiling, fromLeftmost(ceiling), &why), qPrintable(why));
}

void TestEstimatorFormats::panoAnnotatorBrokenWalls()
{
    Layout box;
    box.xz = {{-1.5, -2}, {2, -1.8}, {2.2, 1.5}, {-1.4, 2.5}};
    QJsonObject doc = QJsonDocument::fromJson(annotatorJson(box, false, true)).object();
    QJsonObject walls = doc.value(QStringLiteral("layoutWalls")).toObject();
    QJsonArray list = walls.value(QStringLiteral("walls")).toArray();
    list[3] = QJsonObject {{QStringLiteral("pointsIdx"), QJsonArray {3, 1}}};
    walls.insert(QStringLiteral("walls"), list);
    doc.insert(QStringLiteral("layoutWalls"), walls);
    const CornerInput input = parseCornerInput(QStringLiteral("broken.json"),
                                               QJsonDocument(doc).toJson(), CornerReadOptions());
    QVERIFY(!input.ok());
    QVERIFY2(input.errors.first().message.contains(QLatin1String("one ring")),
             qPrintable(input.errors.first().text()));
}

void TestEstimatorFormats::atlanta_data()
{
    QTest::addColumn<QVector<QPointF>>("room");
    QTest::addColumn<QPointF>("camera");
    QTest::addColumn<bool>("refused");
    QTest::newRow("box: column order is the ring")
        << QVector<QPointF> {{0, 0}, {500, 0}, {500, 300}, {0, 300}} << QPointF(150, 100) << false;
    // From (320, 70) the wall from (200, 200) to (200, 400) faces away: by column, (200, 400)
    // comes before (200, 200).
    QTest::newRow("L with a hidden wall") << lRoom(100) << QPointF(320, 70) << false;
    // The camera in the notch lies outside the only short ring: no order can be trusted.
    QTest::newRow("camera outside the ring") << lRoom(100) << QPointF(320, 350) << true;
}

void TestEstimatorFormats::atlanta()
{
    QFETCH(QVector<QPointF>, room);
    QFETCH(QPointF, camera);
    QFETCH(bool, refused);
    const CornerInput input = parseCornerInput(
        QStringLiteral("atlanta.json"), atlantaJson(room, camera, 130, -170), CornerReadOptions());
    if (refused) {
        QVERIFY(!input.ok());
        QVERIFY2(input.errors.last().message.contains(QLatin1String("ring order")),
                 qPrintable(input.errors.last().text()));
        return;
    }
    QVERIFY2(input.ok(), qPrintable(input.errors.value(0).text()));
    QCOMPARE(input.format, CornerFormat::AtlantaJson);
    QString why;
    QVERIFY2(near(input.rings.floor, floorPixels(room, camera, -170), &why), qPrintable(why));
    // HorizonNet writes the same keys with its ceiling at z0 = 50; its column order is kept.
    const CornerInput horizon = parseCornerInput(
        QStringLiteral("horizon.json"), atlantaJson(room, camera, 50, -80), CornerReadOptions());
    QCOMPARE(horizon.format, CornerFormat::HorizonJson);
    QVector<QPointF> sorted = floorPixels(room, camera, -80);
    std::sort(sorted.begin(), sorted.end(), [](QPointF a, QPointF b) { return a.x() < b.x(); });
    QVERIFY2(near(horizon.rings.floor, sorted, &why), qPrintable(why));
}

void TestEstimatorFormats::hohonet()
{
    // HoHoNet's .layout.txt: "x y" pixels, ceiling and floor alternating per corner, as
    // HorizonNet's label_cor.
    const QVector<QPointF> room {{-2, -1.5}, {2.5, -1.5}, {2.5, 2}, {-2, 2}};
    QByteArray text;
    QVector<QPointF> ceiling, floor;
    for (const QPointF &p : room) {
        ceiling.append(directionToPixel({p.x(), p.y(), 1.2}, image));
        floor.append(directionToPixel({p.x(), p.y(), -1.6}, image));
    }
    ceiling = fromLeftmost(ceiling);
    floor = fromLeftmost(floor);
    for (int i = 0; i < room.size(); ++i)
        text += QByteArray::number(ceiling.at(i).x(), 'f', 2) + ' '
            + QByteArray::number(ceiling.at(i).y(), 'f', 2) + '\n'
            + QByteArray::number(floor.at(i).x(), 'f', 2) + ' '
            + QByteArray::number(floor.at(i).y(), 'f', 2) + '\n';
    const CornerInput input =
        parseCornerInput(QStringLiteral("pano.layout.txt"), text, CornerReadOptions());
    QVERIFY2(input.ok(), qPrintable(input.errors.value(0).text()));
    QCOMPARE(input.format, CornerFormat::InterleavedPairs);
    for (int i = 0; i < room.size(); ++i) {
        QVERIFY(std::fabs(input.rings.floor.at(i).x() - floor.at(i).x()) < 0.01);
        QVERIFY(std::fabs(input.rings.ceiling.at(i).y() - ceiling.at(i).y()) < 0.01);
    }
}

QTEST_MAIN(TestEstimatorFormats)
#include "tst_estimatorformats.moc"
