#include "runsettings.h"

#include "samplefolder.h"
#include "sources.h"

namespace wallmatch {

QVector<PlanCase> fixedRunCases()
{
    QVector<PlanCase> cases;
    for (int sample = 1; sample <= plainRunSamples; ++sample)
        cases.append({0, sample, QString::fromLatin1(builtInSources[0].name)});
    return cases;
}

} // namespace wallmatch
