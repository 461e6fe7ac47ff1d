#include "windowstage.h"

#include "caseclock.h"

#include <QCloseEvent>
#include <QGraphicsProxyWidget>
#include <QTimer>
#include <QtMath>

WindowStage::WindowStage(QWidget *window, qreal scale, bool fullScreen)
    : QGraphicsView(static_cast<QWidget *>(nullptr))
    , window(window)
{
    setWindowTitle(window->windowTitle());
    proxy = stageScene.addWidget(window);
    setScene(&stageScene);
    setSceneRect(proxy->geometry());
    this->scale(scale, scale);
    // Panoramas scaled smoothly; no antialiasing of the scene, which would draw the edges of
    // partly repainted areas as lines.
    setRenderHint(QPainter::SmoothPixmapTransform);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignCenter);
    setBackgroundBrush(Qt::black);
    // The stage paints every pixel itself (drawBackground and the window): no fill first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setOptimizationFlag(QGraphicsView::DontAdjustForAntialiasing);
    if (fullScreen)
        setWindowFlag(Qt::FramelessWindowHint);
    else
        setFixedSize(qCeil(window->width() * scale), qCeil(window->height() * scale));
    // Keys go to the test window, as when it is a window of its own.
    proxy->setFocus();
    window->installEventFilter(this);
}

WindowStage::~WindowStage()
{
    if (window) {
        window->removeEventFilter(this);
        proxy->setWidget(nullptr);
    }
}

void WindowStage::closeEvent(QCloseEvent *event)
{
    if (window && window->isVisible() && !window->close()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool WindowStage::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        // The scene passes the click on to the test window as a new event without a timestamp;
        // the case clock takes this one's.
        const CaseClock::ForwardedInput forwarded(static_cast<QInputEvent *>(event)->timestamp());
        return QGraphicsView::viewportEvent(event);
    }
    default:
        return QGraphicsView::viewportEvent(event);
    }
}

bool WindowStage::eventFilter(QObject *watched, QEvent *event)
{
    // The test window closed itself (its exit confirmed): the stage goes with it.
    if (watched == window && event->type() == QEvent::Hide && window->isHidden() && isVisible())
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                close();
        });
    return QGraphicsView::eventFilter(watched, event);
}

void WindowStage::drawBackground(QPainter *painter, const QRectF &rect)
{
    // Black around the window, not under it: the window paints every pixel of its own, and
    // filling the views' area first would cost each new case a fill of two images. The band
    // along the window's edge is filled, for the screen pixels it covers only in part.
    QRegion around(rect.toAlignedRect());
    if (proxy->isVisible())
        around -= proxy->sceneBoundingRect().toRect().adjusted(1, 1, -1, -1);
    for (const QRect &part : around)
        painter->fillRect(part, backgroundBrush());
}
