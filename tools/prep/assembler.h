#ifndef ASSEMBLER_H
#define ASSEMBLER_H

#include "plan.h"
#include "problem.h"

#include <QSize>
#include <QStringList>
#include <QVector>

#include <functional>

namespace wallmatch {

// The viewer draws images unscaled, so every panorama is brought to this size.
inline QSize viewImageSize()
{
    return {1024, 512};
}

struct AssembleOptions
{
    bool force = false; // replace sample folders that already exist
    double uTolerance = 3.0; // in pixels of a 1024-wide image
};

struct AssembleResult : Findings
{
    QStringList summary;
    QStringList warnings; // printed after the summary, each with "warning: "
    int samplesWritten = 0;
};

// Builds outDir/test_datasets/N/{pri_pano,sec_pano}/ with color.jpg, pred_corner.txt and, where
// planned, pred_corner_Bramble.txt. Everything is checked before anything is written.
AssembleResult assembleSamples(const Plan &plan, const QString &outDir,
                               const AssembleOptions &options);

// A panorama as the viewer draws it: a JPEG of viewImageSize(). `copy`: the source is one
// already and is copied byte for byte; otherwise it is decoded, resampled and encoded.
bool writeViewImage(const QString &source, bool copy, const QString &target,
                    QVector<Problem> &errors);

// Writes a sample tree at `root` (OUT_DIR/test_datasets) through `build`, which fills the
// folder it is given and returns false after adding its errors. A tree that already holds
// anything is replaced as a whole: the new one is built beside it and swapped in, so nothing of
// the old one is left behind, and on failure the old one stays as it was. Whether replacing is
// allowed (--force) is the caller's to check first.
bool buildSampleTree(const QString &root, AssembleResult &result,
                     const std::function<bool(const QString &writeRoot)> &build);

} // namespace wallmatch

#endif // ASSEMBLER_H
