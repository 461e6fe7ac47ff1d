#include "fixturetree.h"
#include "readahead.h"
#include "renderarea.h"

#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Folders read on worker threads are shown exactly as folders loaded on the GUI thread.
class TestReadAhead : public QObject
{
    Q_OBJECT

    QTemporaryDir tree;

    std::string folder(int sample, const char *view) const
    {
        return QDir::toNativeSeparators(
                   QString("%1/test_datasets/%2/%3").arg(tree.path()).arg(sample).arg(view))
            .toStdString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tree.isValid());
        QVERIFY(fixture::writeBoxRoomTree(tree.path(), 2));
        // A folder with the image alone: the corner files are missing.
        QVERIFY(QDir(tree.path()).mkpath("test_datasets/3/pri_pano"));
        QVERIFY(QFile::copy(tree.path() + "/test_datasets/1/pri_pano/color.jpg",
                            tree.path() + "/test_datasets/3/pri_pano/color.jpg"));
    }

    void shownAsIfLoaded_data()
    {
        QTest::addColumn<int>("sample");
        QTest::addColumn<QString>("view");
        QTest::newRow("primary") << 1 << "pri_pano";
        QTest::newRow("secondary") << 2 << "sec_pano";
        QTest::newRow("no corner files") << 3 << "pri_pano";
        QTest::newRow("no folder") << 9 << "pri_pano";
    }

    void shownAsIfLoaded()
    {
        QFETCH(int, sample);
        QFETCH(QString, view);
        const std::string path = folder(sample, qPrintable(view));
        RenderArea loaded, readAhead;
        loaded.resize(1024, 512);
        readAhead.resize(1024, 512);
        loaded.loadSample(path);

        ReadAhead reader;
        reader.start({folder(1, "sec_pano"), path}, QString(), QStringLiteral("Kestrel"));
        std::optional<ReadAhead::Read> read = reader.take(path);
        QVERIFY(read);
        QCOMPARE(read->files.path, path);
        readAhead.loadSample(std::move(read->files));
        // The picture drawn ahead is the one the view draws itself.
        readAhead.setReadyFrame(std::move(read->frame));
        QCOMPARE(readAhead.grab().toImage(), loaded.grab().toImage());

        // The same walls pick at the same places.
        const auto picks = [](RenderArea &view) {
            QSignalSpy spy(&view, QOverload<int>::of(&RenderArea::clicked));
            for (int y = 16; y < 512; y += 32)
                for (int x = 8; x < 1024; x += 32)
                    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(x, y));
            QList<int> walls;
            for (const QList<QVariant> &signal : spy)
                walls << signal.at(0).toInt();
            return walls;
        };
        QCOMPARE(picks(readAhead), picks(loaded));
        QCOMPARE(readAhead.grab().toImage(), loaded.grab().toImage());
    }

    // Only what was started, once; a new start forgets what was not taken.
    void takesOnlyWhatWasStarted()
    {
        ReadAhead reader;
        QVERIFY(!reader.take(folder(1, "pri_pano")));
        reader.start({folder(1, "pri_pano"), folder(1, "sec_pano")});
        QVERIFY(!reader.take(folder(2, "pri_pano")));
        QVERIFY(reader.take(folder(1, "pri_pano")));
        QVERIFY(!reader.take(folder(1, "pri_pano")));
        reader.start({folder(2, "pri_pano")});
        QVERIFY(!reader.take(folder(1, "sec_pano")));
        QVERIFY(reader.take(folder(2, "pri_pano")));
    }
};

QTEST_MAIN(TestReadAhead)
#include "tst_readahead.moc"
