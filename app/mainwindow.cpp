#include "mainwindow.h"
#include "sources.h"
#include "ui_mainwindow.h"

#include "answer.h"
#include "cornertype.h"
#include "instructionspage.h"
#include "messagebox.h"
#include "windowsystem.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMetaType>
#include <QMouseEvent>
#include <QTimer>
#include <QTimerEvent>
#include <cstdio>

int nextSampleId = 1;

namespace {

const int displayIntervalMs = 50;

// The name to read besides the built-in sources' corners: the source itself unless it is one.
QString otherSourceOf(const QString &source)
{
    return wallmatch::builtInSourceIndex(source) < 0 ? source : QString();
}

QString progressText(int sample, int total)
{
    return QString::asprintf("Progress:%d/%d", sample, total);
}

wallmatch::StudyProtocol::Options protocolOptions(const wallmatch::StudyRun &run)
{
    wallmatch::StudyProtocol::Options options;
    options.breakEvery = run.breakEvery;
    options.feedback = bool(run.truth);
    options.instructionsAfterPractice = !run.instructionsAfterPractice.isEmpty();
    options.pauseOnFocusLoss = run.pauseOnFocusLoss;
    return options;
}

void reportProblem(const QString &error, const QString &notice)
{
    for (const QString &text : {notice, error}) {
        if (!text.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    std::fflush(stderr);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(wallmatch::StudyRun(), parent)
{
}

MainWindow::MainWindow(const wallmatch::StudyRun &run, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , cursorInViewport(false)
    , pano1ClickPos(0, 0)
    , pano2ClickPos(0, 0)
    , sampleNumber(1 + run.resumedLines.size())
    , totalSamples(run.cases.isEmpty() ? 100 : run.cases.size() - run.practiceCases)
    , currentSampleId(0)
    , displayTimerId(-1)
    , accumulatedMs(0)
    , answerWriter(run.resultsFile)
    , lastWriteFailed(false)
    , study(run)
    , nextCase(run.resumedLines.isEmpty() ? 0 : run.practiceCases + run.resumedLines.size())
    , currentSource(CornerType::Kestrel)
    , currentSourceName(QString::fromLatin1(cornerSourceName(CornerType::Kestrel)))
    , protocol(run.practiceCases, totalSamples, protocolOptions(run), run.resumedLines.size())
    , practiceResults(run.practiceFile)
{
    qRegisterMetaType<QVector<QString>>("QVector<QString>");
    resultLines.reserve(200);

    ui->setupUi(this);

    ui->lcdTimer->setSegmentStyle(QLCDNumber::Flat);
    // Opaque, so that its 50 ms tick repaints the display alone, not the group box behind it.
    ui->lcdTimer->setAutoFillBackground(true);
    // Before Start Test, the source of the case that comes first (or is resumed).
    ui->typeLabel->setText(study.cases.isEmpty()
                               ? currentSourceName
                               : study.cases.at(qMin(nextCase, study.cases.size() - 1)).source);
    ui->viewportRegion->setEnabled(false);
    ui->progressLabel->setText(protocol.progressText());

    connect(ui->pano1, QOverload<int>::of(&RenderArea::clicked), ui->pano01WallNum,
            QOverload<int>::of(&QLabel::setNum));
    connect(ui->pano2, QOverload<int>::of(&RenderArea::clicked), ui->pano02WallNum,
            QOverload<int>::of(&QLabel::setNum));
    connect(
        ui->pano1, QOverload<QPoint>::of(&RenderArea::clicked), ui->pano1,
        [this](QPoint pos) { pano1ClickPos = pos; }, Qt::DirectConnection);
    connect(
        ui->pano2, QOverload<QPoint>::of(&RenderArea::clicked), ui->pano2,
        [this](QPoint pos) { pano2ClickPos = pos; }, Qt::DirectConnection);
    connect(this, &MainWindow::restartTime, this, &MainWindow::on_restart);
    connect(this, &MainWindow::pauseTime, this, &MainWindow::on_pause);
    connect(
        this, &MainWindow::requestNewSample, this, [this] { loadNextSample(); },
        Qt::DirectConnection);

    ui->viewportRegion->installEventFilter(this);
    // Every input event of the window passes filterInput first, wherever it is delivered.
    qApp->installEventFilter(this);

    if (study.resume)
        resumeSession();

    notice = new QLabel(ui->viewportRegion);
    notice->setAlignment(Qt::AlignCenter);
    notice->setWordWrap(true);
    notice->setStyleSheet(QStringLiteral("background-color: rgba(20, 20, 20, 235); color: white; "
                                         "font-size: 28pt; padding: 24px;"));
    notice->hide();
    if (study.protocolFiles) {
        events = std::make_unique<wallmatch::EventLog>(study.eventsFile, CaseClock::now());
        sessionRecord = std::make_unique<wallmatch::SessionRecord>(study.sessionFile);
        if (study.resume) {
            reportProblem(events->resumeExisting(), {});
            reportProblem(sessionRecord->resumeExisting(), {});
        }
        wallmatch::SessionFacts facts = study.facts;
        facts.eventTimestamps = CaseClock::eventTimesFromWindowSystem();
        reportProblem(sessionRecord->begin(facts), sessionRecord->takeNotice());
    }
    if (!study.instructions.isEmpty() || !study.instructionsAfterPractice.isEmpty()) {
        instructionsPage = new InstructionsPage(this);
        connect(instructionsPage, &InstructionsPage::begun, this, [this] {
            // The first page leads to Start Test; the page after practice to the first test case.
            if (!ui->startBtn->isEnabled())
                continueWith(wallmatch::StudyProtocol::Step::NextCase);
        });
        if (!study.instructions.isEmpty())
            instructionsPage->showInstructions(study.instructions);
    }
    if (study.pauseOnFocusLoss)
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state != Qt::ApplicationActive)
                        pauseForFocusLoss();
                });
}

void MainWindow::resumeSession()
{
    answerWriter.resumeFrom(study.resumedFrom.isEmpty() ? study.resultsFile : study.resumedFrom);
    resultLines += study.resumedLines;
    if (study.cases.isEmpty())
        nextSampleId = study.resumedLines.size() + 1;
    // The log shows what it would show had the session never stopped: the answers since the
    // last tenth.
    const int answered = study.resumedAnswers.size();
    for (int i = answered - answered % 10; i < answered; ++i)
        ui->textBrowser->append(wallmatch::logLine(study.resumedAnswers.at(i), i + 1));
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::loadNextSample()
{
    if (study.cases.isEmpty()) {
        currentSampleId = nextSampleId;
        nextSampleId += 1;
    } else {
        const wallmatch::PlanCase &next = study.cases.at(qMin(nextCase, study.cases.size() - 1));
        nextCase += 1;
        currentSampleId = next.sample;
        currentSource = wallmatch::cornerTypeNamed(next.source);
        currentSourceName = next.source;
    }
    const QString other = otherSourceOf(currentSourceName);
    loadView(ui->pano1, wallmatch::panoramaFolder(currentSampleId, false), other);
    loadView(ui->pano2, wallmatch::panoramaFolder(currentSampleId, true), other);
    ui->typeLabel->setText(currentSourceName);
    presentViews();
    casePresentPending = true;
    // The next case is read while the subject thinks about this one.
    if (sampleNumber < totalSamples) {
        const int following = study.cases.isEmpty()
            ? nextSampleId
            : study.cases.at(qMin(nextCase, study.cases.size() - 1)).sample;
        const QString followingSource = study.cases.isEmpty()
            ? currentSourceName
            : study.cases.at(qMin(nextCase, study.cases.size() - 1)).source;
        // Its views are drawn ahead too, as the screen shows them.
        readAhead.start(
            {wallmatch::panoramaFolder(following, false),
             wallmatch::panoramaFolder(following, true)},
            otherSourceOf(followingSource), followingSource,
            {wallmatch::shownPlacement(ui->pano1), wallmatch::shownPlacement(ui->pano2)});
    }
}

void MainWindow::loadView(RenderArea *view, const std::string &folder, const QString &other)
{
    std::optional<ReadAhead::Read> read = readAhead.take(folder, other);
    if (read)
        view->loadSample(std::move(read->files));
    else
        view->loadSample(folder, other);
    if (!study.cases.isEmpty())
        view->setSource(currentSourceName);
    if (read)
        view->setReadyFrame(std::move(read->frame));
}

// Paints both views at once, in one paint and one flush to the window system, instead of at
// some later paint: the case's clock starts as the pixels leave. It then waits until the window
// system has them, so that no input is taken before the case is on screen.
void MainWindow::presentViews()
{
    QRegion views(QRect(ui->pano1->mapTo(ui->viewportRegion, QPoint()), ui->pano1->size()));
    views += QRect(ui->pano2->mapTo(ui->viewportRegion, QPoint()), ui->pano2->size());
    wallmatch::paintNow(ui->viewportRegion, views);
    // The pixels are on their way to the window system once repaint() returns: the server
    // shows them from about now. The round trip only makes sure they have arrived.
    presentedAtMs = CaseClock::now();
    if (isVisible())
        wallmatch::waitForWindowSystem();
    pendingEventMs = presentedAtMs;
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
    pendingEventMs = takeInputTime(ui->pauseBtn);
    if (holding()) {
        pendingEventMs.reset();
        return;
    }
    Q_EMIT pauseTime();
}

void MainWindow::on_restart()
{
    const qint64 at = pendingEventMs.value_or(CaseClock::now());
    pendingEventMs.reset();
    accumulatedMs = 0;
    caseClock.restartAt(at);
    if (casePresentPending) {
        casePresentPending = false;
        logEvent(QStringLiteral("present"), at);
    }
    if (displayTimerId == -1)
        displayTimerId = startTimer(displayIntervalMs, Qt::CoarseTimer);
}

void MainWindow::on_pause()
{
    const qint64 at = pendingEventMs.value_or(CaseClock::now());
    pendingEventMs.reset();
    if (caseClock.isValid()) {
        if (!protocol.completed())
            logEvent(pauseEventName, at);
        pauseEventName = QStringLiteral("pause");
        ui->viewportRegion->setEnabled(false);
        accumulatedMs += caseClock.elapsedAt(at);
        caseClock.invalidate();
        // The display timer stops itself at its next tick, after showing the frozen time.
    } else {
        logEvent(QStringLiteral("resume"), at);
        notice->hide();
        ui->viewportRegion->setEnabled(true);
        caseClock.restartAt(at);
        if (displayTimerId != -1)
            killTimer(displayTimerId); // never leave a second timer running
        displayTimerId = startTimer(displayIntervalMs, Qt::CoarseTimer);
    }
}

void MainWindow::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != displayTimerId) {
        QMainWindow::timerEvent(event);
        return;
    }
    qint64 ms = accumulatedMs;
    if (caseClock.isValid()) {
        ms += caseClock.elapsed();
    } else {
        killTimer(displayTimerId);
        displayTimerId = -1;
    }
    timeText = wallmatch::formatCaseTime(ms);
    ui->lcdTimer->display(timeText);
}

void MainWindow::showViewportHint()
{
    if (ui->startBtn->isEnabled())
        MessageBox::information(this, tr("Viewport Region"),
                                tr("Please Press Start button to begin test."));
    else
        MessageBox::information(this, tr("Viewport Region"),
                                tr("Pleaase Press Resume button to continue testing."));
}

bool MainWindow::saveResults(bool reportEveryFailure)
{
    return reportWrite(answerWriter.writeNow(resultLines), reportEveryFailure);
}

bool MainWindow::reportWrite(const AnswerWriter::Outcome &outcome, bool reportEveryFailure)
{
    saveProtocolFiles();
    const bool wasFailing = lastWriteFailed;
    const QString &error = outcome.error;
    const QString &notice = outcome.notice;
    if (!notice.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(notice));
        std::fflush(stderr);
        MessageBox::warning(this, tr("Results Saved Elsewhere"), notice);
    }
    lastWriteFailed = !error.isEmpty();
    if (!lastWriteFailed)
        return !notice.isEmpty();
    std::fprintf(stderr, "%s\n", qPrintable(error));
    std::fflush(stderr);
    // While answering, only the first of a run of failures interrupts the subject.
    if (!reportEveryFailure && wasFailing)
        return !notice.isEmpty();
    MessageBox::warning(this, tr("Results Not Saved"), error);
    return true;
}

