#ifndef RUNSETTINGS_H
#define RUNSETTINGS_H

#include "answer.h"
#include "instructions.h"
#include "participantfiles.h"
#include "sessionrecord.h"
#include "studyplan.h"
#include "studyprotocol.h"

#include <QString>
#include <QVector>

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

    // --- The study screen; both off in a plain start. A study run (--plan) opens with a page and
    // Begin, which presents the first case at once (no Start Test step), and ends on a page.
    bool studyScreen = false;
    // The participant sees the task only: nothing that tells sources apart, no clock, no answer
    // log, no wall numbers (blinding). Off with --experimenter-view, for piloting.
    bool participantView = false;

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

} // namespace wallmatch

#endif // RUNSETTINGS_H
