#ifndef STUDYPLAN_H
#define STUDYPLAN_H

#include <QString>
#include <QStringList>
#include <QVector>

namespace wallmatch {

// One case of a study: which sample folder is shown, with which corner source.
struct PlanCase
{
    int line = 0; // 1-based line in the plan file
    int sample = 0;
    QString source;
};

struct StudyPlan
{
    QVector<PlanCase> cases;
    QStringList problems; // "FILE:LINE: text"
};

// Header "sample,source"; one row per case, in the order shown; source is "Kestrel" or "Bramble".
StudyPlan parseStudyPlan(const QString &text, const QString &fileName);
// Header line and one row per case, LF endings.
QString studyPlanCsv(const QVector<PlanCase> &cases);

} // namespace wallmatch

#endif // STUDYPLAN_H
