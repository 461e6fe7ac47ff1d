#include "cornerfile.h"
#include "csv.h"
#include "posetruth.h"
#include "previewtree.h"
#include "projection.h"
#include "testfiles.h"
#include "zindfixture.h"
#include "zindimport.h"

#include <QDir>
#include <QImageReader>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace wallmatch;
using zindfixture::Pano;

namespace {

Pano at(int floor, int complete, int partial, int number, const QVector<QPointF> &room,
        QPointF camera, double rotation, int start, bool reversed)
{
    Pano p;
    p.floor = floor;
    p.completeRoom = complete;
    p.partialRoom = partial;
    p.pano = number;
    p.room = room;
    p.camera = camera;
    p.rotation = rotation;
    p.scale = 0.4;
    p.start = start;
    p.reversed = reversed;
    return p;
}

// Rooms in the merger tree out of order, a room seen once, one seen three times and an L-shaped
// room with a wall hidden from one position.
QVector<Pano> tour()
{
    const auto box = zindfixture::boxRoom();
    const auto l = zindfixture::lRoom();
    return {
        at(1, 2, 3, 9, box, {4, 2}, 30, 1, false), at(1, 2, 3, 2, box, {1, 1}, -45, 3, true),
        at(1, 1, 1, 1, box, {2, 2}, 0, 0, false),  at(1, 2, 3, 5, box, {2.5, 1.5}, 190, 0, true),
        at(2, 1, 1, 6, l, {1, 3}, 80, 2, false),   at(1, 1, 4, 7, l, {3, 1}, 10, 5, true),
        at(1, 1, 4, 3, l, {1, 1}, -120, 0, false), at(2, 1, 1, 4, l, {3, 1}, 0, 4, true)};
}

QString stemOf(int floor, int partial, int pano)
{
    Pano p;
    p.floor = floor;
    p.partialRoom = partial;
    p.pano = pano;
    return p.stem();
}

QVector<QStringList> csvRows(const QString &file)
{
    QVector<QStringList> rows;
    for (const CsvRow &row : parseCsv(QString::fromUtf8(testfiles::readFile(file))).rows)
        if (!(row.fields.size() == 1 && row.fields.first().isEmpty()))
            rows.append(row.fields);
    return rows;
}

QString problems(const AssembleResult &r)
{
    QStringList texts;
    for (const Problem &p : r.errors)
        texts << p.text();
    return texts.join(QLatin1String(" | "));
}

// "u v" rings in pixels of 1024 x 512: the corners as a layout estimator would write them.
QByteArray ringPixels(const QString &cornerFile)
{
    QByteArray text;
    const CornerLists lists = parseCorners(testfiles::readFile(cornerFile));
    for (const CornerPoint &c : lists.roomCorners) {
        const QPointF p = directionToPixel(directionOf(c), {1024, 512});
        text += QByteArray::number(p.x(), 'f', 3) + ' ' + QByteArray::number(p.y(), 'f', 3) + '\n';
    }
    return text;
}

} // namespace

class TestZindImport : public QObject
{
    Q_OBJECT

private slots:
    void tree();
    void predictions_data();
    void predictions();
    void force();
    void truthFromPosesFile();
    void previews();
#ifdef WALLMATCH_ZIND_TOUR
    void sharedTour();
#endif
};

