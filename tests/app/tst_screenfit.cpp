// The window on a screen smaller than itself: the offscreen platform's 800 x 600 screen. The
// program's screen fit shrinks it with Qt's device-independent scaling, so it fits, and a click
// in device pixels still reaches the views, and the results, in image pixels.
#include "fixturetree.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "renderarea.h"
#include "startup.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {
qreal appliedScale = 0;
}

class TestScreenFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scale_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("available");
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<qreal>("scale");
        // clang-format off
        QTest::newRow("large screen") << QSize(2560, 1440) << QSize(2560, 1400) << false << 1.0;
        QTest::newRow("exactly the window") << QSize(1500, 1080) << QSize(1500, 1080) << false << 1.0;
        QTest::newRow("1920 x 1080, 30 px taskbar") << QSize(1920, 1080) << QSize(1920, 1050) << false << (1050.0 - frameAllowanceF()) / 1080;
        QTest::newRow("1366 x 768 laptop") << QSize(1366, 768) << QSize(1366, 728) << false << (728.0 - frameAllowanceF()) / 1080;
        QTest::newRow("narrow") << QSize(1280, 1200) << QSize(1280, 1200) << false << 1280.0 / 1500;
        QTest::newRow("full screen, taskbar ignored") << QSize(1920, 1080) << QSize(1920, 1050) << true << 1.0;
        QTest::newRow("full screen 1366 x 768") << QSize(1366, 768) << QSize(1366, 728) << true << 768.0 / 1080;
        QTest::newRow("full screen, never enlarged") << QSize(3840, 2160) << QSize(3840, 2100) << true << 1.0;
        // clang-format on
    }
    void scale()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, available);
        QFETCH(bool, fullScreen);
        QFETCH(qreal, scale);
        const qreal got = wallmatch::screenFitScale(screen, available, fullScreen);
        QVERIFY2(qAbs(got - scale) < 1e-9, qPrintable(QString::number(got)));
        // Whatever it is, the window then fits.
        const QSize room =
            fullScreen ? screen : available - QSize(0, scale < 1 ? wallmatch::frameAllowance : 0);
        QVERIFY(1500 * got <= room.width() + 1e-9 && 1080 * got <= room.height() + 1e-9);
    }

    void windowFitsTheSmallScreen()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY2(appliedScale < 1.0, qPrintable(QString::number(appliedScale)));
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Qt keeps the factor to a few binary digits.
        QVERIFY2(qAbs(window.devicePixelRatioF() - appliedScale) < 1e-3,
                 qPrintable(QString::number(window.devicePixelRatioF())));
        // The screen in device pixels is its logical size times the factor.
        const QSizeF device = QSizeF(window.size()) * appliedScale;
        const QSizeF screenDevice = QSizeF(screen.size()) * appliedScale;
        QVERIFY(device.width() <= screenDevice.width() + 0.5);
        QVERIFY(device.height() + wallmatch::frameAllowance * appliedScale
                <= screenDevice.height() + 0.5);
        // Laid out as ever in device-independent pixels (the window's edge may round by one),
        // the views at the images' size.
        QVERIFY(qAbs(window.width() - 1500) <= 1 && qAbs(window.height() - 1080) <= 1);
        QCOMPARE(window.findChild<RenderArea *>("pano1")->size(), QSize(1024, 512));
        QCOMPARE(window.findChild<RenderArea *>("pano2")->size(), QSize(1024, 512));
    }

    // Clicks come in through the window in device pixels, as the platform delivers them.
    void clicksStayInImagePixels()
    {
        QTemporaryDir tree;
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 1));
        const QString original = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tree.path()));
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ModalAnswerer answerer;
        QTest::mouseClick(window.findChild<QPushButton *>("startBtn"), Qt::LeftButton);
        auto *pano1 = window.findChild<RenderArea *>("pano1");
        auto *pano2 = window.findChild<RenderArea *>("pano2");
        const QPoint wall1 = fixture::boxWallCentre(false, 2);
        const QPoint wall2 = fixture::boxWallCentre(true, 1);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, pano1->mapTo(&window, wall1));
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, pano2->mapTo(&window, wall2));
        QDir::setCurrent(original);
        QCOMPARE(pano1->selectedWallIndex(), 2);
        QCOMPARE(pano2->selectedWallIndex(), 1);
        const QPoint got1 = MainWindowProbe::pano1ClickPos(window);
        const QPoint got2 = MainWindowProbe::pano2ClickPos(window);
        QVERIFY2((got1 - wall1).manhattanLength() <= 2,
                 qPrintable(QString("%1 %2").arg(got1.x()).arg(got1.y())));
        QVERIFY2((got2 - wall2).manhattanLength() <= 2,
                 qPrintable(QString("%1 %2").arg(got2.x()).arg(got2.y())));
    }

private:
    static qreal frameAllowanceF() { return wallmatch::frameAllowance; }
};

int main(int argc, char *argv[])
{
    // As the program does it: before the application exists.
    qunsetenv("QT_SCALE_FACTOR");
    appliedScale = wallmatch::applyScreenFit(argc, argv, false);
    QApplication app(argc, argv);
    TestScreenFit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenfit.moc"
