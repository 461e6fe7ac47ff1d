#ifndef STUDYFIXTURE_H
#define STUDYFIXTURE_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include "truthfile.h"

#include <vector>

// A generated study with known effects, as the results files of its participants.
namespace fixture {

struct StudyDesign
{
    quint64 seed = 1;
    int participants = 20;
    int samples = 30;
    // Bramble against Kestrel: added to the log seconds, and to the log odds of a correct answer.
    double timeEffect = 0;
    double accuracyEffect = 0;
    // For each sample (from 1), the secondary wall of each primary wall; empty: four walls,
    // primary wall k matching secondary wall k + 1 (mod 4).
    std::vector<std::vector<int>> secondaryWalls;
};

struct GeneratedStudy
{
    QVector<QString> participants; // P01, P02, ...
    QVector<QByteArray> results; // one results file per participant
    QByteArray truth; // "sample,primary wall,secondary wall"
};

// Each participant sees every sample once, in their own order, half with each source
// (alternating over participants), so the sources are balanced over samples. Log seconds:
// log 8 + participant (SD 0.3) + sample (SD 0.3) + source + residual (SD 0.3); log odds of a
// correct answer: 1.5 + participant (SD 0.5) + sample (SD 0.5) + source.
GeneratedStudy generateStudy(const StudyDesign &design);

// The secondary wall of each primary wall of samples 1..samples, from a truth file's rows for
// `source` (the first right wall where there are several), for StudyDesign::secondaryWalls.
std::vector<std::vector<int>> secondaryWallsOf(const wallmatch::TruthFile &truth, int samples,
                                               const QString &source);

} // namespace fixture

#endif // STUDYFIXTURE_H
