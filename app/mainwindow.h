#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "caseclock.h"
#include "eventlog.h"
#include "readahead.h"
#include "sessionrecord.h"
#include "studyprotocol.h"
#include "studyrun.h"

#include <QMainWindow>

#include <QPoint>
#include <QString>
#include <QVector>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>

// Number of the next sample folder to load; lives as long as the process.
extern int nextSampleId;

namespace Ui {
class MainWindow;
}
class RenderArea;
class InstructionsPage;
class QLabel;

#include "answerwriter.h"

// The test window: two panorama views, the run controls, the answer log and the results file.
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
    void resumeSession();
    void showViewportHint();
    bool saveResults(bool reportEveryFailure); // now, on this thread; true when it showed a box
    bool reportWrite(const AnswerWriter::Outcome &outcome, bool reportEveryFailure); // true: a box
    void loadView(RenderArea *view, const std::string &folder, const QString &other);
    void presentViews();
    bool filterInput(QObject *obj, QEvent *event);
    bool isSpaceRepeat(const QKeyEvent &event) const;
    qint64 takeInputTime(const QObject *button);

    // The study protocol around the cases.
    void logEvent(const QString &name, qint64 atMs, int view = 0, int wall = -1,
                  std::optional<QPoint> pixel = {});
    void logViewPress(QObject *obj, QEvent *event, qint64 atMs);
    void saveProtocolFiles();
    void finishSessionRecord();
    void answerPractice(const wallmatch::Answer &answer);
    void showFeedback(const wallmatch::Answer &answer);
    void continueWith(wallmatch::StudyProtocol::Step step);
    // The log line of the answer goes in after the next case is shown (afterPresenting).
    void showNextCase(const std::function<void()> &afterPresenting = {});
    void holdCase(const QString &event, const QString &text);
    void showNotice(const QString &text, bool coverViews);
    bool holding() const;

    Ui::MainWindow *ui;
    bool cursorInViewport;
    QPoint pano1ClickPos;
    QPoint pano2ClickPos;
    QVector<QString> resultLines;
    int sampleNumber;
    int totalSamples;
    int currentSampleId;
    int displayTimerId;
    qint64 accumulatedMs;
    CaseClock caseClock;
    QString timeText;
    AnswerWriter answerWriter;
    bool lastWriteFailed;
    wallmatch::StudyRun study;
    int nextCase; // index into study.cases of the next case to load
    CornerType currentSource;
    QString currentSourceName; // the shown source, built in or not

    // Case timing on CaseClock's time base, from input events' own timestamps.
    qint64 presentedAtMs = std::numeric_limits<qint64>::min(); // input stamped earlier is dropped
    std::optional<qint64> pendingEventMs; // the moment on_pause or on_restart acts for
    const QObject *releasedButton = nullptr; // the button released by the latest mouse release
    qint64 releasedAtMs = 0;
    bool spaceHeld = false;
    std::optional<ulong> spaceReleaseStamp;
    ReadAhead readAhead;

    wallmatch::StudyProtocol protocol;
    std::unique_ptr<wallmatch::EventLog> events; // none in a plain start
    std::unique_ptr<wallmatch::SessionRecord> sessionRecord;
    ResultsStore practiceResults;
    QVector<QString> practiceLines;
    InstructionsPage *instructionsPage = nullptr;
    QLabel *notice = nullptr; // break, focus loss and feedback texts over the views
    bool feedbackShown = false;
    bool casePresentPending = false; // the next clock start is a new case's presentation
    QString pauseEventName = QStringLiteral("pause");
    bool sessionFinished = false;
};

#endif // MAINWINDOW_H
