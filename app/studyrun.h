#ifndef STUDYRUN_H
#define STUDYRUN_H

#include "answer.h"
#include "cornertype.h"
#include "participantfiles.h"
#include "runsettings.h"
#include "sessionrecord.h"
#include "studyplan.h"
#include "studyprotocol.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <string>

namespace wallmatch {

// The corner source of a plan's display name; Kestrel for a name no source has.
CornerType cornerTypeNamed(const QString &name);

// The folder a view loads for a sample, Windows-style as the loader takes it.
std::string panoramaFolder(int sampleId, bool secondary);

// What keeps a case from being shown and answered: missing folders or images, the shown
// source's corner file (and those the loader reads before it), a corner list that gives no wall.
// One "FILE:LINE: text" per problem, FILE being planFile and LINE the case's line. Decodes every
// image, so it needs the GUI application.
// A problem found in several samples is one line: "FILE: SOURCE: text with N for the sample,
// in 64 samples: 3, 5, 7, ...". Without a sample tree in the working folder, one line says so.
// With notes, walls narrower than narrowWallColumns are listed there, per sample and source.
QStringList checkPlanSamples(const QVector<PlanCase> &cases, const QString &planFile,
                             QStringList *notes = nullptr);

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
