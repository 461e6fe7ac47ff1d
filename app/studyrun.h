#ifndef STUDYRUN_H
#define STUDYRUN_H

#include "answer.h"
#include "cornertype.h"
#include "instructionspage.h"
#include "participantfiles.h"
#include "sessionrecord.h"
#include "studyplan.h"
#include "studyprotocol.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <string>

namespace wallmatch {

// What one session runs: its cases, where its answers go, and what an interrupted session of the
// same participant left to continue from.
struct StudyRun
{
    // The cases in the order shown; empty for the fixed run: samples 1 to 100 in order, Kestrel.
    QVector<PlanCase> cases;
    QString resultsFile = resultsFileFor(QString());
    // Continue the results file instead of keeping it aside.
    bool resume = false;
    // The file's lines (each with its LF) and what they say: the run's first cases.
    QVector<QString> resumedLines;
    QVector<Answer> resumedAnswers;
    // The file they were read from: the results file, a fallback of it, or a temporary file.
    QString resumedFrom;

    // --- The study protocol; all off in a plain start.
    // The first practiceCases of `cases` are practice cases.
    int practiceCases = 0;
    QString practiceFile = practiceFileFor(QString());
    // The event log and the session record are written when set.
    bool protocolFiles = false;
    QString eventsFile = eventsFileFor(QString());
    QString sessionFile = sessionFileFor(QString());
    SessionFacts facts;
    Instructions instructions;
    Instructions instructionsAfterPractice;
    int breakEvery = 0;
    bool pauseOnFocusLoss = false;
    TruthLookup truth; // feedback after practice answers when set
};

// Samples 1 to 100 in order with Kestrel's walls, as cases.
QVector<PlanCase> fixedRunCases();

// The corner source of a plan's display name; Kestrel for a name no source has.
CornerType cornerTypeNamed(const QString &name);

// The folder a view loads for a sample, Windows-style as the loader takes it.
std::string panoramaFolder(int sampleId, bool secondary);

// What keeps a case from being shown and answered: missing folders or images, the shown
// source's corner file (and those the loader reads before it), a corner list that gives no wall.
// One "FILE:LINE: text" per problem, FILE being planFile and LINE the case's line. Decodes every
// image, so it needs the GUI application.
QStringList checkPlanSamples(const QVector<PlanCase> &cases, const QString &planFile);

// Where the participant's answers may be, newest first: the results file, its fallback and
// kept files (results_ID-YYYYMMDD-HHMMSS.txt) beside it and in the user's data folder.
QStringList resumeCandidates(const QString &resultsFile);

// Reads an interrupted session's newest answers, wherever they went (resumeCandidates; a
// temporary file a kill at the rename left, when its lines extend the results file, before
// that): checked whole (textinput.h), its lines must be the first cases, in order, with their
// samples and sources, and leave at least one case to do. Problems go to `problems` as "FILE:LINE:
// text" or "FILE: text".
void readResumedResults(StudyRun &run, const QVector<PlanCase> &cases, QStringList &problems);

} // namespace wallmatch

#endif // STUDYRUN_H
