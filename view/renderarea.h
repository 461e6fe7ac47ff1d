#ifndef RENDERAREA_H
#define RENDERAREA_H

#include "cornertype.h"
#include "panosample.h"
#include "wallregions.h"

#include <QPoint>
#include <QWidget>
#include <string>

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

    void loadSample(const std::string &folder);

Q_SIGNALS:
    void clicked(int);
    void clicked(QPoint);

public Q_SLOTS:
    void setCornerType(CornerType type);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int selectedWall;
    CornerType cornerType;
    Ui::RenderArea *ui;
    PanoSample sample;
    WallRegionTable wallRegions;
};

#endif // RENDERAREA_H
