#include "cornerinput.h"
#include "projection.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace wallmatch;

namespace {

struct Vec
{
    double x, y, z;
};

Vec unit(Vec v)
{
    const double n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / n, v.y / n, v.z / n};
}

// Corner lines of a corner file: "u v x y z" -> the five numbers.
QVector<QVector<double>> cornerLines(const QString &text)
{
    QVector<QVector<double>> lines;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QVector<double> values;
        for (const QString &token : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            values.append(token.toDouble());
        lines.append(values);
    }
    return lines;
}

using Ring = QVector<QPointF>;

// One room seen from the camera: four corners, in pixels of a 1024 x 512 image.
const Ring roomCeiling {{100, 150}, {400, 170}, {600, 160}, {850, 140}};
const Ring roomFloor {{100, 360}, {400, 340}, {600, 350}, {850, 370}};

QByteArray pairLines(const Ring &points)
{
    QByteArray text;
    for (const QPointF &p : points)
        text += QByteArray::number(p.x()) + ' ' + QByteArray::number(p.y()) + '\n';
    return text;
}

Ring interleave(const Ring &a, const Ring &b)
{
    Ring r;
    for (int i = 0; i < a.size(); ++i)
        r << a.at(i) << b.at(i);
    return r;
}

bool hasProblem(const QVector<Problem> &problems, int line, const QString &fragment)
{
    for (const Problem &p : problems) {
        if (p.line == line && p.message.contains(fragment))
            return true;
    }
    return false;
}

QString problemList(const QVector<Problem> &problems)
{
    QStringList texts;
    for (const Problem &p : problems)
        texts << p.text();
    return texts.join(QLatin1String(" | "));
}

} // namespace

class TestCornerInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Directions along the axes land where the viewer's projection puts them.
    void pixelToDirection_data()
    {
        QTest::addColumn<QPointF>("pixel");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("z");
        QTest::newRow("left edge is +y") << QPointF(0, 256) << 0.0 << 1.0 << 0.0;
        QTest::newRow("quarter is -x") << QPointF(256, 256) << -1.0 << 0.0 << 0.0;
        QTest::newRow("middle is -y") << QPointF(512, 256) << 0.0 << -1.0 << 0.0;
        QTest::newRow("three quarters is +x") << QPointF(768, 256) << 1.0 << 0.0 << 0.0;
        QTest::newRow("top row is +z") << QPointF(300, 0) << 0.0 << 0.0 << 1.0;
        QTest::newRow("bottom row is -z") << QPointF(300, 512) << 0.0 << 0.0 << -1.0;
        QTest::newRow("45 degrees up at +y")
            << QPointF(0, 128) << 0.0 << std::sqrt(0.5) << std::sqrt(0.5);
    }
    void pixelToDirection()
    {
        QFETCH(QPointF, pixel);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, z);
        const Direction d = wallmatch::pixelToDirection(pixel, QSizeF(1024, 512));
        QVERIFY2(std::fabs(d.x - x) < 1e-9 && std::fabs(d.y - y) < 1e-9
                     && std::fabs(d.z - z) < 1e-9,
                 qPrintable(QStringLiteral("(%1, %2, %3)").arg(d.x).arg(d.y).arg(d.z)));
    }

    // Pixel -> direction -> the viewer's own projection gives back the pixel, at several sizes.
    void inverseOfViewerProjection()
    {
        QRandomGenerator rng(7);
        for (const QSizeF size : {QSizeF(1024, 512), QSizeF(2048, 1024), QSizeF(640, 320)}) {
            for (int i = 0; i < 500; ++i) {
                const QPointF p(rng.bounded(size.width()), 1 + rng.bounded(size.height() - 2));
                const Direction d = wallmatch::pixelToDirection(p, size);
                const QPointF back = DirectionToPixel(cornerPointOf(d), size.toSize());
                const double du = wrappedColumnDistance(back.x(), p.x(), size.width());
                QVERIFY2(du < 1e-2 && std::fabs(back.y() - p.y()) < 1e-2,
                         qPrintable(QStringLiteral("(%1, %2) came back as (%3, %4)")
                                        .arg(p.x())
                                        .arg(p.y())
                                        .arg(back.x())
                                        .arg(back.y())));
            }
        }
    }

    // A corner file converted from its own u, v keeps its directions to float precision.
    void cornerFileRoundTrip()
    {
        QRandomGenerator rng(11);
        for (int room = 0; room < 20; ++room) {
            const int n = 4 + int(rng.bounded(9));
            QVector<double> azimuths;
            for (int i = 0; i < n; ++i)
                azimuths.append(rng.bounded(2 * M_PI));
            std::sort(azimuths.begin(), azimuths.end());
            QVector<Vec> ceiling, floor;
            for (double a : azimuths) {
                const double r = 0.5 + rng.bounded(4.0);
                // Azimuth a turns from +y towards -x.
                ceiling.append({-r * std::sin(a), r * std::cos(a), 1.3});
                floor.append({-r * std::sin(a), r * std::cos(a), -1.6});
            }
            QByteArray file;
            QVector<Vec> all = ceiling + floor;
            for (const Vec &v : all) {
                const QPointF p = DirectionToPixel(CornerPoint(float(v.x), float(v.y), float(v.z)),
                                                   QSize(1024, 512));
                file += QString::asprintf("%.9g %.9g %.9g %.9g %.9g\n", p.x(), p.y(), v.x, v.y, v.z)
                            .toUtf8();
            }
            const CornerInput input = parseCornerInput(QStringLiteral("room.txt"), file, {});
            QVERIFY2(input.ok(), qPrintable(problemList(input.errors)));
            QCOMPARE(input.format, CornerFormat::CornerFile);
            QVERIFY2(input.notes.isEmpty(), qPrintable(problemList(input.notes)));
            const auto lines = cornerLines(cornerFileText(input.rings));
            QCOMPARE(lines.size(), all.size());
            for (int i = 0; i < all.size(); ++i) {
                const Vec want = unit(all.at(i));
                const Vec got = unit({lines[i][2], lines[i][3], lines[i][4]});
                QVERIFY2(std::fabs(want.x - got.x) < 1e-5 && std::fabs(want.y - got.y) < 1e-5
                             && std::fabs(want.z - got.z) < 1e-5,
                         qPrintable(QStringLiteral("room %1 corner %2").arg(room).arg(i)));
            }
        }
    }

    // Every input format of the same room gives the same rings.
    void formats_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("format");

        // Shaped like the layout model's output: one line, extra keys, uv normalised.
        QByteArray json = "{\"z0\": 50.0, \"z1\": -52.5, \"uv\": [";
        const Ring uv = interleave(roomCeiling, roomFloor);
        for (int i = 0; i < uv.size(); ++i)
            json += (i ? ", [" : "[") + QByteArray::number(uv[i].x() / 1024, 'g', 17) + ", "
                + QByteArray::number(uv[i].y() / 512, 'g', 17) + "]";
        json += "]}";
        QTest::newRow("layout model JSON") << json << int(CornerFormat::HorizonJson);
        QTest::newRow("pixel pairs, alternating")
            << pairLines(interleave(roomCeiling, roomFloor)) << int(CornerFormat::InterleavedPairs);
        QTest::newRow("pixel pairs, two rings")
            << pairLines(roomCeiling + roomFloor) << int(CornerFormat::RingPairs);
        QTest::newRow("pairs with CRLF, commas and blank lines")
            << pairLines(roomCeiling + roomFloor).replace(' ', ", ").replace("\n", "\r\n\r\n")
            << int(CornerFormat::RingPairs);
        // Directions that do not match the pixels are replaced.
        QByteArray corners;
        for (const QPointF &p : roomCeiling + roomFloor)
            corners += QByteArray::number(p.x()) + ' ' + QByteArray::number(p.y()) + " 1 0 0\n";
        QTest::newRow("corner file") << corners << int(CornerFormat::CornerFile);
    }
    void formats()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, format);
        const CornerInput input = parseCornerInput(QStringLiteral("in"), content, {});
        QVERIFY2(input.ok(), qPrintable(problemList(input.errors)));
        QCOMPARE(int(input.format), format);
        QCOMPARE(input.rings.count(), roomCeiling.size());
        for (int i = 0; i < roomCeiling.size(); ++i) {
            QVERIFY(std::fabs(input.rings.ceiling[i].x() - roomCeiling[i].x()) < 1e-9);
            QVERIFY(std::fabs(input.rings.ceiling[i].y() - roomCeiling[i].y()) < 1e-9);
            QVERIFY(std::fabs(input.rings.floor[i].x() - roomFloor[i].x()) < 1e-9);
            QVERIFY(std::fabs(input.rings.floor[i].y() - roomFloor[i].y()) < 1e-9);
        }
        // The written file: ceiling ring first, each direction that of its pixel.
        const auto lines = cornerLines(cornerFileText(input.rings));
        QCOMPARE(lines.size(), 2 * roomCeiling.size());
        const Ring expected = roomCeiling + roomFloor;
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(lines[i].size(), 5);
            // Written as 32-bit floats.
            QVERIFY(std::fabs(lines[i][0] - expected[i].x()) < 1e-4);
            QVERIFY(std::fabs(lines[i][1] - expected[i].y()) < 1e-4);
            const QPointF back = DirectionToPixel(
                CornerPoint(float(lines[i][2]), float(lines[i][3]), float(lines[i][4])),
                QSize(1024, 512));
            QVERIFY(std::fabs(back.x() - expected[i].x()) < 1e-2);
            QVERIFY(std::fabs(back.y() - expected[i].y()) < 1e-2);
        }
        QCOMPARE(input.notes.isEmpty(), format != int(CornerFormat::CornerFile));
    }

    // JSON is scaled to the image size given; pixel inputs are taken as they are.
    void jsonScaledToImageSize()
    {
        const QByteArray json = "{\"uv\": [[0.25, 0.25], [0.25, 0.75], [0.5, 0.3], [0.5, 0.7], "
                                "[0.75, 0.2], [0.75, 0.8]]}";
        CornerReadOptions options;
        options.image = QSizeF(2000, 1000);
        const CornerInput input = parseCornerInput(QStringLiteral("in.json"), json, options);
        QVERIFY2(input.ok(), qPrintable(problemList(input.errors)));
        QCOMPARE(input.rings.ceiling, (Ring {{500, 250}, {1000, 300}, {1500, 200}}));
        QCOMPARE(input.rings.floor, (Ring {{500, 750}, {1000, 700}, {1500, 800}}));
    }

    // A forced format overrides the guess.
    void forcedFormat()
    {
        // Read as two rings, corner 0 would be (100,150) over (400,170): the u check fails.
        CornerReadOptions options;
        options.format = CornerFormat::RingPairs;
        const QByteArray interleaved = pairLines(interleave(roomCeiling, roomFloor));
        QVERIFY(!parseCornerInput(QStringLiteral("in"), interleaved, options).ok());
        options.format = CornerFormat::InterleavedPairs;
        QVERIFY(parseCornerInput(QStringLiteral("in"), interleaved, options).ok());
    }

    // A corner at the seam may have its ceiling and floor on either side of it.
    void seamTolerance()
    {
        const QByteArray text = "1023 150\n300 150\n600 150\n1 350\n300 350\n600 350\n";
        const CornerInput input = parseCornerInput(QStringLiteral("in"), text, {});
        QVERIFY2(input.ok(), qPrintable(problemList(input.errors)));
        QCOMPARE(input.format, CornerFormat::RingPairs);
    }

    void validationErrors_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("odd count")
            << QByteArray("100 150\n100 350\n300 150\n300 350\n500 150\n") << 5 << "odd";
        QTest::newRow("ceiling below floor")
            << QByteArray("100 150\n100 350\n300 360\n300 340\n600 150\n600 350\n") << 3
            << "not above";
        QTest::newRow("ceiling and floor u apart")
            << QByteArray("100 150\n100 350\n300 150\n310 350\n600 150\n600 350\n") << 3
            << "differ by 10 pixels";
        QTest::newRow("u outside the image")
            << QByteArray("100 150\n100 350\n1030 150\n1030 350\n600 150\n600 350\n") << 3
            << "outside";
        QTest::newRow("v outside the image")
            << QByteArray("100 150\n100 350\n300 150\n300 513\n600 150\n600 350\n") << 4
            << "outside";
        QTest::newRow("ceiling outside, the whole message")
            << QByteArray("100 150\n100 350\n1030 150\n1030 350\n600 150\n600 350\n") << 3
            << "corner 1: ceiling (1030, 150) lies outside the 1024 x 512 image";
        QTest::newRow("floor outside, the whole message")
            << QByteArray("100 150\n100 350\n300 150\n300 513\n600 150\n600 350\n") << 4
            << "corner 1: floor (300, 513) lies outside the 1024 x 512 image";
        QTest::newRow("ceiling below the horizon")
            << QByteArray("100 150\n100 350\n300 260\n300 350\n600 150\n600 350\n") << 3
            << "corner 1: the ceiling corner (v 260) is not above the horizon (v 256)";
        QTest::newRow("floor above the horizon")
            << QByteArray("100 150\n100 350\n300 150\n300 250\n600 150\n600 350\n") << 4
            << "corner 1: the floor corner (v 250) is not below the horizon (v 256)";
        QTest::newRow("not a number")
            << QByteArray("100 150\n100 350\n\n300 x150\n300 350\n") << 4 << "not a number";
        QTest::newRow("three numbers") << QByteArray("100 150\n100 350 7\n") << 2 << "3 numbers";
        QTest::newRow("unknown line shape") << QByteArray("100 150 3\n") << 1 << "3 numbers";
        QTest::newRow("short corner line")
            << QByteArray("100 150 0 1 0\n100 350 0 1\n") << 2 << "4 numbers";
        QTest::newRow("two corners are no room")
            << QByteArray("100 150\n100 350\n300 150\n300 350\n") << 0 << "at least 3";
        QTest::newRow("swapped rings")
            << QByteArray("100 350\n300 350\n600 350\n100 150\n300 150\n600 150\n") << 0
            << "swapped";
        QTest::newRow("order cannot be told")
            << QByteArray("100 150\n200 350\n300 150\n400 350\n500 150\n600 350\n") << 0
            << "--format";
        QTest::newRow("empty") << QByteArray("\n \n") << 0 << "no corners";
        QTest::newRow("JSON entry not a pair")
            << QByteArray("{\n\"uv\": [\n[0.1, 0.3],\n[0.1, 0.7],\n[0.4],\n[0.4, 0.7]\n]}\n") << 5
            << "entry 2";
        QTest::newRow("JSON broken")
            << QByteArray("{\"uv\": [[0.1, 0.3],\n[0.1 0.7]]}") << 2 << "not valid JSON";
        QTest::newRow("JSON without uv") << QByteArray("{\"points\": []}") << 1 << "\"uv\"";
        QTest::newRow("JSON in pixels")
            << QByteArray("{\"uv\": [[100, 150], [100, 350], [300, 150], [300, 350], "
                          "[600, 150], [600, 350]]}")
            << 1 << "normalised";
        QTest::newRow("JSON ceiling below floor, on its own line")
            << QByteArray("{\"uv\": [[0.1, 0.3], [0.1, 0.7],\n [0.4, 0.8], [0.4, 0.6],\n"
                          " [0.7, 0.3], [0.7, 0.7]]}")
            << 2 << "corner 1";
    }
    void validationErrors()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, line);
        QFETCH(QString, fragment);
        const CornerInput input = parseCornerInput(QStringLiteral("corners.txt"), content, {});
        QVERIFY(!input.ok());
        QVERIFY2(hasProblem(input.errors, line, fragment), qPrintable(problemList(input.errors)));
        for (const Problem &p : input.errors)
            QVERIFY(p.text().startsWith(p.line > 0 ? QStringLiteral("corners.txt:%1: ").arg(p.line)
                                                   : QStringLiteral("corners.txt: ")));
    }

    void formatNames()
    {
        for (CornerFormat f :
             {CornerFormat::Auto, CornerFormat::HorizonJson, CornerFormat::InterleavedPairs,
              CornerFormat::RingPairs, CornerFormat::CornerFile})
            QCOMPARE(formatFromName(formatName(f)), std::optional<CornerFormat>(f));
        QVERIFY(!formatFromName(QStringLiteral("xml")));
    }
};

QTEST_GUILESS_MAIN(TestCornerInput)
#include "tst_cornerinput.moc"
