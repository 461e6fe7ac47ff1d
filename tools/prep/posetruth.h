#ifndef POSETRUTH_H
#define POSETRUTH_H

#include "floortruth.h"
#include "problem.h"
#include "zindimport.h"

#include <QHash>
#include <QStringList>
#include <QVector>

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

} // namespace wallmatch

#endif // POSETRUTH_H
