#include "judgedanswers.h"

#include "participantfiles.h"
#include "regularfile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace wallmatch {

namespace {

// Whether the session record `name` holds a sitting of participant `id`.
bool recordNames(const QString &name, const QString &id)
{
    constexpr qint64 maxRecordBytes = 16 * 1024 * 1024;
    const ReadFile read = readRegularFile(name, maxRecordBytes);
    if (!read.ok)
        return false;
    const QJsonArray sessions =
        QJsonDocument::fromJson(read.bytes).object().value(QStringLiteral("sessions")).toArray();
    for (const QJsonValue &session : sessions)
        if (session.toObject().value(QStringLiteral("participant")).toString() == id)
            return true;
    return false;
}

} // namespace

std::optional<QString> participantIdOf(const QString &fileName)
{
    const QFileInfo info(fileName);
    const std::optional<ParticipantFileOf> of = participantFileOf(info.fileName());
    if (!of)
        return std::nullopt;
    if (!of->participant.isEmpty() && !of->dateSuffix.isEmpty()) {
        // A dated name is the shorter ID's unless the file's own record says otherwise.
        const QString whole = of->participant + of->dateSuffix;
        if (recordNames(info.dir().filePath(sessionFileFor(whole)), whole))
            return whole;
    }
    return of->participant;
}

QString participantOf(const QString &fileName)
{
    const std::optional<QString> id = participantIdOf(fileName);
    return id && !id->isEmpty() ? *id : fileName;
}

QVector<JudgedAnswer> judgedAnswers(const QVector<ResultsFile> &files, const TruthFile *truth)
{
    QVector<JudgedAnswer> cases;
    for (const ResultsFile &f : files) {
        const QString participant = participantOf(f.name);
        for (const ResultAnswer &a : f.answers) {
            JudgedAnswer c;
            c.file = f.name;
            c.line = a.line;
            c.participant = participant;
            c.sample = a.sampleId;
            c.source = a.source;
            if (a.milliseconds)
                c.seconds = *a.milliseconds / 1000.0;
            if (truth) {
                c.verdict = truth->judge(a.sampleId, a.source, a.wall1, a.wall2);
                const bool judged = c.verdict != Verdict::NotJudged;
                c.uncertain = judged && !truth->certain(a.sampleId, a.source, a.wall1);
                c.noCounterpart = judged && truth->noCounterpart(a.sampleId, a.source, a.wall1);
            }
            c.pastEnd = a.pastEnd;
            c.answer = a;
            cases.append(c);
        }
    }
    return cases;
}

QStringList truthWarnings(const QVector<JudgedAnswer> &cases, const TruthFile &truth)
{
    QStringList warnings;
    QMap<QString, QPair<int, int>> judged; // source -> (judged, on -1 rows)
    QMap<QString, QSet<int>> uncovered; // source -> samples without rows
    int uncoveredCases = 0;
    for (const JudgedAnswer &c : cases) {
        if (c.pastEnd)
            continue;
        if (c.verdict != Verdict::NotJudged) {
            ++judged[c.source].first;
            judged[c.source].second += c.noCounterpart ? 1 : 0;
        }
        if (!truth.covers(c.sample, c.source)) {
            uncovered[c.source].insert(c.sample);
            ++uncoveredCases;
        }
    }
    for (auto it = judged.cbegin(); it != judged.cend(); ++it) {
        if (2 * it->second > it->first)
            warnings.append(QStringLiteral("%1: %2 of its %3 judged answers rest on -1 rows (no "
                                           "counterpart), so they count as wrong whatever was "
                                           "answered; check the truth of this source")
                                .arg(it.key())
                                .arg(it->second)
                                .arg(it->first));
    }
    if (uncoveredCases > 0) {
        QStringList parts;
        for (auto it = uncovered.cbegin(); it != uncovered.cend(); ++it) {
            QList<int> samples = it->values();
            std::sort(samples.begin(), samples.end());
            QStringList numbers;
            for (int s : samples.mid(0, 10))
                numbers.append(QString::number(s));
            parts.append(QStringLiteral("%1 (samples %2%3)")
                             .arg(it.key(), numbers.join(QStringLiteral(", ")),
                                  samples.size() > 10 ? QStringLiteral(", …") : QString()));
        }
        warnings.append(QStringLiteral("%1 answered cases have no truth rows and are not "
                                       "judged: %2")
                            .arg(uncoveredCases)
                            .arg(parts.join(QStringLiteral("; "))));
    }
    return warnings;
}

} // namespace wallmatch
