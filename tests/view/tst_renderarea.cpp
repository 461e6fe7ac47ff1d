#include "renderarea.h"
#include "roomfixture.h"
#include "spherical.h"
#include "wallregions.h"

#include <QCursor>
#include <QDir>
#include <QImage>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

const QSize panoSize(1024, 512);
const QColor sentinel(10, 200, 30);

QPoint wallCentre(int wall)
{
    const QVector<double> azimuths = fixture::sixWallAzimuths();
    const double from = azimuths.at(wall);
    double to = azimuths.at((wall + 1) % azimuths.size());
    if (to < from)
        to += 360.0;
    const double middle = std::fmod((from + to) / 2.0, 360.0);
    return QPoint(qRound(middle / 360.0 * panoSize.width()), panoSize.height() / 2);
}

// Points well inside each wall of the six-wall room; the seam wall has one in either half.
QVector<QPoint> wallPoints(int wall)
{
    if (wall == 5)
        return {QPoint(1000, 256), QPoint(24, 230)};
    return {wallCentre(wall), wallCentre(wall) + QPoint(0, 40)};
}

// Only what paintEvent draws: the window background is left out.
QImage render(RenderArea &view)
{
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(sentinel);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool isGrey(const QColor &c)
{
    return qAbs(c.red() - 128) <= 4 && qAbs(c.green() - 128) <= 4 && qAbs(c.blue() - 128) <= 4;
}

bool isTinted(const QColor &c)
{
    return c.blue() - c.red() > 25 && c.blue() - c.green() > 25;
}

bool isRed(const QColor &c)
{
    return c.red() > 220 && c.green() < 40 && c.blue() < 40;
}

// The wall of the six-wall room shown as selected: tinted at all its points; -1 when the horizon
// is tinted nowhere, -2 for a tint that matches no single wall.
int tintedWall(const QImage &image)
{
    int tinted = -1;
    for (int wall = 0; wall < 6; ++wall) {
        bool all = true;
        for (const QPoint &p : wallPoints(wall))
            all = all && isTinted(image.pixelColor(p));
        if (all)
            tinted = tinted == -1 ? wall : -2;
    }
    if (tinted == -1) {
        for (int x = 0; x < image.width(); ++x) {
            if (isTinted(image.pixelColor(x, image.height() / 2)))
                return -2;
        }
    }
    return tinted;
}

// Yellow drawn over the grey image somewhere within a pixel of p.
bool yellowNear(const QImage &image, const QPointF &p)
{
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            const QPoint q = p.toPoint() + QPoint(dx, dy);
            if (!image.rect().contains(q))
                continue;
            const QColor c = image.pixelColor(q);
            if (c.red() > 150 && c.green() > 150 && c.blue() < 110)
                return true;
        }
    }
    return false;
}

bool allSentinel(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != sentinel)
                return false;
        }
    }
    return true;
}

std::string toFolder(const QString &path)
{
    return path.toStdString();
}

// Records both clicked signals in the order they arrive.
struct ClickLog
{
    QStringList events;

    explicit ClickLog(RenderArea &view)
    {
        QObject::connect(&view, qOverload<int>(&RenderArea::clicked),
                         [this](int wall) { events << QStringLiteral("wall %1").arg(wall); });
        QObject::connect(&view, qOverload<QPoint>(&RenderArea::clicked), [this](const QPoint &p) {
            events << QStringLiteral("point %1,%2").arg(p.x()).arg(p.y());
        });
    }
};

QStringList pick(int wall, const QPoint &p)
{
    return {QStringLiteral("wall %1").arg(wall),
            QStringLiteral("point %1,%2").arg(p.x()).arg(p.y())};
}

// Points across the whole view, some on every wall, the ceiling, the floor and the seam.
QVector<QPoint> probePoints()
{
    QVector<QPoint> points;
    for (int y = 4; y < panoSize.height(); y += 12) {
        for (int x = 3; x < panoSize.width(); x += 25)
            points.append(QPoint(x, y));
    }
    return points;
}

// The wall a left click at each probe point picks, -1 where none: what the view's regions are,
// seen from outside. Leaves the last picked wall selected.
QVector<int> picks(RenderArea &view)
{
    int picked = -1;
    const QMetaObject::Connection connection = QObject::connect(
        &view, qOverload<int>(&RenderArea::clicked), [&picked](int wall) { picked = wall; });
    QVector<int> walls;
    for (const QPoint &p : probePoints()) {
        picked = -1;
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, p);
        walls.append(picked);
    }
    QObject::disconnect(connection);
    return walls;
}

