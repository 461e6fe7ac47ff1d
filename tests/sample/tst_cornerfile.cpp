#include "cornerfile.h"

#include <QtTest>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

using namespace wallmatch;

Q_DECLARE_METATYPE(CornerPoint)

namespace {

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// What `stream >> f1 >> ... >> f5` gives for the line; false when the stream fails.
bool streamRead(const std::string &line, float (&v)[5])
{
    std::istringstream stream(line);
    stream.imbue(std::locale::classic());
    stream >> v[0] >> v[1] >> v[2] >> v[3] >> v[4];
    return !stream.fail();
}

} // namespace

class TestCornerFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundPixel_data();
    void roundPixel();
    void parseLine_data();
    void parseLine();
    void matchesStream_data();
    void matchesStream();
    void matchesStreamOnRandomLines();
    void junkLineAsStreamFails_data();
    void junkLineAsStreamFails();
    void splitsLines_data();
    void splitsLines();
    void keepsFileOrder();
    void longInputs();
    void writtenFileReadsBack_data();
    void writtenFileReadsBack();
};

void TestCornerFile::roundPixel_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("expected");
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("half up") << 1023.5f << 1024;
    QTest::newRow("below half") << 256.49f << 256;
    QTest::newRow("zero") << 0.0f << 0;
    QTest::newRow("negative zero") << -0.0f << 0;
    QTest::newRow("-0.5") << -0.5f << 0;
    QTest::newRow("-1.5") << -1.5f << -1;
    QTest::newRow("-2.5") << -2.5f << -2;
    QTest::newRow("-2.6") << -2.6f << -3;
    QTest::newRow("-2.4") << -2.4f << -2;
    QTest::newRow("largest below 2^31") << 2147483520.0f << 2147483520;
    QTest::newRow("2^31") << 2147483648.0f << INT_MAX;
    QTest::newRow("-2^31") << -2147483648.0f << INT_MIN;
    QTest::newRow("huge") << 3e9f << INT_MAX;
    QTest::newRow("huge negative") << -3e9f << INT_MIN;
    QTest::newRow("max float") << std::numeric_limits<float>::max() << INT_MAX;
    QTest::newRow("infinity") << inf << INT_MAX;
    QTest::newRow("-infinity") << -inf << INT_MIN;
    QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << 0;
}

void TestCornerFile::roundPixel()
{
    QFETCH(float, value);
    QFETCH(int, expected);
    QCOMPARE(wallmatch::roundPixel(value), expected);
}

void TestCornerFile::parseLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<CornerPoint>("room");
    const CornerPoint zero(0, 0, 0);
    QTest::newRow("rounding") << QByteArray("1023.5 256.49 1.0 -2.0 0.5") << QPoint(1024, 256)
                              << CornerPoint(1.0f, -2.0f, 0.5f);
    QTest::newRow("sixth number") << QByteArray("1023.5 256.49 1.0 -2.0 0.5 99")
                                  << QPoint(1024, 256) << CornerPoint(1.0f, -2.0f, 0.5f);
    QTest::newRow("text after five")
        << QByteArray("1 2 3 4 5 x,y") << QPoint(1, 2) << CornerPoint(3, 4, 5);
    QTest::newRow("negative halves")
        << QByteArray("-2.5 -2.6 0 0 1") << QPoint(-2, -3) << CornerPoint(0, 0, 1);
    QTest::newRow("tabs and carriage return")
        << QByteArray("\t 10\t20 \t0.25\t-1e2  3e-1\r") << QPoint(10, 20)
        << CornerPoint(0.25f, -100.0f, 0.3f);
    QTest::newRow("no separator needed")
        << QByteArray("1-2+3 4.5.5") << QPoint(1, -2) << CornerPoint(3, 4.5f, 0.5f);
    QTest::newRow("trailing letters on fifth")
        << QByteArray("1 2 3 4 5abc") << QPoint(1, 2) << CornerPoint(3, 4, 5);
    QTest::newRow("huge pixels clamp")
        << QByteArray("1e30 -1e30 1 2 3") << QPoint(INT_MAX, INT_MIN) << CornerPoint(1, 2, 3);
    QTest::newRow("empty") << QByteArray() << QPoint() << zero;
    QTest::newRow("blank") << QByteArray(" \t\r") << QPoint() << zero;
    QTest::newRow("text") << QByteArray("corner 1 2 3 4 5") << QPoint() << zero;
    QTest::newRow("commas") << QByteArray("1,2,3,4,5") << QPoint() << zero;
    QTest::newRow("four numbers") << QByteArray("7 8 9 10") << QPoint() << zero;
    QTest::newRow("overflow") << QByteArray("7 8 9 10 1e39") << QPoint() << zero;
    QTest::newRow("inf") << QByteArray("7 8 inf 10 11") << QPoint() << zero;
    QTest::newRow("nan") << QByteArray("nan 8 9 10 11") << QPoint() << zero;
    QTest::newRow("letters inside") << QByteArray("1.5abc 2 3 4 5") << QPoint() << zero;
}

