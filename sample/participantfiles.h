#ifndef PARTICIPANTFILES_H
#define PARTICIPANTFILES_H

#include <QString>

#include <optional>

// The names of the files a session writes for a participant, for the program that writes them
// and the report that finds them again: "results_<ID>.txt", "practice_<ID>.txt",
// "events_<ID>.csv", "session_<ID>.json", or "results.txt" and so on without an ID; and the
// dated names a kept or fallback file of one gets (datedname.h).
namespace wallmatch {

enum class ParticipantFile { Results, Practice, Events, Session };

// The file of that kind for the participant; the name without an ID for an empty one.
QString participantFileName(ParticipantFile kind, const QString &participant);
inline QString resultsFileFor(const QString &participant)
{
    return participantFileName(ParticipantFile::Results, participant);
}
inline QString practiceFileFor(const QString &participant)
{
    return participantFileName(ParticipantFile::Practice, participant);
}
inline QString eventsFileFor(const QString &participant)
{
    return participantFileName(ParticipantFile::Events, participant);
}
inline QString sessionFileFor(const QString &participant)
{
    return participantFileName(ParticipantFile::Session, participant);
}

// IDs are part of file names; 64 characters is more than any study numbers its participants.
inline constexpr int maxParticipantIdLength = 64;
// 1 to 64 letters, digits, '-' and '_', and nothing else (no line feed at the end either).
bool isValidParticipantId(const QString &id);
// Whether an ID ends as the date of a kept or fallback file does ("C-20250101-120000"): its
// files would be taken for the dated files of another participant ("C").
bool endsLikeDate(const QString &id);

// What a file name (no folder) names: a participant file of a kind, the ID ("" for the file
// without one) and whether the name is a dated one of it. Read as the program writes names: a
// name ending like a date is the dated file of the shorter ID.
struct ParticipantFileOf
{
    ParticipantFile kind = ParticipantFile::Results;
    QString participant;
    QString dateSuffix; // "-20250101-120000" (or "-…-2"), empty for the plain name
};
std::optional<ParticipantFileOf> participantFileOf(const QString &fileName);

// practice_ID.txt, events_ID.csv, session_ID.json (and practice.txt, events.csv, session.json,
// and their dated files), in any folder: a participant's files beside the results, never
// results themselves.
bool isPracticeEventsOrSessionFile(const QString &path);

} // namespace wallmatch

#endif // PARTICIPANTFILES_H