// The same from a table, as the geometry library hit-tests it.
QVector<int> picks(const WallRegionTable &table)
{
    QVector<int> walls;
    for (const QPoint &p : probePoints())
        walls.append(wallmatch::WallAtPoint(table, QPointF(p)));
    return walls;
}

QVector<int> noPicks()
{
    return QVector<int>(probePoints().size(), -1);
}

} // namespace

class TestRenderArea : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void construction();
    void nothingBeforeLoad();
    void sampleWithoutImage();
    void paintsSample();
    void oddCornerCount();
    void selectionTint_data();
    void selectionTint();
    void clickSignals_data();
    void clickSignals();
    void otherButtonsIgnored();
    void clickOutsideKeepsSelection();
    void disabledViewIgnoresClicks();
    void clickUsesEventPosition();
    void cornerTypeSwitch();
    void outlinesFollowSource();
    void missingBrambleFile();
    void missingKestrelFile();
    void degenerateCorners();
    void tracingUsesImageSize();
    void markedWalls_data();
    void markedWalls();
    void readyFrame_data();
    void readyFrame();

private:
    void loadRoom(RenderArea &view);

    QTemporaryDir dir;
    QString roomFolder;
    QString bareFolder;
    QString kestrelOnlyFolder;
    QString noKestrelFolder;
    QString degenerateFolder;
    QString oddFolder;
    RenderArea *view = nullptr;
};

QVector<CornerPoint> brambleRoom()
{
    return fixture::roomCorners(
        fixture::floorPlanAt({45.0, 135.0, 225.0, 315.0}, {2.0, 2.2, 2.4, 2.6}), 1.2, 1.4);
}

void TestRenderArea::initTestCase()
{
    QVERIFY(dir.isValid());
    const QDir root(dir.path());
    roomFolder = root.filePath("room");
    bareFolder = root.filePath("bare");
    kestrelOnlyFolder = root.filePath("kestrel-only");
    noKestrelFolder = root.filePath("no-kestrel");
    degenerateFolder = root.filePath("degenerate");
    oddFolder = root.filePath("odd");

    const QVector<CornerPoint> room = fixture::sixWallRoom();
    QVERIFY(fixture::writePanoFolder(roomFolder, panoSize, room, brambleRoom()));
    QVERIFY(fixture::writePanoFolder(bareFolder, panoSize, room, brambleRoom(), false));
    QVERIFY(fixture::writePanoFolder(kestrelOnlyFolder, panoSize, room));
    QVERIFY(fixture::writePanoFolder(noKestrelFolder, panoSize, room, brambleRoom()));
    QVERIFY(QFile::remove(QDir(noKestrelFolder).filePath("pred_corner.txt")));

    // Ceiling corner 1 of zero length, floor corner 9 unreadable, ceiling corner 3 too long.
    QVERIFY(fixture::writePanoFolder(degenerateFolder, panoSize, room));
    QList<QByteArray> lines = fixture::cornerFileText(room, panoSize).split('\n');
    lines[1] = "0 0 0 0 0";
    lines[9] = "nan nan nan nan nan";
    lines[3] = "100 200 3e20 3e20 1e20";
    QVERIFY(
        fixture::writeText(QDir(degenerateFolder).filePath("pred_corner.txt"), lines.join('\n')));

    QVector<CornerPoint> odd = room;
    odd.append(fixture::directionAt(fixture::radians(180), fixture::radians(120)));
    QVERIFY(fixture::writePanoFolder(oddFolder, panoSize, odd));
}

void TestRenderArea::init()
{
    view = new RenderArea;
    view->setFixedSize(panoSize);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
}

void TestRenderArea::cleanup()
{
    delete view;
    view = nullptr;
}

void TestRenderArea::loadRoom(RenderArea &target)
{
    target.loadSample(toFolder(roomFolder));
}

