#ifndef PLAN_H
#define PLAN_H

#include "problem.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

// One view of a sample: absolute paths; an empty Bramble path means the sample has none.
// A sample tree of more is not built: every sample is checked (images decoded) before anything
// is written, which holds all of them.
inline constexpr int maxAssembledSamples = 10000;

struct PlanPanorama
{
    QString image;
    QString kestrel;
    QString bramble;
};

struct PlanRow
{
    int line = 0;
    int sample = 0;
    PlanPanorama primary;
    PlanPanorama secondary;
};

// A sample tree to build, read from a CSV file with the columns
// sample, primary image, primary Kestrel, primary Bramble, secondary image, secondary Kestrel,
// secondary Bramble. Relative paths are taken from the plan's own folder.
struct Plan
{
    QString file;
    QString baseDir;
    QVector<PlanRow> rows; // in file order
    QVector<Problem> errors;

    bool ok() const { return errors.isEmpty(); }
};

// Parses a plan (CSV, RFC 4180 quoting; blanks around fields dropped) and checks that its
// samples are numbered 1..N without gaps or repeats. Blank lines, lines starting with '#' and a
// header line (first field not a number) are allowed.
Plan parsePlan(const QString &fileName, const QByteArray &content, const QString &baseDir);
Plan readPlan(const QString &fileName);

} // namespace wallmatch

#endif // PLAN_H
