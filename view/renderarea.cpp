#include "renderarea.h"
#include "ui_renderarea.h"

#include <QMouseEvent>
#include <QPainter>

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
    wallRegions.clear();
    selectedWall = -1;
    update();
}

void RenderArea::setCornerType(CornerType type)
{
    cornerType = type;
    wallRegions.clear();
    selectedWall = -1;
    update();
}

void RenderArea::mousePressEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
}

void RenderArea::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
}
