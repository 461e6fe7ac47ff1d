#ifndef RESULTSSTORE_H
#define RESULTSSTORE_H

#include "datedname.h"
#include "participantfiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

// The results file's bytes: every line's UTF-8, in order, nothing in between.
QByteArray resultsBytes(const QVector<QString> &lines);

// Moves the file (or link) at `path` aside to its first free kept name beside it, never
// replacing anything; returns the new path, or empty with *error set.
QString keepAside(const QString &path, QString *error);

// Whether a file name is one QSaveFile gives its temporary file while it writes `fileName`.
bool isSaveFileLeftover(const QString &name, const QString &fileName);

} // namespace wallmatch

// Writes the results file atomically, and makes sure the answers reach the disk somewhere.
//
// Before the first write of the process, what an earlier session left is kept under a dated
// name instead of being overwritten: a non-empty results file, a symbolic link of that name (the
// link itself; nothing is written through it) and the writer's temporary files left by a kill at
// the rename. When the results file cannot be written, or the earlier file cannot be kept, the
// answers go to a new dated file in the same folder, or, if that folder takes no file, in the
// user's data folder; every later write goes there too. A folder that takes no new file but
// whose results file is writable gets the new lines appended in place.
class ResultsStore
{
public:
    explicit ResultsStore(const QString &fileName = wallmatch::resultsFileFor(QString()));

    // Returns an empty string when every line is on disk, otherwise a message naming the file
    // and the reason; the caller keeps the lines for the next write.
    QString write(const QVector<QString> &lines);

    // The file holds this session's own first answers (a resumed session): it is rewritten in
    // place instead of being kept aside.
    void resumeExistingFile() { resumed = true; }
    // A resumed session whose answers so far are in `path`: the results file itself; a fallback
    // file of it, which later answers go to as well; or a temporary file a kill at the rename
    // left beside it, whose lines then go to the results file (and which is removed once they
    // are there).
    void resumeFrom(const QString &path);

    QString fileName() const { return file; }
    // Where an earlier session's results file was kept, empty if there was none.
    QString keptFileName() const { return kept; }
    // Earlier sessions' temporary files, kept under dated names.
    QStringList keptLeftovers() const { return leftovers; }
    // Where the answers are written now: the results file or its fallback.
    QString currentFileName() const { return target; }
    // Set once when a write had to go to a fallback file: why, and where the answers are now.
    // Reading it clears it.
    QString takeNotice();

private:
    void keepLeftovers();
    QString prepareTarget();
    QString writeTo(const QString &path, const QByteArray &bytes) const;
    QString writeToFallback(const QString &reason, const QByteArray &bytes);
    QString failureReason(const QString &error) const;

    QString file;
    QString folder; // absolute, as at the start: named when it disappears
    QString target;
    QString kept;
    QStringList leftovers;
    QString notice;
    QString blocked; // why the results file itself must not be written, if so
    bool prepared = false;
    bool resumed = false;
    QString consumedLeftover; // a temporary file resumed from
};

#endif // RESULTSSTORE_H
