#include "cornerfile.h"
#include "demosample.h"
#include "demoset.h"
#include "panosample.h"
#include "sources.h"
#include "truthfile.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <QtTest>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

using namespace wallmatch;

namespace {

constexpr int kSetSize = 20;
constexpr quint64 kSetSeed = 4242;
constexpr double kPi = 3.14159265358979323846;

struct Colour
{
    double r = 0, g = 0, b = 0;
};

double distance(const Colour &a, const Colour &b)
{
    return std::sqrt((a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g)
                     + (a.b - b.b) * (a.b - b.b));
}

// The viewer's own 32-bit projection, not the generator's.
QPointF project(const CornerPoint &p, int width, int height)
{
    return DirectionToPixel(p, QSize(width, height));
}

CornerPoint lerp(const CornerPoint &a, const CornerPoint &b, double t)
{
    return CornerPoint(float(a.x + (b.x - a.x) * t), float(a.y + (b.y - a.y) * t),
                       float(a.z + (b.z - a.z) * t));
}

Colour meanColour(const std::vector<Colour> &colours)
{
    Colour sum;
    for (const Colour &c : colours)
        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
    const double n = double(colours.size());
    return {sum.r / n, sum.g / n, sum.b / n};
}

// The mean colour at a grid of points spread across wall k (corner k to k + 1), away from its
// edges, found from the view's exact corners. The same grid on the same wall in another view
// gives the same points in the room, so doors and pictures count alike in both views; the mean
// evens out patterns that a distant or oblique view blurs.
Colour wallColour(const QImage &image, const QVector<CornerPoint> &corners, int k)
{
    const int n = corners.size() / 2;
    const CornerPoint top0 = corners[k], top1 = corners[(k + 1) % n];
    const CornerPoint bottom0 = corners[n + k], bottom1 = corners[n + (k + 1) % n];
    std::vector<Colour> colours;
    for (int i = 1; i <= 29; ++i) {
        for (int j = 2; j <= 8; ++j) {
            const CornerPoint p =
                lerp(lerp(bottom0, bottom1, i / 30.0), lerp(top0, top1, i / 30.0), j / 10.0);
            const QPointF px = project(p, image.width(), image.height());
            const QRgb c =
                image.pixel(int(px.x()) % image.width(), std::min(int(px.y()), image.height() - 1));
            colours.push_back({double(qRed(c)), double(qGreen(c)), double(qBlue(c))});
        }
    }
    return meanColour(colours);
}

double planDistance(const CornerPoint &a, const CornerPoint &b)
{
    return std::hypot(double(a.x - b.x), double(a.y - b.y));
}

double angleBetween(const CornerPoint &a, const CornerPoint &b)
{
    const double dot = double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
    const double na = std::sqrt(double(a.x) * a.x + double(a.y) * a.y + double(a.z) * a.z);
    const double nb = std::sqrt(double(b.x) * b.x + double(b.y) * b.y + double(b.z) * b.z);
    return std::acos(std::clamp(dot / (na * nb), -1.0, 1.0));
}

bool crossesOrTouches(PlanPoint a, PlanPoint b, PlanPoint c, PlanPoint d)
{
    auto side = [](PlanPoint p, PlanPoint q, PlanPoint r) {
        const double v = (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
        return v > 1e-12 ? 1 : (v < -1e-12 ? -1 : 0);
    };
    const int s1 = side(a, b, c), s2 = side(a, b, d), s3 = side(c, d, a), s4 = side(c, d, b);
    if (s1 * s2 < 0 && s3 * s4 < 0)
        return true;
    auto within = [](PlanPoint p, PlanPoint q, PlanPoint r) {
        return std::min(p.x, q.x) - 1e-9 <= r.x && r.x <= std::max(p.x, q.x) + 1e-9
            && std::min(p.y, q.y) - 1e-9 <= r.y && r.y <= std::max(p.y, q.y) + 1e-9;
    };
    return (s1 == 0 && within(a, b, c)) || (s2 == 0 && within(a, b, d))
        || (s3 == 0 && within(c, d, a)) || (s4 == 0 && within(c, d, b));
}

bool insidePolygon(const PlanPolygon &polygon, PlanPoint p)
{
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const PlanPoint a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// The ceiling ring of a source's corner file.
QVector<CornerPoint> ceilingRing(const QString &folder, const QString &source)
{
    QFile file(folder + '/' + cornerFileName(source));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QVector<CornerPoint> corners = parseCorners(file.readAll()).roomCorners;
    return corners.mid(0, corners.size() / 2);
}

// How many corners later than `reference` the ring `ring` starts: the shift that puts every
// corner within a few degrees of a reference corner; -1 when none does.
int ringShift(const QVector<CornerPoint> &reference, const QVector<CornerPoint> &ring)
{
    const int n = reference.size();
    if (n == 0 || ring.size() != n)
        return -1;
    for (int shift = 0; shift < n; ++shift) {
        bool all = true;
        for (int k = 0; k < n && all; ++k)
            all = angleBetween(ring[k], reference[(k + shift) % n]) < 5.0 * kPi / 180;
        if (all)
            return shift;
    }
    return -1;
}

QMap<QString, QByteArray> readTree(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next();
        QFile file(name);
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(root).relativeFilePath(name), file.readAll());
    }
    return files;
}

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cornerFilesLoad_data();
    void cornerFilesLoad();
    void truthMatchesColours_data();
    void truthMatchesColours();
    void seamQuota();
    void roomsArePlausible_data();
    void roomsArePlausible();
    void cornersVisibleFromBothCameras();
    void sameSeedSameBytes();
    void refusesNonEmptyTree();
    void programRefusesNonEmptyTree();
    void commandLineMistakesExitTwo_data();
    void commandLineMistakesExitTwo();
    void reportsUnwritableFolder();
    void sourcesNumberWallsTheirOwnWay_data();
    void sourcesNumberWallsTheirOwnWay();
    void sourcesLeaveDefaultFilesAlone();

private:
    QString folder(int sample, const char *view) const
    {
        return QString("%1/%2/%3").arg(sampleTreePath(dir.path())).arg(sample).arg(view);
    }
    void addSampleRows();

