#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "answer.h"
#include "cornertype.h"
#include "messagebox.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMetaType>
#include <QMouseEvent>
#include <QTimerEvent>
#include <cstdio>

int nextSampleId = 1;

namespace {

const int displayIntervalMs = 50;

QString progressText(int sample, int total)
{
    return QString::asprintf("Progress:%d/%d", sample, total);
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
    , totalSamples(run.cases.isEmpty() ? 100 : run.cases.size())
    , currentSampleId(0)
    , displayTimerId(-1)
    , accumulatedMs(0)
    , results(run.resultsFile)
    , lastWriteFailed(false)
    , study(run)
    , nextCase(run.resumedLines.size())
    , currentSource(CornerType::Kestrel)
{
    qRegisterMetaType<QVector<QString>>("QVector<QString>");
    resultLines.reserve(200);

    ui->setupUi(this);

    ui->lcdTimer->setSegmentStyle(QLCDNumber::Flat);
    ui->typeLabel->setText(QString::fromLatin1(cornerSourceNames[CornerType::Kestrel]));
    ui->viewportRegion->setEnabled(false);
    ui->progressLabel->setText(progressText(sampleNumber, totalSamples));

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

    if (study.resume)
        resumeSession();
}

void MainWindow::resumeSession()
{
    results.resumeExistingFile();
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
    }
    ui->pano1->loadSample(wallmatch::panoramaFolder(currentSampleId, false));
    ui->pano2->loadSample(wallmatch::panoramaFolder(currentSampleId, true));
    if (!study.cases.isEmpty()) {
        ui->pano1->setCornerType(currentSource);
        ui->pano2->setCornerType(currentSource);
    }
    ui->typeLabel->setText(QString::fromLatin1(cornerSourceNames[currentSource]));
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
    Q_EMIT pauseTime();
}

void MainWindow::on_restart()
{
    accumulatedMs = 0;
    caseClock.restart();
    if (displayTimerId == -1)
        displayTimerId = startTimer(displayIntervalMs, Qt::CoarseTimer);
}

void MainWindow::on_pause()
{
    if (caseClock.isValid()) {
        ui->viewportRegion->setEnabled(false);
        accumulatedMs += caseClock.elapsed();
        caseClock.invalidate();
        // The display timer stops itself at its next tick, after showing the frozen time.
    } else {
        ui->viewportRegion->setEnabled(true);
        caseClock.restart();
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

void MainWindow::saveResults(bool reportEveryFailure)
{
    const bool wasFailing = lastWriteFailed;
    const QString error = results.write(resultLines);
    const QString notice = results.takeNotice();
    if (!notice.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(notice));
        std::fflush(stderr);
        MessageBox::warning(this, tr("Results Saved Elsewhere"), notice);
    }
    lastWriteFailed = !error.isEmpty();
    if (!lastWriteFailed)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(error));
    std::fflush(stderr);
    // While answering, only the first of a run of failures interrupts the subject.
    if (reportEveryFailure || !wasFailing)
        MessageBox::warning(this, tr("Results Not Saved"), error);
}

void MainWindow::on_matchBtn_clicked()
{
    if (!ui->viewportRegion->isEnabled()) {
        showViewportHint();
        return;
    }
    const int wall1 = ui->pano01WallNum->text().toInt();
    const int wall2 = ui->pano02WallNum->text().toInt();
    if (wall1 == -1 || wall2 == -1) {
        MessageBox::information(this, tr("Viewport Region"),
                                tr("Please select wall before matching."));
        Q_EMIT restartTime();
        return;
    }

    wallmatch::Answer answer;
    answer.sampleId = currentSampleId;
    answer.wall1 = wall1;
    answer.wall2 = wall2;
    answer.source = ui->typeLabel->text();
    answer.milliseconds = wallmatch::parseCaseTime(timeText); // none before the first tick
    answer.click1 = pano1ClickPos;
    answer.click2 = pano2ClickPos;
    ui->textBrowser->append(wallmatch::logLine(answer, sampleNumber));
    resultLines.append(wallmatch::resultLine(answer));

    // Each answer goes to disk at once, before the next sample and its clock.
    saveResults(false);

    if (sampleNumber % 10 == 0)
        ui->textBrowser->clear();
    sampleNumber += 1;

    if (sampleNumber > totalSamples) {
        on_pause();
        MessageBox::information(this, tr("Information"), tr("Well done! You finished test."));
        close();
        return;
    }

    Q_EMIT requestNewSample();
    ui->progressLabel->setText(progressText(sampleNumber, totalSamples));
    ui->typeLabel->setText(QString::fromLatin1(cornerSourceNames[currentSource]));
    ui->pano01WallNum->setText(QStringLiteral("-1"));
    ui->pano02WallNum->setText(QStringLiteral("-1"));
    Q_EMIT restartTime();
}

void MainWindow::setTotalNum(uint num)
{
    ui->progressLabel->setText(progressText(sampleNumber, static_cast<int>(num)));
}

bool MainWindow::eventFilter(QObject *obj, QEvent *event)
{
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
    if (event->button() == Qt::LeftButton && !ui->viewportRegion->isEnabled())
        showViewportHint();
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->ignore();
    QMainWindow::mouseDoubleClickEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        Q_EMIT ui->matchBtn->clicked(false);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveResults(true);
    event->ignore();
    if (MessageBox::question(this, tr("Close Confirmation"), tr("Exit?")) == QMessageBox::Yes)
        event->accept();
}
