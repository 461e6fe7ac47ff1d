#include "fullscreenstage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QPainter>
#include <QTimer>

FullScreenStage::FullScreenStage(QWidget *window)
    : QWidget(nullptr, Qt::FramelessWindowHint)
    , window(window)
{
    window->setParent(this, Qt::Widget);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(window, 0, 0, Qt::AlignCenter);
    // Keys reach the test window as they would if it were the top-level window.
    setFocusProxy(window);
    window->installEventFilter(this);
}

FullScreenStage::~FullScreenStage()
{
    if (window) {
        window->removeEventFilter(this);
        window->setParent(nullptr);
    }
}

void FullScreenStage::paintEvent(QPaintEvent *)
{
    // Painted, not set as palette, so that the window inside keeps its own colours.
    QPainter(this).fillRect(rect(), Qt::black);
}

void FullScreenStage::keyPressEvent(QKeyEvent *event)
{
    // A key the window leaves travels back here: hand each one over only once.
    static bool forwarding = false;
    if (!window || forwarding)
        return;
    forwarding = true;
    QCoreApplication::sendEvent(window, event);
    forwarding = false;
}

void FullScreenStage::closeEvent(QCloseEvent *event)
{
    if (window && window->isVisible() && !window->close()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool FullScreenStage::eventFilter(QObject *watched, QEvent *event)
{
    // The test window closed itself (its exit confirmed): the stage goes with it.
    if (watched == window && event->type() == QEvent::Hide && window->isHidden() && isVisible())
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                close();
        });
    return QWidget::eventFilter(watched, event);
}
