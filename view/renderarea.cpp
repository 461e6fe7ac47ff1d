#include "renderarea.h"
#include "ui_renderarea.h"

#include "spherical.h"
#include "viewoverlay.h"

#include <QMouseEvent>
#include <QPainter>
#include <QtMath>
#include <cstdio>

RenderArea::RenderArea(QWidget *parent)
    : QWidget(parent)
    , selectedWall(-1)
    , cornerType(CornerType::Kestrel)
    , ui(new Ui::RenderArea)
{
    ui->setupUi(this);
}

RenderArea::~RenderArea()
{
    delete ui;
}

void RenderArea::loadSample(const std::string &folder, const QString &otherSource,
                            int builtInSources)
{
    sample.load(folder, otherSource, builtInSources);
    cornerType = CornerType::Kestrel;
    this->otherSource.clear();
    rebuildRegions();
}

void RenderArea::loadSample(PanoFiles files)
{
    sample.adopt(std::move(files));
    cornerType = CornerType::Kestrel;
    otherSource.clear();
    rebuildRegions();
}

void RenderArea::setCornerType(CornerType type)
{
    cornerType = type;
    otherSource.clear();
    rebuildRegions();
}

void RenderArea::setSource(const QString &name)
{
    const int builtIn = wallmatch::builtInSourceIndex(name);
    if (builtIn >= 0) {
        setCornerType(CornerType(builtIn));
        return;
    }
    otherSource = name;
    rebuildRegions();
}

QString RenderArea::shownSource() const
{
    return otherSource.isEmpty() ? QString::fromLatin1(cornerSourceName(cornerType)) : otherSource;
}

void RenderArea::rebuildRegions()
{
    shown = wallmatch::shownCorners(sample.imageCorners, sample.roomCorners, sample.otherSource,
                                    sample.otherCorners, shownSource());
    if (shown.listed && shown.count > maxShownCorners) {
        // Say why the sample shows no walls, as the loader does for a missing corner file.
        std::printf("%s: %d %s corners, more than the %d a view shows\n", sample.path.c_str(),
                    shown.count, qPrintable(shownSource()), maxShownCorners);
        std::fflush(stdout);
    }
    wallRegions.clear();
    selectedWall = -1;
    markedWalls.clear();
    readyFrame = QPixmap();
    readyScreenFrame = QPixmap();
    BuildWallRegions();
    // An opaque image covering the whole view paints every pixel: nothing behind it is painted
    // first, which saves the window behind the views a repaint at every new sample.
    const QPixmap &image = sample.image;
    setAttribute(Qt::WA_OpaquePaintEvent,
                 !image.isNull() && !image.hasAlphaChannel() && image.width() >= width()
                     && image.height() >= height());
    update();
}

void RenderArea::setReadyFrame(wallmatch::ViewFrame frame)
{
    if (frame.source.isEmpty() || frame.source != shownSource()
        || frame.frame.size() != sample.image.size())
        return;
    readyFrame = QPixmap::fromImage(std::move(frame.frame));
    readyScreenFrame =
        frame.screenFrame.isNull() ? QPixmap() : QPixmap::fromImage(std::move(frame.screenFrame));
    readyPlacement = frame.placement;
}

QVector<QPointF> RenderArea::TraceWallEdge(const CornerPoint &a, const CornerPoint &b,
                                           int *firstPieceCount, float stepDegrees) const
{
    return wallmatch::TraceWallEdge(a, b, imageSize(), firstPieceCount, stepDegrees);
}

void RenderArea::BuildWallRegions()
{
    const WallRegionTable built = wallmatch::BuildWallRegions(shown.roomCorners, imageSize());
    if (wallRegions.isEmpty()) {
        wallRegions = built;
    } else {
        for (auto it = built.cbegin(); it != built.cend(); ++it)
            wallRegions[it.key()] += it.value();
    }
    wallHits = wallmatch::BuildWallHitList(wallRegions);
    outlines = wallmatch::TraceWallOutlines(shown.roomCorners, imageSize());
}

QSize RenderArea::imageSize() const
{
    return QSize(sample.image.width(), sample.image.height());
}

int RenderArea::wallAt(const QPoint &pos) const
{
    return wallmatch::WallAtPoint(wallRegions, wallHits, QPointF(pos));
}

void RenderArea::setMarkedWall(int wall)
{
    setMarkedWalls(wall < 0 ? QVector<int>() : QVector<int> {wall});
}

void RenderArea::setMarkedWalls(const QVector<int> &walls)
{
    markedWalls = walls;
    update();
}

void RenderArea::mousePressEvent(QMouseEvent *event)
{
    // The base handler is left out on purpose: a press never travels on to the parent.
    if (event->button() != Qt::LeftButton)
        return;

    const QPoint position = event->pos();
    const int wall = wallmatch::WallAtPoint(wallRegions, wallHits, QPointF(position));
    if (wall < 0)
        return;

    selectedWall = wall;
    Q_EMIT clicked(wall);
    Q_EMIT clicked(position);
    update();
}

void RenderArea::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (sample.image.isNull())
        return;

    QPainter painter(this);
    if (selectedWall >= 0 || !drawReadyFrame(painter))
        drawView(painter);
    drawMarkedWall(painter);
}

bool RenderArea::drawReadyFrame(QPainter &painter) const
{
    if (readyFrame.isNull())
        return false;
    const QTransform toDevice = painter.deviceTransform();
    const QPointF corner = toDevice.map(QPointF(0, 0));
    const auto sameFraction = [](qreal a, qreal b) {
        return qAbs((a - qFloor(a)) - (b - qFloor(b))) < 1e-3;
    };
    if (!readyScreenFrame.isNull() && toDevice.type() == QTransform::TxScale
        && qFuzzyCompare(toDevice.m11(), readyPlacement.scale)
        && qFuzzyCompare(toDevice.m22(), readyPlacement.scale)
        && sameFraction(corner.x(), readyPlacement.corner.x())
        && sameFraction(corner.y(), readyPlacement.corner.y())) {
        // Shown scaled (the window on a stage) where the frame was made for: its screen
        // picture, copied to the pixel under the view's corner. The painter's own transform is
        // undone for it.
        const QTransform toPixels =
            QTransform::fromTranslate(qFloor(corner.x()), qFloor(corner.y())) * toDevice.inverted()
            * painter.worldTransform();
        painter.save();
        painter.setWorldTransform(toPixels);
        painter.drawPixmap(0, 0, readyScreenFrame);
        painter.restore();
        return true;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QPointF(0, 0), readyFrame);
    painter.restore();
    return true;
}

void RenderArea::drawView(QPainter &painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QPointF(0, 0), sample.image);
    wallmatch::DrawViewOverlay(painter, shown.imageCorners, outlines,
                               wallRegions.value(selectedWall));
    painter.restore();
}

void RenderArea::drawMarkedWall(QPainter &painter) const
{
    if (markedWalls.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 220, 0), 5));
    painter.setBrush(Qt::NoBrush);
    for (int wall : markedWalls)
        for (const QPolygonF &polygon : wallRegions.value(wall))
            painter.drawPolygon(polygon);
    painter.restore();
}
