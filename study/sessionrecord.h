#ifndef SESSIONRECORD_H
#define SESSIONRECORD_H

#include "participantfiles.h"
#include "resultsstore.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace wallmatch {

// What the methods section of a paper needs about one sitting: program, platform, screen,
// plan, options, times. Filled by the program at start.
struct SessionFacts
{
    QString participant;
    QString planPath; // empty for the fixed run
    QByteArray planSha256; // hex
    QStringList options; // the command line after the program name
    QSize screenSize;
    qreal devicePixelRatio = 1;
    qreal windowScale = 1;
    bool fullScreen = false;
    bool eventTimestamps = false; // case times from the input events' own timestamps
    // Files that shape what the participant sees, pinned by their SHA-256 (hex); empty: none.
    QString truthPath;
    QByteArray truthSha256;
    QString instructionsPath;
    QByteArray instructionsSha256;
    QString afterPracticePath;
    QByteArray afterPracticeSha256;
    // A start with --study: the study file and the options the command line overrode.
    QString studyFile;
    QByteArray studySha256;
    QString studyTitle;
    QStringList studyOverrides;
};

// The session record: a JSON file with one entry per sitting ("sessions"), written when the
// sitting starts and updated when it ends. A resumed session adds an entry after the earlier
// ones. Written by the same store as the results.
class SessionRecord
{
public:
    explicit SessionRecord(const QString &fileName);

    // Keeps the entries an earlier sitting wrote (a resumed session). Returns a problem with the
    // file, empty when none; a missing file is none.
    QString resumeExisting();

    // Starts this sitting's entry and writes the file.
    QString begin(const SessionFacts &facts, const QDateTime &start = QDateTime::currentDateTime());
    // Updates this sitting's entry: answers so far, and whether the run is complete.
    QString finish(int testAnswered, int practiceAnswered, bool completed,
                   const QDateTime &end = QDateTime::currentDateTime());

    // What this sitting's case onsets rested on: cases per method (onsetMethodName) and the
    // display's refresh period where it reports one. Kept for the next write.
    void noteOnsets(const QMap<QString, int> &casesByMethod, std::optional<double> refreshMs);
    QString write();

    QJsonObject document() const;
    QString takeNotice() { return store.takeNotice(); }
    QString fileName() const { return store.fileName(); }

private:
    ResultsStore store;
    QJsonArray earlier;
    QJsonObject current;
};

// ISO 8601 with the UTC offset, e.g. "2026-12-08T14:03:11+01:00".
QString isoWithOffset(const QDateTime &time);

} // namespace wallmatch

#endif // SESSIONRECORD_H