void TestRenderArea::construction()
{
    RenderArea fresh;
    QCOMPARE(fresh.objectName(), QStringLiteral("RenderArea"));
    QCOMPARE(fresh.size(), QSize(400, 300));
    QCOMPARE(fresh.windowTitle(), QStringLiteral("Form"));

    const QMetaObject *meta = &RenderArea::staticMetaObject;
    QCOMPARE(meta->className(), "RenderArea");
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 3);
    QCOMPARE(meta->method(meta->methodOffset()).methodSignature(), QByteArray("clicked(int)"));
    QCOMPARE(meta->method(meta->methodOffset() + 1).methodSignature(),
             QByteArray("clicked(QPoint)"));
    QCOMPARE(meta->method(meta->methodOffset() + 2).methodSignature(),
             QByteArray("setCornerType(CornerType)"));
    QCOMPARE(meta->propertyCount(), meta->propertyOffset());
}

void TestRenderArea::nothingBeforeLoad()
{
    QVERIFY(allSentinel(render(*view)));
    QSignalSpy spy(view, qOverload<int>(&RenderArea::clicked));
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(2));
    QCOMPARE(spy.count(), 0);
}

void TestRenderArea::sampleWithoutImage()
{
    view->loadSample(toFolder(bareFolder));
    // Not even the corner dots, though the corners were read.
    QVERIFY(allSentinel(render(*view)));
    QSignalSpy spy(view, qOverload<int>(&RenderArea::clicked));
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(2));
    QCOMPARE(spy.count(), 0);

    // The same view paints once an image is there.
    view->loadSample(toFolder(roomFolder));
    QVERIFY(isGrey(render(*view).pixelColor(wallCentre(2))));
}

void TestRenderArea::paintsSample()
{
    loadRoom(*view);
    const QImage image = render(*view);
    const QVector<CornerPoint> room = fixture::sixWallRoom();
    const QVector<QPoint> pixels = fixture::projectCorners(room, panoSize);

    for (const QPoint &corner : pixels)
        QVERIFY2(isRed(image.pixelColor(corner)),
                 qPrintable(QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y())));

    // Vertical corner lines and traced outlines in yellow.
    for (int i = 0; i < 6; ++i) {
        const QPointF middle = QPointF(pixels.at(i) + pixels.at(i + 6)) / 2.0;
        QVERIFY2(yellowNear(image, middle), qPrintable(QString::number(i)));
    }
    const QVector<CornerPoint> top = wallmatch::NormalizeCorners(room.mid(0, 6));
    const QVector<CornerPoint> bottom = wallmatch::NormalizeCorners(room.mid(6));
    for (int wall = 0; wall < 5; ++wall) {
        for (const QVector<CornerPoint> &ring : {top, bottom}) {
            const QVector<QPointF> edge =
                wallmatch::SampleArc(ring.at(wall), ring.at(wall + 1), panoSize, 2.0f);
            QVERIFY(yellowNear(image, edge.at(edge.size() / 2)));
        }
    }

    // Elsewhere the image as it is; nothing selected, so nothing tinted.
    for (int wall = 0; wall < 6; ++wall) {
        for (const QPoint &p : wallPoints(wall))
            QVERIFY(isGrey(image.pixelColor(p)));
    }
    QVERIFY(isGrey(image.pixelColor(300, 20)));
    QVERIFY(isGrey(image.pixelColor(1023, 511)));
}

void TestRenderArea::oddCornerCount()
{
    view->loadSample(toFolder(oddFolder));
    const QImage image = render(*view);
    // The unpaired last corner is still marked, and takes part in no wall.
    QVERIFY(isRed(image.pixelColor(512, 341)));
    QCOMPARE(picks(*view), picks(wallmatch::BuildWallRegions(fixture::sixWallRoom(), panoSize)));
}

void TestRenderArea::selectionTint_data()
{
    QTest::addColumn<int>("wall");
    for (int wall = 0; wall < 6; ++wall)
        QTest::addRow("wall %d", wall) << wall;
}

void TestRenderArea::selectionTint()
{
    QFETCH(int, wall);
    loadRoom(*view);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallPoints(wall).first());

    const QImage image = render(*view);
    for (int other = 0; other < 6; ++other) {
        for (const QPoint &p : wallPoints(other)) {
            const QColor c = image.pixelColor(p);
            if (other == wall)
                QVERIFY2(isTinted(c), qPrintable(c.name()));
            else
                QVERIFY2(isGrey(c), qPrintable(c.name()));
        }
    }
    QVERIFY(isGrey(image.pixelColor(300, 20)));
    // The corner dots stay on top of the fill.
    for (const QPoint &corner : fixture::projectCorners(fixture::sixWallRoom(), panoSize))
        QVERIFY(isRed(image.pixelColor(corner)));
}

