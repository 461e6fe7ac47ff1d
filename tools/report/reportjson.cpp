#include "reportjson.h"

#include "bysource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace wallmatch {

namespace {

void addFigures(QJsonObject &o, const SourceStats &s, bool withTruth)
{
    o.insert(QStringLiteral("answers"), s.answers);
    o.insert(QStringLiteral("timed"), s.times.timed);
    const bool timed = s.times.timed > 0;
    o.insert(QStringLiteral("median_seconds"),
             timed ? QJsonValue(s.times.medianSeconds) : QJsonValue());
    o.insert(QStringLiteral("p90_seconds"), timed ? QJsonValue(s.times.p90Seconds) : QJsonValue());
    o.insert(QStringLiteral("judged"), withTruth ? QJsonValue(s.accuracy.judged) : QJsonValue());
    o.insert(QStringLiteral("correct"), withTruth ? QJsonValue(s.accuracy.correct) : QJsonValue());
    o.insert(QStringLiteral("not_judged"),
             withTruth ? QJsonValue(s.accuracy.unjudged) : QJsonValue());
    // Judged answers whose truth rows are all uncertain (counted in judged and correct).
    o.insert(QStringLiteral("uncertain"),
             withTruth ? QJsonValue(s.accuracy.uncertain) : QJsonValue());
}

} // namespace

QByteArray reportJson(const QVector<ResultsFile> &files, const TruthFile *truth)
{
    const bool withTruth = truth != nullptr;
    const QStringList sources = sourcesOf(files);
    QJsonArray sourceRows;
    for (const SourceStats &s : statsBySource(files, sources, truth)) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), s.source);
        addFigures(o, s, withTruth);
        sourceRows.append(o);
    }
    const QVector<ParticipantStats> participants = statsByParticipant(files, sources, truth);
    QJsonArray participantRows;
    for (const ParticipantStats &p : participants) {
        for (const SourceStats &s : p.bySource) {
            QJsonObject o;
            o.insert(QStringLiteral("participant"), p.participant);
            o.insert(QStringLiteral("source"), s.source);
            addFigures(o, s, withTruth);
            participantRows.append(o);
        }
    }
    QJsonArray comparisonRows;
    for (const SourceComparison &c : compareSources(participants, sources, withTruth)) {
        QJsonObject o;
        o.insert(QStringLiteral("measure"), c.measure);
        o.insert(QStringLiteral("test"), c.test);
        o.insert(QStringLiteral("sources"), QJsonArray::fromStringList(c.sources));
        o.insert(QStringLiteral("participants"), c.participants);
        o.insert(QStringLiteral("statistic"), c.statistic);
        o.insert(QStringLiteral("p"), c.p);
        if (c.pHolm)
            o.insert(QStringLiteral("p_holm"), *c.pHolm);
        if (c.effectSize) {
            o.insert(QStringLiteral("effect_size"), *c.effectSize);
            o.insert(QStringLiteral("effect_measure"),
                     c.test == QLatin1String("friedman") ? QStringLiteral("kendall_w")
                                                         : QStringLiteral("rank_biserial_r"));
        }
        o.insert(QStringLiteral("smallest_p"), c.smallestP);
        comparisonRows.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("sources"), sourceRows);
    root.insert(QStringLiteral("participants"), participantRows);
    root.insert(QStringLiteral("comparisons"), comparisonRows);
    root.insert(QStringLiteral("warnings"),
                QJsonArray::fromStringList(designWarnings(
                    compareSources(participants, sources, withTruth), truth, sources)));
    if (truth)
        root.insert(QStringLiteral("truth_per_source"), truth->perSource);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace wallmatch
