#include "participantfiles.h"

#include "datedname.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace wallmatch {

namespace {

struct KindName
{
    ParticipantFile kind;
    const char *stem;
    const char *extension;
};

constexpr KindName kindNames[] = {{ParticipantFile::Results, "results", ".txt"},
                                  {ParticipantFile::Practice, "practice", ".txt"},
                                  {ParticipantFile::Events, "events", ".csv"},
                                  {ParticipantFile::Session, "session", ".json"}};

const KindName &nameOf(ParticipantFile kind)
{
    for (const KindName &k : kindNames)
        if (k.kind == kind)
            return k;
    return kindNames[0];
}

} // namespace

QString participantFileName(ParticipantFile kind, const QString &participant)
{
    const KindName &k = nameOf(kind);
    const QString stem = QLatin1String(k.stem);
    return (participant.isEmpty() ? stem : stem + QLatin1Char('_') + participant)
        + QLatin1String(k.extension);
}

bool isValidParticipantId(const QString &id)
{
    // \z, not $: "$" also matches before a final line feed.
    static const QRegularExpression allowed(
        QStringLiteral("\\A[A-Za-z0-9_-]{1,%1}\\z").arg(maxParticipantIdLength));
    return allowed.match(id).hasMatch();
}

bool endsLikeDate(const QString &id)
{
    const QString name = resultsFileFor(id);
    return undatedFileName(name) != name;
}

std::optional<ParticipantFileOf> participantFileOf(const QString &fileName)
{
    const QString undated = undatedFileName(fileName);
    for (const KindName &k : kindNames) {
        const QString stem = QLatin1String(k.stem);
        const QString extension = QLatin1String(k.extension);
        if (!undated.startsWith(stem) || !undated.endsWith(extension))
            continue;
        ParticipantFileOf of;
        of.kind = k.kind;
        of.dateSuffix =
            fileName.mid(undated.size() - extension.size(), fileName.size() - undated.size());
        const QString middle =
            undated.mid(stem.size(), undated.size() - stem.size() - extension.size());
        if (middle.isEmpty())
            return of;
        if (!middle.startsWith(QLatin1Char('_')) || !isValidParticipantId(middle.mid(1)))
            return std::nullopt;
        of.participant = middle.mid(1);
        return of;
    }
    return std::nullopt;
}

bool isPracticeEventsOrSessionFile(const QString &path)
{
    const auto of = participantFileOf(QFileInfo(path).fileName());
    return of && of->kind != ParticipantFile::Results;
}

} // namespace wallmatch