void MainWindow::on_matchBtn_clicked()
{
    // The moment of the press or click itself, however late it is handled.
    const qint64 answeredAtMs = takeInputTime(ui->matchBtn);
    if (holding())
        return; // feedback or a page on screen: neither an answer nor a hint
    if (!ui->viewportRegion->isEnabled()) {
        showViewportHint();
        return;
    }
    const int wall1 = ui->pano01WallNum->text().toInt();
    const int wall2 = ui->pano02WallNum->text().toInt();
    if (wall1 == -1 || wall2 == -1) {
        logEvent(QStringLiteral("refused"), answeredAtMs);
        MessageBox::information(this, tr("Viewport Region"),
                                tr("Please select wall before matching."));
        pendingEventMs = answeredAtMs;
        Q_EMIT restartTime();
        return;
    }

    wallmatch::Answer answer;
    answer.sampleId = currentSampleId;
    answer.wall1 = wall1;
    answer.wall2 = wall2;
    answer.source = ui->typeLabel->text();
    answer.milliseconds = accumulatedMs + caseClock.elapsedAt(answeredAtMs);
    answer.click1 = pano1ClickPos;
    answer.click2 = pano2ClickPos;
    logEvent(QStringLiteral("answer"), answeredAtMs);
    if (protocol.inPractice()) {
        answerPractice(answer);
        return;
    }
    const wallmatch::StudyProtocol::Step step = protocol.answered();
    resultLines.append(wallmatch::resultLine(answer));
    // On disk at once, whatever the next case's files take to read.
    answerWriter.write(resultLines);
    // The log waits until the next case is shown; only the answer itself goes before it.
    const QString logLine = wallmatch::logLine(answer, sampleNumber);
    const bool tenth = sampleNumber % 10 == 0;
    auto showInLog = [&] {
        ui->textBrowser->append(logLine);
        if (tenth)
            ui->textBrowser->clear();
    };
    sampleNumber += 1;

    if (sampleNumber > totalSamples) {
        showInLog();
        reportWrite(answerWriter.finish(), false);
        on_pause();
        finishSessionRecord();
        MessageBox::information(this, tr("Information"), tr("Well done! You finished test."));
        close();
        return;
    }

    showNextCase(showInLog);
    if (step == wallmatch::StudyProtocol::Step::Break)
        holdCase(QStringLiteral("break"), wallmatch::StudyProtocol::breakText());
}

