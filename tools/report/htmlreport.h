#ifndef HTMLREPORT_H
#define HTMLREPORT_H

#include "mixedmodels.h"
#include "power.h"
#include "problem.h"
#include "resultsfile.h"
#include "trials.h"
#include "truthfile.h"

#include <QString>
#include <QVector>

#include <functional>

namespace wallmatch {

struct HtmlReportInput
{
    QVector<ResultsFile> files;
    const TruthFile *truth = nullptr;
    QVector<Trial> trials;
    QStringList sources; // in the study's order, the reference first
    const MixedModels *models = nullptr; // when they were asked for
    const PowerResult *power = nullptr; // when it was asked for
    QString tree; // the sample tree (test_datasets) for the panoramas; may not exist
    std::function<void(int done, int total)> progress; // per sample picture drawn
    QString studySection; // HTML at the top: the study check of --study, when given
};

// Writes `dir`/index.html with the charts and panoramas beside it (the folder is made if
// needed): a page that opens from disk in any browser, with no script and nothing fetched from
// elsewhere. Returns false, with problems added, when something could not be written.
bool writeHtmlReport(const QString &dir, const HtmlReportInput &input, QVector<Problem> &problems);

// How the answers for one sample with one source went, for its section of the page.
struct SampleSourceAnswers
{
    int sample = 0;
    QString source;
    QVector<const Trial *> trials;
    int judged = 0;
    int correct = 0;
    int uncertain = 0; // of the judged, on truth rows that are all uncertain
};

// Test answers grouped by sample and source; samples by share correct, worst first (unjudged
// ones last, then by sample number), sources within a sample in `sources` order.
QVector<SampleSourceAnswers> answersBySample(const QVector<Trial> &trials,
                                             const QStringList &sources);

} // namespace wallmatch

#endif // HTMLREPORT_H