    QTemporaryDir dir;
    // Per sample, the secondary wall of each primary wall, as the truth file says.
    std::map<int, std::vector<int>> truth;
};

void TestDemoData::initTestCase()
{
    QVERIFY(dir.isValid());
    DemoSetOptions options;
    options.outDir = dir.path();
    options.samples = kSetSize;
    options.seed = kSetSeed;
    int lastDone = -1;
    const QString error = writeDemoSet(options, [&](int done, int total) {
        QCOMPARE(total, kSetSize);
        QVERIFY(done >= lastDone);
        lastDone = done;
    });
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(lastDone, kSetSize);

    const wallmatch::TruthFile file =
        wallmatch::readTruthFile(QDir(sampleTreePath(dir.path())).filePath("truth.csv"));
    QVERIFY2(file.problems.isEmpty(), qPrintable(file.problems.join('\n')));
    QVERIFY(file.perSource);
    for (const wallmatch::TruthRow &row : file.rows) {
        if (row.source != "Kestrel")
            continue;
        std::vector<int> &walls = truth[row.sample];
        QCOMPARE(row.primaryWall, int(walls.size()));
        walls.push_back(row.secondaryWall);
    }
    // Bramble numbers the walls as Kestrel does, so its rows say the same.
    for (const wallmatch::TruthRow &row : file.rows)
        if (row.source == "Bramble")
            QCOMPARE(row.secondaryWall, truth[row.sample].at(size_t(row.primaryWall)));
    QCOMPARE(int(truth.size()), kSetSize);
    QCOMPARE(truth.begin()->first, 1);
}

void TestDemoData::addSampleRows()
{
    QTest::addColumn<int>("sample");
    for (int n = 1; n <= kSetSize; ++n)
        QTest::addRow("sample %d", n) << n;
}

