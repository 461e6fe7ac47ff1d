#include "renderarea.h"
#include "ui_renderarea.h"

#include "spherical.h"

#include <QBrush>
#include <QColor>
#include <QLine>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
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

void RenderArea::loadSample(const std::string &folder)
{
    sample.load(folder);
    cornerType = CornerType::Kestrel;
    rebuildRegions();
}

void RenderArea::setCornerType(CornerType type)
{
    cornerType = type;
    rebuildRegions();
}

void RenderArea::rebuildRegions()
{
    const int source = int(cornerType);
    if (source >= 0 && source < sample.roomCorners.size()
        && sample.roomCorners.at(source).size() > maxShownCorners) {
        // Say why the sample shows no walls, as the loader does for a missing corner file.
        std::printf("%s: %d %s corners, more than the %d a view shows\n", sample.path.c_str(),
                    int(sample.roomCorners.at(source).size()), cornerSourceNames[source],
                    maxShownCorners);
        std::fflush(stdout);
    }
    wallRegions.clear();
    selectedWall = -1;
    BuildWallRegions();
    update();
}

QVector<QPointF> RenderArea::TraceWallEdge(const CornerPoint &a, const CornerPoint &b,
                                           int *firstPieceCount, float stepDegrees) const
{
    return wallmatch::TraceWallEdge(a, b, imageSize(), firstPieceCount, stepDegrees);
}

void RenderArea::DrawWallEdge(QPainter &painter, const CornerPoint &a, const CornerPoint &b,
                              float stepDegrees) const
{
    wallmatch::DrawWallEdge(painter, a, b, imageSize(), stepDegrees);
}

void RenderArea::BuildWallRegions()
{
    const WallRegionTable built = wallmatch::BuildWallRegions(currentRoomCorners(), imageSize());
    for (auto it = built.cbegin(); it != built.cend(); ++it)
        wallRegions[it.key()] += it.value();
    wallHits = wallmatch::BuildWallHitList(wallRegions);
}

void RenderArea::DrawWallOutlines(QPainter &painter) const
{
    wallmatch::DrawWallOutlines(painter, currentRoomCorners(), imageSize());
}

QSize RenderArea::imageSize() const
{
    return QSize(sample.image.width(), sample.image.height());
}

// A source whose corner file was missing has no list: it shows no corners and no walls. Nor does
// one with more corners than any room has: every paint traces every edge and draws every corner,
// so a million-line file would freeze the window for seconds at each repaint.
QVector<QPoint> RenderArea::currentImageCorners() const
{
    const int source = int(cornerType);
    if (source < 0 || source >= sample.imageCorners.size()
        || sample.imageCorners.at(source).size() > maxShownCorners)
        return {};
    return sample.imageCorners.at(source);
}

QVector<CornerPoint> RenderArea::currentRoomCorners() const
{
    const int source = int(cornerType);
    if (source < 0 || source >= sample.roomCorners.size()
        || sample.roomCorners.at(source).size() > maxShownCorners)
        return {};
    return sample.roomCorners.at(source);
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

    QPen pen(Qt::yellow);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QBrush wallBrush(QColor::fromRgbF(0, 0, 1, 0.15), Qt::SolidPattern);
    drawImage(painter);

    // Only the drawing on top of the image is antialiased.
    painter.setRenderHint(QPainter::Antialiasing);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    DrawWallOutlines(painter);
    drawCornerLines(painter);

    painter.setPen(QPen(Qt::NoPen));
    painter.setBrush(wallBrush);
    drawSelectedWall(painter);

    pen.setColor(Qt::red);
    pen.setWidth(8);
    painter.setPen(pen);
    drawCornerDots(painter);
    painter.end();
}

void RenderArea::drawImage(QPainter &painter) const
{
    painter.drawPixmap(QPointF(0, 0), sample.image);
}

// Corner i of the first ring and corner i + n / 2 of the second are the two ends of one
// vertical room corner; an odd last corner has no partner.
void RenderArea::drawCornerLines(QPainter &painter) const
{
    const QVector<QPoint> corners = currentImageCorners();
    const int half = corners.size() / 2;
    QVector<QLine> lines;
    lines.reserve(half);
    for (int i = 0; i < half; ++i)
        lines.append(QLine(corners.at(i), corners.at(i + half)));
    painter.drawLines(lines);
}

void RenderArea::drawSelectedWall(QPainter &painter) const
{
    if (selectedWall < 0)
        return;
    const QVector<QPolygonF> polygons = wallRegions.value(selectedWall);
    for (const QPolygonF &polygon : polygons)
        painter.drawPolygon(polygon, Qt::OddEvenFill);
}

void RenderArea::drawCornerDots(QPainter &painter) const
{
    const QVector<QPoint> corners = currentImageCorners();
    painter.drawPoints(corners.constData(), corners.size());
}
