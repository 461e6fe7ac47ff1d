#ifndef RENDERAREA_H
#define RENDERAREA_H

#include "cornertype.h"
#include "panosample.h"
#include "viewframe.h"
#include "wallregions.h"

#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QVector>
#include <QWidget>
#include <string>

class QPainter;

namespace Ui {
class RenderArea;
}

// Shows one panorama with the walls of its current corner source and lets the
// subject pick a wall by clicking inside it.
class RenderArea : public QWidget
{
    Q_OBJECT

public:
    explicit RenderArea(QWidget *parent = nullptr);
    ~RenderArea() override;

    // Loads a panorama folder and shows it with the default corner source, no wall selected;
    // with otherSource, that source's corner file is read too (see setSource); of the built-in
    // sources only the first builtInSources are read.
    void loadSample(const std::string &folder, const QString &otherSource = QString(),
                    int builtInSources = wallmatch::builtInSourceCount);
    // The same for a folder's files read earlier (readPanoFiles), perhaps on another thread.
    void loadSample(PanoFiles files);

    // Shows a source by name: a built-in one, or the other source the sample was loaded with.
    void setSource(const QString &name);

    // A corner list longer than this (1024 walls) is shown as none: image only, no walls to pick.
    static constexpr int maxShownCorners = wallmatch::maxShownCorners;

    // Takes the picture of the loaded sample with its shown source, made ahead of time
    // (renderViewFrame), and paints it while no wall is selected, so that showing a new sample
    // is a copy of pixels. A frame of another source or image size is not taken.
    void setReadyFrame(wallmatch::ViewFrame frame);

    // Wall-edge tracing in the pixels of the current image.
    QVector<QPointF> TraceWallEdge(const CornerPoint &a, const CornerPoint &b, int *firstPieceCount,
                                   float stepDegrees) const;

    // Appends the regions of the current corner source to wallRegions; never removes any.
    void BuildWallRegions();

    // The wall a click at `pos` (view pixels) picks, or -1 for none.
    int wallAt(const QPoint &pos) const;
    // Outlines a wall in green (feedback) until the next load or -1.
    void setMarkedWall(int wall);
    // Outlines each of these walls (every right one, where several are) until the next load or
    // an empty list.
    void setMarkedWalls(const QVector<int> &walls);

Q_SIGNALS:
    void clicked(int);
    void clicked(QPoint);

public Q_SLOTS:
    void setCornerType(CornerType type);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QSize imageSize() const;
    QString shownSource() const;
    void rebuildRegions();
    bool drawReadyFrame(QPainter &painter) const;
    void drawView(QPainter &painter) const;
    void drawMarkedWall(QPainter &painter) const;

    int selectedWall;
    QVector<int> markedWalls;
    CornerType cornerType;
    QString otherSource; // shown instead of cornerType's when set
    Ui::RenderArea *ui;
    PanoSample sample;
    wallmatch::ShownCorners shown; // of the shown source, made with the regions
    QPixmap readyFrame; // none once the sample or source changes
    QPixmap readyScreenFrame;
    wallmatch::ViewPlacement readyPlacement;
    WallRegionTable wallRegions;
    // wallRegions' polygons for the hit test; made again whenever the table is built.
    wallmatch::WallHitList wallHits;
    wallmatch::WallOutlines outlines; // of the shown corners, traced with the regions
};

#endif // RENDERAREA_H
