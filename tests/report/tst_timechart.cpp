#include "timechart.h"

#include <QTest>

using namespace wallmatch;

namespace {

// Pixels close to a colour, as drawn by the chart's markers.
int pixelsNear(const QImage &image, QColor colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 20 && qAbs(c.green() - colour.green()) < 20
                && qAbs(c.blue() - colour.blue()) < 20)
                ++count;
        }
    }
    return count;
}

const QColor green(0x2e, 0x9d, 0x4a);
const QColor red(0xd6, 0x32, 0x30);

} // namespace

class TestTimeChart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void coloursFollowTheTruth()
    {
        const ResultsFile f = parseResultsFile(
            QStringLiteral("r.txt"),
            "ind 1: Wall 0 <==> Wall 0 (Kestrel) Time: 0:10.000 Mouse: 1 1 <==> 1 1\n"
            "ind 2: Wall 1 <==> Wall 0 (Kestrel) Time: 0:20.000 Mouse: 1 1 <==> 1 1\n");
        const TruthFile allRight = parseTruthFile(QStringLiteral("t"), "s,p,q\n1,0,0\n2,1,0\n");
        const TruthFile oneWrong = parseTruthFile(QStringLiteral("t"), "s,p,q\n1,0,0\n2,1,1\n");

        const QImage right = renderTimeChart({f}, &allRight, QSize(800, 500));
        QCOMPARE(right.size(), QSize(800, 500));
        QVERIFY(pixelsNear(right, green) > 20);
        QCOMPARE(pixelsNear(right, red), 0);

        const QImage mixed = renderTimeChart({f}, &oneWrong, QSize(800, 500));
        QVERIFY(pixelsNear(mixed, green) > 20);
        QVERIFY(pixelsNear(mixed, red) > 20);

        // Without truth neither colour is used.
        const QImage plain = renderTimeChart({f}, nullptr, QSize(800, 500));
        QCOMPARE(pixelsNear(plain, green), 0);
        QCOMPARE(pixelsNear(plain, red), 0);
    }

    // The chart fills the image: axes and markers are spread over it, not squeezed in a corner.
    void chartFillsTheImage()
    {
        const ResultsFile f = parseResultsFile(
            QStringLiteral("r.txt"),
            "ind 1: Wall 0 <==> Wall 0 (Kestrel) Time: 0:01.000 Mouse: 1 1 <==> 1 1\n"
            "ind 50: Wall 0 <==> Wall 0 (Kestrel) Time: 1:40.000 Mouse: 1 1 <==> 1 1\n");
        const TruthFile truth = parseTruthFile(QStringLiteral("t"), "s,p,q\n1,0,0\n50,0,0\n");
        const QImage image = renderTimeChart({f}, &truth, QSize(1000, 600));
        int left = image.width(), right = 0, top = image.height(), bottom = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (qAbs(c.red() - green.red()) < 20 && qAbs(c.green() - green.green()) < 20
                    && qAbs(c.blue() - green.blue()) < 20 && y < image.height() * 0.85) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                    top = qMin(top, y);
                    bottom = qMax(bottom, y);
                }
            }
        }
        QVERIFY2(right - left > image.width() / 2 && bottom - top > image.height() / 3,
                 qPrintable(QStringLiteral("markers within %1..%2 x %3..%4")
                                .arg(left)
                                .arg(right)
                                .arg(top)
                                .arg(bottom)));
    }
};

QTEST_MAIN(TestTimeChart)
#include "tst_timechart.moc"
