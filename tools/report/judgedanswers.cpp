#include "judgedanswers.h"

#include "participantfiles.h"
#include "regularfile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