void TestDemoData::cornerFilesLoad_data()
{
    addSampleRows();
}

void TestDemoData::cornerFilesLoad()
{
    QFETCH(int, sample);
    const int walls = int(truth[sample].size());
    QVERIFY(walls >= 4 && walls <= 10);
    for (const char *view : {"pri_pano", "sec_pano"}) {
        PanoSample pano;
        pano.load(folder(sample, view).toStdString());
        QCOMPARE(pano.image.size(), QSize(1024, 512));
        QCOMPARE(pano.roomCorners.size(), 2);
        QCOMPARE(pano.imageCorners.size(), 2);
        for (int source = 0; source < 2; ++source) {
            const QVector<CornerPoint> &room = pano.roomCorners[source];
            const QVector<QPoint> &pixels = pano.imageCorners[source];
            QCOMPARE(room.size(), 2 * walls);
            QCOMPARE(pixels.size(), 2 * walls);
            for (int i = 0; i < room.size(); ++i) {
                const QPointF p = project(room[i], 1024, 512);
                const double du = std::abs(p.x() - pixels[i].x());
                QVERIFY2(
                    std::min(du, 1024 - du) <= 1.0 && std::abs(p.y() - pixels[i].y()) <= 1.0,
                    qPrintable(QString("%1 source %2 corner %3").arg(view).arg(source).arg(i)));
            }
        }
        // Kestrel: a flat ceiling ring above a flat floor ring, joined by vertical corner lines.
        const QVector<CornerPoint> &exact = pano.roomCorners[0];
        const float ceilingZ = exact[0].z, floorZ = exact[walls].z;
        QVERIFY(floorZ <= -1.2f && floorZ >= -1.7f);
        QVERIFY(ceilingZ - floorZ >= 2.4f && ceilingZ - floorZ <= 3.2f);
        for (int k = 0; k < walls; ++k) {
            QCOMPARE(exact[k].z, ceilingZ);
            QCOMPARE(exact[walls + k].z, floorZ);
            QVERIFY(std::abs(exact[k].x - exact[walls + k].x) < 1e-5f);
            QVERIFY(std::abs(exact[k].y - exact[walls + k].y) < 1e-5f);
            const double len = planDistance(exact[k], exact[(k + 1) % walls]);
            QVERIFY2(len >= 1.2 - 1e-4 && len <= 8.0 + 1e-4, qPrintable(QString::number(len)));
        }
        // Bramble: the same corners, each a little off, none by more than a few degrees.
        double largest = 0;
        for (int i = 0; i < 2 * walls; ++i)
            largest = std::max(largest, angleBetween(exact[i], pano.roomCorners[1][i]));
        QVERIFY(largest > 0.2 * kPi / 180);
        QVERIFY(largest < 5.0 * kPi / 180);
    }
}

void TestDemoData::truthMatchesColours_data()
{
    addSampleRows();
}

