#ifndef STUDYTRIALS_H
#define STUDYTRIALS_H

#include "studyfixture.h"
#include "trials.h"

namespace fixture {

// The tidy data of a generated study, judged against its own truth.
inline QVector<wallmatch::Trial> trialsOfStudy(const GeneratedStudy &study)
{
    using namespace wallmatch;
    static TruthFile truth;
    truth = parseTruthFile(QStringLiteral("truth.csv"), study.truth);
    QVector<ResultsFile> files;
    for (int p = 0; p < study.participants.size(); ++p)
        files.append(parseResultsFile(
            QStringLiteral("results_%1.txt").arg(study.participants.at(p)), study.results.at(p)));
    return trialsOf(files, &truth);
}

} // namespace fixture

#endif // STUDYTRIALS_H
