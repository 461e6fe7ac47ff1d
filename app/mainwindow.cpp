#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "answer.h"
#include "instructionspage.h"
#include "messagebox.h"
#include "notice.h"
#include "windowsystem.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMetaType>
#include <QMouseEvent>
#include <QTimer>
#include <QTimerEvent>
#include <utility>

namespace {

const int displayIntervalMs = 50;

// The buttons stay where they are in every view of the window.
void hideKeepingPlace(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    widget->hide();
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(wallmatch::StudyRun(), parent)
{
}

MainWindow::MainWindow(const wallmatch::StudyRun &run, QWidget *parent)
    : QMainWindow(parent)
    , session(std::make_unique<wallmatch::StudySession>(run))
    , ui(new Ui::MainWindow)
    , cursorInViewport(false)
    , pano1ClickPos(session->pickedPoint(1))
    , pano2ClickPos(session->pickedPoint(2))
    , resultLines(session->resultLines())
    , sampleNumber(session->caseNumber())
    , totalSamples(session->caseCount())
    , currentSampleId(session->currentSample())
    , displayTimerId(-1)
    , accumulatedMs(session->countedMs())
    , caseClock(session->clock())
{
    qRegisterMetaType<QVector<QString>>("QVector<QString>");

    ui->setupUi(this);

    ui->lcdTimer->setSegmentStyle(QLCDNumber::Flat);
    // Opaque, so that its 50 ms tick repaints the display alone, not the group box behind it.
    ui->lcdTimer->setAutoFillBackground(true);
    // Before Start Test, the source of the case that comes first (or is resumed).
    ui->typeLabel->setText(session->currentSource());
    ui->viewportRegion->setEnabled(false);
    ui->progressLabel->setText(session->progressText());

    connect(ui->pano1, QOverload<int>::of(&RenderArea::clicked), ui->pano01WallNum,
            QOverload<int>::of(&QLabel::setNum));
    connect(ui->pano2, QOverload<int>::of(&RenderArea::clicked), ui->pano02WallNum,
            QOverload<int>::of(&QLabel::setNum));
    connect(
        ui->pano1, QOverload<QPoint>::of(&RenderArea::clicked), ui->pano1,
        [this](QPoint pos) { session->pickPoint(1, pos); }, Qt::DirectConnection);
    connect(
        ui->pano2, QOverload<QPoint>::of(&RenderArea::clicked), ui->pano2,
        [this](QPoint pos) { session->pickPoint(2, pos); }, Qt::DirectConnection);
    connect(this, &MainWindow::restartTime, this, &MainWindow::on_restart);
    connect(this, &MainWindow::pauseTime, this, &MainWindow::on_pause);
    connect(
        this, &MainWindow::requestNewSample, this, [this] { loadNextSample(); },
        Qt::DirectConnection);
    // The session takes the picked walls as values; the labels only show them.
    connect(ui->pano1, QOverload<int>::of(&RenderArea::clicked), this,
            [this](int wall) { session->pickWall(1, wall); });
    connect(ui->pano2, QOverload<int>::of(&RenderArea::clicked), this,
            [this](int wall) { session->pickWall(2, wall); });

    ui->viewportRegion->installEventFilter(this);
    // Every input event of the window passes filterInput first, wherever it is delivered.
    qApp->installEventFilter(this);

    for (const QString &line : session->resumedLog())
        ui->textBrowser->append(line);

    caseViews =
        std::make_unique<CaseViews>(ui->viewportRegion, ui->pano1, ui->pano2, run.studyScreen);
    notice = new Notice(ui->viewportRegion);
    if (run.studyScreen || !run.instructions.isEmpty()
        || !run.instructionsAfterPractice.isEmpty()) {
        instructionsPage = new InstructionsPage(this);
        connect(instructionsPage, &InstructionsPage::begun, this, [this] {
            session->instructionsRead();
            // The page after practice leads to the first test case. The first page leads to
            // Start Test, or in a study screen presents the first case at once.
            if (!ui->startBtn->isEnabled())
                continueWith(wallmatch::StudyProtocol::Step::NextCase);
            else if (studyScreen())
                on_startBtn_clicked();
        });
    }
    if (run.participantView)
        showParticipantView();
    if (run.studyScreen) {
        hideKeepingPlace(ui->startBtn);
        ui->pauseBtn->setText(tr("Pause"));
        messagePage = new InstructionsPage(this);
        showOpeningPage();
    } else if (!run.instructions.isEmpty()) {
        instructionsPage->showInstructions(run.instructions);
    }
    if (run.pauseOnFocusLoss)
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state != Qt::ApplicationActive)
                        pauseForFocusLoss();
                });
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::loadNextSample()
{
    const wallmatch::PlanCase shown = session->advance();
    ui->typeLabel->setText(shown.source);
    const wallmatch::CaseOnset onset = caseViews->show(shown, isVisible());
    session->caseShown(onset);
    // Input from before the frame left was meant for an earlier case; input after it, even
    // before the refresh that shows it, counts from the onset.
    input.presented(onset.sentUs / 1000);
    input.actAt(onset.atMs);
    // The next case is read while the subject thinks about this one.
    if (const std::optional<wallmatch::PlanCase> next = session->following())
        caseViews->readNext(*next);
}

