#ifndef LAYOUTTRUTH_H
#define LAYOUTTRUTH_H

#include "cornerpoint.h"
#include "floortruth.h"
#include "truthfile.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// The truth of an estimator's walls through a reference layout of the same panoramas (the
// annotated one) whose cross-view pairs are known. Within one panorama an estimator wall is
// matched to the reference walls by the azimuths each covers: a wall's depth, which a pixel of
// noise in the floor line moves a long way, plays no part.
namespace wallmatch {

// Azimuth steps of the comparison: a quarter degree.
inline constexpr int azimuthBins = 1440;

// For each wall of `walls`, the walls of `reference` (both corner lists of one panorama) that
// it matches, and whether that match is certain. Each wall covers the azimuths where it is the
// nearest wall of its own layout (a wall hidden behind another covers those it spans and is
// compared with the reference's hidden walls alone). Walls e and a match when the azimuths
// they share are at least half the narrower one's; a match is certain when it shares at least
// 70 %, is one to one and no other reference wall comes within 30 to 50 %.
struct AzimuthCover
{
    QVector<QVector<int>> reference; // per wall, ascending
    QVector<bool> certain;
};

std::optional<AzimuthCover> coverByAzimuth(const QVector<CornerPoint> &walls,
                                           const QVector<CornerPoint> &reference,
                                           QString *why = nullptr);

// One sample and source: estimator wall e (primary view) and f (secondary view) are a pair when
// they match reference walls that are a pair in `referencePairs` (rows of the reference,
// -1 allowed). A wall matching no reference wall, or only ones without a counterpart, gets -1.
// Rows are uncertain when a match on either side, or the reference pair, is.
std::optional<QVector<WallPair>> truthThroughReference(
    const QVector<CornerPoint> &primary, const QVector<CornerPoint> &primaryReference,
    const QVector<CornerPoint> &secondary, const QVector<CornerPoint> &secondaryReference,
    const QVector<WallPair> &referencePairs, QString *why = nullptr);

// How good a tree's truth is, per source.
struct SourceTruthQuality
{
    QString source;
    int walls = 0; // (sample, primary wall) with rows
    int matched = 0; // with at least one counterpart
    int unmatched = 0; // -1
    int uncertainRows = 0;
    QVector<QPair<int, int>> unmatchedBySample; // (sample, walls with -1), most first
    double unmatchedShare() const { return walls > 0 ? double(unmatched) / walls : 0.0; }
};

QVector<SourceTruthQuality> truthQuality(const QVector<TruthRow> &rows);

// One line per source ("Kestrel: 124 walls, 124 with a counterpart, 0 with -1, 0 uncertain
// rows"), then a warning for each source whose share of -1 exceeds the reference's (or, without
// one, the lowest share) by more than 10 points, naming its worst samples.
QStringList truthQualityLines(const QVector<SourceTruthQuality> &quality, const QString &reference,
                              QStringList *warnings);

} // namespace wallmatch

#endif // LAYOUTTRUTH_H
