#ifndef ASSEMBLER_H
#define ASSEMBLER_H

#include "plan.h"
#include "problem.h"

#include <QSize>
#include <QStringList>
#include <QVector>

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

struct AssembleResult
{
    QVector<Problem> errors;
    QVector<Problem> notes;
    QStringList summary;
    int samplesWritten = 0;

    bool ok() const { return errors.isEmpty(); }
};

// Builds outDir/test_datasets/N/{pri_pano,sec_pano}/ with color.jpg, pred_corner.txt and, where
// planned, pred_corner_Bramble.txt. Everything is checked before anything is written.
AssembleResult assembleSamples(const Plan &plan, const QString &outDir,
                               const AssembleOptions &options);

} // namespace wallmatch

#endif // ASSEMBLER_H
