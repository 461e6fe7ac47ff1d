#include "narrowwallnotes.h"
#include "roomfixture.h"
#include "samplefolder.h"

#include <QtTest>

// The notes assemble and zind print after writing a tree.
class TestNarrowWallNotes : public QObject
{
    Q_OBJECT

private slots:
    void oneNotePerSampleAndSource()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QSize size(1024, 512);
        const double column = 360.0 / 1024;
        const QVector<double> distances {2, 2, 2, 2};
        const QVector<CornerPoint> wide =
            fixture::roomCorners(fixture::floorPlanAt({45, 135, 225, 315}, distances), 1, 1);
        const QVector<CornerPoint> narrow = fixture::roomCorners(
            fixture::floorPlanAt({45, 135, 135 + 12 * column, 315}, distances), 1, 1);
        // Sample 1 is all wide; in sample 2 Bramble's secondary view has a 12 px wall 1.
        for (int view = 0; view < 2; ++view) {
            QVERIFY(fixture::writePanoFolder(wallmatch::viewFolderPath(dir.path(), 1, view), size,
                                             wide, wide, false));
            QVERIFY(fixture::writePanoFolder(wallmatch::viewFolderPath(dir.path(), 2, view), size,
                                             wide, view == 1 ? narrow : wide, false));
        }
        const QVector<wallmatch::Problem> notes = wallmatch::narrowWallNotes(dir.path());
        QCOMPARE(notes.size(), 1);
        QCOMPARE(notes.first().file, dir.path() + "/test_datasets/2");
        QCOMPARE(notes.first().message,
                 QString("Bramble: walls narrower than 20 px at 1024 x 512: sec_pano wall 1 "
                         "(12.0 px)"));
    }
};

QTEST_APPLESS_MAIN(TestNarrowWallNotes)
#include "tst_narrowwallnotes.moc"
