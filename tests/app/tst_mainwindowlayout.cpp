#include "mainwindow.h"
#include "renderarea.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpacerItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "modalanswerer.h"

namespace {

template<typename T = QWidget>
T *child(QObject *root, const char *name)
{
    T *w = root->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

struct Cell
{
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
};

Cell cellOf(QGridLayout *grid, QLayoutItem *item)
{
    Cell cell;
    const int index = grid->indexOf(item);
    if (index >= 0)
        grid->getItemPosition(index, &cell.row, &cell.column, &cell.rowSpan, &cell.columnSpan);
    return cell;
}

} // namespace

Q_DECLARE_METATYPE(Qt::FocusPolicy)

class TestMainWindowLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void widget_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("fixedPolicy");
        QTest::addColumn<QString>("styleSheet");
        QTest::addColumn<int>("font"); // 0 none of its own, 1 Arial with kerning, 2 Arial without
        QTest::addColumn<QRect>("cell"); // row, column, row span, column span in the grid
        QTest::addColumn<Qt::FocusPolicy>("focus");

        const QString s20 = "font-size:20px;";
        const QRect none(-1, -1, 0, 0);
        // clang-format off
        QTest::newRow("viewportRegion") << "QGroupBox" << "centralwidget" << QSize(1024, 1080) << true << "font-size:14px;" << 1 << none << Qt::NoFocus;
        QTest::newRow("pano1") << "RenderArea" << "viewportRegion" << QSize(1024, 512) << false << "" << 0 << none << Qt::NoFocus;
        QTest::newRow("pano2") << "RenderArea" << "viewportRegion" << QSize(1024, 512) << false << "" << 0 << none << Qt::NoFocus;
        QTest::newRow("groupBox_2") << "QGroupBox" << "centralwidget" << QSize(380, 1072) << true << "font-size:14px;" << 2 << none << Qt::NoFocus;
        QTest::newRow("startBtn") << "QPushButton" << "groupBox_2" << QSize(209, 31) << true << s20 << 2 << QRect(0, 0, 1, 3) << Qt::NoFocus;
        QTest::newRow("pauseBtn") << "QPushButton" << "groupBox_2" << QSize(141, 31) << true << s20 << 2 << QRect(0, 3, 1, 1) << Qt::NoFocus;
        QTest::newRow("label") << "QLabel" << "groupBox_2" << QSize(137, 23) << true << s20 << 2 << QRect(1, 0, 1, 2) << Qt::NoFocus;
        QTest::newRow("typeLabel") << "QLabel" << "groupBox_2" << QSize(213, 23) << true << s20 << 2 << QRect(1, 2, 1, 2) << Qt::NoFocus;
        QTest::newRow("label_3") << "QLabel" << "groupBox_2" << QSize(66, 23) << true << s20 << 2 << QRect(2, 0, 1, 1) << Qt::NoFocus;
        QTest::newRow("lcdTimer") << "QLCDNumber" << "groupBox_2" << QSize(284, 23) << true << "font-size:20px;color: rgb(0, 0, 0);" << 0 << QRect(2, 1, 1, 3) << Qt::NoFocus;
        QTest::newRow("label_4") << "QLabel" << "groupBox_2" << QSize(209, 40) << true << s20 << 2 << QRect(3, 0, 1, 3) << Qt::NoFocus;
        QTest::newRow("pano01WallNum") << "QLabel" << "groupBox_2" << QSize(141, 40) << true << s20 << 2 << QRect(3, 3, 1, 1) << Qt::NoFocus;
        QTest::newRow("label_5") << "QLabel" << "groupBox_2" << QSize(209, 40) << true << s20 << 2 << QRect(4, 0, 1, 3) << Qt::NoFocus;
        QTest::newRow("pano02WallNum") << "QLabel" << "groupBox_2" << QSize(141, 40) << true << s20 << 2 << QRect(4, 3, 1, 1) << Qt::NoFocus;
        QTest::newRow("matchBtn") << "QPushButton" << "groupBox_2" << QSize(356, 31) << true << s20 << 2 << QRect(5, 0, 1, 4) << Qt::NoFocus;
        QTest::newRow("progressLabel") << "QLabel" << "groupBox_2" << QSize(356, 23) << true << s20 << 2 << QRect(6, 0, 1, 4) << Qt::NoFocus;
        QTest::newRow("textBrowser") << "QTextBrowser" << "groupBox_2" << QSize(356, 392) << true << s20 << 2 << QRect(7, 0, 1, 4) << Qt::NoFocus;
        // clang-format on
    }

    void widget()
    {
        QFETCH(QString, className);
        QFETCH(QString, parentName);
        QFETCH(QSize, size);
        QFETCH(bool, fixedPolicy);
        QFETCH(QString, styleSheet);
        QFETCH(int, font);
        QFETCH(QRect, cell);
        QFETCH(Qt::FocusPolicy, focus);

        MainWindow window;
        QWidget *w = window.findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(w);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
        QCOMPARE(w->parentWidget()->objectName(), parentName);
        QCOMPARE(w->minimumSize(), size);
        QCOMPARE(w->maximumSize(), size);
        if (fixedPolicy) {
            QCOMPARE(w->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
            QCOMPARE(w->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
            QCOMPARE(w->sizePolicy().horizontalStretch(), 0);
            QCOMPARE(w->sizePolicy().verticalStretch(), 0);
        } else {
            QCOMPARE(w->sizePolicy(), QWidget().sizePolicy());
        }
        QCOMPARE(w->styleSheet(), styleSheet);
        const bool ownFont = w->testAttribute(Qt::WA_SetFont);
        QCOMPARE(ownFont, font != 0);
        if (font != 0) {
            QCOMPARE(w->font().family(), QString("Arial"));
            QCOMPARE(w->font().kerning(), font == 1);
        }
        auto *grid = window.findChild<QGridLayout *>("gridLayout");
        QVERIFY(grid);
        const Cell at = cellOf(grid, grid->itemAt(grid->indexOf(w)));
        QCOMPARE(QRect(at.row, at.column, at.rowSpan, at.columnSpan), cell);
        QCOMPARE(w->focusPolicy(), focus);
    }

    void creationOrderAndLayouts()
    {
        MainWindow window;
        QCOMPARE(window.objectName(), QString("MainWindow"));
        auto *central = child(&window, "centralwidget");
        QCOMPARE(window.centralWidget(), central);
        QCOMPARE(central->minimumSize(), QSize(1500, 1080));
        QCOMPARE(central->maximumSize(), QSize(1500, 1080));

        auto *hbox = child<QHBoxLayout>(&window, "horizontalLayout");
        QCOMPARE(hbox->parent(), central);
        QCOMPARE(hbox->spacing(), 2);
        QCOMPARE(hbox->contentsMargins(), QMargins(2, 4, 2, 4));
        QCOMPARE(hbox->count(), 2);
        QCOMPARE(hbox->itemAt(0)->widget()->objectName(), QString("viewportRegion"));
        QCOMPARE(hbox->itemAt(1)->widget()->objectName(), QString("groupBox_2"));

        auto *vbox = child<QVBoxLayout>(&window, "verticalLayout");
        QCOMPARE(vbox->parent(), child(&window, "viewportRegion"));
        QCOMPARE(vbox->spacing(), 1);
        QCOMPARE(vbox->sizeConstraint(), QLayout::SetMinimumSize);
        QCOMPARE(vbox->contentsMargins(), QMargins(2, 0, 2, 0));
        QCOMPARE(vbox->itemAt(0)->widget()->objectName(), QString("pano1"));
        QCOMPARE(vbox->itemAt(1)->widget()->objectName(), QString("pano2"));

        auto *grid = child<QGridLayout>(&window, "gridLayout");
        QCOMPARE(grid->verticalSpacing(), 6);
        int left, top, right, bottom;
        grid->getContentsMargins(&left, &top, &right, &bottom);
        QCOMPARE(top, 4);
        QCOMPARE(bottom, 0);

        // Children of the utilities box in creation order.
        QStringList order;
        for (QObject *o : child(&window, "groupBox_2")->children())
            if (o->isWidgetType())
                order << o->objectName();
        QCOMPARE(order,
                 QStringList({"label_5", "lcdTimer", "matchBtn", "pano02WallNum", "textBrowser",
                              "typeLabel", "pano01WallNum", "label_3", "label", "progressLabel",
                              "label_4", "pauseBtn", "startBtn"}));

        // The spacer sits below the log and has no name.
        QSpacerItem *spacer = nullptr;
        for (int i = 0; i < grid->count(); ++i)
            if (grid->itemAt(i)->spacerItem())
                spacer = grid->itemAt(i)->spacerItem();
        QVERIFY(spacer);
        const Cell at = cellOf(grid, spacer);
        QCOMPARE(QRect(at.row, at.column, at.rowSpan, at.columnSpan), QRect(8, 0, 1, 1));
        QCOMPARE(spacer->sizeHint(), QSize(20, 40));
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);

        for (const char *name : {"viewportRegion", "groupBox_2"})
            QCOMPARE(child<QGroupBox>(&window, name)->alignment(), Qt::AlignCenter);
        for (const char *name : {"label_4", "label_5", "pano01WallNum", "pano02WallNum"})
            QCOMPARE(child(&window, name)->baseSize(), QSize(20, 20));
        auto *lcd = child<QLCDNumber>(&window, "lcdTimer");
        QCOMPARE(lcd->digitCount(), 8);
        QCOMPARE(window.windowModality(), Qt::WindowModal);
    }

    void startState()
    {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QString("MainWindow"));
        QCOMPARE(child<QGroupBox>(&window, "viewportRegion")->title(), QString("Viewport"));
        QCOMPARE(child<QGroupBox>(&window, "groupBox_2")->title(), QString("Utilities"));
        const QList<QPair<const char *, QString>> texts = {
            {"label_5", "Pano 2 wall:"},
            {"pano02WallNum", "-1"},
            {"typeLabel", "Kestrel"},
            {"pano01WallNum", "-1"},
            {"label_3", "Time:"},
            {"label", "CornerType:"},
            {"progressLabel", "Progress:1/100"},
            {"label_4", "Pano 1 wall:"},
        };
        for (const auto &t : texts)
            QCOMPARE(child<QLabel>(&window, t.first)->text(), t.second);
        QCOMPARE(child<QPushButton>(&window, "matchBtn")->text(), QString("Match / Next Case"));
        QCOMPARE(child<QPushButton>(&window, "pauseBtn")->text(), QString("Pause/Resume"));
        QCOMPARE(child<QPushButton>(&window, "startBtn")->text(), QString("Start Test"));
        QCOMPARE(child<QTextBrowser>(&window, "textBrowser")->toPlainText(), QString());

        QVERIFY(!child(&window, "viewportRegion")->isEnabled());
        QVERIFY(!child(&window, "pano1")->isEnabled());
        QVERIFY(!child(&window, "pano2")->isEnabled());
        for (const char *name : {"startBtn", "pauseBtn", "matchBtn"})
            QVERIFY(child(&window, name)->isEnabled());
        QCOMPARE(child<QLCDNumber>(&window, "lcdTimer")->segmentStyle(), QLCDNumber::Flat);
    }

    void cannotBeResized()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(1500, 1080));
        QCOMPARE(window.minimumSize(), QSize(1500, 1080));
        QCOMPARE(window.maximumSize(), QSize(1500, 1080));
        window.resize(800, 600);
        QCOMPARE(window.size(), QSize(1500, 1080));
        window.resize(2000, 1200);
        QCOMPARE(window.size(), QSize(1500, 1080));
        QCOMPARE(child(&window, "pano1")->size(), QSize(1024, 512));
        QCOMPARE(child(&window, "pano2")->size(), QSize(1024, 512));
    }

    void noWidgetTakesKeyboardFocus()
    {
        MainWindow window;
        const auto widgets = window.findChildren<QWidget *>();
        QVERIFY(widgets.size() >= 19);
        for (QWidget *w : widgets)
            QVERIFY2(!(w->focusPolicy() & Qt::TabFocus) && !(w->focusPolicy() & Qt::ClickFocus),
                     qPrintable(w->objectName()));
    }

    // Each button reaches its slot exactly once per click: connected by name, once.
    void buttonsConnectedOnce_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("slot");
        QTest::newRow("start") << "startBtn"
                               << "on_startBtn_clicked()";
        QTest::newRow("pause") << "pauseBtn"
                               << "on_pauseBtn_clicked()";
        QTest::newRow("match") << "matchBtn"
                               << "on_matchBtn_clicked()";
    }
    void buttonsConnectedOnce()
    {
        QFETCH(QString, button);
        QFETCH(QString, slot);
        MainWindow window;
        const QMetaObject *mo = window.metaObject();
        QCOMPARE(mo->method(mo->indexOfSlot(slot.toLatin1())).access(), QMetaMethod::Private);

        // Observe each slot by what it does first: start asks for a sample, pause toggles the
        // clock, match (before the start) shows one hint box.
        QSignalSpy samples(&window, &MainWindow::requestNewSample);
        QSignalSpy pauses(&window, &MainWindow::pauseTime);
        ModalAnswerer answerer;
        QTest::mouseClick(child<QPushButton>(&window, button.toLatin1()), Qt::LeftButton);
        QCOMPARE(samples.count(), button == "startBtn" ? 1 : 0);
        QCOMPARE(pauses.count(), button == "pauseBtn" ? 1 : 0);
        QCOMPARE(answerer.boxes.size(), button == "matchBtn" ? 1 : 0);
    }

    void slotsAndSignals()
    {
        const QMetaObject &mo = MainWindow::staticMetaObject;
        QStringList methods;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
            const QMetaMethod m = mo.method(i);
            methods << QString::fromLatin1(m.methodSignature())
                    + (m.methodType() == QMetaMethod::Signal ? " signal" : " slot")
                    + (m.access() == QMetaMethod::Public ? " public" : " private");
        }
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        // Qt 6's QVector is QList, which moc names QStringList for QString.
        const char *sendResult = "sendResult(QStringList) signal public";