void MainWindow::showNextCase(const std::function<void()> &afterPresenting)
{
    Q_EMIT requestNewSample();
    if (afterPresenting)
        afterPresenting();
    ui->progressLabel->setText(protocol.progressText());
    ui->typeLabel->setText(currentSourceName);
    ui->pano01WallNum->setText(QStringLiteral("-1"));
    ui->pano02WallNum->setText(QStringLiteral("-1"));
    // The write began with the answer and is usually done by now. A box about a failed write
    // interrupts the new case: its clock starts after the box.
    if (reportWrite(answerWriter.finish(), false))
        pendingEventMs.reset();
    Q_EMIT restartTime();
}

void MainWindow::setTotalNum(uint num)
{
    ui->progressLabel->setText(progressText(sampleNumber, static_cast<int>(num)));
}

bool MainWindow::eventFilter(QObject *obj, QEvent *event)
{
    if (filterInput(obj, event))
        return true;
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
    if (event->button() == Qt::LeftButton && !ui->viewportRegion->isEnabled() && !holding())
        showViewportHint();
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->ignore();
    QMainWindow::mouseDoubleClickEvent(event);
}

// Sees each input event before its receiver, possibly more than once as it travels up to the
// parents; everything here gives the same result the second time.
bool MainWindow::filterInput(QObject *obj, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyRelease: {
        // Wherever it goes (a box may have the focus): the key is up again.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space) {
            spaceHeld = false;
            spaceReleaseStamp = key->timestamp();
        }
        return false;
    }
    case QEvent::WindowDeactivate:
        if (obj == this)
            spaceHeld = false; // its release goes to another window
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
        break;
    default:
        return false;
    }
    if (!obj->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(obj);
    if (widget != this && !isAncestorOf(widget))
        return false;
    const auto *input = static_cast<QInputEvent *>(event);
    const qint64 at = CaseClock::eventTime(input->timestamp());
    // Input that happened before this case was on screen was meant for an earlier one.
    if (at < presentedAtMs)
        return true;
    if (event->type() == QEvent::MouseButtonPress)
        logViewPress(widget, event, at);
    if (event->type() == QEvent::MouseButtonRelease && qobject_cast<QAbstractButton *>(widget)
        && widget->rect().contains(static_cast<QMouseEvent *>(event)->pos())) {
        releasedButton = widget; // the release that clicks it, just before its slot runs
        releasedAtMs = at;
    }
    return false;
}

