#ifndef WINDOWSTAGE_H
#define WINDOWSTAGE_H

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPointer>

class QGraphicsProxyWidget;

// Shows the fixed-size test window scaled down, or centred on a black full screen, while the
// window itself keeps working in its own pixels: clicks reach the views in image pixels, and
// the message boxes it opens are scaled with it. (Qt 5 widgets do not paint under a
// device-independent scale factor below 1, so the scaling is done by a graphics view.)
// Closing either closes both, and the test window's own close handling decides.
class WindowStage : public QGraphicsView
{
public:
    // Takes `window`, a top-level widget without parent, into the stage; `scale` at most 1.
    WindowStage(QWidget *window, qreal scale, bool fullScreen);
    // Hands the window back instead of deleting it: it belongs to whoever made it.
    ~WindowStage() override;

    qreal windowScale() const { return transform().m11(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;

private:
    QGraphicsScene stageScene;
    QGraphicsProxyWidget *proxy;
    QPointer<QWidget> window;
};

#endif // WINDOWSTAGE_H