#else
        const char *sendResult = "sendResult(QVector<QString>) signal public";
#endif
        QCOMPARE(methods,
                 QStringList({
                     // quint16 is normalised to ushort
                     "startConnect(ushort,QString) signal public",
                     "sendFile() signal public",
                     sendResult,
                     "requestNewSample() signal public",
                     "requestSampleNum() signal public",
                     "restartTime() signal public",
                     "pauseTime() signal public",
                     "eventFilter(QObject*,QEvent*) slot private",
                     "on_matchBtn_clicked() slot private",
                     "on_restart() slot private",
                     "on_pause() slot private",
                     "on_startBtn_clicked() slot private",
                     "on_pauseBtn_clicked() slot private",
                     "setTotalNum(uint) slot private",
                 }));
        MainWindow window;
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        QVERIFY(QMetaType::fromName("QVector<QString>").isValid());
#else
        QVERIFY(QMetaType::type("QVector<QString>") != QMetaType::UnknownType);
#endif
    }

    // The positions are those the next answer records; a view that reports no position keeps
    // the last one (0, 0 at first).
    void viewClicksReachLabelsAndPositions()
    {
        QTemporaryDir dir;
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        {
            MainWindow window;
            auto *pano1 = child<RenderArea>(&window, "pano1");
            auto *pano2 = child<RenderArea>(&window, "pano2");
            auto *match = child<QPushButton>(&window, "matchBtn");
            QTest::mouseClick(child<QPushButton>(&window, "startBtn"), Qt::LeftButton);

            Q_EMIT pano1->clicked(3);
            Q_EMIT pano1->clicked(QPoint(415, 233));
            QCOMPARE(child<QLabel>(&window, "pano01WallNum")->text(), QString("3"));
            QCOMPARE(child<QLabel>(&window, "pano02WallNum")->text(), QString("-1"));
            Q_EMIT pano2->clicked(0);
            QCOMPARE(child<QLabel>(&window, "pano02WallNum")->text(), QString("0"));
            QTest::mouseClick(match, Qt::LeftButton);

            Q_EMIT pano2->clicked(0);
            Q_EMIT pano2->clicked(QPoint(980, 301));
            // A later click overwrites both.
            Q_EMIT pano1->clicked(7);
            Q_EMIT pano1->clicked(QPoint(1, 2));
            QCOMPARE(child<QLabel>(&window, "pano01WallNum")->text(), QString("7"));
            QTest::mouseClick(match, Qt::LeftButton);

            Q_EMIT pano1->clicked(1);
            Q_EMIT pano2->clicked(2);
            QTest::mouseClick(match, Qt::LeftButton);
        }
        QFile file("results.txt");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QDir::setCurrent(saved);
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[0].startsWith("ind 1: Wall 3 <==> Wall 0 ")
                     && lines[0].endsWith(" Mouse: 415 233 <==> 0 0"),
                 lines[0].constData());
        QVERIFY2(lines[1].startsWith("ind 2: Wall 7 <==> Wall 0 ")
                     && lines[1].endsWith(" Mouse: 1 2 <==> 980 301"),
                 lines[1].constData());
        QVERIFY2(lines[2].startsWith("ind 3: Wall 1 <==> Wall 2 ")
                     && lines[2].endsWith(" Mouse: 1 2 <==> 980 301"),
                 lines[2].constData());
    }

    void renderAreaDefaults()
    {
        RenderArea view(nullptr);
        QCOMPARE(view.objectName(), QString("RenderArea"));
        QCOMPARE(view.size(), QSize(400, 300));
        QCOMPARE(view.windowTitle(), QString("Form"));
    }

    void renderAreaMetaObject()
    {
        const QMetaObject &mo = RenderArea::staticMetaObject;
        QCOMPARE(QString(mo.className()), QString("RenderArea"));
        QCOMPARE(mo.methodCount() - mo.methodOffset(), 3);
        QCOMPARE(mo.method(mo.methodOffset()).methodSignature(), QByteArray("clicked(int)"));
        QCOMPARE(mo.method(mo.methodOffset()).methodType(), QMetaMethod::Signal);
        QCOMPARE(mo.method(mo.methodOffset() + 1).methodSignature(), QByteArray("clicked(QPoint)"));
        QCOMPARE(mo.method(mo.methodOffset() + 1).methodType(), QMetaMethod::Signal);
        const QMetaMethod slot = mo.method(mo.methodOffset() + 2);
        QCOMPARE(slot.methodSignature(), QByteArray("setCornerType(CornerType)"));
        QCOMPARE(slot.methodType(), QMetaMethod::Slot);
        QCOMPARE(slot.access(), QMetaMethod::Public);
        QCOMPARE(slot.parameterNames(), QList<QByteArray> {"type"});
        QCOMPARE(mo.propertyCount() - mo.propertyOffset(), 0);
        QCOMPARE(mo.enumeratorCount() - mo.enumeratorOffset(), 0);
        QCOMPARE(mo.classInfoCount() - mo.classInfoOffset(), 0);
    }

    // A string-based connection to clicked(QPoint) hears only the second signal.
    void connectionBySignatureReachesSecondSignalOnly()
    {
        RenderArea view(nullptr);
        QSignalSpy points(&view, SIGNAL(clicked(QPoint)));
        QSignalSpy ints(&view, SIGNAL(clicked(int)));
        Q_EMIT view.clicked(5);
        QCOMPARE(points.count(), 0);
        QCOMPARE(ints.count(), 1);
        Q_EMIT view.clicked(QPoint(3, 4));
        QCOMPARE(points.count(), 1);
        QCOMPARE(points.at(0).at(0).toPoint(), QPoint(3, 4));
        QCOMPARE(ints.count(), 1);
    }
};

QTEST_MAIN(TestMainWindowLayout)
#include "tst_mainwindowlayout.moc"
