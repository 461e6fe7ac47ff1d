#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "caseclock.h"
#include "readahead.h"
#include "studyrun.h"

#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <QVector>
#include <limits>
#include <optional>
#include <string>

// Number of the next sample folder to load; lives as long as the process.
extern int nextSampleId;

namespace Ui {
class MainWindow;
}
class RenderArea;

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
    bool reportWrite(const AnswerWriter::Outcome &outcome, bool reportEveryFailure); // true: a box
    void loadView(RenderArea *view, const std::string &folder, const QString &other);
    void presentViews();
    bool filterInput(QObject *obj, QEvent *event);
    bool isSpaceRepeat(const QKeyEvent &event) const;
    qint64 takeInputTime(const QObject *button);

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
};

#endif // MAINWINDOW_H
