#ifndef DRIVENSESSION_H
#define DRIVENSESSION_H

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

class MainWindow;
class QPushButton;
class RenderArea;

namespace wallmatch::bench {

// The main window, shown offscreen and driven as a subject drives it, in a working folder that
// holds a sample tree. Test started at construction; each answer picks a wall in both views
// first. The boxes that end a run are answered (OK, then Yes to "Exit?"); any other box is
// noted and dismissed, so a benchmark can never hang on one.
class DrivenSession : public QObject
{
public:
    explicit DrivenSession(const QString &workDir);
    ~DrivenSession() override;

    // Both views report a wall, as their clicks would: labels and click positions are set.
    void pickWalls();
    // Match / Next Case.
    void answer();
    // Lets the window catch up: layout, painting, display ticks.
    void processEvents();

    int answers() const { return answerCount; }
    // Answers that still load a next sample; the 100th ends the run.
    int answersBeforeEnd() const;
    bool windowClosed() const;

    // Boxes other than those of the run's end, as "title: text".
    QStringList unexpectedBoxes() const { return unexpected; }
    // The box watch polls on a timer; off while measuring an idle window.
    void watchBoxes(bool on);

private:
    void answerBox();

    std::unique_ptr<MainWindow> window;
    RenderArea *pano1 = nullptr;
    RenderArea *pano2 = nullptr;
    QPushButton *match = nullptr;
    QTimer boxTimer;
    QStringList unexpected;
    int answerCount = 0;
};

} // namespace wallmatch::bench

#endif // DRIVENSESSION_H