void MainWindow::on_startBtn_clicked()
{
    Q_EMIT requestNewSample();
    ui->viewportRegion->setEnabled(true);
    ui->startBtn->setEnabled(false);
    Q_EMIT restartTime();
}

void MainWindow::on_pauseBtn_clicked()
{
    input.actAt(input.take(ui->pauseBtn));
    if (session->holding()) {
        input.actAt(std::nullopt);
        return;
    }
    Q_EMIT pauseTime();
}

void MainWindow::on_restart()
{
    session->restartClock(input.takeActionTime());
    if (displayTimerId == -1 && showsClock())
        displayTimerId = startTimer(displayIntervalMs, Qt::CoarseTimer);
}

void MainWindow::on_pause()
{
    if (!session->toggleClock(input.takeActionTime())) {
        ui->viewportRegion->setEnabled(false);
        // The display timer stops itself at its next tick, after showing the frozen time.
        if (studyScreen()) {
            ui->pauseBtn->setText(tr("Resume"));
            notice->showText(wallmatch::StudyProtocol::pausedText());
        }
    } else {
        notice->hide();
        ui->viewportRegion->setEnabled(true);
        if (studyScreen())
            ui->pauseBtn->setText(tr("Pause"));
        if (displayTimerId != -1)
            killTimer(displayTimerId); // never leave a second timer running
        displayTimerId = showsClock() ? startTimer(displayIntervalMs, Qt::CoarseTimer) : -1;
    }
}

void MainWindow::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != displayTimerId) {
        QMainWindow::timerEvent(event);
        return;
    }
    timeText = wallmatch::formatCaseTime(accumulatedMs + caseClock.elapsed());
    if (!caseClock.isValid()) {
        killTimer(displayTimerId);
        displayTimerId = -1;
    }
    ui->lcdTimer->display(timeText);
}

void MainWindow::showViewportHint()
{
    if (studyScreen()) {
        // Paused: the notice over the views says what to do.
        if (!notice->isVisible())
            notice->showText(wallmatch::StudyProtocol::pausedText());
        return;
    }
    MessageBox::information(this, tr("Viewport Region"),
                            ui->startBtn->isEnabled()
                                ? tr("Please Press Start button to begin test.")
                                : tr("Pleaase Press Resume button to continue testing."));
}

bool MainWindow::reportWrite(const AnswerWriter::Outcome &outcome, bool reportEveryFailure)
{
    // While answering, only the first of a run of failures interrupts the subject.
    const bool wasFailing = session->noteWriteOutcome(outcome);
    return MessageBox::resultsWritten(this, outcome.notice, outcome.error,
                                      reportEveryFailure || !wasFailing);
}