qint64 MainWindow::takeInputTime(const QObject *button)
{
    const bool byEvent = releasedButton == button;
    releasedButton = nullptr;
    return byEvent ? releasedAtMs : CaseClock::now();
}

// X sends a held key's repeats as a release and a press with the same timestamp, and Qt marks
// them as auto-repeat only when both are already queued; with detectable auto-repeat there is no
// release between the presses at all. A timestamp of 0 (a synthesized event) tells nothing.
bool MainWindow::isSpaceRepeat(const QKeyEvent &event) const
{
    if (event.isAutoRepeat() || spaceHeld)
        return true;
    return event.timestamp() != 0 && spaceReleaseStamp == event.timestamp();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space)
        return;
    const bool repeat = isSpaceRepeat(*event);
    spaceHeld = true;
    if (repeat)
        return; // a held key answers once, and a repeat is never refused with a hint
    releasedButton = ui->matchBtn;
    releasedAtMs = CaseClock::eventTime(event->timestamp());
    Q_EMIT ui->matchBtn->clicked(false);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    reportWrite(answerWriter.writeNow(resultLines), true);
    event->ignore();
    if (MessageBox::question(this, tr("Close Confirmation"), tr("Exit?")) == QMessageBox::Yes) {
        event->accept();
        finishSessionRecord();
    }
}

