#include "preview.h"
#include "projection.h"

#include <QTest>

#include <algorithm>
#include <cmath>

using namespace wallmatch;

namespace {

// A box room around the camera: corners at the given azimuths (degrees), ceiling 0.6 above the
// lens and floor 1 below it, both rings in the same order.
QVector<CornerPoint> boxRoom(const QVector<double> &azimuths)
{
    QVector<CornerPoint> rings;
    for (double z : {0.6, -1.0}) {
        for (double a : azimuths) {
            const Direction d = directionAt(a * M_PI / 180.0, M_PI / 2);
            rings.append(CornerPoint(float(d.x * 2), float(d.y * 2), float(z)));
        }
    }
    return rings;
}

QImage grey()
{
    QImage image(1024, 512, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    return image;
}

// Row 225 of the primary view (on the walls, above the labels) at a column; the views start 2 and 3
// text lines and one view further down.
QRgb primaryPixel(const QImage &preview, int u)
{
    return preview.pixel(u, 44 + 225);
}

QRgb secondaryPixel(const QImage &preview, int u)
{
    return preview.pixel(u, 66 + 512 + 225);
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void marks_data();
    void marks();
    void labelBetweenCorners();
    void truthColours();
    void pairsFromTruthFile();
    void uncertainFromTruthFile_data();
    void uncertainFromTruthFile();
};

void TestPreview::marks_data()
{
    QTest::addColumn<WallPairs>("pairs");
    QTest::addColumn<QVector<int>>("sameGroupAsPrimary0"); // secondary walls in wall 0's group
    QTest::addColumn<QVector<int>>("unmatchedPrimary");
    QTest::addColumn<QVector<int>>("unmatchedSecondary");
    QTest::newRow("one to one") << WallPairs {{0, 2}, {1, 3}, {2, 0}, {3, 1}} << QVector<int> {2}
                                << QVector<int> {} << QVector<int> {};
    QTest::newRow("split wall") << WallPairs {{0, 1}, {0, 2}, {1, 3}, {2, -1}, {3, 0}}
                                << QVector<int> {1, 2} << QVector<int> {2} << QVector<int> {};
    QTest::newRow("nothing matches")
        << WallPairs {{0, -1}, {1, -1}, {2, -1}, {3, -1}} << QVector<int> {}
        << QVector<int> {0, 1, 2, 3} << QVector<int> {0, 1, 2, 3};
    QTest::newRow("out of range ignored") << WallPairs {{0, 7}, {9, 1}, {1, 1}} << QVector<int> {}
                                          << QVector<int> {0, 2, 3} << QVector<int> {0, 2, 3};
}

void TestPreview::marks()
{
    QFETCH(WallPairs, pairs);
    QFETCH(QVector<int>, sameGroupAsPrimary0);
    QFETCH(QVector<int>, unmatchedPrimary);
    QFETCH(QVector<int>, unmatchedSecondary);
    const auto marks = wallMarks(4, 4, pairs);
    QVector<int> same, unP, unS;
    for (int i = 0; i < 4; ++i) {
        if (!marks.first[0].unmatched && marks.second[i].group == marks.first[0].group)
            same << i;
        if (marks.first[i].unmatched)
            unP << i;
        if (marks.second[i].unmatched)
            unS << i;
    }
    QCOMPARE(same, sameGroupAsPrimary0);
    QCOMPARE(unP, unmatchedPrimary);
    QCOMPARE(unS, unmatchedSecondary);

    // Without truth every wall has a colour of its own.
    const auto plain = wallMarks(4, 4, std::nullopt);
    QSet<int> groups;
    for (const auto &views : {plain.first, plain.second})
        for (const WallMark &m : views) {
            QVERIFY(!m.unmatched);
            groups.insert(m.group);
        }
    QCOMPARE(groups.size(), 8);
}

void TestPreview::labelBetweenCorners()
{
    // Wall 3 runs from 300 degrees across the seam to 20 degrees: its label sits near the seam.
    const QVector<CornerPoint> room = boxRoom({20, 110, 200, 300});
    for (int wall = 0; wall < 3; ++wall) {
        const auto at = wallLabelPosition(room, wall);
        QVERIFY(at);
        const double u0 = directionToPixel(directionOf(room.at(4 + wall)), {1024, 512}).x();
        const double u1 = directionToPixel(directionOf(room.at(4 + wall + 1)), {1024, 512}).x();
        QVERIFY2(at->x() > u0 && at->x() < u1, qPrintable(QString::number(at->x())));
        QCOMPARE(at->y(), 256.0);
    }
    const auto seam = wallLabelPosition(room, 3);
    QVERIFY(seam);
    QVERIFY(seam->x() < 60 || seam->x() > 1024 - 60);
    QVERIFY(!wallLabelPosition(room, 4));
    QVERIFY(!wallLabelPosition(QVector<CornerPoint>(8, CornerPoint(0, 0, 0)), 0));
}

void TestPreview::truthColours()
{
    // Same room seen turned by 180 degrees: primary wall k is secondary wall (k + 2) % 4.
    const PreviewView primary {grey(), boxRoom({20, 110, 200, 300}), QStringLiteral("primary")};
    const PreviewView secondary {grey(), boxRoom({200, 290, 20, 120}), QStringLiteral("secondary")};
    const QImage preview = renderPreview(primary, secondary, QStringLiteral("sample 1"),
                                         WallPairs {{0, 2}, {1, 3}, {2, 0}, {3, -1}});
    QCOMPARE(preview.size(), QSize(1024, 3 * 22 + 1024));
    const auto column = [](double azimuth) { return int(azimuth / 360.0 * 1024); };
    // Primary wall 0 (20..110 degrees) and secondary wall 2 (20..120) share a tint; primary
    // wall 1 (110..200) and secondary wall 3 (120..200) another one.
    QCOMPARE(primaryPixel(preview, column(65)), secondaryPixel(preview, column(65)));
    QCOMPARE(primaryPixel(preview, column(160)), secondaryPixel(preview, column(160)));
    QVERIFY(primaryPixel(preview, column(65)) != primaryPixel(preview, column(160)));
    QVERIFY(primaryPixel(preview, column(65)) != qRgb(128, 128, 128));
    // Primary wall 3 has no counterpart and secondary wall 1 none either: neither is tinted.
    const QRgb unmatched = primaryPixel(preview, column(330));
    QVERIFY(qRed(unmatched) == qGreen(unmatched) && qGreen(unmatched) == qBlue(unmatched));
}

void TestPreview::pairsFromTruthFile()
{
    // Rows per source, a split wall and -1; the three-column form holds for every source.
    const TruthFile perSource = parseTruthFile(QStringLiteral("truth.csv"),
                                               "sample,source,primary wall,secondary wall\n"
                                               "1,Kestrel,0,2\n1,Heron,0,1\n1,Heron,0,2\n"
                                               "1,Heron,1,-1\n");
    const auto heron = truthPairs(perSource, 1, QStringLiteral("Heron"));
    QVERIFY(heron);
    WallPairs sorted = *heron;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(sorted, (WallPairs {{0, 1}, {0, 2}, {1, -1}}));
    QCOMPARE(*truthPairs(perSource, 1, QStringLiteral("Kestrel")), (WallPairs {{0, 2}}));
    QVERIFY(!truthPairs(perSource, 2, QStringLiteral("Kestrel")));
    QVERIFY(!truthPairs(perSource, 1, QStringLiteral("Bramble")));
    const TruthFile shared =
        parseTruthFile(QStringLiteral("truth.csv"), "sample,primary wall,secondary wall\n3,0,1\n");
    QCOMPARE(*truthPairs(shared, 3, QStringLiteral("Bramble")), (WallPairs {{0, 1}}));
}

// The walls marked "?": primary walls whose rows are all uncertain, secondary walls named only by
// uncertain rows; another source's rows and another sample's never count.
void TestPreview::uncertainFromTruthFile_data()
{
    QTest::addColumn<QByteArray>("truth");
    QTest::addColumn<int>("sample");
    QTest::addColumn<QList<int>>("primary");
    QTest::addColumn<QList<int>>("secondary");
    const QByteArray mixed = "sample,source,primary wall,secondary wall,certain\n"
                             "1,Heron,0,1,0\n1,Heron,0,2,0\n1,Heron,1,2,1\n1,Heron,2,-1,0\n"
                             "1,Heron,3,0,0\n1,Heron,3,4,1\n1,Kestrel,4,3,0\n2,Heron,5,5,0\n";
    QTest::newRow("merged, split and -1") << mixed << 1 << QList<int> {0, 2} << QList<int> {0, 1};
    QTest::newRow("other sample") << mixed << 2 << QList<int> {5} << QList<int> {5};
    QTest::newRow("no rows") << mixed << 3 << QList<int> {} << QList<int> {};
    QTest::newRow("four columns: all certain")
        << QByteArray("sample,source,primary wall,secondary wall\n1,Heron,0,1\n1,Heron,1,-1\n") << 1
        << QList<int> {} << QList<int> {};
}

void TestPreview::uncertainFromTruthFile()
{
    QFETCH(QByteArray, truth);
    QFETCH(int, sample);
    QFETCH(QList<int>, primary);
    QFETCH(QList<int>, secondary);
    const TruthFile file = parseTruthFile(QStringLiteral("truth.csv"), truth);
    QVERIFY2(file.problems.isEmpty(), qPrintable(file.problems.join(QLatin1Char('\n'))));
    const UncertainWalls walls = uncertainWalls(file, sample, QStringLiteral("Heron"));
    QList<int> p = walls.primary.values(), s = walls.secondary.values();
    std::sort(p.begin(), p.end());
    std::sort(s.begin(), s.end());
    QCOMPARE(p, primary);
    QCOMPARE(s, secondary);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