void MainWindow::on_matchBtn_clicked()
{
    // The moment of the press or click itself, however late it is handled.
    const qint64 answeredAtMs = input.take(ui->matchBtn);
    if (session->holding())
        return; // feedback or a page on screen: neither an answer nor a hint
    if (!ui->viewportRegion->isEnabled()) {
        showViewportHint();
        return;
    }
    const wallmatch::StudySession::Answered answered = session->answer(answeredAtMs);
    if (answered.refused) {
        if (studyScreen()) {
            // The case's time starts anew at the refused answer, as after the plain start's box.
            input.actAt(answeredAtMs);
            Q_EMIT restartTime();
            showMessage(wallmatch::StudyProtocol::pickBothText(), tr("OK"), {});
            return;
        }
        MessageBox::information(this, tr("Viewport Region"),
                                tr("Please select wall before matching."));
        input.actAt(answeredAtMs);
        Q_EMIT restartTime();
        return;
    }
    if (answered.practice) {
        if (answered.step == wallmatch::StudyProtocol::Step::Feedback)
            showFeedback(answered.answer);
        else
            continueWith(answered.step);
        return;
    }
    if (answered.step == wallmatch::StudyProtocol::Step::Finished) {
        showInLog(answered.logLine, answered.clearsLog);
        finishRun(true);
        return;
    }
    showNextCase(answered.logLine, answered.clearsLog);
    if (answered.step == wallmatch::StudyProtocol::Step::Break)
        holdCase(wallmatch::SessionEvent::Break, wallmatch::StudyProtocol::breakText());
}

void MainWindow::finishRun(bool resultsWritten)
{
    reportWrite(resultsWritten ? session->finishWrite() : session->saveNow(), false);
    if (caseClock.isValid())
        on_pause();
    session->finishRecord();
    if (studyScreen()) {
        // The end is a page of its own; its button closes the window as the box's OK does.
        notice->hide();
        ui->viewportRegion->setEnabled(false);
        showMessage(wallmatch::StudyProtocol::endText(), tr("Close"), [this] { close(); });
        return;
    }
    MessageBox::information(this, tr("Information"), tr("Well done! You finished test."));
    close();
}

void MainWindow::showNextCase(const QString &logLine, bool clearLog)
{
    Q_EMIT requestNewSample();
    if (!logLine.isEmpty())
        showInLog(logLine, clearLog);
    ui->progressLabel->setText(session->progressText());
    ui->typeLabel->setText(session->currentSource());
    ui->pano01WallNum->setText(QStringLiteral("-1"));
    ui->pano02WallNum->setText(QStringLiteral("-1"));
    // The write began with the answer and is usually done by now. A box about a failed write
    // interrupts the new case: its clock starts after the box.
    if (reportWrite(session->finishWrite(), false))
        input.actAt(std::nullopt);
    Q_EMIT restartTime();
}

void MainWindow::showInLog(const QString &logLine, bool clearLog)
{
    ui->textBrowser->append(logLine);
    if (clearLog)
        ui->textBrowser->clear();
}

void MainWindow::setTotalNum(uint num)
{
    ui->progressLabel->setText(QString::asprintf("Progress:%d/%d", sampleNumber, int(num)));
}

bool MainWindow::eventFilter(QObject *obj, QEvent *event)
{
    std::optional<qint64> pressAt;
    if (input.filter(this, obj, event, pressAt))
        return true;
    if (pressAt)
        logViewPress(obj, event, *pressAt);
    if (obj == ui->viewportRegion) {
        if (event->type() == QEvent::Enter)
            cursorInViewport = true;
        else if (event->type() == QEvent::Leave)
            cursorInViewport = false;
    }
    return QObject::eventFilter(obj, event);
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (!cursorInViewport) {
        QMainWindow::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton && !ui->viewportRegion->isEnabled()
        && !session->holding())
        showViewportHint();
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->ignore();
    QMainWindow::mouseDoubleClickEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // A held key answers once, and a repeat is never refused with a hint.
    if (event->key() == Qt::Key_Space && input.spacePressed(*event, ui->matchBtn))
        Q_EMIT ui->matchBtn->clicked(false);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    reportWrite(session->saveNow(), true);
    event->ignore();
    if (MessageBox::question(this, tr("Close Confirmation"), tr("Exit?")) == QMessageBox::Yes) {
        event->accept();
        session->finishRecord();
    }
}

// --- The study protocol: the window shows what the session decides.