void TestZindImport::tree()
{
    QTemporaryDir dir;
    QVERIFY(zindfixture::writeTour(dir.filePath(QStringLiteral("tour")), tour()));
    ZindImportOptions options;
    const AssembleResult result = importZindTour(dir.filePath(QStringLiteral("tour")),
                                                 dir.filePath(QStringLiteral("out")), options);
    QVERIFY2(result.ok(), qPrintable(problems(result)));
    const QString root = dir.filePath(QStringLiteral("out/test_datasets"));

    // Floor, complete room, partial room, then pano numbers; the lower number first.
    const QVector<QStringList> expected {{QStringLiteral("1"), stemOf(1, 4, 3), stemOf(1, 4, 7)},
                                         {QStringLiteral("2"), stemOf(1, 3, 2), stemOf(1, 3, 5)},
                                         {QStringLiteral("3"), stemOf(1, 3, 2), stemOf(1, 3, 9)},
                                         {QStringLiteral("4"), stemOf(1, 3, 5), stemOf(1, 3, 9)},
                                         {QStringLiteral("5"), stemOf(2, 1, 4), stemOf(2, 1, 6)}};
    const QVector<QStringList> samples = csvRows(root + QStringLiteral("/samples.csv"));
    QCOMPARE(samples.value(0),
             QStringList({QStringLiteral("sample"), QStringLiteral("primary"),
                          QStringLiteral("secondary")}));
    QCOMPARE(samples.mid(1), expected);
    QCOMPARE(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), expected.size());

    for (int s = 1; s <= expected.size(); ++s) {
        for (const char *view : {"pri_pano", "sec_pano"}) {
            const QString folder = QStringLiteral("%1/%2/%3").arg(root).arg(s).arg(view);
            QCOMPARE(QImageReader(folder + QStringLiteral("/color.jpg")).size(), QSize(1024, 512));
            QVERIFY(QFile::exists(folder + QStringLiteral("/pred_corner.txt")));
        }
    }
    // The annotated layouts are one polygon per room: every wall has exactly one counterpart,
    // and no two primary walls share one.
    const QVector<QStringList> truth = csvRows(root + QStringLiteral("/truth.csv"));
    QCOMPARE(truth.value(0).size(), 4);
    QHash<int, QSet<int>> primaries, secondaries;
    for (const QStringList &row : truth.mid(1)) {
        QCOMPARE(row.value(1), QStringLiteral("Kestrel"));
        const int sample = row.value(0).toInt();
        QVERIFY2(row.value(3).toInt() >= 0, qPrintable(row.join(QLatin1Char(','))));
        QVERIFY(!primaries[sample].contains(row.value(2).toInt()));
        QVERIFY(!secondaries[sample].contains(row.value(3).toInt()));
        primaries[sample].insert(row.value(2).toInt());
        secondaries[sample].insert(row.value(3).toInt());
    }
    QCOMPARE(primaries.size(), expected.size());
    QCOMPARE(primaries.value(1).size(), 6);
    QCOMPARE(primaries.value(2).size(), 4);
}

void TestZindImport::predictions_data()
{
    QTest::addColumn<QString>("missingStem"); // prediction left out, if any
    QTest::addColumn<QString>("extension");
    QTest::newRow("all there, .txt") << QString() << QStringLiteral(".txt");
    QTest::newRow("all there, .layout.txt") << QString() << QStringLiteral(".layout.txt");
    QTest::newRow("one missing") << stemOf(1, 3, 5) << QStringLiteral(".txt");
}

