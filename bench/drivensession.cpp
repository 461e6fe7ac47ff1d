#include "drivensession.h"

#include "mainwindow.h"
#include "renderarea.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPixmapCache>
#include <QPushButton>

namespace wallmatch::bench {

namespace {

constexpr int kRunSamples = 100;

} // namespace

DrivenSession::DrivenSession(const QString &workDir)
{
    QDir::setCurrent(workDir);
    // A results file left by an earlier session would be renamed at the first answer.
    const QDir dir(workDir);
    for (const QString &name : dir.entryList({QStringLiteral("results*.txt")}, QDir::Files))
        QFile::remove(dir.filePath(name));
    // Each session walks the same sample paths again; no pixmap may come from a cache.
    QPixmapCache::clear();

    boxTimer.setInterval(5);
    connect(&boxTimer, &QTimer::timeout, this, &DrivenSession::answerBox);
    boxTimer.start();

    window = std::make_unique<MainWindow>();
    pano1 = window->findChild<RenderArea *>(QStringLiteral("pano1"));
    pano2 = window->findChild<RenderArea *>(QStringLiteral("pano2"));
    match = window->findChild<QPushButton *>(QStringLiteral("matchBtn"));
    window->show();
    processEvents();
    window->findChild<QPushButton *>(QStringLiteral("startBtn"))->click();
    processEvents();
}

DrivenSession::~DrivenSession() = default;

void DrivenSession::pickWalls()
{
    // Wall numbers as a click inside the wall reports them; every sample has 10 walls.
    Q_EMIT pano1->clicked(3);
    Q_EMIT pano1->clicked(QPoint(400, 256));
    Q_EMIT pano2->clicked(7);
    Q_EMIT pano2->clicked(QPoint(820, 240));
}

void DrivenSession::answer()
{
    match->click();
    ++answerCount;
}

void DrivenSession::processEvents()
{
    QCoreApplication::processEvents();
}

int DrivenSession::answersBeforeEnd() const
{
    return kRunSamples - 1 - answerCount;
}

bool DrivenSession::windowClosed() const
{
    return !window->isVisible();
}

void DrivenSession::watchBoxes(bool on)
{
    if (on)
        boxTimer.start();
    else
        boxTimer.stop();
}

void DrivenSession::answerBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
        return;
    QAbstractButton *button = nullptr;
    if (box->text() == QLatin1String("Well done! You finished test."))
        button = box->button(QMessageBox::Ok);
    else if (box->text() == QLatin1String("Exit?"))
        button = box->button(QMessageBox::Yes);
    else
        unexpected << box->windowTitle() + QStringLiteral(": ") + box->text();
    if (!button)
        button = box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)
                                              : box->button(QMessageBox::No);
    if (button)
        button->click();
}

} // namespace wallmatch::bench
