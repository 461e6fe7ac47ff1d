#ifndef STUDYSTART_H
#define STUDYSTART_H

#include "sessionrecord.h"
#include "studyfile.h"

#include <QString>
#include <QStringList>

namespace wallmatch {

// A start with --study DIR: the study file turned into the options it stands for, so that the
// session is prepared exactly as from a command line that gives them all.
struct StudyStart
{
    bool study = false; // --study was given
    QString folder; // the study folder, absolute: the session's working folder
    QStringList arguments; // the command line to prepare the session from
    StudyFileRead file;
    QString participant; // for --participant next, the ID chosen
    QString planFile; // the plan the participant's ID gives, absolute
    QStringList overrides; // options of the study file the command line gave otherwise
    QStringList problems; // lines for standard error; with any, nothing starts
};

// Without --study, the arguments as they are. With it: the study file read and checked whole,
// --participant required, the participant's plan there with the study's practice cases and only
// the study's sources (--participant next: the least used plan and a new ID, see
// chooseNextParticipant); every setting of the file the command line does not give added as its
// option. Paths on the command line are made absolute against the working folder, the study's
// against the study folder, so the session can then run in the study folder.
StudyStart expandStudyArguments(const QStringList &arguments);

// What the session record keeps of the study: its file, hash, title, the options overridden
// and the original command line.
void noteStudy(SessionFacts &facts, const StudyStart &study, const QStringList &arguments);

} // namespace wallmatch

#endif // STUDYSTART_H