void MainWindow::logViewPress(QObject *obj, QEvent *event, qint64 atMs)
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton || !ui->viewportRegion->isEnabled() || session->holding())
        return;
    RenderArea *view = obj == ui->pano1 ? ui->pano1 : obj == ui->pano2 ? ui->pano2 : nullptr;
    if (!view)
        return;
    const int wall = view->wallAt(mouse->pos());
    session->logEvent(wall >= 0 ? wallmatch::SessionEvent::Pick : wallmatch::SessionEvent::Miss,
                      atMs, view == ui->pano1 ? 1 : 2, wall, mouse->pos());
}

// The answered case stays on screen with its verdict and every right wall outlined; its time is
// over, and the next case's time starts when that case is presented.
void MainWindow::showFeedback(const wallmatch::Answer &answer)
{
    const std::optional<wallmatch::PracticeFeedback> feedback = session->feedbackFor(answer);
    if (!feedback) {
        continueWith(session->afterFeedback());
        return;
    }
    ui->viewportRegion->setEnabled(false);
    if (feedback->truth.kind == wallmatch::TruthWall::Wall)
        ui->pano2->setMarkedWalls(feedback->truth.walls);
    QString text = feedback->text();
    if (!feedback->note().isEmpty())
        text += QLatin1Char('\n') + feedback->note();
    // Between the two views, leaving both walls in sight.
    notice->showText(text, ui->pano2->mapTo(ui->viewportRegion, QPoint()).y());
    reportWrite(session->saveNow(), false);
    QTimer::singleShot(wallmatch::StudyProtocol::feedbackMs, this, [this] {
        const wallmatch::StudyProtocol::Step step = session->afterFeedback();
        notice->hide();
        continueWith(step);
    });
}

void MainWindow::continueWith(wallmatch::StudyProtocol::Step step)
{
    using Step = wallmatch::StudyProtocol::Step;
    switch (step) {
    case Step::Finished:
        finishRun(false);
        return;
    case Step::Instructions:
        session->showingInstructions();
        ui->viewportRegion->setEnabled(false);
        reportWrite(session->saveNow(), false);
        instructionsPage->showInstructions(session->run().instructionsAfterPractice);
        return;
    case Step::NextCase:
    case Step::Break:
    case Step::Feedback:
        break;
    }
    ui->viewportRegion->setEnabled(true);
    showNextCase();
    if (step == Step::Break)
        holdCase(wallmatch::SessionEvent::Break, wallmatch::StudyProtocol::breakText());
}

// Pauses the case just as Pause does, with the reason on the views.
void MainWindow::holdCase(wallmatch::SessionEvent event, const QString &text)
{
    if (!caseClock.isValid())
        return;
    session->holdFor(event);
    input.actAt(CaseClock::now());
    Q_EMIT pauseTime();
    notice->showText(text);
}

void MainWindow::pauseForFocusLoss()
{
    if (!session->protocol().pausesOnFocusLoss() || session->holding()
        || !ui->viewportRegion->isEnabled())
        return;
    holdCase(wallmatch::SessionEvent::FocusLost, wallmatch::StudyProtocol::focusLossText());
}

// --- The study screen.

void MainWindow::showParticipantView()
{
    for (QWidget *widget : std::initializer_list<QWidget *> {
             ui->label, ui->typeLabel, ui->label_3, ui->lcdTimer, ui->label_4, ui->pano01WallNum,
             ui->label_5, ui->pano02WallNum, ui->textBrowser})
        hideKeepingPlace(widget);
    // Where the subject is in the run, readable at a glance.
    ui->progressLabel->setStyleSheet(QStringLiteral("font-size: 30px; font-weight: bold;"));
    // No titles, but their room kept: the views stay at the pixels they have in every view.
    ui->viewportRegion->setTitle(QStringLiteral(" "));
    ui->groupBox_2->setTitle(QStringLiteral(" "));
}

void MainWindow::showOpeningPage()
{
    if (session->openingPage() == wallmatch::StudySession::Page::Instructions)
        instructionsPage->showInstructions(session->run().instructions);
    else
        instructionsPage->showText(session->openingText(), tr("Begin"));
}

void MainWindow::showMessage(const QString &text, const QString &button, std::function<void()> then)
{
    messagePage->showText(text, button, std::move(then));
}
