#ifndef TRIALS_H
#define TRIALS_H

#include "floorplane.h"
#include "problem.h"
#include "resultsfile.h"
#include "truthfile.h"

#include <QPoint>
#include <QString>
#include <QVector>

#include <optional>

namespace wallmatch {

// What the event log of a session says about one case.
struct CaseEvents
{
    std::optional<double> firstPickSeconds; // from the case appearing to the first wall picked
    int picks = 0;
    int misses = 0;
};

// One answer as a row of the tidy data: everything a model or a spreadsheet needs about it.
struct Trial
{
    QString participant;
    QString file;
    int line = 0;
    QString phase; // "test" for the run, "after-end" for answers given after it had ended
    int caseNumber = 0; // 1-based among the run answers of the file; 0 after the end
    int sample = 0;
    QString source;
    int primaryWall = -1;
    int secondaryWall = -1;
    bool judged = false;
    bool correct = false; // only meaningful when judged
    bool certain = true; // judged on rows not all uncertain; only meaningful when judged
    std::optional<double> seconds;
    QPoint click1;
    QPoint click2;
    std::optional<CaseEvents> events; // with an event log beside the results file only
    // The shown source's layout against the reference source's, per view (primary, secondary):
    // with --reference only, where the sample tree has both corner files.
    std::optional<LayoutAgreement> layout[2];
};

// The events of one session log, per case of the run; reading stops at the first bad row,
// which is reported.
struct SessionEvents
{
    QString file;
    QHash<int, CaseEvents> byCase;
    QVector<Problem> complaints;
};

// The columns of an events file:
// session_ms,phase,case,sample,source,event,view,wall,x,y
SessionEvents parseSessionEvents(const QString &name, const QByteArray &content);
// The event logs of a results file ("events_ID.csv" for "results_ID.txt", "events.csv" for
// "results.txt"), with the participant's dated logs there when the participant's results files
// there are one session: a sitting resumed from a fallback writes its events under a name of its
// own. Empty without a log.
QStringList eventLogsBeside(const QString &resultsFile);
// The log beside a results file ("events_ID.csv" for "results_ID.txt", "events.csv" for
// "results.txt"), joined with the participant's dated logs there when the participant's results
// files there are one session; none without a log.
std::optional<SessionEvents> readSessionEventsBeside(const QString &resultsFile,
                                                     QVector<Problem> &problems);

// Every answer of every file, in file order; events are attached where `logs` has the file's log
// (same index as `files`, or empty).
QVector<Trial> trialsOf(const QVector<ResultsFile> &files, const TruthFile *truth,
                        const QVector<std::optional<SessionEvents>> &logs = {});

// The tidy CSV: a header, then one row per trial under
// participant,file,line,phase,case,sample,source,primary_wall,secondary_wall,correct,judged,
// seconds,x1,y1,x2,y2 and, when any trial has events, first_pick_seconds,picks,misses; when any
// has layout metrics, iou2d_primary,iou2d_secondary,iou2d,floor_error_primary,
// floor_error_secondary,floor_error (iou2d and floor_error the mean of the two views); last
// certain (1, 0 when the answer was judged on truth rows that are all uncertain, empty when not
// judged).
QString trialsCsv(const QVector<Trial> &trials);

// Adds to each trial its views' layout agreement with the `reference` source, from the corner
// files of the sample tree `tree`. Corner files that cannot be read or give no floor are
// problems, once each. Returns the number of trials given metrics.
int addLayoutMetrics(QVector<Trial> &trials, const QString &tree, const QString &reference,
                     QVector<Problem> &problems);

// The mean of the two views' metrics, when both views have them.
std::optional<LayoutAgreement> meanLayout(const Trial &trial);

} // namespace wallmatch

#endif // TRIALS_H
