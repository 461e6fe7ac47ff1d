#ifndef RENDERAREA_H
#define RENDERAREA_H

#include "cornertype.h"
#include "panosample.h"
#include "wallregions.h"

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
    // with otherSource, that source's corner file is read too (see setSource).
    void loadSample(const std::string &folder, const QString &otherSource = QString());
    // The same for a folder's files read earlier (readPanoFiles), perhaps on another thread.
    void loadSample(PanoFiles files);

    // Shows a source by name: a built-in one, or the other source the sample was loaded with.
    void setSource(const QString &name);

    // A corner list longer than this (1024 walls) is shown as none: image only, no walls to pick.
    static constexpr int maxShownCorners = 2048;

    // Wall-edge tracing in the pixels of the current image.
    QVector<QPointF> TraceWallEdge(const CornerPoint &a, const CornerPoint &b, int *firstPieceCount,
                                   float stepDegrees) const;

    // Appends the regions of the current corner source to wallRegions; never removes any.
    void BuildWallRegions();

    // The wall a click at `pos` (view pixels) picks, or -1 for none.
    int wallAt(const QPoint &pos) const;
    // Outlines a wall in green (feedback) until the next load or -1.
    void setMarkedWall(int wall);

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
    bool hasCornerList() const;
    bool showsCornerList() const;
    // The shown source's corners; only when hasCornerList().
    const QVector<CornerPoint> &currentList() const;
    QVector<QPoint> currentImageCorners() const;
    QVector<CornerPoint> currentRoomCorners() const;
    void rebuildRegions();

    int selectedWall;
    int markedWall = -1;
    CornerType cornerType;
    QString otherSource; // shown instead of cornerType's when set
    Ui::RenderArea *ui;
    PanoSample sample;
    WallRegionTable wallRegions;
    // wallRegions' polygons for the hit test; made again whenever the table is built.
    wallmatch::WallHitList wallHits;
};

#endif // RENDERAREA_H
