#ifndef STUDYPLAN_H
#define STUDYPLAN_H

#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

// One case of a study: the sample folder number and the corner source whose walls are shown.
struct PlanCase
{
    int line = 0; // 1-based line in the plan file
    int sample = 0;
    QString source;
    bool practice = false; // a practice case (phase "practice"), before every test case
};

struct StudyPlan
{
    QVector<PlanCase> cases;
    QStringList problems; // "FILE:LINE: text"; empty when the plan can be run
};

// A CSV file with the header "sample,source" and one row per case, in the order shown; the
// source is a source name (sources.h). A third column "phase" may say "practice" or "test"
// (the default, also when empty); practice rows come before every test row, and there is at
// least one test row. A sample may appear more than once, with another source each time among
// the test rows. Whether the source's corner files exist is for the caller to check.
StudyPlan parseStudyPlan(const QString &text, const QString &fileName);

// The header line and one row per case, LF line ends; with practice cases, the phase column.
QString studyPlanCsv(const QVector<PlanCase> &cases);

} // namespace wallmatch

#endif // STUDYPLAN_H