void TestDemoData::truthMatchesColours()
{
    QFETCH(int, sample);
    const std::vector<int> &mapping = truth[sample];
    const int n = int(mapping.size());
    QCOMPARE(int(std::set<int>(mapping.begin(), mapping.end()).size()), n);
    QVERIFY(*std::min_element(mapping.begin(), mapping.end()) == 0);
    QVERIFY(*std::max_element(mapping.begin(), mapping.end()) == n - 1);
    // The secondary list starts at another corner, so the numbers differ.
    QVERIFY(mapping[0] != 0);

    PanoSample primary, secondary;
    primary.load(folder(sample, "pri_pano").toStdString());
    secondary.load(folder(sample, "sec_pano").toStdString());
    const QImage primaryImage = primary.image.toImage();
    const QImage secondaryImage = secondary.image.toImage();
    std::vector<Colour> first, second;
    for (int k = 0; k < n; ++k) {
        first.push_back(wallColour(primaryImage, primary.roomCorners[0], k));
        second.push_back(wallColour(secondaryImage, secondary.roomCorners[0], k));
    }
    for (int k = 0; k < n; ++k) {
        const int match = mapping[size_t(k)];
        const double same = distance(first[size_t(k)], second[size_t(match)]);
        const QString where = QString("wall %1 <-> %2").arg(k).arg(match);
        QVERIFY2(same < 15, qPrintable(where + QString(": %1 apart").arg(same)));
        // The walls next to it look different in its own view, and a number off by one in
        // the other view would point at a different-looking wall.
        for (int step : {1, n - 1}) {
            const double beside = distance(first[size_t(k)], first[size_t((k + step) % n)]);
            QVERIFY2(beside > 30 && beside > 3 * same,
                     qPrintable(
                         where + QString(", beside %1: %2 apart").arg((k + step) % n).arg(beside)));
            const double wrong = distance(first[size_t(k)], second[size_t((match + step) % n)]);
            QVERIFY2(wrong > 30 && wrong > 3 * same,
                     qPrintable(
                         where + QString(", not %1: %2 apart").arg((match + step) % n).arg(wrong)));
        }
    }
}

void TestDemoData::seamQuota()
{
    // A wall crosses the seam when its ends lie more than half the width apart; both of its
    // pieces must be visible, a few pixels wide at least.
    auto crossesSeam = [](const QVector<QPoint> &pixels) {
        const int n = pixels.size() / 2;
        for (int k = 0; k < n; ++k) {
            const int a = pixels[k].x(), b = pixels[(k + 1) % n].x();
            if (std::abs(a - b) > 512 && std::min(a, b) >= 4 && std::max(a, b) <= 1020)
                return true;
        }
        return false;
    };
    for (int block = 0; block < kSetSize / 10; ++block) {
        int crossing = 0;
        for (int sample = block * 10 + 1; sample <= block * 10 + 10; ++sample) {
            bool any = false;
            for (const char *view : {"pri_pano", "sec_pano"}) {
                PanoSample pano;
                pano.load(folder(sample, view).toStdString());
                any = any || crossesSeam(pano.imageCorners[0]);
            }
            crossing += any ? 1 : 0;
        }
        QVERIFY2(crossing >= 1,
                 qPrintable(QString("samples %1 to %2").arg(block * 10 + 1).arg(block * 10 + 10)));
    }
}

void TestDemoData::roomsArePlausible_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::newRow("seed 1") << quint64(1);
    QTest::newRow("seed 99") << quint64(99);
    QTest::newRow("seed 123456789") << quint64(123456789);
}

void TestDemoData::roomsArePlausible()
{
    QFETCH(quint64, seed);
    std::set<RoomShape> shapes;
    std::set<int> wallCounts;
    bool slanted = false;
    for (int number = 1; number <= 100; ++number) {
        const DemoSample s = generateDemoSample(seed, number);
        const Room &room = s.room;
        const int n = int(room.walls.size());
        QVERIFY(n >= 4 && n <= 10);
        shapes.insert(room.plan.shape);
        wallCounts.insert(n);
        QVERIFY(room.ceilingHeight >= 2.4 && room.ceilingHeight <= 3.2);
        for (const CameraPose &pose : s.poses)
            QVERIFY(pose.height >= 1.2 && pose.height <= 1.7);
        QVERIFY(length(s.poses[0].position - s.poses[1].position) >= 1.0);
        const double turn = std::remainder(s.poses[0].heading - s.poses[1].heading, 2 * kPi);
        QVERIFY(std::abs(turn) > 10 * kPi / 180);
        QVERIFY(s.firstCorner[0] != s.firstCorner[1]);
        for (int k = 0; k < n; ++k) {
            const RoomWall &wall = room.walls[size_t(k)];
            QVERIFY(wall.length() >= 1.2 && wall.length() <= 8.0);
            const PlanPoint a = wall.end - wall.start;
            const PlanPoint b = room.walls[size_t((k + 1) % n)].end - wall.end;
            if (std::abs(dot(a, b)) > 0.05 * length(a) * length(b))
                slanted = true;
            double covered = 0;
            for (const WallFeature &f : wall.features) {
                QVERIFY(f.left >= 0 && f.right <= wall.length() && f.left < f.right);
                QVERIFY(f.bottom >= 0 && f.top <= room.ceilingHeight && f.bottom < f.top);
                covered += f.area();
            }
            QVERIFY(covered <= 0.5 * wall.length() * room.ceilingHeight);
        }
    }
    QCOMPARE(int(shapes.size()), 7);
    QVERIFY(wallCounts.size() >= 4);
    QVERIFY(slanted);
}

