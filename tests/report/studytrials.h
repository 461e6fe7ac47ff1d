#ifndef STUDYTRIALS_H
#define STUDYTRIALS_H

#include "mixedmodels.h"
#include "studyfixture.h"
#include "trials.h"

#include <QStandardPaths>
#include <QTest>

// In a test's initTestCase: CI installs R and lme4 (scripts/setup), so there a missing R fails;
// elsewhere the R tests are skipped, saying why.
#define WALLMATCH_REQUIRE_R()                                                                      \
    do {                                                                                           \
        if (QStandardPaths::findExecutable(QStringLiteral("Rscript")).isEmpty()) {                 \
            QVERIFY2(qEnvironmentVariableIsEmpty("CI"),                                            \
                     "Rscript not found: install r-base-core and r-cran-lme4 (scripts/setup)");    \
            QSKIP("Rscript not found: these tests need R with lme4 (install r-base-core and "      \
                  "r-cran-lme4, as scripts/setup does)");                                          \
        }                                                                                          \
    } while (false)

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

// The fitted effect of a measure, or none.
inline const wallmatch::ModelEffect *effectOf(const wallmatch::MixedModels &m,
                                              const QString &measure)
{
    for (const wallmatch::ModelEffect &e : m.effects) {
        if (e.measure == measure)
            return &e;
    }
    return nullptr;
}

} // namespace fixture

#endif // STUDYTRIALS_H
