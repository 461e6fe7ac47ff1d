#ifndef STUDYFILE_H
#define STUDYFILE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace wallmatch {

// The study file in a study folder: everything a session needs besides the participant, so that
// every participant of a study runs the same protocol.
inline constexpr char studyFileName[] = "study.json";

// What study.json says. Paths are relative to the study folder (or absolute); empty: none.
struct StudyFile
{
    QString title;
    QStringList sources; // the sources the plans compare
    QString plans = QStringLiteral("plans"); // folder of the plans, ID.csv per participant
    int practice = 0; // practice cases at the start of every plan
    QString instructions;
    QString instructionsAfterPractice;
    QString truth; // feedback after practice answers
    int breakEvery = 0; // 0: no breaks
    bool fullScreen = false;
    bool pauseOnFocusLoss = false;
    bool experimenterView = false; // show the source, time, log and walls (piloting)
};

struct StudyFileRead
{
    StudyFile study;
    QString file; // DIR/study.json
    QByteArray sha256; // hex, of the bytes read
    QStringList problems; // "FILE: field: problem"; empty when the study can be run
};

// Reads and checks DIR/study.json whole: a JSON object of known fields with the right types and
// values, a title, sources that are names, and every file and folder it names present.
StudyFileRead readStudyFile(const QString &folder);

// Checks the JSON text of a study file; `folder` is where the files it names are looked for.
StudyFileRead parseStudyFile(const QByteArray &json, const QString &file, const QString &folder);

// The study file's text: indented JSON, every field present, LF line ends.
QByteArray studyFileJson(const StudyFile &study);

// The plan a participant gets: DIR/PLANS/ID.csv.
QString studyPlanFile(const StudyFile &study, const QString &folder, const QString &participant);

// The SHA-256 of a regular file's bytes (hex), or empty when it cannot be read.
QByteArray fileSha256(const QString &file);

} // namespace wallmatch

#endif // STUDYFILE_H
