#ifndef STUDYCHECK_H
#define STUDYCHECK_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace wallmatch {

// What the report checks of a study folder (wallmatch-report --study DIR): every participant's
// sessions against the study as it is set up now, by the SHA-256 their session records pinned.
struct StudyCheck
{
    QString folder;
    QString title;
    QString truth; // the study's truth file, empty when it has none
    QStringList resultsFiles; // results_ID.txt and their dated files, by name
    QStringList practiceFiles; // found, never counted as participants
    QStringList eventFiles;
    QStringList differences; // "P01: truth truth.csv: ...", one line each
    // What the case onsets rested on (the session records' onset_method; "not recorded" for
    // records from before it was): the sittings, as "P01 (sitting 1)", per method.
    QMap<QString, QStringList> onsetMethods;
    QStringList problems; // the study file's own; with any, nothing is reported
};

// Reads DIR/study.json and the participants' files and session records in DIR.
StudyCheck checkStudyFolder(const QString &folder);

// The check as the top of the text report, as the "study" member of the JSON report, and as an
// HTML section.
QString studyCheckText(const StudyCheck &check);
QByteArray withStudyCheck(const QByteArray &reportJson, const StudyCheck &check);
QString studyCheckHtml(const StudyCheck &check);

} // namespace wallmatch

#endif // STUDYCHECK_H