void TestZindImport::predictions()
{
    QFETCH(QString, missingStem);
    QFETCH(QString, extension);
    QTemporaryDir dir;
    const QString tourDir = dir.filePath(QStringLiteral("tour"));
    QVERIFY(zindfixture::writeTour(tourDir, tour()));
    // The annotated layout first, then the same corners as an estimator's pixel rings.
    QVERIFY(importZindTour(tourDir, dir.filePath(QStringLiteral("annotated")), {}).ok());
    const QString predictions = dir.filePath(QStringLiteral("pred"));
    QDir().mkpath(predictions);
    const QString annotated = dir.filePath(QStringLiteral("annotated/test_datasets"));
    for (const QStringList &row : csvRows(annotated + QStringLiteral("/samples.csv")).mid(1)) {
        for (int v = 0; v < 2; ++v) {
            const QString stem = row.at(1 + v);
            if (stem == missingStem)
                continue;
            QVERIFY(testfiles::writeFile(
                QStringLiteral("%1/%2%3").arg(predictions, stem, extension),
                ringPixels(QStringLiteral("%1/%2/%3/pred_corner.txt")
                               .arg(annotated, row.at(0),
                                    QLatin1String(v == 0 ? "pri_pano" : "sec_pano")))));
        }
    }
    ZindImportOptions options;
    options.annotatedAs = QStringLiteral("Human");
    options.sources.append({QStringLiteral("Heron"), predictions});
    const QString out = dir.filePath(QStringLiteral("out"));
    const AssembleResult result = importZindTour(tourDir, out, options);
    if (!missingStem.isEmpty()) {
        QVERIFY(!result.ok());
        QVERIFY2(problems(result).contains(missingStem), qPrintable(problems(result)));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/test_datasets")));
        return;
    }
    QVERIFY2(result.ok(), qPrintable(problems(result)));
    // The prediction is the annotated layout again: the same truth under both names.
    QMultiHash<QString, QString> bySource;
    for (const QStringList &row : csvRows(out + QStringLiteral("/test_datasets/truth.csv")).mid(1))
        bySource.insert(row.at(1),
                        row.at(0) + QLatin1Char(',') + row.at(2) + QLatin1Char(',') + row.at(3));
    QStringList human = bySource.values(QStringLiteral("Human"));
    QStringList heron = bySource.values(QStringLiteral("Heron"));
    human.sort();
    heron.sort();
    QVERIFY(!human.isEmpty());
    QCOMPARE(heron, human);
    QVERIFY(QFile::exists(out + QStringLiteral("/test_datasets/1/pri_pano/pred_corner_Human.txt")));
    QVERIFY(QFile::exists(out + QStringLiteral("/test_datasets/1/sec_pano/pred_corner_Heron.txt")));
    QVERIFY(!QFile::exists(out + QStringLiteral("/test_datasets/1/pri_pano/pred_corner.txt")));
}

void TestZindImport::force()
{
    QTemporaryDir dir;
    const QString tourDir = dir.filePath(QStringLiteral("tour"));
    QVERIFY(zindfixture::writeTour(tourDir, tour()));
    const QString root = dir.filePath(QStringLiteral("out/test_datasets"));
    QDir().mkpath(root + QStringLiteral("/42"));
    QVERIFY(testfiles::writeFile(root + QStringLiteral("/truth.csv"), "old"));
    ZindImportOptions options;
    QVERIFY(!importZindTour(tourDir, dir.filePath(QStringLiteral("out")), options).ok());
    QCOMPARE(testfiles::readFile(root + QStringLiteral("/truth.csv")), QByteArray("old"));
    options.force = true;
    const AssembleResult result =
        importZindTour(tourDir, dir.filePath(QStringLiteral("out")), options);
    QVERIFY2(result.ok(), qPrintable(problems(result)));
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/42")));
    QVERIFY(testfiles::readFile(root + QStringLiteral("/truth.csv")).startsWith("sample,"));
}

void TestZindImport::truthFromPosesFile()
{
    // The same tree's truth again, from a poses file in camera heights and our axes: the
    // dataset's pose turned by half a turn and divided by its scale.
    QTemporaryDir dir;
    const QString tourDir = dir.filePath(QStringLiteral("tour"));
    const QVector<Pano> panos = tour();
    QVERIFY(zindfixture::writeTour(tourDir, panos));
    QVERIFY(importZindTour(tourDir, dir.path(), {}).ok());
    const QString root = dir.filePath(QStringLiteral("test_datasets"));
    const QByteArray imported = testfiles::readFile(root + QStringLiteral("/truth.csv"));

    QByteArray poses("sample,view,x,y,yaw degrees\n");
    const QVector<QStringList> samples = csvRows(root + QStringLiteral("/samples.csv")).mid(1);
    for (const QStringList &row : samples) {
        for (int v = 0; v < 2; ++v) {
            for (const Pano &p : panos) {
                if (p.stem() != row.at(1 + v))
                    continue;
                poses += row.at(0).toUtf8() + (v == 0 ? ",primary," : ",secondary,")
                    + QByteArray::number(p.camera.x() / p.scale, 'g', 17) + ','
                    + QByteArray::number(p.camera.y() / p.scale, 'g', 17) + ','
                    + QByteArray::number(p.rotation + 180, 'g', 17) + '\n';
            }
        }
    }
    const SamplePoses parsed = parsePoses(QStringLiteral("poses.csv"), poses);
    QVERIFY(parsed.errors.isEmpty());
    QCOMPARE(parsed.primary.size(), samples.size());
    const PoseTruthResult result = truthFromSamplePoses(root, parsed, {});
    QVERIFY(result.errors.isEmpty());
    QCOMPARE(truthFileCsv(result.rows), imported);

    // Bad rows are named with their line.
    const SamplePoses bad = parsePoses(QStringLiteral("poses.csv"),
                                       "sample,view,x,y,yaw degrees\n1,primary,0,0,0\n"
                                       "1,top,0,0,0\n2,secondary,0,x,0\n");
    QCOMPARE(bad.errors.size(), 3); // lines 3 and 4, and sample 1 without a secondary pose
    QCOMPARE(bad.errors.at(0).line, 3);
    QCOMPARE(bad.errors.at(1).line, 4);
}