void TestRenderArea::markedWalls_data()
{
    QTest::addColumn<QVector<int>>("marked");
    QTest::newRow("one") << QVector<int> {2};
    QTest::newRow("two right walls") << QVector<int> {1, 4};
    QTest::newRow("none") << QVector<int> {};
}

void TestRenderArea::markedWalls()
{
    QFETCH(QVector<int>, marked);
    loadRoom(*view);
    view->setMarkedWalls(marked);
    const QImage image = render(*view);
    // A marked wall's green outline crosses the column through its middle (at the ceiling and
    // floor lines); an unmarked wall's column has no green.
    for (int wall = 0; wall < 6; ++wall) {
        const int x = wallCentre(wall).x();
        int green = 0;
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            green += c.green() > 180 && c.red() < 80 && c.blue() < 80 ? 1 : 0;
        }
        QVERIFY2((green > 0) == marked.contains(wall),
                 qPrintable(QStringLiteral("wall %1: %2 green pixels").arg(wall).arg(green)));
    }
    view->setMarkedWall(-1);
    const QImage cleared = render(*view);
    for (int y = 0; y < cleared.height(); ++y) {
        const QColor c = cleared.pixelColor(wallCentre(marked.value(0)).x(), y);
        QVERIFY(!(c.green() > 180 && c.red() < 80 && c.blue() < 80));
    }
}

void TestRenderArea::clickSignals_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("wall");
    for (int wall = 0; wall < 6; ++wall) {
        const QVector<QPoint> points = wallPoints(wall);
        for (int i = 0; i < points.size(); ++i)
            QTest::addRow("wall %d point %d", wall, i) << points.at(i) << wall;
    }
}

void TestRenderArea::clickSignals()
{
    QFETCH(QPoint, point);
    QFETCH(int, wall);
    loadRoom(*view);

    ClickLog log(*view);
    QSignalSpy wallSpy(view, qOverload<int>(&RenderArea::clicked));
    QSignalSpy pointSpy(view, qOverload<QPoint>(&RenderArea::clicked));
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, point);

    QCOMPARE(log.events, pick(wall, point));
    QCOMPARE(wallSpy.count(), 1);
    QCOMPARE(wallSpy.at(0).at(0).toInt(), wall);
    QCOMPARE(pointSpy.count(), 1);
    QCOMPARE(pointSpy.at(0).at(0).toPoint(), point);
    QCOMPARE(tintedWall(render(*view)), wall);

    // Clicking the selected wall again reports it again.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, point);
    QCOMPARE(log.events, pick(wall, point) + pick(wall, point));
}

void TestRenderArea::otherButtonsIgnored()
{
    loadRoom(*view);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(1));
    QCOMPARE(tintedWall(render(*view)), 1);

    ClickLog log(*view);
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(view, button, Qt::NoModifier, wallCentre(3));
        QTest::mouseClick(view, button, Qt::NoModifier, wallCentre(1));
    }
    QVERIFY(log.events.isEmpty());
    QCOMPARE(tintedWall(render(*view)), 1);
}

void TestRenderArea::clickOutsideKeepsSelection()
{
    loadRoom(*view);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(4));
    ClickLog log(*view);
    for (const QPoint &p : {QPoint(300, 20), QPoint(700, 505), QPoint(1, 1)})
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, p);
    QVERIFY2(log.events.isEmpty(), qPrintable(log.events.join(QLatin1Char(' '))));
    QCOMPARE(tintedWall(render(*view)), 4);
}

void TestRenderArea::disabledViewIgnoresClicks()
{
    loadRoom(*view);
    view->setEnabled(false);
    ClickLog log(*view);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(2));
    QVERIFY(log.events.isEmpty());
    // It still paints, with nothing selected.
    const QImage image = render(*view);
    QVERIFY(isGrey(image.pixelColor(wallCentre(2))));
    QCOMPARE(tintedWall(image), -1);

    view->setEnabled(true);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(2));
    QCOMPARE(log.events, pick(2, wallCentre(2)));
}

void TestRenderArea::clickUsesEventPosition()
{
    loadRoom(*view);
    // The pointer sits over another wall; the press itself is what counts.
    const QPoint elsewhere = view->mapToGlobal(wallCentre(4));
    QCursor::setPos(elsewhere);
    if (QCursor::pos() != elsewhere)
        QSKIP("the platform does not move the cursor");

    ClickLog log(*view);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(1));
    QCOMPARE(log.events, pick(1, wallCentre(1)));

    // And a press outside every wall picks nothing, wherever the pointer is.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 20));
    QCOMPARE(log.events.size(), 2);
}

