#include "cornerfile.h"
#include "csv.h"
#include "layouttruth.h"
#include "posetruth.h"
#include "projection.h"
#include "testfiles.h"
#include "truthfile.h"
#include "zindimport.h"
#include "zindtour.h"

#include <QDir>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <random>

using namespace wallmatch;

// The expected truth is worked out from how each generated layout was made (which annotated
// walls each of its walls stands for) and the annotated pairs, by index arithmetic alone.
namespace {

constexpr double pi = 3.14159265358979323846;
const QSizeF image(1024, 512);

// A generated layout: each corner a position on the reference ring (k: corner k; k + 0.5: the
// middle of wall k), in the generated order.
using Positions = QVector<double>;

struct Jitter
{
    double azimuthDegrees = 0; // corners moved sideways by up to this
    double pixels = 0; // and up or down by up to this
    unsigned seed = 0;
};

// The reference walls that wall j of a generated ring (from corner j to j + 1) stands for: the
// walls inside the shorter arc between its two positions.
QVector<QVector<int>> standsFor(const Positions &ring, int n)
{
    QVector<QVector<int>> walls;
    for (int j = 0; j < ring.size(); ++j) {
        const double p = ring.at(j);
        const double q = ring.at((j + 1) % ring.size());
        const double forward = std::fmod(q - p + n, n);
        const double start = forward <= n - forward ? p : q;
        const double length = std::min(forward, n - forward);
        QVector<int> covered;
        for (int k = int(std::floor(start)); k < std::ceil(start + length - 1e-9); ++k)
            covered.append(((k % n) + n) % n);
        std::sort(covered.begin(), covered.end());
        walls.append(covered);
    }
    return walls;
}

Positions identityRing(int n)
{
    Positions p;
    for (int i = 0; i < n; ++i)
        p.append(i);
    return p;
}

Positions reversedRing(int n, int start)
{
    Positions p;
    for (int i = 0; i < n; ++i)
        p.append((start - i + n) % n);
    return p;
}

Positions startedAt(int n, int start)
{
    Positions p;
    for (int i = 0; i < n; ++i)
        p.append((i + start) % n);
    return p;
}

double azimuthOfPoint(QPointF p)
{
    return azimuthOf({p.x(), p.y(), 0});
}

// Signed turn from a to b, in (-pi, pi].
double turn(double a, double b)
{
    double d = std::fmod(b - a, 2 * pi);
    if (d <= -pi)
        d += 2 * pi;
    if (d > pi)
        d -= 2 * pi;
    return d;
}

// A corner to drop: one whose two walls both run left to right and together span under 150
// degrees, so that the merged wall covers both.
int cornerToDrop(const QVector<QPointF> &floor)
{
    const int n = int(floor.size());
    for (int d = 0; d < n; ++d) {
        const double a = azimuthOfPoint(floor.at((d + n - 1) % n));
        const double b = azimuthOfPoint(floor.at(d));
        const double c = azimuthOfPoint(floor.at((d + 1) % n));
        if (turn(a, b) > 0.05 && turn(b, c) > 0.05 && turn(a, b) + turn(b, c) < 150 * pi / 180)
            return d;
    }
    return -1;
}

Positions dropped(int n, int d)
{
    Positions p;
    for (int i = 0; i < n; ++i)
        if (i != d)
            p.append(i);
    return p;
}

// The wall spanning the most azimuth, split at its middle.
Positions split(const QVector<QPointF> &floor)
{
    const int n = int(floor.size());
    int widest = 0;
    double most = -1;
    for (int k = 0; k < n; ++k) {
        const double span =
            turn(azimuthOfPoint(floor.at(k)), azimuthOfPoint(floor.at((k + 1) % n)));
        if (span > most) {
            most = span;
            widest = k;
        }
    }
    Positions p;
    for (int i = 0; i < n; ++i) {
        p.append(i);
        if (i == widest)
            p.append(i + 0.5);
    }
    return p;
}

QPointF atPosition(const QVector<QPointF> &ring, double position)
{
    const int n = int(ring.size());
    const int k = int(std::floor(position));
    const double t = position - k;
    return ring.at(k % n) * (1 - t) + ring.at((k + 1) % n) * t;
}

// Pixels of a 1024 x 512 image, ceiling then floor per corner, as an estimator writes them.
QVector<QPair<QPointF, QPointF>> pixelCorners(const QVector<CornerPoint> &reference,
                                              const Positions &ring, const Jitter &jitter)
{
    const int n = int(reference.size() / 2);
    QVector<QPointF> ceiling, floor;
    for (int i = 0; i < n; ++i) {
        ceiling.append(QPointF(reference.at(i).x, reference.at(i).y));
        floor.append(QPointF(reference.at(n + i).x, reference.at(n + i).y));
    }
    const double ceilingZ = reference.at(0).z;
    const double floorZ = reference.at(n).z;
    std::mt19937 random(jitter.seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    QVector<QPair<QPointF, QPointF>> corners;
    for (double position : ring) {
        const QPointF c = atPosition(ceiling, position);
        const QPointF f = atPosition(floor, position);
        QPointF pc = directionToPixel({c.x(), c.y(), ceilingZ}, image);
        QPointF pf = directionToPixel({f.x(), f.y(), floorZ}, image);
        if (jitter.seed != 0) {
            const double du = unit(random) * jitter.azimuthDegrees / 360.0 * image.width();
            pc.rx() = std::fmod(pc.x() + du + image.width(), image.width());
            pf.rx() = pc.x();
            pc.ry() += unit(random) * jitter.pixels;
            pf.ry() += unit(random) * jitter.pixels;
        }
        corners.append({pc, pf});
    }
    return corners;
}

QVector<CornerPoint> cornerList(const QVector<QPair<QPointF, QPointF>> &pixels)
{
    QVector<CornerPoint> ceiling, floor;
    for (const auto &p : pixels) {
        ceiling.append(cornerPointOf(pixelToDirection(p.first, image)));
        floor.append(cornerPointOf(pixelToDirection(p.second, image)));
    }
    return ceiling + floor;
}

[[maybe_unused]] QByteArray xyText(const QVector<QPair<QPointF, QPointF>> &pixels)
{
    QByteArray text;
    for (const auto &p : pixels)
        for (const QPointF &q : {p.first, p.second})
            text +=
                QByteArray::number(q.x(), 'f', 2) + ' ' + QByteArray::number(q.y(), 'f', 2) + '\n';
    return text;
}

// Rows the generated walls must get: primary wall e pairs with secondary wall f when they stand
// for reference walls that are a pair. -1 when none does.
QMap<int, QSet<int>> expectedRows(const QVector<QVector<int>> &primary,
                                  const QVector<QVector<int>> &secondary,
                                  const QMultiMap<int, int> &referencePairs)
{
    QMap<int, QSet<int>> rows;
    for (int e = 0; e < primary.size(); ++e) {
        QSet<int> counterparts;
        for (int a : primary.at(e))
            for (int b : referencePairs.values(a))
                counterparts.insert(b);
        QSet<int> walls;
        for (int f = 0; f < secondary.size(); ++f)
            for (int b : secondary.at(f))
                if (counterparts.contains(b))
                    walls.insert(f);
        rows[e] = walls.isEmpty() ? QSet<int> {-1} : walls;
    }
    return rows;
}

// A room around two cameras: floor corners in each camera's frame, in camera heights.
QVector<CornerPoint> roomSeenFrom(const QVector<QPointF> &room, QPointF camera, double turnDegrees)
{
    const double t = turnDegrees * pi / 180;
    QVector<CornerPoint> ceiling, floor;
    for (const QPointF &p : room) {
        const QPointF d = p - camera;
        const QPointF local(std::cos(t) * d.x() - std::sin(t) * d.y(),
                            std::sin(t) * d.x() + std::cos(t) * d.y());
        ceiling.append(CornerPoint(float(local.x()), float(local.y()), 0.7f));
        floor.append(CornerPoint(float(local.x()), float(local.y()), -1.0f));
    }
    return ceiling + floor;
}

QVector<QPointF> floorOf(const QVector<CornerPoint> &corners)
{
    QVector<QPointF> floor;
    for (int i = int(corners.size() / 2); i < corners.size(); ++i)
        floor.append(QPointF(corners.at(i).x, corners.at(i).y));
    return floor;
}

enum class Kind { Same, Reversed, Started, Jittered, Dropped, Added };

Positions generated(Kind kind, const QVector<CornerPoint> &reference, unsigned seed)
{
    const int n = int(reference.size() / 2);
    switch (kind) {
    case Kind::Same:
    case Kind::Jittered:
        return identityRing(n);
    case Kind::Reversed:
        return reversedRing(n, int(seed % unsigned(n)));
    case Kind::Started:
        return startedAt(n, 1 + int(seed % unsigned(n - 1)));
    case Kind::Dropped: {
        const int d = cornerToDrop(floorOf(reference));
        return d < 0 ? identityRing(n) : dropped(n, d);
    }
    case Kind::Added:
        return split(floorOf(reference));
    }
    return {};
}

QString rowsText(const QMap<int, QSet<int>> &rows)
{
    QStringList parts;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        QList<int> walls = it->values();
        std::sort(walls.begin(), walls.end());
        QStringList w;
        for (int f : walls)
            w.append(QString::number(f));
        parts.append(QStringLiteral("%1:%2").arg(it.key()).arg(w.join(QLatin1Char('|'))));
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestLayoutTruth : public QObject
{
    Q_OBJECT

private slots:
    void throughReference_data();
    void throughReference();
    void poseRouteBlindToRingOrder_data();
    void poseRouteBlindToRingOrder();
    void mergedTruthKeepsOtherSamples();
    void qualityWarnsOnMostlyUnmatched();
#ifdef WALLMATCH_ZIND_TOUR
    void realTour_data();
    void realTour();
    void realTourPoseRoute_data();
    void realTourPoseRoute();
#endif
};

void TestLayoutTruth::throughReference_data()
{
    QTest::addColumn<Kind>("primaryKind");
    QTest::addColumn<Kind>("secondaryKind");
    QTest::addColumn<double>("pixels"); // floor line noise
    QTest::addColumn<bool>("certain"); // every row certain
    // clang-format off
    QTest::newRow("same") << Kind::Same << Kind::Same << 0.0 << true;
    QTest::newRow("reversed below") << Kind::Same << Kind::Reversed << 0.0 << true;
    QTest::newRow("reversed both") << Kind::Reversed << Kind::Reversed << 0.0 << true;
    QTest::newRow("started elsewhere") << Kind::Started << Kind::Reversed << 0.0 << true;
    QTest::newRow("floor line off 4 px") << Kind::Reversed << Kind::Started << 4.0 << true;
    QTest::newRow("merged above") << Kind::Dropped << Kind::Same << 0.0 << false;
    QTest::newRow("split below") << Kind::Reversed << Kind::Added << 0.0 << false;
    // clang-format on
}

void TestLayoutTruth::throughReference()
{
    QFETCH(Kind, primaryKind);
    QFETCH(Kind, secondaryKind);
    QFETCH(double, pixels);
    QFETCH(bool, certain);
    // An L-shaped room, a far wall seven camera heights away, seen from two places; the
    // reference rings share their numbering, so wall k pairs with wall k.
    const QVector<QPointF> room {{0, 0}, {9, 0}, {9, 4}, {5, 4}, {5, 7}, {0, 7}};
    const QVector<CornerPoint> refs[2] = {roomSeenFrom(room, {2, 2}, 0),
                                          roomSeenFrom(room, {4, 3}, 70)};
    QMultiMap<int, int> pairs;
    QVector<WallPair> referencePairs;
    for (int k = 0; k < room.size(); ++k) {
        pairs.insert(k, k);
        referencePairs.append({k, k, true});
    }
    const Kind kinds[2] = {primaryKind, secondaryKind};
    QVector<CornerPoint> corners[2];
    QVector<QVector<int>> stands[2];
    for (int v = 0; v < 2; ++v) {
        const Positions ring = generated(kinds[v], refs[v], 3 + v);
        stands[v] = standsFor(ring, int(room.size()));
        corners[v] = cornerList(pixelCorners(refs[v], ring, {0, pixels, pixels > 0 ? 7u : 0u}));
    }
    QString why;
    const auto rows =
        truthThroughReference(corners[0], refs[0], corners[1], refs[1], referencePairs, &why);
    QVERIFY2(rows, qPrintable(why));
    QMap<int, QSet<int>> got;
    bool allCertain = true;
    for (const WallPair &row : *rows) {
        got[row.primary].insert(row.secondary);
        allCertain = allCertain && row.certain;
    }
    const QMap<int, QSet<int>> expected = expectedRows(stands[0], stands[1], pairs);
    QVERIFY2(
        got == expected,
        qPrintable(QStringLiteral("got %1, expected %2").arg(rowsText(got), rowsText(expected))));
    QCOMPARE(allCertain, certain);
}

void TestLayoutTruth::poseRouteBlindToRingOrder_data()
{
    QTest::addColumn<Kind>("primaryKind");
    QTest::addColumn<Kind>("secondaryKind");
    QTest::addColumn<double>("pixels");
    // clang-format off
    QTest::newRow("same") << Kind::Same << Kind::Same << 0.0;
    QTest::newRow("reversed above") << Kind::Reversed << Kind::Same << 0.0;
    QTest::newRow("reversed below") << Kind::Same << Kind::Reversed << 0.0;
    QTest::newRow("started elsewhere") << Kind::Started << Kind::Started << 0.0;
    QTest::newRow("reversed, floor line off 4 px") << Kind::Reversed << Kind::Reversed << 4.0;
    QTest::newRow("started elsewhere, off 4 px") << Kind::Same << Kind::Started << 4.0;
    // clang-format on
}

void TestLayoutTruth::poseRouteBlindToRingOrder()
{
    QFETCH(Kind, primaryKind);
    QFETCH(Kind, secondaryKind);
    QFETCH(double, pixels);
    // A long room: its far corners lie more than eight camera heights from a camera, where
    // 4 px of the floor line move a corner by about 1.7 camera heights.
    const QVector<QPointF> room {{0, 0}, {10, 0}, {10, 5}, {0, 5}};
    const QPointF cameras[2] = {{2, 2.5}, {8, 2}};
    const double turns[2] = {0, -40};
    QMultiMap<int, int> pairs;
    for (int k = 0; k < room.size(); ++k)
        pairs.insert(k, k);
    const Positions primaryRing =
        generated(primaryKind, roomSeenFrom(room, cameras[0], turns[0]), 1);
    const QVector<CornerPoint> primary = cornerList(
        pixelCorners(roomSeenFrom(room, cameras[0], turns[0]), primaryRing, {0, pixels, 11}));
    const Positions ring = generated(secondaryKind, roomSeenFrom(room, cameras[1], turns[1]), 2);
    const QVector<CornerPoint> secondary =
        cornerList(pixelCorners(roomSeenFrom(room, cameras[1], turns[1]), ring, {0, pixels, 12}));
    // The pose maps a camera's frame onto the room: turned back, then moved to the camera.
    const FloorPose poses[2] = {{cameras[0].x(), cameras[0].y(), -turns[0], 1},
                                {cameras[1].x(), cameras[1].y(), -turns[1], 1}};
    QString why;
    const auto rows = truthFromPoses(primary, poses[0], secondary, poses[1], {}, &why);
    QVERIFY2(rows, qPrintable(why));
    QMap<int, QSet<int>> got;
    for (const WallPair &row : *rows)
        got[row.primary].insert(row.secondary);
    const QMap<int, QSet<int>> expected = expectedRows(standsFor(primaryRing, int(room.size())),
                                                       standsFor(ring, int(room.size())), pairs);
    QVERIFY2(
        got == expected,
        qPrintable(QStringLiteral("got %1, expected %2").arg(rowsText(got), rowsText(expected))));
}

void TestLayoutTruth::mergedTruthKeepsOtherSamples()
{
    const QVector<TruthRow> old {{1, "A", 0, 1}, {1, "B", 0, -1}, {2, "A", 0, 0}, {3, "", 1, 2}};
    const QVector<TruthRow> fresh {{2, "A", 0, 3, 0, false}, {2, "A", 1, 0}};
    const QVector<TruthRow> merged = mergedTruth(old, fresh, [](int) {
        return QStringList {"A", "B"};
    });
    QStringList text;
    for (const TruthRow &r : merged)
        text.append(QStringLiteral("%1,%2,%3,%4,%5")
                        .arg(r.sample)
                        .arg(r.source)
                        .arg(r.primaryWall)
                        .arg(r.secondaryWall)
                        .arg(r.certain ? 1 : 0));
    QCOMPARE(text,
             QStringList(
                 {"1,A,0,1,1", "1,B,0,-1,1", "2,A,0,3,0", "2,A,1,0,1", "3,A,1,2,1", "3,B,1,2,1"}));
}

void TestLayoutTruth::qualityWarnsOnMostlyUnmatched()
{
    QVector<TruthRow> rows;
    for (int s = 1; s <= 4; ++s) {
        for (int k = 0; k < 5; ++k) {
            rows.append({s, "Human", k, k});
            // Est loses every wall of sample 3 and one of sample 2: 6 of 20 against 0.
            rows.append({s, "Est", k, s == 3 || (s == 2 && k == 0) ? -1 : k, 0, k != 4});
        }
    }
    QStringList warnings;
    const QStringList lines = truthQualityLines(truthQuality(rows), "Human", &warnings);
    QCOMPARE(lines,
             QStringList({"Human: 20 walls, 20 with a counterpart, 0 with -1, 0 uncertain rows",
                          "Est: 20 walls, 14 with a counterpart, 6 with -1, 4 uncertain rows"}));
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(
        warnings.first().startsWith("Est has -1 for 30.0 % of its walls against 0.0 % for Human"),
        qPrintable(warnings.first()));
    QVERIFY2(warnings.first().endsWith("samples 3 (5), 2 (1)"), qPrintable(warnings.first()));
    // Within ten points: no warning.
    rows.resize(rows.size() - 10);
    warnings.clear();
    truthQualityLines(truthQuality(rows), "Human", &warnings);
    QVERIFY2(!warnings.isEmpty(), "sample 3 alone is still 5 of 15");
    QVector<TruthRow> close;
    for (const TruthRow &r : rows)
        if (r.sample != 3)
            close.append(r);
    warnings.clear();
    truthQualityLines(truthQuality(close), "Human", &warnings);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
}

#ifdef WALLMATCH_ZIND_TOUR

namespace {

QVector<QStringList> csvRows(const QString &file)
{
    QVector<QStringList> rows;
    for (const CsvRow &row : parseCsv(QString::fromUtf8(testfiles::readFile(file))).rows)
        if (!(row.fields.size() == 1 && row.fields.first().isEmpty()))
            rows.append(row.fields);
    return rows;
}

// The narrowest azimuth span of the walls a generated wall stands for, in degrees.
double spanDegrees(const QVector<CornerPoint> &reference, int wall)
{
    const QVector<QPointF> floor = floorOf(reference);
    const int n = int(floor.size());
    return std::fabs(turn(azimuthOfPoint(floor.at(wall)), azimuthOfPoint(floor.at((wall + 1) % n))))
        * 180 / pi;
}

// Annotated pairs a-b kept through generated layouts: a pair is kept when every generated wall
// standing for a has a row to every generated wall standing for b. Pairs with a wall under 6
// degrees wide (twice the jitter) in either view are counted apart.
struct Survival
{
    int pairs = 0, kept = 0, narrow = 0, narrowKept = 0, extraRows = 0;

    void add(const QVector<CornerPoint> *refs, const QVector<QVector<int>> *stands,
             const QMultiMap<int, int> &annotated, const QMap<int, QSet<int>> &got)
    {
        for (auto pair = annotated.cbegin(); pair != annotated.cend(); ++pair) {
            bool ok = true;
            for (int e = 0; e < stands[0].size(); ++e)
                for (int f = 0; f < stands[1].size(); ++f)
                    if (stands[0].at(e).contains(pair.key())
                        && stands[1].at(f).contains(pair.value()))
                        ok = ok && got.value(e).contains(f);
            if (spanDegrees(refs[0], pair.key()) < 6 || spanDegrees(refs[1], pair.value()) < 6) {
                ++narrow;
                narrowKept += ok ? 1 : 0;
            } else {
                ++pairs;
                kept += ok ? 1 : 0;
            }
        }
        const QMap<int, QSet<int>> expected = expectedRows(stands[0], stands[1], annotated);
        for (auto it = got.cbegin(); it != got.cend(); ++it)
            for (int f : *it - expected.value(it.key()))
                extraRows += f >= 0 ? 1 : 0;
    }
    double share() const { return pairs > 0 ? 100.0 * kept / pairs : 0; }
    QByteArray text() const
    {
        return QStringLiteral("%1 of %2 annotated pairs survive (%3 %); walls narrower than 6 "
                              "degrees: %4 of %5; rows beyond the pairs: %6")
            .arg(kept)
            .arg(pairs)
            .arg(share(), 0, 'f', 1)
            .arg(narrowKept)
            .arg(narrow)
            .arg(extraRows)
            .toUtf8();
    }
};

} // namespace

void TestLayoutTruth::realTour_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("seeds");
    QTest::newRow("same") << Kind::Same << 1;
    QTest::newRow("reversed") << Kind::Reversed << 1;
    QTest::newRow("started elsewhere") << Kind::Started << 1;
    QTest::newRow("jitter 3 deg, 4 px") << Kind::Jittered << 5;
    QTest::newRow("one corner dropped") << Kind::Dropped << 1;
    QTest::newRow("one corner added mid-wall") << Kind::Added << 1;
}

void TestLayoutTruth::realTour()
{
    QFETCH(Kind, kind);
    QFETCH(int, seeds);
    // The annotated layout first; each generated estimator from its corner files.
    QTemporaryDir dir;
    const QString tour = QStringLiteral(WALLMATCH_ZIND_TOUR);
    QVERIFY(importZindTour(tour, dir.filePath("annotated"), {}).ok());
    const QString annotated = dir.filePath("annotated/test_datasets");
    QMap<QString, QVector<CornerPoint>> referenceOf; // stem -> annotated corners
    const QVector<QStringList> samples = csvRows(annotated + "/samples.csv").mid(1);
    for (const QStringList &row : samples)
        for (int v = 0; v < 2; ++v)
            referenceOf[row.at(1 + v)] =
                parseCorners(testfiles::readFile(
                                 QStringLiteral("%1/%2/%3/pred_corner.txt")
                                     .arg(annotated, row.at(0), v == 0 ? "pri_pano" : "sec_pano")))
                    .roomCorners;

    Survival survival;
    int changedWalls = 0, changedWithAll = 0, changedUncertain = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        ZindImportOptions options;
        options.annotatedAs = "Human";
        const QString est = dir.filePath(QStringLiteral("est%1").arg(seed));
        QDir().mkpath(est);
        QMap<QString, Positions> rings;
        for (auto it = referenceOf.cbegin(); it != referenceOf.cend(); ++it) {
            rings[it.key()] = generated(kind, it.value(), unsigned(seed + qHash(it.key()) % 97));
            const Jitter jitter = kind == Kind::Jittered
                ? Jitter {3, 4, unsigned(seed * 1000 + qHash(it.key()) % 1000)}
                : Jitter {};
            QVERIFY(
                testfiles::writeFile(est + "/" + it.key() + ".txt",
                                     xyText(pixelCorners(it.value(), rings[it.key()], jitter))));
        }
        options.sources.append({"Est", est});
        const QString out = dir.filePath(QStringLiteral("out%1").arg(seed));
        const AssembleResult result = importZindTour(tour, out, options);
        QStringList problems;
        for (const Problem &p : result.errors)
            problems << p.text();
        QVERIFY2(result.ok(), qPrintable(problems.join(" | ")));

        const TruthFile truth = readTruthFile(out + "/test_datasets/truth.csv");
        QVERIFY2(truth.problems.isEmpty(), qPrintable(truth.problems.join('\n')));
        for (const QStringList &row : samples) {
            const int sample = row.at(0).toInt();
            const QVector<CornerPoint> refs[2] = {referenceOf.value(row.at(1)),
                                                  referenceOf.value(row.at(2))};
            const int n[2] = {int(refs[0].size() / 2), int(refs[1].size() / 2)};
            const QVector<QVector<int>> stands[2] = {standsFor(rings.value(row.at(1)), n[0]),
                                                     standsFor(rings.value(row.at(2)), n[1])};
            QMultiMap<int, int> pairs;
            for (int a = 0; a < n[0]; ++a)
                for (int b : truth.walls.value({sample, "Human"}).value(a))
                    if (b >= 0)
                        pairs.insert(a, b);
            const QMap<int, QSet<int>> expected = expectedRows(stands[0], stands[1], pairs);
            QMap<int, QSet<int>> got;
            const auto estRows = truth.walls.value({sample, "Est"});
            for (auto w = estRows.cbegin(); w != estRows.cend(); ++w)
                got[w.key()] = QSet<int>(w->begin(), w->end());
            if (kind == Kind::Reversed || kind == Kind::Started || kind == Kind::Same)
                QVERIFY2(got == expected,
                         qPrintable(QStringLiteral("sample %1: got %2, expected %3")
                                        .arg(sample)
                                        .arg(rowsText(got), rowsText(expected))));
            survival.add(refs, stands, pairs, got);
            for (int e = 0; e < stands[0].size(); ++e) {
                const QSet<int> want = expected.value(e);
                // A merged or split wall, on either side: all its counterparts, uncertain.
                bool changed = stands[0].at(e).size() > 1;
                for (int a : stands[0].at(e))
                    for (int other = 0; other < stands[0].size(); ++other)
                        changed = changed || (other != e && stands[0].at(other).contains(a));
                for (int f : want)
                    changed = changed || (f >= 0 && stands[1].at(f).size() > 1);
                if (!changed || (kind != Kind::Dropped && kind != Kind::Added))
                    continue;
                ++changedWalls;
                changedWithAll += got.value(e).contains(want) ? 1 : 0;
                changedUncertain += truth.certain(sample, "Est", e) ? 0 : 1;
            }
        }
    }
    qInfo("%s: %s; merged or split walls: %d, %d with all counterparts, %d uncertain",
          QTest::currentDataTag(), survival.text().constData(), changedWalls, changedWithAll,
          changedUncertain);
    QVERIFY(survival.pairs + survival.narrow > 100);
    if (kind == Kind::Jittered) {
        QVERIFY2(survival.share() >= 98.0, survival.text().constData());
    } else {
        QCOMPARE(survival.kept, survival.pairs);
        QCOMPARE(survival.narrowKept, survival.narrow);
    }
    if (kind == Kind::Dropped || kind == Kind::Added) {
        QVERIFY(changedWalls > 0);
        QCOMPARE(changedWithAll, changedWalls);
        QCOMPARE(changedUncertain, changedWalls);
    }
}

void TestLayoutTruth::realTourPoseRoute_data()
{
    QTest::addColumn<double>("pixels");
    QTest::addColumn<double>("least"); // share of the pairs kept, in per cent
    QTest::newRow("1 px") << 1.0 << 100.0;
    QTest::newRow("4 px") << 4.0 << 99.0;
}

void TestLayoutTruth::realTourPoseRoute()
{
    // The pose route alone, every ring reversed and its floor line moved up or down by up to
    // `pixels`: the annotated pairs, renumbered, must survive; limits that grow with distance
    // keep more of them than fixed ones.
    QFETCH(double, pixels);
    QFETCH(double, least);
    const ZindTour tour = readZindTour(QStringLiteral(WALLMATCH_ZIND_TOUR), ZindLayout::Raw);
    QVERIFY(tour.ok());
    double shares[2] = {0, 0};
    for (int growing = 0; growing < 2; ++growing) {
        MatchCriteria criteria;
        criteria.pixelTolerance = growing ? 4 : 0;
        Survival survival;
        for (unsigned seed = 1; seed <= 5; ++seed) {
            for (const auto &pair : zindPairs(tour)) {
                const ZindPano panos[2] = {tour.panos.at(pair.first), tour.panos.at(pair.second)};
                QVector<CornerPoint> refs[2], corners[2];
                QVector<QVector<int>> stands[2];
                for (int v = 0; v < 2; ++v) {
                    refs[v] = zindCorners(panos[v]);
                    const int n = int(refs[v].size() / 2);
                    const Positions ring = reversedRing(n, int(seed) % n);
                    stands[v] = standsFor(ring, n);
                    corners[v] = cornerList(
                        pixelCorners(refs[v], ring, {0, pixels, seed * 100 + unsigned(v)}));
                }
                const auto annotated =
                    truthFromPoses(refs[0], zindPose(panos[0]), refs[1], zindPose(panos[1]), {});
                const auto rows = truthFromPoses(corners[0], zindPose(panos[0]), corners[1],
                                                 zindPose(panos[1]), criteria);
                QVERIFY(annotated && rows);
                QMultiMap<int, int> pairs;
                for (const WallPair &r : *annotated)
                    if (r.secondary >= 0)
                        pairs.insert(r.primary, r.secondary);
                QMap<int, QSet<int>> got;
                for (const WallPair &r : *rows)
                    got[r.primary].insert(r.secondary);
                survival.add(refs, stands, pairs, got);
            }
        }
        shares[growing] = survival.share();
        qInfo("pose route, %s, %s limits: %s", QTest::currentDataTag(),
              growing ? "growing" : "fixed", survival.text().constData());
    }
    QVERIFY2(shares[1] >= least, qPrintable(QString::number(shares[1])));
    QVERIFY(shares[1] >= shares[0]);
}

#endif

QTEST_MAIN(TestLayoutTruth)
#include "tst_layouttruth.moc"