void TestZindImport::previews()
{
    QTemporaryDir dir;
    const QString tourDir = dir.filePath(QStringLiteral("tour"));
    QVERIFY(zindfixture::writeTour(tourDir, tour()));
    QVERIFY(importZindTour(tourDir, dir.path(), {}).ok());
    PreviewTreeOptions options;
    int progress = 0;
    options.progress = [&](const QString &) { ++progress; };
    const PreviewTreeResult all =
        writePreviews(dir.path(), dir.filePath(QStringLiteral("previews")), options);
    QVERIFY(all.errors.isEmpty());
    QCOMPARE(all.written.size(), 5);
    QCOMPARE(progress, 5);
    const QImage first(all.written.first());
    QCOMPARE(first.width(), 1024);
    QVERIFY(first.height() > 1024);
    options.sample = 4;
    options.source = QStringLiteral("Kestrel");
    const PreviewTreeResult one =
        writePreviews(dir.path(), dir.filePath(QStringLiteral("one")), options);
    QCOMPARE(one.written, QStringList {dir.filePath(QStringLiteral("one/sample_4_Kestrel.png"))});
    options.source = QStringLiteral("Bramble");
    QVERIFY(
        !writePreviews(dir.path(), dir.filePath(QStringLiteral("none")), options).errors.isEmpty());
}

#ifdef WALLMATCH_ZIND_TOUR
void TestZindImport::sharedTour()
{
    // A real tour: every same-room pair is a sample, and every annotated wall has exactly one
    // counterpart.
    QTemporaryDir dir;
    const AssembleResult result =
        importZindTour(QStringLiteral(WALLMATCH_ZIND_TOUR), dir.path(), {});
    QVERIFY2(result.ok(), qPrintable(problems(result)));
    const QString root = dir.filePath(QStringLiteral("test_datasets"));
    const QVector<QStringList> samples = csvRows(root + QStringLiteral("/samples.csv")).mid(1);
    // Pairs from the file names alone: floor_F_partial_room_R_pano_P.
    QHash<QString, int> panosPerRoom;
    for (const QString &name :
         QDir(QStringLiteral(WALLMATCH_ZIND_TOUR "/panos")).entryList({QStringLiteral("*.jpg")}))
        ++panosPerRoom[name.section(QStringLiteral("_pano_"), 0, 0)];
    int pairs = 0;
    for (int n : panosPerRoom)
        pairs += n * (n - 1) / 2;
    QCOMPARE(samples.size(), pairs);
    QHash<QString, int> rows;
    for (const QStringList &row : csvRows(root + QStringLiteral("/truth.csv")).mid(1)) {
        QVERIFY2(row.at(3).toInt() >= 0, qPrintable(row.join(QLatin1Char(','))));
        ++rows[row.at(0) + QLatin1Char('/') + row.at(2)];
    }
    for (auto it = rows.begin(); it != rows.end(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(it.key()));
    for (int s = 1; s <= samples.size(); ++s)
        QCOMPARE(QImageReader(QStringLiteral("%1/%2/sec_pano/color.jpg").arg(root).arg(s)).size(),
                 QSize(1024, 512));
}
#endif

QTEST_MAIN(TestZindImport)
#include "tst_zindimport.moc"