void TestRenderArea::cornerTypeSwitch()
{
    const QVector<int> kestrel =
        picks(wallmatch::BuildWallRegions(fixture::sixWallRoom(), panoSize));
    const QVector<int> bramble = picks(wallmatch::BuildWallRegions(brambleRoom(), panoSize));
    QVERIFY(kestrel != bramble);
    loadRoom(*view);

    ClickLog log(*view);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(2));
    view->setCornerType(CornerType::Bramble);

    // Bramble's dots replace Kestrel's; nothing is tinted.
    QImage image = render(*view);
    for (const QPoint &corner : fixture::projectCorners(brambleRoom(), panoSize))
        QVERIFY(isRed(image.pixelColor(corner)));
    QVERIFY(
        isGrey(image.pixelColor(fixture::projectCorners(fixture::sixWallRoom(), panoSize).at(2))));
    QCOMPARE(tintedWall(image), -1);

    // The same source again still drops the selection; switching is silent.
    view->setCornerType(CornerType::Kestrel);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(3));
    QCOMPARE(tintedWall(render(*view)), 3);
    view->setCornerType(CornerType::Kestrel);
    QCOMPARE(tintedWall(render(*view)), -1);
    QCOMPARE(log.events, pick(2, wallCentre(2)) + pick(3, wallCentre(3)));

    // Each source picks by its own walls, however often it is switched; nothing accumulates.
    QCOMPARE(picks(*view), kestrel);
    view->setCornerType(CornerType::Bramble);
    QCOMPARE(picks(*view), bramble);
    view->setCornerType(CornerType::Kestrel);
    QCOMPARE(picks(*view), kestrel);

    // Loading goes back to the default source, with nothing selected.
    view->setCornerType(CornerType::Bramble);
    view->loadSample(toFolder(roomFolder));
    image = render(*view);
    QCOMPARE(tintedWall(image), -1);
    for (const QPoint &corner : fixture::projectCorners(fixture::sixWallRoom(), panoSize))
        QVERIFY(isRed(image.pixelColor(corner)));
    QCOMPARE(picks(*view), kestrel);
}

// The outlines are traced once per corner list, not at every paint: a pixel on a Kestrel wall edge
// far from every Bramble edge and corner is drawn on with Kestrel shown, and left alone with
// Bramble shown.
void TestRenderArea::outlinesFollowSource()
{
    QVector<QPointF> brambleMarks;
    for (const wallmatch::WallOutlineEdge &edge :
         wallmatch::TraceWallOutlines(brambleRoom(), panoSize).edges)
        brambleMarks << edge.first << edge.second;
    for (const QPoint &corner : fixture::projectCorners(brambleRoom(), panoSize))
        brambleMarks << QPointF(corner);
    const auto farFromBramble = [&](const QPointF &p) {
        for (const QPointF &q : qAsConst(brambleMarks))
            if (QLineF(p, q).length() < 12)
                return false;
        return true;
    };
    QPoint onKestrel(-1, -1);
    for (const wallmatch::WallOutlineEdge &edge :
         wallmatch::TraceWallOutlines(fixture::sixWallRoom(), panoSize).edges) {
        const QPointF middle = edge.first.at(edge.first.size() / 2);
        if (edge.second.isEmpty() && farFromBramble(middle)) {
            onKestrel = QPoint(int(middle.x()), int(middle.y()));
            break;
        }
    }
    QVERIFY(onKestrel.x() >= 0);

    loadRoom(*view);
    QVERIFY(!isGrey(render(*view).pixelColor(onKestrel)));
    view->setCornerType(CornerType::Bramble);
    QVERIFY(isGrey(render(*view).pixelColor(onKestrel)));
    view->setCornerType(CornerType::Kestrel);
    QVERIFY(!isGrey(render(*view).pixelColor(onKestrel)));
}

void TestRenderArea::missingBrambleFile()
{
    view->loadSample(toFolder(kestrelOnlyFolder));
    QCOMPARE(picks(*view), picks(wallmatch::BuildWallRegions(fixture::sixWallRoom(), panoSize)));
    view->setCornerType(CornerType::Bramble);

    // The image alone.
    const QImage image = render(*view);
    for (const QPoint &corner : fixture::projectCorners(fixture::sixWallRoom(), panoSize))
        QVERIFY(isGrey(image.pixelColor(corner)));
    for (const QPoint &corner : fixture::projectCorners(brambleRoom(), panoSize))
        QVERIFY(isGrey(image.pixelColor(corner)));
    QCOMPARE(picks(*view), noPicks());
}

