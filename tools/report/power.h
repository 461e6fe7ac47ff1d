#ifndef POWER_H
#define POWER_H

#include "trials.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

// How often simulated studies of one size found one source's contrast with the reference.
struct PowerRow
{
    QString measure; // "time" or "accuracy", as in the mixed-effects models
    QString source;
    QString reference;
    int participants = 0;
    int simulations = 0; // simulated studies
    int fitted = 0; // of those, refits that gave a p
    int significant = 0; // of those, p < 0.05

    double power() const { return fitted > 0 ? double(significant) / fitted : 0.0; }
};

struct PowerSettings
{
    QVector<int> participants; // the study sizes to simulate
    int simulations = 100; // per size and measure
    quint64 seed = 1;
    int timeLimitSeconds = 600; // simulating stops after this; the rest is not run
};

struct PowerResult
{
    PowerSettings settings;
    QVector<PowerRow> rows;
    QString unavailable; // why nothing could be simulated
    bool failed = false; // R missing or failing
};

// Parses "12,24,48": sizes of at least 2, at most 10000, without repeats; empty on error.
QVector<int> parseParticipantCounts(const QString &text);

// Simulates studies of each size from the pilot `trials` with R and lme4 (the models of
// fitMixedModels, simulated with simulate() and fitted again). R's progress lines go to standard
// error as they come. Waits at most the time limit and two minutes more.
PowerResult simulatePower(const QVector<Trial> &trials, const QStringList &sources,
                          const PowerSettings &settings,
                          const QString &rscript = QStringLiteral("Rscript"));

QString powerText(const PowerResult &result);
// One object per row: measure, source, reference, participants, simulations, fitted,
// significant, power, power_conf_low, power_conf_high (95 % Wilson).
QJsonArray powerJson(const PowerResult &result);
// Power against the number of participants, one series per measure and source.
QString powerChartSvg(const PowerResult &result);

} // namespace wallmatch

#endif // POWER_H