// --- The study protocol: the window shows what StudyProtocol decides and records what happens.

void MainWindow::logEvent(const QString &name, qint64 atMs, int view, int wall,
                          std::optional<QPoint> pixel)
{
    if (!events)
        return;
    wallmatch::LoggedEvent event;
    event.atMs = atMs;
    event.practice = protocol.inPractice();
    event.caseNumber = currentSampleId > 0 ? protocol.caseNumber() : 0;
    event.sample = currentSampleId;
    event.source = ui->typeLabel->text();
    event.event = name;
    event.view = view;
    event.wall = wall;
    event.pixel = pixel;
    events->add(event);
}

void MainWindow::logViewPress(QObject *obj, QEvent *event, qint64 atMs)
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (!events || mouse->button() != Qt::LeftButton || !ui->viewportRegion->isEnabled()
        || holding())
        return;
    RenderArea *view = obj == ui->pano1 ? ui->pano1 : obj == ui->pano2 ? ui->pano2 : nullptr;
    if (!view)
        return;
    const int wall = view->wallAt(mouse->pos());
    logEvent(wall >= 0 ? QStringLiteral("pick") : QStringLiteral("miss"), atMs,
             view == ui->pano1 ? 1 : 2, wall, mouse->pos());
}

void MainWindow::saveProtocolFiles()
{
    if (!practiceLines.isEmpty()) {
        const QString error = practiceResults.write(practiceLines);
        reportProblem(error, practiceResults.takeNotice());
    }
    if (events) {
        const QString error = events->write();
        reportProblem(error, events->takeNotice());
    }
}

