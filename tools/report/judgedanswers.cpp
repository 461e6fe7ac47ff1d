#include "judgedanswers.h"

#include "datedname.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace wallmatch {

QString participantOf(const QString &fileName)
{
    static const QRegularExpression named(QStringLiteral("^results_([A-Za-z0-9_-]+)\\.txt$"));
    // A dated file (kept aside or a fallback) is the participant's too.
    const QRegularExpressionMatch m = named.match(undatedFileName(QFileInfo(fileName).fileName()));
    return m.hasMatch() ? m.captured(1) : fileName;
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
