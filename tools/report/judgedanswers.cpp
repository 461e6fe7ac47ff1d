#include "judgedanswers.h"

#include "datedname.h"

#include <QFileInfo>
#include <QRegularExpression>

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
            if (truth)
                c.verdict = truth->judge(a.sampleId, a.source, a.wall1, a.wall2);
            c.pastEnd = a.pastEnd;
            c.answer = a;
            cases.append(c);
        }
    }
    return cases;
}

} // namespace wallmatch