void MainWindow::finishSessionRecord()
{
    if (!sessionRecord)
        return;
    const QString error = sessionRecord->finish(protocol.testAnswered(),
                                                protocol.practiceAnswered(), protocol.completed());
    reportProblem(error, sessionRecord->takeNotice());
}

void MainWindow::answerPractice(const wallmatch::Answer &answer)
{
    practiceLines.append(wallmatch::resultLine(answer));
    const wallmatch::StudyProtocol::Step step = protocol.answered();
    if (step == wallmatch::StudyProtocol::Step::Feedback)
        showFeedback(answer);
    else
        continueWith(step);
}

// The answered case stays on screen with its verdict and every right wall outlined; its time is
// over, and the next case's time starts when that case is presented.
void MainWindow::showFeedback(const wallmatch::Answer &answer)
{
    const wallmatch::TruthWall truth = study.truth(answer.sampleId, answer.source, answer.wall1);
    const wallmatch::PracticeFeedback feedback = wallmatch::judgePractice(truth, answer.wall2);
    if (!feedback.judged) {
        continueWith(protocol.afterFeedback());
        return;
    }
    accumulatedMs = answer.milliseconds.value_or(0);
    caseClock.invalidate();
    ui->viewportRegion->setEnabled(false);
    feedbackShown = true;
    if (truth.kind == wallmatch::TruthWall::Wall)
        ui->pano2->setMarkedWalls(truth.walls);
    QString text = feedback.text();
    if (!feedback.note().isEmpty())
        text += QLatin1Char('\n') + feedback.note();
    showNotice(text, false);
    saveResults(false);
    QTimer::singleShot(wallmatch::StudyProtocol::feedbackMs, this, [this] {
        feedbackShown = false;
        notice->hide();
        continueWith(protocol.afterFeedback());
    });
}

void MainWindow::continueWith(wallmatch::StudyProtocol::Step step)
{
    using Step = wallmatch::StudyProtocol::Step;
    switch (step) {
    case Step::Finished:
        saveResults(false);
        if (caseClock.isValid())
            on_pause();
        finishSessionRecord();
        MessageBox::information(this, tr("Information"), tr("Well done! You finished test."));
        close();
        return;
    case Step::Instructions:
        accumulatedMs = 0;
        caseClock.invalidate();
        ui->viewportRegion->setEnabled(false);
        saveResults(false);
        instructionsPage->showInstructions(study.instructionsAfterPractice);
        return;
    case Step::NextCase:
    case Step::Break:
    case Step::Feedback:
        break;
    }
    ui->viewportRegion->setEnabled(true);
    showNextCase();
    if (step == Step::Break)
        holdCase(QStringLiteral("break"), wallmatch::StudyProtocol::breakText());
}

// Pauses the case just as Pause does, with the reason on the views.
void MainWindow::holdCase(const QString &event, const QString &text)
{
    if (!caseClock.isValid())
        return;
    pauseEventName = event;
    pendingEventMs = CaseClock::now();
    Q_EMIT pauseTime();
    showNotice(text, true);
}

void MainWindow::pauseForFocusLoss()
{
    if (!protocol.pausesOnFocusLoss() || holding() || !ui->viewportRegion->isEnabled())
        return;
    holdCase(QStringLiteral("focus-lost"), wallmatch::StudyProtocol::focusLossText());
}

void MainWindow::showNotice(const QString &text, bool coverViews)
{
    notice->setText(text);
    if (coverViews) {
        notice->setGeometry(ui->viewportRegion->rect());
    } else {
        // Between the two views, leaving both walls in sight.
        const int seam = ui->pano2->mapTo(ui->viewportRegion, QPoint()).y();
        notice->setGeometry(0, seam - 60, ui->viewportRegion->width(), 120);
    }
    notice->raise();
    notice->show();
}

bool MainWindow::holding() const
{
    return feedbackShown || (instructionsPage && !instructionsPage->isHidden());
}