void TestRenderArea::missingKestrelFile()
{
    view->loadSample(toFolder(noKestrelFolder));
    const QImage image = render(*view);
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7)
            QVERIFY(isGrey(image.pixelColor(x, y)));
    }
    // Bramble's file was not read either: the loader stops at the first missing one.
    QCOMPARE(picks(*view), noPicks());
    view->setCornerType(CornerType::Bramble);
    QVERIFY(
        isGrey(render(*view).pixelColor(fixture::projectCorners(brambleRoom(), panoSize).at(0))));
    QCOMPARE(picks(*view), noPicks());
}

void TestRenderArea::degenerateCorners()
{
    view->loadSample(toFolder(degenerateFolder));
    const QImage image = render(*view);
    QVERIFY(isGrey(image.pixelColor(wallCentre(4))));
    ClickLog log(*view);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(1));
    QVERIFY(log.events.isEmpty());
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, wallCentre(4));
    QCOMPARE(log.events, pick(4, wallCentre(4)));
    QVERIFY(isTinted(render(*view).pixelColor(wallCentre(4))));

    // Corner 1 (walls 0, 1), corner 3 (walls 2, 3) and floor corner 3 (walls 2, 3) are no
    // directions: those walls cannot be picked; walls 4 and 5 are intact.
    WallRegionTable intact = wallmatch::BuildWallRegions(fixture::sixWallRoom(), panoSize);
    for (int wall = 0; wall < 4; ++wall)
        intact[wall].clear();
    QCOMPARE(picks(*view), picks(intact));
}

void TestRenderArea::tracingUsesImageSize()
{
    const CornerPoint a = fixture::directionAt(0.5, 1.0);
    const CornerPoint b = fixture::directionAt(1.5, 1.2);
    int count = -1;
    for (const QPointF &p : view->TraceWallEdge(a, b, &count, 2.0f))
        QCOMPARE(p, QPointF(0, 0));

    loadRoom(*view);
    int expectedCount = -1;
    QCOMPARE(view->TraceWallEdge(a, b, &count, 2.0f),
             wallmatch::TraceWallEdge(a, b, panoSize, &expectedCount, 2.0f));
    QCOMPARE(count, expectedCount);
}

QTEST_MAIN(TestRenderArea)
#include "tst_renderarea.moc"

// A picture made ahead is shown only for the sample and source it was made for, and only while
// no wall is selected: a frame painted flat magenta tells where it is used.
void TestRenderArea::readyFrame_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("change"); // 0 none, 1 another source, 2 a new load
    QTest::addColumn<bool>("shown");
    QTest::newRow("its sample and source") << "Kestrel" << panoSize << 0 << true;
    QTest::newRow("made for another source") << "Bramble" << panoSize << 0 << false;
    QTest::newRow("made for another image size") << "Kestrel" << QSize(512, 256) << 0 << false;
    QTest::newRow("source changed after") << "Kestrel" << panoSize << 1 << false;
    QTest::newRow("sample loaded after") << "Kestrel" << panoSize << 2 << false;
}

void TestRenderArea::readyFrame()
{
    QFETCH(QString, source);
    QFETCH(QSize, size);
    QFETCH(int, change);
    QFETCH(bool, shown);
    const QColor magenta(255, 0, 255);
    loadRoom(*view);
    wallmatch::ViewFrame frame;
    frame.source = source;
    frame.frame = QImage(size, QImage::Format_RGB32);
    frame.frame.fill(magenta);
    view->setReadyFrame(frame);
    if (change == 1) {
        view->setCornerType(CornerType::Bramble);
        view->setCornerType(CornerType::Kestrel);
    } else if (change == 2) {
        loadRoom(*view);
    }
    const QPoint inWall = wallCentre(2);
    QCOMPARE(render(*view).pixelColor(inWall) == magenta, shown);

    // A selected wall is drawn over the sample itself; the frame is for nothing selected.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, inWall);
    const QImage selected = render(*view);
    QCOMPARE(tintedWall(selected), 2);
    QVERIFY(selected.pixelColor(inWall) != magenta);
}
