#ifndef POSETRUTH_H
#define POSETRUTH_H

#include "floortruth.h"
#include "problem.h"
#include "zindimport.h"

#include <QHash>
#include <QStringList>
#include <QVector>

#include <functional>

namespace wallmatch {

// Camera poses of a researcher's own captures: CSV with the header "sample,view,x,y,yaw
// degrees", view "primary" or "secondary", x and y in camera heights.
struct SamplePoses
{
    QHash<int, FloorPose> primary;
    QHash<int, FloorPose> secondary;
    QVector<Problem> errors;
};

SamplePoses parsePoses(const QString &fileName, const QByteArray &content);

struct PoseTruthResult : Findings
{
    QVector<TruthRow> rows;
    QStringList sources;
};

// The truth of every posed sample of a tree (ROOT/N/{pri_pano,sec_pano}) for every source whose
// corner files the sample has.
PoseTruthResult truthFromSamplePoses(const QString &root, const SamplePoses &poses,
                                     const MatchCriteria &criteria);

// The truth of every other source of the samples that `referenceRows` (rows of the source
// `reference`) cover, through the reference's walls (see truthThroughReference); the reference's
// rows are part of the result as given.
PoseTruthResult truthFromReferenceRows(const QString &root, const QString &reference,
                                       const QVector<TruthRow> &referenceRows);

// `fresh` replaces the rows of `old` with the same sample and source; the other rows of `old`
// stay (rows without a source, of a three-column file, are given each of `sourcesOf(sample)`).
// Ordered by sample, old rows before fresh ones within a sample.
QVector<TruthRow> mergedTruth(const QVector<TruthRow> &old, const QVector<TruthRow> &fresh,
                              const std::function<QStringList(int)> &sourcesOf);

} // namespace wallmatch

#endif // POSETRUTH_H
