#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "caseviews.h"
#include "inputmoments.h"
#include "studyrun.h"
#include "studysession.h"

#include <QMainWindow>

#include <QPoint>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Ui {
class MainWindow;
}
class RenderArea;
class InstructionsPage;
class Notice;

// The test window: two panorama views, the run controls, the answer log. It shows what its
// StudySession says and hands it the subject's input.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    // Runs a study's cases in its order, with their sources, into its results file; continues
    // an interrupted session from the lines it left.
    explicit MainWindow(const wallmatch::StudyRun &run, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Pauses the running case because the subject left the window (another window took the
    // focus, or the full screen was left), with --pause-on-focus-loss.
    void pauseForFocusLoss();

    const wallmatch::StudySession &studySession() const { return *session; }

Q_SIGNALS:
    void startConnect(quint16, QString);
    void sendFile();
    void sendResult(QVector<QString>);
    void requestNewSample();
    void requestSampleNum();
    void restartTime();
    void pauseTime();

private Q_SLOTS:
    bool eventFilter(QObject *obj, QEvent *event) override;
    void on_matchBtn_clicked();
    void on_restart();
    void on_pause();
    void on_startBtn_clicked();
    void on_pauseBtn_clicked();
    void setTotalNum(uint num);

protected:
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void loadNextSample();
    void showViewportHint();
    bool reportWrite(const AnswerWriter::Outcome &outcome, bool reportEveryFailure); // true: a box
    void logViewPress(QObject *obj, QEvent *event, qint64 atMs);

    // The study protocol around the cases.
    void showFeedback(const wallmatch::Answer &answer);
    void continueWith(wallmatch::StudyProtocol::Step step);
    // Ends the run after its last answer; resultsWritten: the answer's write is under way.
    void finishRun(bool resultsWritten);
    // The log line of the answer goes in after the next case is shown.
    void showNextCase(const QString &logLine = {}, bool clearLog = false);
    void showInLog(const QString &logLine, bool clearLog); // every tenth line empties the log
    void holdCase(wallmatch::SessionEvent event, const QString &text);

    // --- The study screen.
    bool studyScreen() const { return session->run().studyScreen; }
    // Hides what tells sources apart, the clock, the log and the wall numbers.
    void showParticipantView();
    // The page the session opens with; its Begin presents the first case.
    void showOpeningPage();
    // A notice as a page over the window, in the instructions' style; `then` runs when its
    // button is pressed.
    void showMessage(const QString &text, const QString &button, std::function<void()> then);
    // The clock on screen, ticking: not in the participant's view.
    bool showsClock() const { return !session->run().participantView; }

    // Declared first: the run state below is the session's, shown by the window.
    std::unique_ptr<wallmatch::StudySession> session;
    Ui::MainWindow *ui;
    bool cursorInViewport;
    const QPoint &pano1ClickPos;
    const QPoint &pano2ClickPos;
    const QVector<QString> &resultLines;
    const int &sampleNumber;
    const int &totalSamples;
    const int &currentSampleId;
    int displayTimerId;
    const qint64 &accumulatedMs;
    const CaseClock &caseClock;
    QString timeText;

    InputMoments input;
    std::unique_ptr<CaseViews> caseViews;
    InstructionsPage *instructionsPage = nullptr;
    Notice *notice = nullptr; // break, focus loss and feedback texts over the views
    InstructionsPage *messagePage = nullptr; // a study screen's notices and its end
};

#endif // MAINWINDOW_H
