#include "preview.h"

#include "projection.h"
#include "wallregions.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace wallmatch {

namespace {

constexpr int kViewWidth = 1024;
constexpr int kViewHeight = 512;
constexpr int kLine = 22; // height of a text line above each view

// Colours that stay apart from each other on photographs of rooms.
QColor groupColour(int group)
{
    static const QRgb palette[] = {0xe6194b, 0x3cb44b, 0x4363d8, 0xf58231, 0x911eb4, 0x42d4f4,
                                   0xf032e6, 0xbfef45, 0xfabed4, 0x469990, 0xdcbeff, 0x9a6324,
                                   0xfffac8, 0x800000, 0xaaffc3, 0x808000, 0xffd8b1, 0x000075};
    constexpr int count = int(sizeof(palette) / sizeof(palette[0]));
    return QColor(palette[((group % count) + count) % count]);
}

int findRoot(QVector<int> &parent, int i)
{
    while (parent[i] != i)
        i = parent[i] = parent[parent[i]];
    return i;
}

void drawView(QPainter &painter, const PreviewView &view, const QVector<WallMark> &marks, int top)
{
    painter.save();
    painter.translate(0, top);
    const QSize size(kViewWidth, kViewHeight);
    if (view.image.isNull())
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::darkGray);
    else
        painter.drawImage(QRect(QPoint(0, 0), size), view.image);
    painter.setRenderHint(QPainter::Antialiasing);

    const WallRegionTable regions = BuildWallRegions(view.corners, size);
    for (int wall = 0; wall < marks.size(); ++wall) {
        const WallMark mark = marks.at(wall);
        const QColor colour = mark.unmatched ? QColor(Qt::white) : groupColour(mark.group);
        QColor fill = colour;
        fill.setAlphaF(0.22);
        const QBrush brush =
            mark.unmatched ? QBrush(QColor(255, 255, 255, 150), Qt::BDiagPattern) : QBrush(fill);
        QPen pen(colour, mark.unmatched ? 2.0 : 2.5);
        if (mark.unmatched)
            pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.setBrush(brush);
        for (const QPolygonF &polygon : regions.value(wall))
            painter.drawPolygon(polygon);
    }

    QFont font = painter.font();
    font.setPixelSize(18);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    QVector<QRectF> placed;
    for (int wall = 0; wall < marks.size(); ++wall) {
        const std::optional<QPointF> at = wallLabelPosition(view.corners, wall);
        if (!at)
            continue;
        const WallMark mark = marks.at(wall);
        QString text =
            mark.unmatched ? QStringLiteral("%1 \u2717").arg(wall) : QString::number(wall);
        if (mark.uncertain)
            text += QLatin1Char('?');
        QRectF box(metrics.boundingRect(text));
        box.adjust(-5, -2, 5, 2);
        box.moveCenter(*at);
        // Narrow walls side by side: a later label moves below or above the horizon, whichever
        // row is free first, alternately.
        const QRectF onHorizon = box;
        for (int step = 1; step <= 12; ++step) {
            const bool clash = std::any_of(placed.begin(), placed.end(),
                                           [&](const QRectF &r) { return r.intersects(box); });
            if (!clash)
                break;
            const int rows = (step + 1) / 2;
            box = onHorizon.translated(0, (step % 2 ? 1 : -1) * rows * (box.height() + 2));
        }
        placed.append(box);
        painter.setPen(Qt::NoPen);
        painter.setBrush(mark.unmatched ? QColor(0, 0, 0, 210)
                                        : groupColour(mark.group).darker(170));
        painter.drawRoundedRect(box, 4, 4);
        painter.setPen(mark.unmatched ? QColor(255, 90, 90) : QColor(Qt::white));
        painter.drawText(box, Qt::AlignCenter, text);
    }
    painter.restore();
}

void drawCaption(QPainter &painter, const QString &text, int top)
{
    painter.fillRect(QRect(0, top, kViewWidth, kLine), QColor(32, 32, 32));
    painter.setPen(Qt::white);
    painter.drawText(QRect(6, top, kViewWidth - 12, kLine), Qt::AlignVCenter | Qt::AlignLeft, text);
}

} // namespace

std::optional<WallPairs> truthPairs(const TruthFile &truth, int sample, const QString &source)
{
    auto it = truth.walls.constFind({sample, source});
    if (it == truth.walls.constEnd())
        it = truth.walls.constFind({sample, QString()});
    if (it == truth.walls.constEnd())
        return std::nullopt;
    WallPairs pairs;
    for (auto wall = it->constBegin(); wall != it->constEnd(); ++wall) {
        for (int secondary : wall.value())
            pairs.append({wall.key(), secondary});
    }
    return pairs;
}

