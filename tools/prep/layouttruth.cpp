#include "layouttruth.h"

#include "projection.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <cmath>
#include <limits>

namespace wallmatch {

namespace {

constexpr double kMatchShare = 0.5;
constexpr double kCertainShare = 0.7;
constexpr double kNearMissShare = 0.3;

// Walls in layers: layer 0 holds the walls nearest the camera at some azimuth, with those
// azimuth bins; layer 1 those nearest once layer 0 is taken away (walls hidden behind them), and
// so on. The ring's order and start play no part.
struct BinCover
{
    QVector<int> layer; // per wall; -1: seen at no azimuth at all
    QVector<QVector<int>> bins; // per wall, at its layer
    QVector<QVector<int>> owner; // per layer, per bin: the wall, or -1
};

constexpr int kMaxLayers = 8;
constexpr int kMaxWalls = 4096;

BinCover binCover(const QVector<QPointF> &floor)
{
    const int n = int(floor.size());
    // Per bin, every wall the ray meets and how far along.
    QVector<QVector<QPair<double, int>>> hits(azimuthBins);
    for (int b = 0; b < azimuthBins; ++b) {
        const Direction horizontal =
            directionAt((b + 0.5) * 2.0 * piDouble / azimuthBins, piDouble / 2);
        const QPointF ray(horizontal.x, horizontal.y);
        for (int k = 0; k < n; ++k) {
            const QPointF a = floor.at(k);
            const QPointF e = floor.at((k + 1) % n) - a;
            const double denominator = cross(ray, e);
            if (std::fabs(denominator) < 1e-12)
                continue;
            const double t = cross(a, e) / denominator;
            const double s = cross(a, ray) / denominator;
            if (t > 0 && s >= 0 && s <= 1)
                hits[b].append({t, k});
        }
    }
    BinCover cover;
    cover.layer.fill(-1, n);
    cover.bins.resize(n);
    for (int layer = 0; layer < kMaxLayers; ++layer) {
        QVector<int> owner(azimuthBins, -1);
        for (int b = 0; b < azimuthBins; ++b) {
            double nearest = std::numeric_limits<double>::infinity();
            for (const auto &hit : hits.at(b)) {
                if (cover.layer.at(hit.second) < 0 && hit.first < nearest) {
                    nearest = hit.first;
                    owner[b] = hit.second;
                }
            }
        }
        bool any = false;
        for (int b = 0; b < azimuthBins; ++b)
            if (owner.at(b) >= 0)
                cover.bins[owner.at(b)].append(b);
        for (int k = 0; k < n; ++k) {
            if (cover.layer.at(k) < 0 && !cover.bins.at(k).isEmpty()) {
                cover.layer[k] = layer;
                any = true;
            }
        }
        if (!any)
            break;
        cover.owner.append(owner);
    }
    return cover;
}

} // namespace

std::optional<AzimuthCover> coverByAzimuth(const QVector<CornerPoint> &walls,
                                           const QVector<CornerPoint> &reference, QString *why)
{
    const auto rings = liftedFloors(walls, {}, reference, QStringLiteral("reference: "), why);
    if (!rings)
        return std::nullopt;
    const QVector<QPointF> &w = rings->first;
    const QVector<QPointF> &r = rings->second;
    // Time and memory grow with the walls times the azimuth steps: no room has this many.
    if (w.size() > kMaxWalls || r.size() > kMaxWalls) {
        if (why)
            *why = QStringLiteral("more than %1 walls: not a room's layout").arg(kMaxWalls);
        return std::nullopt;
    }
    const BinCover we = binCover(w);
    const BinCover ra = binCover(r);
    const int n = int(w.size());
    const int m = int(r.size());
    // Walls are compared within their layer: seen walls with seen walls, hidden with hidden.
    QVector<int> width(n, 0), refWidth(m, 0);
    QVector<QMap<int, int>> shared(n); // per wall: reference wall -> azimuth steps shared
    for (int a = 0; a < m; ++a)
        refWidth[a] = int(ra.bins.at(a).size());
    for (int e = 0; e < n; ++e) {
        width[e] = int(we.bins.at(e).size());
        const int layer = we.layer.at(e);
        if (layer < 0 || layer >= ra.owner.size())
            continue;
        for (int b : we.bins.at(e)) {
            const int a = ra.owner.at(layer).at(b);
            if (a >= 0)
                ++shared[e][a];
        }
    }

    AzimuthCover cover;
    cover.reference.resize(n);
    cover.certain.fill(true, n);
    QVector<int> matchedBy(m, 0);
    for (int e = 0; e < n; ++e) {
        for (auto it = shared.at(e).cbegin(); it != shared.at(e).cend(); ++it) {
            const int a = it.key();
            const int narrower = std::min(width.at(e), refWidth.at(a));
            if (narrower <= 0)
                continue;
            const double share = double(it.value()) / narrower;
            if (share >= kMatchShare) {
                cover.reference[e].append(a);
                ++matchedBy[a];
                if (share < kCertainShare)
                    cover.certain[e] = false;
            } else if (share >= kNearMissShare) {
                cover.certain[e] = false;
            }
        }
        if (cover.reference.at(e).size() > 1)
            cover.certain[e] = false; // two reference walls merged into one
    }
    for (int e = 0; e < n; ++e) {
        for (int a : cover.reference.at(e))
            if (matchedBy.at(a) > 1)
                cover.certain[e] = false; // a reference wall split in two
    }
    return cover;
}

std::optional<QVector<WallPair>> truthThroughReference(
    const QVector<CornerPoint> &primary, const QVector<CornerPoint> &primaryReference,
    const QVector<CornerPoint> &secondary, const QVector<CornerPoint> &secondaryReference,
    const QVector<WallPair> &referencePairs, QString *why)
{
    QString reason;
    const auto p = coverByAzimuth(primary, primaryReference, &reason);
    if (!p) {
        if (why)
            *why = QStringLiteral("primary view: ") + reason;
        return std::nullopt;
    }
    const auto s = coverByAzimuth(secondary, secondaryReference, &reason);
    if (!s) {
        if (why)
            *why = QStringLiteral("secondary view: ") + reason;
        return std::nullopt;
    }
    QHash<int, QVector<WallPair>> partners; // reference primary wall -> its pairs
    for (const WallPair &pair : referencePairs)
        if (pair.secondary >= 0)
            partners[pair.primary].append(pair);
    QHash<int, QVector<int>> shownBy; // reference secondary wall -> estimator secondary walls
    for (int f = 0; f < s->reference.size(); ++f)
        for (int b : s->reference.at(f))
            shownBy[b].append(f);

    QVector<WallPair> rows;
    for (int e = 0; e < p->reference.size(); ++e) {
        QMap<int, bool> found; // estimator secondary wall -> certain
        bool certain = p->certain.at(e);
        for (int a : p->reference.at(e)) {
            for (const WallPair &pair : partners.value(a)) {
                for (int f : shownBy.value(pair.secondary)) {
                    const bool c = pair.certain && s->certain.at(f);
                    found[f] = found.contains(f) ? (found.value(f) && c) : c;
                }
            }
        }
        if (found.isEmpty()) {
            rows.append({e, -1, certain});
            continue;
        }
        certain = certain && found.size() == 1;
        for (auto it = found.cbegin(); it != found.cend(); ++it)
            rows.append({e, it.key(), certain && it.value()});
    }
    return rows;
}

QVector<SourceTruthQuality> truthQuality(const QVector<TruthRow> &rows)
{
    QVector<SourceTruthQuality> quality;
    QHash<QString, int> index;
    // (source, sample, primary wall) -> has a counterpart
    QMap<QString, QMap<QPair<int, int>, bool>> walls;
    for (const TruthRow &row : rows) {
        if (!index.contains(row.source)) {
            index.insert(row.source, int(quality.size()));
            quality.append(SourceTruthQuality());
            quality.last().source = row.source;
        }
        quality[index.value(row.source)].uncertainRows += row.certain ? 0 : 1;
        bool &matched = walls[row.source][qMakePair(row.sample, row.primaryWall)];
        matched = matched || row.secondaryWall >= 0;
    }
    for (auto s = walls.cbegin(); s != walls.cend(); ++s) {
        SourceTruthQuality &q = quality[index.value(s.key())];
        QMap<int, int> perSample;
        for (auto w = s->cbegin(); w != s->cend(); ++w) {
            ++q.walls;
            if (w.value()) {
                ++q.matched;
            } else {
                ++q.unmatched;
                ++perSample[w.key().first];
            }
        }
        for (auto it = perSample.cbegin(); it != perSample.cend(); ++it)
            q.unmatchedBySample.append({it.key(), it.value()});
        std::stable_sort(
            q.unmatchedBySample.begin(), q.unmatchedBySample.end(),
            [](const QPair<int, int> &a, const QPair<int, int> &b) { return a.second > b.second; });
    }
    return quality;
}

QStringList truthQualityLines(const QVector<SourceTruthQuality> &quality, const QString &reference,
                              QStringList *warnings)
{
    QStringList lines;
    double base = std::numeric_limits<double>::infinity();
    QString baseName;
    for (const SourceTruthQuality &q : quality) {
        lines.append(QStringLiteral("%1: %2 walls, %3 with a counterpart, %4 with -1, %5 "
                                    "uncertain rows")
                         .arg(q.source)
                         .arg(q.walls)
                         .arg(q.matched)
                         .arg(q.unmatched)
                         .arg(q.uncertainRows));
        if (reference.isEmpty() ? q.unmatchedShare() < base : q.source == reference) {
            base = q.unmatchedShare();
            baseName = q.source;
        }
    }
    for (const SourceTruthQuality &q : quality) {
        if (q.source == baseName || !std::isfinite(base) || q.unmatchedShare() <= base + 0.10)
            continue;
        QStringList worst;
        for (const auto &s : q.unmatchedBySample.mid(0, 5))
            worst.append(QStringLiteral("%1 (%2)").arg(s.first).arg(s.second));
        if (warnings)
            warnings->append(QStringLiteral("%1 has -1 for %2 % of its walls against %3 % for %4: "
                                            "check its corner files and the truth; most in "
                                            "samples %5")
                                 .arg(q.source)
                                 .arg(100.0 * q.unmatchedShare(), 0, 'f', 1)
                                 .arg(100.0 * base, 0, 'f', 1)
                                 .arg(baseName, worst.join(QStringLiteral(", "))));
    }
    return lines;
}

} // namespace wallmatch
