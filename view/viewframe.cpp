#include "viewframe.h"

#include "sources.h"
#include "viewoverlay.h"

#include <QPainter>
#include <QtMath>

namespace wallmatch {

ShownCorners shownCorners(const QVector<QVector<QPoint>> &imageCorners,
                          const QVector<QVector<CornerPoint>> &roomCorners,
                          const QString &otherSource,
                          const std::optional<CornerLists> &otherCorners, const QString &source)
{
    ShownCorners shown;
    const QVector<QPoint> *image = nullptr;
    const QVector<CornerPoint> *room = nullptr;
    const int builtIn = builtInSourceIndex(source);
    if (builtIn >= 0) {
        // Missing files leave fewer lists than sources.
        if (builtIn < roomCorners.size() && builtIn < imageCorners.size()) {
            image = &imageCorners.at(builtIn);
            room = &roomCorners.at(builtIn);
        }
    } else if (!source.isEmpty() && source == otherSource && otherCorners) {
        image = &otherCorners->imageCorners;
        room = &otherCorners->roomCorners;
    }
    if (!room)
        return shown;
    shown.listed = true;
    shown.count = room->size();
    if (shown.count <= maxShownCorners) {
        shown.imageCorners = *image;
        shown.roomCorners = *room;
    }
    return shown;
}

ShownCorners shownCorners(const PanoFiles &files, const QString &source)
{
    return shownCorners(files.imageCorners, files.roomCorners, files.otherSource,
                        files.otherCorners, source);
}

ViewFrame renderViewFrame(const PanoFiles &files, const QString &source,
                          const ViewPlacement &placement)
{
    ViewFrame made;
    if (files.image.isNull() || source.isEmpty())
        return made;
    const ShownCorners shown = shownCorners(files, source);
    made.frame = files.image.convertToFormat(
        files.image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    {
        QPainter painter(&made.frame);
        DrawViewOverlay(painter, shown.imageCorners, shown.roomCorners, files.image.size(), {});
    }
    made.source = source;
    made.placement = placement;
    const qreal scale = placement.scale;
    if (scale > 0 && scale < 1) {
        // Drawn as the window's painter draws it, from the same fraction of a pixel; the
        // pixels along the edges it covers only in part stay transparent, for what is behind.
        const QPointF within(placement.corner.x() - qFloor(placement.corner.x()),
                             placement.corner.y() - qFloor(placement.corner.y()));
        made.screenFrame = QImage(qCeil(within.x() + made.frame.width() * scale),
                                  qCeil(within.y() + made.frame.height() * scale),
                                  QImage::Format_ARGB32_Premultiplied);
        made.screenFrame.fill(Qt::transparent);
        QPainter painter(&made.screenFrame);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(within);
        painter.scale(scale, scale);
        painter.drawImage(QPointF(0, 0), made.frame);
    }
    return made;
}

} // namespace wallmatch