void TestCornerFile::parseLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QPoint, pixel);
    QFETCH(CornerPoint, room);
    const CornerLine corner = parseCornerLine(std::string_view(line.constData(), line.size()));
    QCOMPARE(corner.pixel, pixel);
    QCOMPARE(corner.room.x, room.x);
    QCOMPARE(corner.room.y, room.y);
    QCOMPARE(corner.room.z, room.z);
}

void TestCornerFile::matchesStream_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("dots") << QByteArray("1.e5 5. .5 -.5 +.5");
    QTest::newRow("leading zeros and exponents") << QByteArray("00012.5e-0001 1E5 1e+5 1e-5 -0");
    QTest::newRow("underflow") << QByteArray("1e-50 -1e-50 1e-40 7e-46 8e-46");
    QTest::newRow("range ends") << QByteArray(
        "1e-45 -1e30 3.4028235e38 -3.4028235e38 1.17549435e-38");
    QTest::newRow("ties") << QByteArray("16777217 16777219 0.1 0.2 0.3");
    QTest::newRow("long mantissa")
        << QByteArray("1.00000005960464477539062500000000000000001 "
                      "1.000000059604644775390625 0.000000000000000000000000000000123456789 "
                      "123456789012345678901234567890 -9.99999999999999999999e-10");
    QTest::newRow("exponent then dot") << QByteArray("1e5.3 2 3 4");
    QTest::newRow("hex prefix after five") << QByteArray("1 2 3 4 0x1p3");
    QTest::newRow("huge zero exponent") << QByteArray("0e999999 0.0e-999999 1 2 3");
    QTest::newRow("pixel halves") << QByteArray("0.49999997 -0.50000006 2.5 -3.5 1");
}

void TestCornerFile::matchesStream()
{
    QFETCH(QByteArray, line);
    float expected[5] = {};
    QVERIFY(streamRead(line.toStdString(), expected));
    const CornerLine corner = parseCornerLine(std::string_view(line.constData(), line.size()));
    QCOMPARE(corner.pixel,
             QPoint(wallmatch::roundPixel(expected[0]), wallmatch::roundPixel(expected[1])));
    QVERIFY2(sameBits(corner.room.x, expected[2]), qPrintable(QString::number(corner.room.x)));
    QVERIFY2(sameBits(corner.room.y, expected[3]), qPrintable(QString::number(corner.room.y)));
    QVERIFY2(sameBits(corner.room.z, expected[4]), qPrintable(QString::number(corner.room.z)));
}

void TestCornerFile::matchesStreamOnRandomLines()
{
    std::mt19937 random(20240611);
    const auto digits = [&](int count) {
        std::string s;
        for (int i = 0; i < count; ++i)
            s += char('0' + random() % 10);
        return s;
    };
    const auto token = [&] {
        std::string s;
        const int sign = random() % 3;
        s += sign == 0 ? "" : sign == 1 ? "-" : "+";
        const int intDigits = random() % 12;
        s += digits(intDigits);
        if (intDigits == 0 || random() % 2)
            s += '.' + digits(1 + random() % 12);
        // Exponents reach into the denormals and underflow but stay below float overflow.
        if (random() % 2)
            s += (random() % 2 ? "e" : "E")
                + (random() % 2 ? "-" + std::to_string(random() % 60)
                                : std::to_string(random() % 26));
        return s;
    };
    for (int i = 0; i < 5000; ++i) {
        std::string line;
        for (int k = 0; k < 5; ++k)
            line += token() + (random() % 2 ? " " : "\t");
        float expected[5] = {};
        QVERIFY2(streamRead(line, expected), line.c_str());
        const CornerLine corner = parseCornerLine(line);
        QVERIFY2(
            corner.pixel
                == QPoint(wallmatch::roundPixel(expected[0]), wallmatch::roundPixel(expected[1])),
            line.c_str());
        QVERIFY2(sameBits(corner.room.x, expected[2]), line.c_str());
        QVERIFY2(sameBits(corner.room.y, expected[3]), line.c_str());
        QVERIFY2(sameBits(corner.room.z, expected[4]), line.c_str());
    }
}

void TestCornerFile::junkLineAsStreamFails_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("exponent without digits") << QByteArray("1 2 3 4 1e");
    QTest::newRow("exponent sign without digits") << QByteArray("1 2 3 4 1e+");
    QTest::newRow("dot and exponent without digits") << QByteArray("1. 2 3 4 5.e");
    QTest::newRow("lone dot") << QByteArray(". 2 3 4 5");
    QTest::newRow("lone sign") << QByteArray("1 - 3 4 5");
    QTest::newRow("two signs") << QByteArray("+-1 2 3 4 5");
    QTest::newRow("negative infinity") << QByteArray("1 2 3 4 -inf");
    QTest::newRow("infinity word") << QByteArray("infinity 2 3 4 5");
    QTest::newRow("negative overflow") << QByteArray("1 2 -3.5e38 4 5");
    QTest::newRow("hex") << QByteArray("0x10 2 3 4 5");
    QTest::newRow("exponent without mantissa") << QByteArray("1 2 3 4 e5");
}

