#ifndef VIEWFRAME_H
#define VIEWFRAME_H

#include "cornerfile.h"
#include "cornerpoint.h"
#include "panosample.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QVector>

namespace wallmatch {

// What a view shows of a sample for one source.
struct ShownCorners
{
    bool listed = false; // the source's corner file was read
    int count = 0; // corners in that file, shown or not
    QVector<QPoint> imageCorners; // empty when not shown
    QVector<CornerPoint> roomCorners;
};

// A built-in source by name, or the other source the files were read with; a source whose file
// is missing, or that was not read, is not listed.
ShownCorners shownCorners(const QVector<QVector<QPoint>> &imageCorners,
                          const QVector<QVector<CornerPoint>> &roomCorners,
                          const QString &otherSource,
                          const std::optional<CornerLists> &otherCorners, const QString &source);
ShownCorners shownCorners(const PanoFiles &files, const QString &source);

// Where a view is shown on the screen: the scale of its window, and the screen position of its
// top-left corner, of which only the fraction of a pixel matters.
struct ViewPlacement
{
    qreal scale = 1;
    QPointF corner;
};

// A view's picture made before it is needed, on any thread: the panorama with the walls of one
// source over it and no wall selected, as the view paints it; and, where the view is shown
// scaled, the same picture as the screen shows it, so that showing it is a copy of pixels.
struct ViewFrame
{
    QString source; // empty: no frame
    QImage frame;
    ViewPlacement placement;
    // The frame scaled and placed within whole pixels, to be copied to the pixel under the
    // view's corner; null at scale 1.
    QImage screenFrame;
};

// The frame of `files` for `source`, with its screen picture for `placement`.
ViewFrame renderViewFrame(const PanoFiles &files, const QString &source,
                          const ViewPlacement &placement = {});

} // namespace wallmatch

#endif // VIEWFRAME_H