void TestDemoData::cornersVisibleFromBothCameras()
{
    for (int number = 1; number <= 300; ++number) {
        const DemoSample s = generateDemoSample(77, number);
        const PlanPolygon &corners = s.room.plan.corners;
        const int n = int(corners.size());
        for (const CameraPose &pose : s.poses) {
            QVERIFY(insidePolygon(corners, pose.position));
            for (int i = 0; i < n; ++i) {
                const PlanPoint corner = corners[size_t(i)];
                QVERIFY(insidePolygon(corners, pose.position + (corner - pose.position) * 0.5));
                for (int j = 0; j < n; ++j) {
                    if (j == i || (j + 1) % n == i)
                        continue; // the walls that end at this corner
                    QVERIFY2(!crossesOrTouches(pose.position, corner, corners[size_t(j)],
                                               corners[size_t((j + 1) % n)]),
                             qPrintable(QString("sample %1: wall %2 hides corner %3")
                                            .arg(number)
                                            .arg(j)
                                            .arg(i)));
                }
            }
        }
    }
}

void TestDemoData::sameSeedSameBytes()
{
    QTemporaryDir a, b, c;
    DemoSetOptions options;
    options.samples = 3;
    options.seed = 31;
    options.outDir = a.path();
    options.threads = 1;
    QVERIFY(writeDemoSet(options).isEmpty());
    options.outDir = b.path();
    options.threads = 3;
    QVERIFY(writeDemoSet(options).isEmpty());
    options.outDir = c.path();
    options.seed = 32;
    QVERIFY(writeDemoSet(options).isEmpty());

    const QMap<QString, QByteArray> first = readTree(a.path());
    const QMap<QString, QByteArray> second = readTree(b.path());
    const QMap<QString, QByteArray> other = readTree(c.path());
    QCOMPARE(first.size(), 3 * 2 * 3 + 1);
    QCOMPARE(first.keys(), second.keys());
    for (const QString &name : first.keys())
        QVERIFY2(first[name] == second[name], qPrintable(name));
    QVERIFY(first["test_datasets/2/pri_pano/color.jpg"]
            != other["test_datasets/2/pri_pano/color.jpg"]);

    // A sample does not depend on the ones generated before it.
    const DemoSampleFiles alone = makeSampleFiles(31, 3);
    QCOMPARE(alone.image[1], first["test_datasets/3/sec_pano/color.jpg"]);
    QCOMPARE(alone.source("Bramble")->corners[0],
             first["test_datasets/3/pri_pano/pred_corner_Bramble.txt"]);
}

void TestDemoData::refusesNonEmptyTree()
{
    QTemporaryDir out;
    QVERIFY(QDir(out.path()).mkpath("test_datasets/7"));
    DemoSetOptions options;
    options.outDir = out.path();
    options.samples = 1;
    QVERIFY(sampleTreeInUse(out.path()));
    const QString error = writeDemoSet(options);
    QVERIFY(error.contains("--force"));
    QVERIFY(QDir(out.path()).exists("test_datasets/7"));
    QVERIFY(!QDir(out.path()).exists("test_datasets/1"));

    options.force = true;
    QVERIFY(writeDemoSet(options).isEmpty());
    QVERIFY(!QDir(out.path()).exists("test_datasets/7"));
    QVERIFY(QFile::exists(out.path() + "/test_datasets/1/sec_pano/pred_corner_Bramble.txt"));

    // An empty tree is not in use.
    QTemporaryDir empty;
    QVERIFY(QDir(empty.path()).mkpath("test_datasets"));
    QVERIFY(!sampleTreeInUse(empty.path()));
}