void TestCornerFile::junkLineAsStreamFails()
{
    QFETCH(QByteArray, line);
    float ignored[5] = {};
    QVERIFY(!streamRead(line.toStdString(), ignored));
    const CornerLine corner = parseCornerLine(std::string_view(line.constData(), line.size()));
    QCOMPARE(corner.pixel, QPoint());
    QCOMPARE(corner.room, CornerPoint(0, 0, 0));
}

void TestCornerFile::splitsLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("one line feed") << QByteArray("\n") << 1;
    QTest::newRow("empty lines count") << QByteArray("\n\n1 2 3 4 5\n\n") << 4;
    QTest::newRow("last line without line feed") << QByteArray("1 2 3 4 5\n6 7 8 9 10") << 2;
    QTest::newRow("last line with line feed") << QByteArray("1 2 3 4 5\n6 7 8 9 10\n") << 2;
    QTest::newRow("crlf") << QByteArray("1 2 3 4 5\r\n6 7 8 9 10\r\n") << 2;
    QTest::newRow("lone carriage returns do not split")
        << QByteArray("1 2 3 4 5\r6 7 8 9 10\r") << 1;
    QTest::newRow("only a blank last line") << QByteArray("  ") << 1;
}

void TestCornerFile::splitsLines()
{
    QFETCH(QByteArray, text);
    QFETCH(int, lines);
    const CornerLists lists = parseCorners(text);
    QCOMPARE(lists.imageCorners.size(), lines);
    QCOMPARE(lists.roomCorners.size(), lines);
}

void TestCornerFile::keepsFileOrder()
{
    const CornerLists lists =
        parseCorners("10 11 1 2 3\r\n\njunk\n20.6 -21.5 4 5 6 7\n\t30 31 7 8 9");
    const QVector<QPoint> pixels = {{10, 11}, {0, 0}, {0, 0}, {21, -21}, {30, 31}};
    const QVector<CornerPoint> rooms = {{1, 2, 3}, {0, 0, 0}, {0, 0, 0}, {4, 5, 6}, {7, 8, 9}};
    QCOMPARE(lists.imageCorners, pixels);
    QVERIFY(lists.roomCorners == rooms);
}

void TestCornerFile::longInputs()
{
    // A million lines, the last without a line feed.
    QByteArray many;
    for (int i = 0; i < 1000000; ++i)
        many += QByteArray::number(i % 1000) + " 5 0.5 -0.5 1\n";
    many += "7 8 9 10 11";
    const CornerLists lists = parseCorners(many);
    QCOMPARE(lists.imageCorners.size(), 1000001);
    QCOMPARE(lists.roomCorners.size(), 1000001);
    QCOMPARE(lists.imageCorners.at(999999), QPoint(999, 5));
    QCOMPARE(lists.roomCorners.last(), CornerPoint(9, 10, 11));

    // One line of ten megabytes without a line feed.
    QByteArray wide = "1 2 3 4 5";
    wide += QByteArray(10 * 1024 * 1024, ' ') + "6";
    const CornerLists one = parseCorners(wide);
    QCOMPARE(one.imageCorners, QVector<QPoint> {QPoint(1, 2)});
    QCOMPARE(one.roomCorners.size(), 1);

    // A fifth number of ten million digits is out of float range.
    const QByteArray overflow = "1 2 3 4 " + QByteArray(10 * 1024 * 1024, '7');
    QCOMPARE(parseCorners(overflow).imageCorners, QVector<QPoint> {QPoint()});
}

void TestCornerFile::writtenFileReadsBack_data()
{
    QTest::addColumn<QPointF>("pixel");
    QTest::addColumn<CornerPoint>("room");
    QTest::newRow("plain") << QPointF(10, 20) << CornerPoint(1, -2, 0.5f);
    QTest::newRow("unrounded pixel") << QPointF(1023.4567, 255.5) << CornerPoint(0.1f, 0.2f, 0.3f);
    QTest::newRow("negative zero and tiny")
        << QPointF(0, 511.99) << CornerPoint(-0.0f, 1e-30f, -6.1232343e-17f);
    QTest::newRow("float extremes")
        << QPointF(0.25, 0.75)
        << CornerPoint(std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                       -std::numeric_limits<float>::min());
}

void TestCornerFile::writtenFileReadsBack()
{
    QFETCH(QPointF, pixel);
    QFETCH(CornerPoint, room);
    const QByteArray text = cornerFileText({{pixel, room}, {pixel, room}});
    QCOMPARE(text.count('\n'), 2);
    const CornerLists lists = parseCorners(text);
    QCOMPARE(lists.imageCorners.size(), 2);
    const QPoint rounded(wallmatch::roundPixel(float(pixel.x())),
                         wallmatch::roundPixel(float(pixel.y())));
    QCOMPARE(lists.imageCorners.at(1), rounded);
    QVERIFY2(sameBits(lists.roomCorners.at(1).x, room.x), text.constData());
    QVERIFY2(sameBits(lists.roomCorners.at(1).y, room.y), text.constData());
    QVERIFY2(sameBits(lists.roomCorners.at(1).z, room.z), text.constData());
}

QTEST_APPLESS_MAIN(TestCornerFile)

#include "tst_cornerfile.moc"
