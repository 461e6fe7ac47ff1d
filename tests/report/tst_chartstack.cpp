#include "svgchart.h"
#include "timechart.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace wallmatch;

namespace {

// What a program or library needs, as the dynamic linker finds it.
QString ldd(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("ldd"), {file});
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The libraries the file itself names (not those they need in turn).
QStringList needed(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("readelf"), {QStringLiteral("-d"), file});
    p.waitForFinished(30000);
    QStringList names;
    static const QRegularExpression entry(QStringLiteral("\\(NEEDED\\).*\\[([^\\]]+)\\]"));
    for (auto m = entry.globalMatch(QString::fromLocal8Bit(p.readAllStandardOutput()));
         m.hasNext();)
        names << m.next().captured(1);
    return names;
}

// Whether any pixel of the image's outermost `band` pixels is not white: something drawn
// there runs off the picture.
bool touchesEdge(const QImage &image, int band = 2)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool edge =
                x < band || y < band || x >= image.width() - band || y >= image.height() - band;
            if (edge && image.pixel(x, y) != qRgb(255, 255, 255))
                return true;
        }
    }
    return false;
}

} // namespace

// One chart stack: the charts are SVG, the PNG is that SVG drawn by Qt SVG, and the report's
// program links neither widgets nor Qt Charts.
class TestChartStack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportLinksNoWidgets()
    {
        const QString exe = QStringLiteral(WALLMATCH_REPORT_EXE);
        if (QStandardPaths::findExecutable(QStringLiteral("ldd")).isEmpty())
            QSKIP("ldd not found: this check needs a glibc system");
        const QString all = ldd(exe);
        QVERIFY2(all.contains(QStringLiteral("libQt")), qPrintable(all));
        QVERIFY2(!all.contains(QStringLiteral("Charts")), qPrintable(all));
        // Qt 5's SVG library carries its widget (QSvgWidget) and so needs Qt Widgets itself;
        // the program may not bring it in any other way.
        QString svgLibrary;
        static const QRegularExpression svg(QStringLiteral("libQt\\dSvg\\S* => (\\S+)"));
        if (const QRegularExpressionMatch m = svg.match(all); m.hasMatch())
            svgLibrary = m.captured(1);
        QVERIFY2(!svgLibrary.isEmpty(), qPrintable(all));
        const bool widgetsViaSvg = ldd(svgLibrary).contains(QStringLiteral("Widgets"));
        QVERIFY2(widgetsViaSvg || !all.contains(QStringLiteral("Widgets")), qPrintable(all));
        const QStringList direct = needed(exe);
        QVERIFY2(!direct.isEmpty(), "readelf -d listed nothing");
        QVERIFY2(direct.filter(QStringLiteral("Widgets")).isEmpty(),
                 qPrintable(direct.join(QLatin1Char(' '))));
    }

    // Long titles, labels and names are fitted or shortened, never cut by the picture's edge.
    void nothingCutOff_data()
    {
        QTest::addColumn<QString>("svg");
        const QString longName = QStringLiteral("HorizonNet trained on ZInD, with post-processing");
        const QString longTitle =
            QStringLiteral("Time by source, answers of the run, over all participants and samples "
                           "of a study with a long name");
        QVector<BoxGroup> boxes;
        QVector<Proportion> shares;
        QVector<PointSeries> points;
        QVector<SubjectLine> lines;
        QStringList sources;
        for (int i = 0; i < 8; ++i) {
            const QString name = i == 3 ? longName : QStringLiteral("Source%1").arg(i);
            sources << name;
            boxes.append({name, seriesColour(i), {1.0 + i, 2.0 + i, 30.0}, i});
            shares.append({name, seriesColour(i), i, 8, i});
            points.append({name, seriesColour(i), {{1.0 + i, 2.0}, {100, 40.0 + i}}, i});
        }
        for (int p = 0; p < 12; ++p) {
            SubjectLine l {QStringLiteral("participant-with-a-long-id-%1").arg(p), {}};
            for (int i = 0; i < 8; ++i)
                l.values.append(0.5 + p + i);
            lines.append(l);
        }
        QTest::newRow("box plot") << svgBoxPlot(boxes, longTitle, longTitle, {520, 360},
                                                longTitle + QStringLiteral(" ") + longTitle);
        QTest::newRow("proportions") << svgProportions(shares, longTitle);
        QTest::newRow("scatter") << svgScatter(points, longTitle, longTitle, longTitle, true);
        QTest::newRow("participants")
            << svgSubjectLines(lines, sources, longTitle, longTitle, true, false);
        QTest::newRow("sample grid")
            << svgShareGrid({QStringLiteral("sample 1"), QStringLiteral("sample 1234567")}, sources,
                            {{{1, 2}, {2, 2}}, {{0, 3}}}, longTitle);
    }
    void nothingCutOff()
    {
        QFETCH(QString, svg);
        const QImage image = renderSvg(svg);
        QVERIFY(!image.isNull());
        QVERIFY(!touchesEdge(image));
    }

    // The PNG shows the SVG's colours: the first source's box in the palette's first colour.
    void pngDrawsTheSvg()
    {
        const QImage image =
            renderSvg(svgBoxPlot({{QStringLiteral("A"), seriesColour(0), {1, 2, 3, 4}, 0},
                                  {QStringLiteral("B"), seriesColour(1), {2, 3, 4, 5}, 1}},
                                 QStringLiteral("t"), QStringLiteral("s")));
        QCOMPARE(image.size(), QSize(520, 360));
        int first = 0, second = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                first += image.pixel(x, y) == seriesColour(0).rgb() ? 1 : 0;
                second += image.pixel(x, y) == seriesColour(1).rgb() ? 1 : 0;
            }
        }
        QVERIFY2(first > 1000 && second > 1000,
                 qPrintable(QStringLiteral("%1, %2").arg(first).arg(second)));
        QVERIFY(renderSvg(QStringLiteral("<svg")).isNull());
    }
};

QTEST_MAIN(TestChartStack)
#include "tst_chartstack.moc"