void TestDemoData::programRefusesNonEmptyTree()
{
    QTemporaryDir out;
    QVERIFY(QDir(out.path()).mkpath("test_datasets/1/pri_pano"));
    QProcess program;
    program.start(WALLMATCH_DEMO_DATA_EXE, {out.path(), "--samples", "2"});
    QVERIFY(program.waitForFinished(30000));
    QVERIFY(program.exitCode() != 0);
    QVERIFY(program.readAllStandardError().contains("--force"));
    QVERIFY(!QFile::exists(out.path() + "/test_datasets/truth.csv"));

    program.start(WALLMATCH_DEMO_DATA_EXE, {out.path(), "--samples", "2", "--force"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    QFile truthFile(out.path() + "/test_datasets/truth.csv");
    QVERIFY(truthFile.open(QIODevice::ReadOnly));
    QVERIFY(QFile::exists(out.path() + "/test_datasets/2/sec_pano/color.jpg"));
    QVERIFY(!QFile::exists(out.path() + "/test_datasets/3"));
}

void TestDemoData::commandLineMistakesExitTwo_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("said");
    QTest::newRow("unknown option") << QStringList {"--bogus", "out"} << "bogus";
    QTest::newRow("no OUT_DIR") << QStringList {} << "OUT_DIR";
    QTest::newRow("bad --samples") << QStringList {"out", "--samples", "x"} << "--samples";
}

void TestDemoData::commandLineMistakesExitTwo()
{
    QFETCH(QStringList, args);
    QFETCH(QString, said);
    QTemporaryDir work;
    QProcess program;
    program.setWorkingDirectory(work.path());
    program.start(WALLMATCH_DEMO_DATA_EXE, args);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 2);
    QVERIFY(program.readAllStandardError().contains(said.toUtf8()));
    QVERIFY(QDir(work.path()).isEmpty());
}

void TestDemoData::reportsUnwritableFolder()
{
    QTemporaryDir out;
    QFile blocker(out.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    DemoSetOptions options;
    options.outDir = blocker.fileName();
    options.samples = 1;
    QVERIFY(!writeDemoSet(options).isEmpty());
    options.outDir = out.path();
    options.samples = 0;
    QVERIFY(!writeDemoSet(options).isEmpty());
}

void TestDemoData::sourcesNumberWallsTheirOwnWay_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("Bramble") << QString("Bramble");
    QTest::newRow("LGTNet") << QString("LGTNet");
}

void TestDemoData::sourcesNumberWallsTheirOwnWay()
{
    QFETCH(QString, source);
    QTemporaryDir out;
    DemoSetOptions options;
    options.outDir = out.path();
    options.samples = 4;
    options.seed = kSetSeed;
    options.sources = QStringList {"Kestrel", "Bramble", "LGTNet"};
    QVERIFY(writeDemoSet(options).isEmpty());
    const QString tree = sampleTreePath(out.path());
    const TruthFile file = readTruthFile(tree + "/truth.csv");
    QVERIFY2(file.problems.isEmpty(), qPrintable(file.problems.join('\n')));

    for (int sample = 1; sample <= options.samples; ++sample) {
        std::array<int, 2> shift {};
        int n = 0;
        for (int view = 0; view < 2; ++view) {
            const QString folder =
                QString("%1/%2/%3").arg(tree).arg(sample).arg(view ? "sec_pano" : "pri_pano");
            const QVector<CornerPoint> kestrel = ceilingRing(folder, "Kestrel");
            n = kestrel.size();
            shift[size_t(view)] = ringShift(kestrel, ceilingRing(folder, source));
            // The same corners, but the list starts at another one.
            QVERIFY2(shift[size_t(view)] > 0,
                     qPrintable(QString("sample %1 view %2: shift %3")
                                    .arg(sample)
                                    .arg(view)
                                    .arg(shift[size_t(view)])));
        }
        // Judged by its own rows, each of the source's walls finds the wall that Kestrel's rows
        // (checked on the pictures above) give for the same wall, numbered Kestrel's way.
        for (int k = 0; k < n; ++k) {
            const QVector<int> kestrelWalls =
                file.walls.value({sample, "Kestrel"}).value((k + shift[0]) % n);
            const QVector<int> own = file.walls.value({sample, source}).value(k);
            QCOMPARE(kestrelWalls.size(), 1);
            QCOMPARE(own.size(), 1);
            QCOMPARE((own[0] + shift[1]) % n, kestrelWalls[0]);
            QCOMPARE(file.judge(sample, source, k, own[0]), Verdict::Correct);
            QCOMPARE(file.judge(sample, source, k, (own[0] + 1) % n), Verdict::Wrong);
        }
    }
}

