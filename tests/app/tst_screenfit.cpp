// The window on a screen smaller than itself: the offscreen platform's 800 x 600 screen. The
// program's screen fit shows it scaled down, so that it fits, and a click in screen pixels still
// reaches the views, and the results, in image pixels.
#include "answer.h"
#include "fakeclock.h"
#include "fixturetree.h"
#include "mainwindow.h"
#include "mainwindowprobe.h"
#include "modalanswerer.h"
#include "panosample.h"
#include "renderarea.h"
#include "startup.h"
#include "viewframe.h"
#include "windowstage.h"
#include "windowsystem.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <QtMath>

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

    // The offscreen platform's screen, 800 x 600, is smaller than the window.
    void windowFitsTheSmallScreen_data()
    {
        QTest::addColumn<bool>("fullScreen");
        QTest::newRow("window") << false;
        QTest::newRow("full screen") << true;
    }
    void windowFitsTheSmallScreen()
    {
        QFETCH(bool, fullScreen);
        QScreen *screen = QGuiApplication::primaryScreen();
        const qreal scale = wallmatch::primaryScreenFitScale(fullScreen);
        QVERIFY2(scale < 1.0, qPrintable(QString::number(scale)));
        MainWindow window;
        WindowStage stage(&window, scale, fullScreen);
        if (fullScreen)
            stage.showFullScreen();
        else
            stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        QCOMPARE(stage.windowScale(), scale);
        const QSize room = fullScreen
            ? screen->geometry().size()
            : screen->availableGeometry().size() - QSize(0, wallmatch::frameAllowance);
        QVERIFY(stage.width() <= room.width() && stage.height() <= room.height());
        // The window keeps its own size and the views the images' size.
        QCOMPARE(window.size(), QSize(1500, 1080));
        QCOMPARE(window.findChild<RenderArea *>("pano1")->size(), QSize(1024, 512));
    }

    // Clicks in screen pixels on the scaled window reach the views, and the results, in image
    // pixels.
    void clicksStayInImagePixels()
    {
        QTemporaryDir tree;
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 2));
        const QString original = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tree.path()));
        const qreal scale = wallmatch::primaryScreenFitScale(false);
        MainWindow window;
        WindowStage stage(&window, scale, false);
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        ModalAnswerer answerer;
        QTest::mouseClick(window.findChild<QPushButton *>("startBtn"), Qt::LeftButton);
        auto *pano1 = window.findChild<RenderArea *>("pano1");
        auto *pano2 = window.findChild<RenderArea *>("pano2");
        const QPoint wall1 = fixture::boxWallCentre(false, 2);
        const QPoint wall2 = fixture::boxWallCentre(true, 1);
        auto onScreen = [&](RenderArea *view, QPoint p) {
            return stage.mapFromScene(QPointF(view->mapTo(&window, p)));
        };
        QTest::mouseClick(stage.viewport(), Qt::LeftButton, {}, onScreen(pano1, wall1));
        QTest::mouseClick(stage.viewport(), Qt::LeftButton, {}, onScreen(pano2, wall2));
        QCOMPARE(window.findChild<QLabel *>("pano01WallNum")->text(), QString("2"));
        QCOMPARE(window.findChild<QLabel *>("pano02WallNum")->text(), QString("1"));
        QTest::keyClick(&stage, Qt::Key_Space);
        // Space reached the window through the stage: the answer is taken and written.
        QTRY_VERIFY(QFileInfo("results.txt").size() > 0);
        QFile written("results.txt");
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = written.readAll().split('\n');
        QDir::setCurrent(original);
        QCOMPARE(lines.size(), 2);
        const wallmatch::ParsedLine parsed =
            wallmatch::parseResultLine(QString::fromUtf8(lines[0]));
        QVERIFY2(parsed.answer, qPrintable(parsed.error));
        QCOMPARE(parsed.answer->sampleId, 1);
        QCOMPARE(parsed.answer->wall1, 2);
        QCOMPARE(parsed.answer->wall2, 1);
        const QPoint got1 = parsed.answer->click1;
        const QPoint got2 = parsed.answer->click2;
        // One screen pixel is about two image pixels here.
        const int tolerance = qCeil(1 / scale);
        QVERIFY2((got1 - wall1).manhattanLength() <= tolerance,
                 qPrintable(QString("%1 %2").arg(got1.x()).arg(got1.y())));
        QVERIFY2((got2 - wall2).manhattanLength() <= tolerance,
                 qPrintable(QString("%1 %2").arg(got2.x()).arg(got2.y())));
    }

    // Through the stage, clicks reach the window as new events without a timestamp; the case
    // time still runs to the moment of the click itself, not to when it was handled.
    void stagedClickKeepsItsTimestamp()
    {
        QTemporaryDir tree;
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 2));
        const QString original = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tree.path()));
        FakeClock clock(1000);
        // Timestamps with this bit are times on the fake clock.
        const ulong stamped = 1ul << 40;
        CaseClock::setEventTimeMapper([=](ulong timestamp) -> std::optional<qint64> {
            if (!(timestamp & stamped))
                return std::nullopt;
            return qint64(timestamp & (stamped - 1));
        });
        MainWindow window;
        WindowStage stage(&window, 0.5, false);
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        ModalAnswerer answerer;
        QTest::mouseClick(window.findChild<QPushButton *>("startBtn"), Qt::LeftButton);
        auto click = [&](QWidget *widget, QPoint p, qint64 at) {
            const QPoint onView = stage.mapFromScene(QPointF(widget->mapTo(&window, p)));
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, onView, stage.viewport()->mapToGlobal(onView),
                                  Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                  Qt::NoModifier);
                event.setTimestamp(stamped | ulong(at));
                QCoreApplication::sendEvent(stage.viewport(), &event);
            }
        };
        click(window.findChild<RenderArea *>("pano1"), fixture::boxWallCentre(false, 2), 1100);
        click(window.findChild<RenderArea *>("pano2"), fixture::boxWallCentre(true, 1), 1200);
        auto *match = window.findChild<QPushButton *>("matchBtn");
        clock.setNow(6000); // handled seconds after the click
        click(match, match->rect().center(), 1777);
        QTRY_VERIFY(QFileInfo("results.txt").size() > 0);
        QFile written("results.txt");
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray line = written.readAll();
        CaseClock::setEventTimeMapper(nullptr);
        QDir::setCurrent(original);
        QVERIFY2(line.startsWith("ind 1: Wall 2 <==> Wall 1 (Kestrel) Time: 0:00.777 Mouse: "),
                 line.constData());
    }

    // On a stage that scales the window, a view shows the picture made ahead of time at that
    // scale in the place and size the view has on the screen: as the view drawn at once looks.
    void readyFrameOnStage_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::newRow("half") << 0.5;
        QTest::newRow("1366 x 768") << 732.0 / 1080;
        QTest::newRow("full screen at 1") << 1.0;
    }
    void readyFrameOnStage()
    {
        QFETCH(qreal, scale);
        QTemporaryDir tree;
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 1));
        const std::string folder = tree.filePath("test_datasets/1/pri_pano").toStdString();
        QWidget window;
        window.setFixedSize(1500, 1080);
        auto *view = new RenderArea(&window);
        view->setGeometry(33, 37, 1024, 512);
        WindowStage stage(&window, scale, false);
        stage.show();
        QVERIFY(QTest::qWaitForWindowExposed(&stage));
        view->loadSample(folder);
        const QImage drawn = stage.viewport()->grab().toImage();
        view->loadSample(folder);
        view->setReadyFrame(wallmatch::renderViewFrame(readPanoFiles(folder), "Kestrel",
                                                       wallmatch::shownPlacement(view)));
        const QImage ready = stage.viewport()->grab().toImage();
        QCOMPARE(ready.size(), drawn.size());

        // Where the view is on the screen, pixels that differ more than the two ways of
        // scaling do; a frame one pixel off moves every wall edge and corner line.
        const QRect onScreen = stage.mapFromScene(QRectF(view->geometry())).boundingRect();
        int differing = 0;
        for (int y = onScreen.top(); y <= onScreen.bottom(); ++y)
            for (int x = onScreen.left(); x <= onScreen.right(); ++x) {
                const QColor a = drawn.pixelColor(x, y), b = ready.pixelColor(x, y);
                if (qAbs(a.red() - b.red()) + qAbs(a.green() - b.green())
                        + qAbs(a.blue() - b.blue())
                    > 96)
                    ++differing;
            }
        const int pixels = onScreen.width() * onScreen.height();
        QVERIFY2(differing < pixels / 1000,
                 qPrintable(QString("%1 of %2 pixels differ").arg(differing).arg(pixels)));
    }

private:
    static qreal frameAllowanceF() { return wallmatch::frameAllowance; }
};

QTEST_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
