#include "renderarea.h"
#include "ui_renderarea.h"

#include "spherical.h"
#include "viewoverlay.h"

#include <QMouseEvent>
#include <QPainter>
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

void RenderArea::loadSample(const std::string &folder, const QString &otherSource)
{
    sample.load(folder, otherSource);
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

void RenderArea::rebuildRegions()
{
    if (hasCornerList() && !showsCornerList()) {
        // Say why the sample shows no walls, as the loader does for a missing corner file.
        std::printf("%s: %d %s corners, more than the %d a view shows\n", sample.path.c_str(),
                    int(currentList().size()),
                    otherSource.isEmpty() ? cornerSourceName(cornerType) : qPrintable(otherSource),
                    maxShownCorners);
        std::fflush(stdout);
    }
    wallRegions.clear();
    selectedWall = -1;
    markedWall = -1;
    BuildWallRegions();
    update();
}

QVector<QPointF> RenderArea::TraceWallEdge(const CornerPoint &a, const CornerPoint &b,
                                           int *firstPieceCount, float stepDegrees) const
{
    return wallmatch::TraceWallEdge(a, b, imageSize(), firstPieceCount, stepDegrees);
}

void RenderArea::BuildWallRegions()
{
    const WallRegionTable built = wallmatch::BuildWallRegions(currentRoomCorners(), imageSize());
    for (auto it = built.cbegin(); it != built.cend(); ++it)
        wallRegions[it.key()] += it.value();
    wallHits = wallmatch::BuildWallHitList(wallRegions);
}

QSize RenderArea::imageSize() const
{
    return QSize(sample.image.width(), sample.image.height());
}

bool RenderArea::hasCornerList() const
{
    if (!otherSource.isEmpty())
        return sample.otherSource == otherSource && sample.otherCorners.has_value();
    return int(cornerType) >= 0 && int(cornerType) < sample.roomCorners.size();
}

const QVector<CornerPoint> &RenderArea::currentList() const
{
    return otherSource.isEmpty() ? sample.roomCorners.at(cornerType)
                                 : sample.otherCorners->roomCorners;
}

// A source whose corner file was missing has no list: it shows no corners and no walls. Nor does
// one with more corners than any room has: every paint traces every edge and draws every corner,
// so a million-line file would freeze the window for seconds at each repaint.
bool RenderArea::showsCornerList() const
{
    return hasCornerList() && currentList().size() <= maxShownCorners;
}

QVector<QPoint> RenderArea::currentImageCorners() const
{
    if (!showsCornerList())
        return QVector<QPoint>();
    return otherSource.isEmpty() ? sample.imageCorners.at(cornerType)
                                 : sample.otherCorners->imageCorners;
}

QVector<CornerPoint> RenderArea::currentRoomCorners() const
{
    return showsCornerList() ? currentList() : QVector<CornerPoint>();
}

int RenderArea::wallAt(const QPoint &pos) const
{
    return wallmatch::WallAtPoint(wallRegions, wallHits, QPointF(pos));
}

void RenderArea::setMarkedWall(int wall)
{
    markedWall = wall;
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
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QPointF(0, 0), sample.image);
    wallmatch::DrawViewOverlay(painter, currentImageCorners(), currentRoomCorners(), imageSize(),
                               wallRegions.value(selectedWall));
    if (markedWall >= 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0, 220, 0), 5));
        painter.setBrush(Qt::NoBrush);
        for (const QPolygonF &polygon : wallRegions.value(markedWall))
            painter.drawPolygon(polygon);
    }
}