UncertainWalls uncertainWalls(const TruthFile &truth, int sample, const QString &source)
{
    // The same rows as truthPairs: the source's own, else those for every source.
    const QString key = truth.walls.contains({sample, source}) ? source : QString();
    UncertainWalls walls;
    QSet<int> certainSecondary, secondary;
    for (const TruthRow &row : truth.rows) {
        if (row.sample != sample || row.source != key)
            continue;
        if (!truth.certain(sample, source, row.primaryWall))
            walls.primary.insert(row.primaryWall);
        if (row.secondaryWall < 0)
            continue;
        secondary.insert(row.secondaryWall);
        if (row.certain)
            certainSecondary.insert(row.secondaryWall);
    }
    walls.secondary = secondary - certainSecondary;
    return walls;
}

QPair<QVector<WallMark>, QVector<WallMark>> wallMarks(int primaryWalls, int secondaryWalls,
                                                      const std::optional<WallPairs> &truth)
{
    QVector<WallMark> primary(std::max(primaryWalls, 0));
    QVector<WallMark> secondary(std::max(secondaryWalls, 0));
    if (!truth) {
        for (int i = 0; i < primary.size(); ++i)
            primary[i].group = i;
        for (int i = 0; i < secondary.size(); ++i)
            secondary[i].group = primary.size() + i;
        return {primary, secondary};
    }
    // Union-find over both views' walls: a split wall joins one primary wall to several
    // secondary walls, and all of them take one colour.
    const int n = int(primary.size() + secondary.size());
    QVector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    QVector<bool> joined(n, false);
    for (const auto &pair : *truth) {
        if (pair.first < 0 || pair.first >= primary.size() || pair.second < 0
            || pair.second >= secondary.size())
            continue;
        const int a = pair.first;
        const int b = int(primary.size()) + pair.second;
        joined[a] = joined[b] = true;
        parent[findRoot(parent, a)] = findRoot(parent, b);
    }
    QVector<int> groupOfRoot(n, -1);
    int groups = 0;
    for (int i = 0; i < n; ++i) {
        WallMark &mark = i < primary.size() ? primary[i] : secondary[i - primary.size()];
        if (!joined[i]) {
            mark.unmatched = true;
            continue;
        }
        const int root = findRoot(parent, i);
        if (groupOfRoot[root] < 0)
            groupOfRoot[root] = groups++;
        mark.group = groupOfRoot[root];
    }
    return {primary, secondary};
}

std::optional<QPointF> wallLabelPosition(const QVector<CornerPoint> &corners, int wall)
{
    const int walls = int(corners.size() / 2);
    if (wall < 0 || wall >= walls)
        return std::nullopt;
    const QVector<CornerPoint> unit =
        NormalizeCorners({corners.at(walls + wall), corners.at(walls + (wall + 1) % walls)});
    if (!IsUnitDirection(unit.at(0)) || !IsUnitDirection(unit.at(1)))
        return std::nullopt;
    Direction middle {double(unit.at(0).x) + unit.at(1).x, double(unit.at(0).y) + unit.at(1).y,
                      0.0};
    if (std::hypot(middle.x, middle.y) < 1e-9)
        return std::nullopt;
    const QPointF pixel = directionToPixel(middle, QSizeF(kViewWidth, kViewHeight));
    // Clear of the seam, so the whole label shows.
    return QPointF(std::clamp(pixel.x(), 24.0, kViewWidth - 24.0), kViewHeight / 2.0);
}

QImage renderPreview(const PreviewView &primary, const PreviewView &secondary, const QString &title,
                     const std::optional<WallPairs> &truth, const UncertainWalls &uncertain)
{
    QImage canvas(kViewWidth, 3 * kLine + 2 * kViewHeight, QImage::Format_RGB32);
    canvas.fill(QColor(32, 32, 32));
    auto marks =
        wallMarks(int(primary.corners.size() / 2), int(secondary.corners.size() / 2), truth);
    for (int wall = 0; wall < marks.first.size(); ++wall)
        marks.first[wall].uncertain = uncertain.primary.contains(wall);
    for (int wall = 0; wall < marks.second.size(); ++wall)
        marks.second[wall].uncertain = uncertain.secondary.contains(wall);
    QPainter painter(&canvas);
    QFont font = painter.font();
    font.setPixelSize(14);
    painter.setFont(font);
    QString legend = truth
        ? QStringLiteral("same colour: same wall; hatched and \u2717: no counterpart")
        : QStringLiteral("no truth file: colours only tell walls apart");
    if (!uncertain.isEmpty())
        legend += QStringLiteral("; ?: uncertain truth");
    drawCaption(painter, title + QStringLiteral("   (") + legend + QLatin1Char(')'), 0);
    drawCaption(painter, primary.caption, kLine);
    drawView(painter, primary, marks.first, 2 * kLine);
    drawCaption(painter, secondary.caption, 2 * kLine + kViewHeight);
    drawView(painter, secondary, marks.second, 3 * kLine + kViewHeight);
    painter.end();
    return canvas;
}

} // namespace wallmatch