void TestDemoData::sourcesLeaveDefaultFilesAlone()
{
    QTemporaryDir plain, library, more;
    QProcess program;
    program.start(WALLMATCH_DEMO_DATA_EXE, {plain.path(), "--samples", "2", "--seed", "5"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    program.start(
        WALLMATCH_DEMO_DATA_EXE,
        {more.path(), "--samples", "2", "--seed", "5", "--sources", "LGTNet,kestrel,Bramble"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    program.start(WALLMATCH_DEMO_DATA_EXE, {library.path(), "--sources", "Kestrel,LGTNet"});
    QVERIFY(program.waitForFinished(30000));
    QVERIFY(program.exitCode() != 0);
    QVERIFY(program.readAllStandardError().contains("--sources"));
    DemoSetOptions options;
    options.outDir = library.path();
    options.samples = 2;
    options.seed = 5;
    QVERIFY(writeDemoSet(options).isEmpty());

    // Without --sources: what the library writes by default, nothing more.
    const QMap<QString, QByteArray> first = readTree(plain.path());
    const QMap<QString, QByteArray> fromLibrary = readTree(library.path());
    QCOMPARE(first.keys(), fromLibrary.keys());
    for (const QString &name : first.keys()) {
        // A JPEG's header records the application's default resolution, which differs between
        // this test and the program; compare the pixels.
        if (name.endsWith(".jpg"))
            QVERIFY2(QImage::fromData(first[name]) == QImage::fromData(fromLibrary[name]),
                     qPrintable(name));
        else
            QVERIFY2(first[name] == fromLibrary[name], qPrintable(name));
    }
    QCOMPARE(first.size(), 2 * 2 * 3 + 1);

    // Another source adds its files and rows and changes none of the images, Kestrel's files
    // or Kestrel's rows.
    const QMap<QString, QByteArray> second = readTree(more.path());
    QCOMPARE(second.size(), 2 * 2 * 4 + 1);
    for (const QString &name : first.keys()) {
        if (name.endsWith("pred_corner.txt") || name.endsWith("color.jpg"))
            QVERIFY2(first[name] == second.value(name), qPrintable(name));
        if (name.endsWith("pred_corner.txt"))
            QVERIFY(second.contains(
                QString(name).replace("pred_corner.txt", "pred_corner_LGTNet.txt")));
    }
    auto kestrelRows = [](const QByteArray &truth) {
        QByteArrayList rows;
        for (const QByteArray &line : truth.split('\n'))
            if (line.contains(",Kestrel,"))
                rows.append(line);
        return rows;
    };
    QVERIFY(!kestrelRows(first["test_datasets/truth.csv"]).isEmpty());
    QCOMPARE(kestrelRows(first["test_datasets/truth.csv"]),
             kestrelRows(second["test_datasets/truth.csv"]));
    QVERIFY(second["test_datasets/truth.csv"].contains(",LGTNet,"));
}

QTEST_MAIN(TestDemoData)
#include "tst_demodata.moc"
