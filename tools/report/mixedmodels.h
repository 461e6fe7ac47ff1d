#ifndef MIXEDMODELS_H
#define MIXEDMODELS_H

#include "trials.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cmath>

namespace wallmatch {

// One fixed effect of a source against the reference source, as R's lme4 estimated it.
struct ModelEffect
{
    QString measure; // "time" (log seconds, lmer) or "accuracy" (log odds, glmer binomial)
    QString source;
    QString reference;
    double estimate = 0;
    double stdError = 0;
    double statistic = 0; // t for time, z for accuracy
    double p = 1; // two-sided; for time from t taken as normal
    double lrtP = 1; // likelihood-ratio test of the model against the one without source
    int observations = 0;
    bool converged = false;
    QString message; // why a fit failed or what lme4 warned about
    // The estimate's 95 % interval, and how it was found: "profile" (likelihood) or "Wald";
    // empty (and NaN bounds) without one.
    double confLow = std::nan("");
    double confHigh = std::nan("");
    QString interval;
};

struct MixedModels
{
    QVector<ModelEffect> effects;
    QString unavailable; // set when no model could be fitted at all, saying why
    bool failed = false; // R is missing or failed: the asked-for analysis was not done
};

// The line printed when R or lme4 is missing.
QString missingRLine();

// The R code of the analysis. It reads the tidy data from `trialsFile`, fits the models with
// `sources` as the levels of source (the first the reference) and, unless `resultsFile` is
// empty, writes one CSV row per fixed effect there. Paths are taken as R sees them.
QString mixedModelsRScript(const QString &trialsFile, const QString &resultsFile,
                           const QStringList &sources, bool forReader);

// Fits both models with `rscript` (the Rscript program) in a temporary folder, waiting at most
// `timeoutMs`. Needs at least two sources among the test answers.
MixedModels fitMixedModels(const QVector<Trial> &trials, const QStringList &sources,
                           const QString &rscript = QStringLiteral("Rscript"),
                           int timeoutMs = 10 * 60 * 1000);

// Reads the CSV the R script writes; `problem` says what was wrong when it returns no effects.
QVector<ModelEffect> parseModelResults(const QByteArray &csv, QString &problem);

QString mixedModelsText(const MixedModels &models);
// One object per fixed effect: measure, source, reference, estimate, std_error, statistic,
// p, lrt_p, converged, conf_low, conf_high and interval ("profile" or "Wald"); ratio,
// ratio_conf_low and ratio_conf_high (exp of them) for time, odds_ratio, odds_ratio_conf_low and
// odds_ratio_conf_high for accuracy; message where lme4 gave one.
QJsonArray mixedModelsJson(const MixedModels &models);
// The report's JSON object with the fixed effects added under "models" (an empty array when
// none could be fitted, with "models_not_fitted" saying why).
QByteArray withModels(const QByteArray &reportJson, const MixedModels &models);

} // namespace wallmatch

#endif // MIXEDMODELS_H
