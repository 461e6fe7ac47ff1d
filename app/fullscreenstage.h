#ifndef FULLSCREENSTAGE_H
#define FULLSCREENSTAGE_H

#include <QPointer>
#include <QWidget>

// A black, frameless screen-filling backdrop that holds the test window centred, so that
// nothing else on the desktop distracts the subject. Closing either closes both, and the test
// window's own close handling (results, "Exit?") decides.
class FullScreenStage : public QWidget
{
public:
    // Takes `window` in as a child.
    explicit FullScreenStage(QWidget *window);
    // Hands the window back instead of deleting it: it belongs to whoever made it.
    ~FullScreenStage() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> window;
};

#endif // FULLSCREENSTAGE_H
